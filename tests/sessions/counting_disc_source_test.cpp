// What an extraction's progress counts, and how its line reads without a
// read-ahead buffer.

#include <gtest/gtest.h>

#include "cli/counting_disc_source.h"
#include "cli/progress.h"
#include "engine/iso/memory_disc.h"

namespace sorvane::cli {
namespace {

TEST(ExtractProgress, OnlySectorsActuallyReadAreCounted) {
    TMemoryDisc memory;
    memory.Load(10, std::vector<std::uint8_t>(3 * 2048, 0x5A));
    memory.MakeUnreadable(12);
    TCountingDiscSource disc(memory);
    int calls = 0;
    disc.OnRead = [&] { ++calls; };
    std::vector<std::uint8_t> buffer(3 * 2048);
    EXPECT_TRUE(disc.ReadSectors(10, 2, buffer.data()));
    EXPECT_FALSE(disc.ReadSectors(11, 2, buffer.data()));
    EXPECT_EQ(disc.BytesRead(), 2u * 2048);
    EXPECT_EQ(calls, 2) << "a failed read still lets the display refresh";
}

TEST(ExtractProgress, LineOfACopyFromADiscHasNoReadBufferColumn) {
    EXPECT_EQ(FormatProgress(1048576, 4 * 1048576, kNoReadBuffer, 3),
              "    1.0 / 4.0 Mb   25%  elapsed 0:03  remaining 0:09");
}

}  // namespace
}  // namespace sorvane::cli
