#include <gtest/gtest.h>

#include "engine/iso/boot_catalog.h"
#include "tests/iso/golden.h"

namespace sorvane::test {
namespace {

TEST(BootCatalog, MediaTypeFollowsTheDisketteSizesAndEverythingElseBootsAsAHardDisk) {
    struct Row {
        std::int64_t bytes;
        std::uint8_t type;
    } rows[] = {
        {1228800, kDiskette1200}, {1474560, kDiskette1440}, {2949120, kDiskette2880},
        {1474561, kHardDisk},     {1474559, kDiskette1440},  // 720 sectors once rounded up
        {8192, kHardDisk},        {0, kHardDisk},
    };
    for (const Row& r : rows) {
        const std::int64_t sectors = (r.bytes + 2047) / 2048;
        EXPECT_EQ(BootMediaType(sectors), r.type) << r.bytes;
        EXPECT_EQ(EncodeBootCatalog(sectors, 27).Initial.MediaType, r.type) << r.bytes;
    }
}

TEST(BootCatalog, CatalogMatchesItsGoldenSectorAndItsValidationWordsSumToZero) {
    const auto catalog = BytesOf(EncodeBootCatalog(720, 27));
    const auto golden = Golden(2048, {
        {0, B("\x01\x00\x00\x00" "Orvo")},
        {28, B("\xE5\x73\x55\xAA")},
        {32, B("\x88\x02\x00\x00\x00\x00\x01\x00\x1B\x00\x00\x00")},
    });
    EXPECT_EQ(catalog, golden) << FirstDifference(catalog, golden);

    // The checksum must balance whatever the entry holds, a stale value
    // in the checksum field included.
    for (const char* id : {"Orvo", "", "ZZZZZZZZZZZZZZZZZZZZZZZZ", "\xFF\xFF\xFF"}) {
        TValidationEntry e{};
        e.HeaderId = kValidationHeaderId;
        std::memcpy(e.IdString, id, std::strlen(id));
        e.Key55 = kKey55;
        e.KeyAA = kKeyAA;
        e.Checksum = 0x1234;
        e.Checksum = ValidationChecksum(e);
        const auto bytes = BytesOf(e);
        std::uint16_t sum = 0;
        for (int i = 0; i < 32; i += 2) sum = static_cast<std::uint16_t>(sum + bytes[i] + 256 * bytes[i + 1]);
        EXPECT_EQ(sum, 0) << id;
    }
}

}  // namespace
}  // namespace sorvane::test
