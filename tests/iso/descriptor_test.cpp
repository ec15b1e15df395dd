#include <gtest/gtest.h>

#include "engine/iso/boot_catalog.h"
#include "engine/iso/descriptors.h"
#include "engine/iso/volume_descriptor_reader.h"
#include "tests/iso/golden.h"

namespace sorvane::test {
namespace {

TVolumeProperties Identified() {
    TVolumeProperties v;
    v.IdSystem = "linux";
    v.IdVolume = "my disc";
    v.IdVolumeSet = "set";
    v.IdPublisher = "pub";
    v.IdPreparer = "prep";
    v.IdApplication = "app";
    v.FileCopyright = "copy.txt";
    v.FileAbstract = "abs.txt";
    v.FileBibliographic = "bib.txt";
    v.DateCreation = *TryEncodeDateTime({2001, 2, 3, 4, 5, 6, 70});
    v.DateModification = *TryEncodeDateTime({2002, 12, 13, 14, 15, 16, 170});
    return v;
}

TTreeAddresses Addresses(std::uint32_t pathTableSize, std::uint32_t l, std::uint32_t m, std::uint32_t root) {
    TTreeAddresses t;
    t.VolumeSpaceSize = 150;
    t.PathTableSize = pathTableSize;
    t.PathTableL = l;
    t.PathTableM = m;
    t.RootExtent = root;
    t.RootSize = 2048;
    return t;
}

// The root record inside a descriptor: 34 bytes, no date, flags 02h.
std::string RootRecord(char extent) {
    return B("\x22\x00") + std::string(1, extent) + B("\0\0\0\0\0\0") + std::string(1, extent) +
           B("\x00\x08\x00\x00\x00\x00\x08\x00") + std::string(7, '\0') + B("\x02\x00\x00\x01\x00\x00\x01\x01\x00");
}

TEST(VolumeDescriptors, PrimaryDescriptorMatchesItsGoldenSector) {
    const TDateTime now = *TryEncodeDateTime({2004, 3, 5, 6, 7, 8, 9});
    const auto pvd = BytesOf(EncodePrimaryDescriptor(Identified(), Addresses(10, 19, 20, 23), now));
    const auto golden = Golden(2048, {
        {0, B("\x01" "CD001" "\x01\x00")},
        {8, "LINUX" + Spaces(27)},
        {40, "MY DISC" + Spaces(25)},
        {80, B("\x96\0\0\0\0\0\0\x96")},
        // 88..119 stay zero: the UCS-2 escape belongs to the Joliet descriptor only.
        {120, B("\x01\x00\x00\x01" "\x01\x00\x00\x01" "\x00\x08\x08\x00")},
        {132, B("\x0A\0\0\0\0\0\0\x0A" "\x13\0\0\0" "\0\0\0\0" "\0\0\0\x14")},
        {156, RootRecord('\x17')},
        {190, "SET" + Spaces(125)},
        {318, "PUB" + Spaces(125)},
        {446, "PREP" + Spaces(124)},
        {574, "APP" + Spaces(125)},
        {702, "COPY.TXT" + Spaces(29) + "ABS.TXT" + Spaces(30) + "BIB.TXT" + Spaces(30)},
        {813, "2004030506070809" + B("\0") + "2004030506070809" + B("\0")},
        {847, std::string(16, '0') + B("\0") + std::string(16, '0') + B("\0") + B("\x01")},
        {1024, Spaces(8)},
    });
    EXPECT_EQ(pvd, golden) << FirstDifference(pvd, golden);
}

TEST(VolumeDescriptors, JolietDescriptorMatchesItsGoldenSector) {
    const auto svd = BytesOf(EncodeJolietDescriptor(Identified(), Addresses(10, 21, 22, 24)));
    const auto golden = Golden(2048, {
        {0, B("\x02" "CD001" "\x01\x00")},
        {8, Ucs2("linux" + Spaces(11))},
        {40, Ucs2("my disc" + Spaces(9))},
        {80, B("\x96\0\0\0\0\0\0\x96" "\x25\x2F\x40")},
        {120, B("\x01\x00\x00\x01" "\x01\x00\x00\x01" "\x00\x08\x08\x00")},
        {132, B("\x0A\0\0\0\0\0\0\x0A" "\x15\0\0\0" "\0\0\0\0" "\0\0\0\x16")},
        {156, RootRecord('\x18')},
        {190, Ucs2("set" + Spaces(61))},
        {318, Ucs2("pub" + Spaces(61))},
        {446, Ucs2("prep" + Spaces(60))},
        {574, Ucs2("app" + Spaces(61))},
        {702, Ucs2("copy.txt" + Spaces(10)) + B("\0") + Ucs2("abs.txt" + Spaces(11)) + B("\0") +
                  Ucs2("bib.txt" + Spaces(11)) + B("\0")},
        {813, "2001020304050670" + B("\0") + "2002121314151617" + B("\0")},
        {847, std::string(16, '0') + B("\0") + std::string(16, '0') + B("\0") + B("\x01")},
        {1024, Spaces(8)},
    });
    EXPECT_EQ(svd, golden) << FirstDifference(svd, golden);
}

TEST(VolumeDescriptors, TerminatorAndBootRecordMatchTheirGoldenSectors) {
    EXPECT_EQ(BytesOf(EncodeTerminatorDescriptor()), Golden(2048, {{0, B("\xFF" "CD001" "\x01")}}));
    const auto boot = BytesOf(EncodeBootRecordDescriptor(0x01020304));
    const auto golden = Golden(2048, {
        {0, B("\x00" "CD001" "\x01" "EL TORITO SPECIFICATION")},
        {71, B("\x04\x03\x02\x01")},
    });
    EXPECT_EQ(boot, golden) << FirstDifference(boot, golden);
}

TEST(VolumeDescriptors, DescriptorIdentifiersAreUpperCasedOnlyInThePrimaryDescriptor) {
    TVolumeProperties v;
    v.IdVolume = "Mixed Case 9 \xC3\xA9";
    const auto pvd = BytesOf(EncodePrimaryDescriptor(v, Addresses(10, 19, 20, 23), 0));
    EXPECT_EQ(std::string(pvd.begin() + 40, pvd.begin() + 72), "MIXED CASE 9 _" + Spaces(18));
    const auto svd = BytesOf(EncodeJolietDescriptor(v, Addresses(10, 21, 22, 24)));
    EXPECT_EQ(std::string(svd.begin() + 40, svd.begin() + 72),
              Ucs2("Mixed Case 9 ") + B("\x00\xE9") + Ucs2(Spaces(2)));
}

// What the writer puts down the reader takes up; a number whose halves
// disagree, as on a damaged or forged disc, is not taken at all.
TEST(VolumeDescriptors, ReaderTakesBackWhatTheWriterWroteAndNoHalfOfADisagreeingNumber) {
    TVolumeProperties v = Identified();
    v.IdVolume = "Fotos \xC3\xA9t\xC3\xA9";
    auto pvd = BytesOf(EncodePrimaryDescriptor(v, Addresses(10, 19, 20, 23), 0));
    auto svd = BytesOf(EncodeJolietDescriptor(v, Addresses(10, 21, 22, 24)));
    const auto primary = TReadVolumeDescriptor::From(pvd);
    const auto joliet = TReadVolumeDescriptor::From(svd);
    ASSERT_TRUE(primary && joliet);
    EXPECT_TRUE(primary->IsPrimary() && !primary->IsJoliet());
    EXPECT_TRUE(joliet->IsJoliet() && !joliet->IsPrimary());
    EXPECT_EQ(primary->VolumeSpaceSize(), 150u);
    EXPECT_EQ(joliet->Root()->Extent, 24u);
    EXPECT_EQ(joliet->Root()->Length, 2048u);
    EXPECT_EQ(primary->VolumeLabel(), "FOTOS _T_");
    EXPECT_EQ(joliet->VolumeLabel(), "Fotos \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(DescriptorText(primary->Fields().PreparerId), "PREP");

    pvd[87] ^= 1;   // the big-endian half of the volume space size
    svd[158] ^= 1;  // the little-endian half of the root's extent
    EXPECT_EQ(TReadVolumeDescriptor::From(pvd)->VolumeSpaceSize(), std::nullopt);
    EXPECT_EQ(TReadVolumeDescriptor::From(svd)->Root().has_value(), false);

    const auto terminator = BytesOf(EncodeTerminatorDescriptor());
    EXPECT_TRUE(TReadVolumeDescriptor::From(terminator)->IsTerminator());
    EXPECT_EQ(TReadVolumeDescriptor::From(terminator)->VolumeSpaceSize(), std::nullopt);
    svd[3] = 'X';
    EXPECT_FALSE(TReadVolumeDescriptor::From(svd));
    EXPECT_FALSE(TReadVolumeDescriptor::From(std::span(pvd).first(2047)));
}

}  // namespace
}  // namespace sorvane::test
