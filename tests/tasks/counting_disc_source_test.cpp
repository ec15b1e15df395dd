// What an extraction's progress counts.

#include <gtest/gtest.h>

#include "engine/iso/memory_disc.h"
#include "tasks/counting_disc_source.h"

namespace sorvane::tasks {
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

}  // namespace
}  // namespace sorvane::tasks
