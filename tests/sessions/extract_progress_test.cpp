// The extraction's progress: what the line says, and what is counted as
// read.

#include <gtest/gtest.h>

#include "cli/extract_progress.h"
#include "engine/iso/memory_disc.h"

namespace sorvane::cli {
namespace {

TEST(ExtractProgress, LineNeverPassesTheTotalAndAnEmptyCopyIsComplete) {
    EXPECT_EQ(FormatExtractProgress(0, 3 * 1048576), "  0.0 / 3.0 Mb    0%");
    EXPECT_EQ(FormatExtractProgress(1048576, 4 * 1048576), "  1.0 / 4.0 Mb   25%");
    // Whole sectors are read, so a count can pass a file's last byte.
    EXPECT_EQ(FormatExtractProgress(4096, 100), "  0.0 / 0.0 Mb  100%");
    EXPECT_EQ(FormatExtractProgress(0, 0), "  0.0 / 0.0 Mb  100%");
}

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

}  // namespace
}  // namespace sorvane::cli
