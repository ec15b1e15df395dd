// The recorder's sector stores under writes of zeros: an erase overwrites a
// whole disc with them, which must neither fill the machine's disk or memory
// nor leave old data readable.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "vdrive/sector_store.h"

namespace sorvane::vdrive {
namespace {

constexpr std::uint32_t kSector = 2048;

std::vector<std::uint8_t> Filled(std::uint32_t sectors, std::uint8_t value) {
    return std::vector<std::uint8_t>(std::size_t(sectors) * kSector, value);
}

void ExpectZerosOverDataReadBackAsZeros(TSectorStore& store) {
    ASSERT_TRUE(store.Write(10, 2, Filled(2, 0xAB).data()));
    ASSERT_TRUE(store.Write(0, 32, Filled(32, 0).data()));
    std::vector<std::uint8_t> back = Filled(3, 0xEE);
    ASSERT_TRUE(store.Read(10, 3, back.data()));
    EXPECT_TRUE(std::all_of(back.begin(), back.end(), [](std::uint8_t b) { return b == 0; }));

    // Zeros far past the end move the end without storing anything.
    ASSERT_TRUE(store.Write(100000, 1024, Filled(1024, 0).data()));
    EXPECT_EQ(store.Extent(), 101024u);
    ASSERT_TRUE(store.Read(101023, 1, back.data()));
    EXPECT_EQ(back[0], 0);
}

TEST(SectorStore, MemoryStoreTakesZerosWithoutHoldingThem) {
    auto store = MakeMemoryStore();
    ExpectZerosOverDataReadBackAsZeros(*store);
}

TEST(SectorStore, FileStoreStaysSparseUnderZeros) {
    const std::string path = ::testing::TempDir() + "/sector_store_" + std::to_string(::getpid()) + ".img";
    ::unlink(path.c_str());
    {
        std::string error;
        auto store = OpenFileStore(path, &error);
        ASSERT_TRUE(store) << error;
        ExpectZerosOverDataReadBackAsZeros(*store);
    }
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 101024 * off_t(kSector));
    EXPECT_LT(info.st_blocks * 512, 1 << 20) << "zeros were written as data";
    std::string error;
    auto reopened = OpenFileStore(path, &error);
    ASSERT_TRUE(reopened) << error;
    EXPECT_EQ(reopened->Extent(), 101024u);
    ::unlink(path.c_str());
}

}  // namespace
}  // namespace sorvane::vdrive
