// What disc is in the drive: its kind for every medium (with and without GET
// CONFIGURATION), status, sessions, used sectors and capacity of blank,
// appendable and closed media, and the disc record.

#include <gtest/gtest.h>

#include "engine/device/disc_kind.h"
#include "engine/device/transport.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::VdriveTest;
using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

// Sectors of the ATIP lead-out start of the recorder's 80-minute CDs (79:59:74).
constexpr std::uint32_t kCdAtipLeadOut = 79 * 4500 + 59 * 75 + 74;
// A closed CD session is followed by its lead-out, the next lead-in and the
// next track's pre-gap; a track-at-once track ends with two run-out blocks.
constexpr std::uint32_t kCdFirstSessionGap = 6750 + 4500 + 150;
constexpr std::uint32_t kCdRunOut = 2;

class DiscInfo : public VdriveTest {
protected:
    DiscInfo() { burner.Sleep = [this](int ms) { slept += ms; }; }
    void Insert(const vdrive::TMediumRequest& medium, const vdrive::TDriveModel& model = vdrive::MultiFormatWriter()) {
        TTransport::Instance().Close();
        host.UseMemory();
        AddDrive(model, medium);
        OpenAndSelect();
    }
    int slept = 0;
    const std::string image = MakeImage(5000);
};

TEST_F(DiscInfo, KindOfEveryMediumFromItsCurrentProfile) {
    const std::string romImage = MakeImage(3000, "rom.iso");
    struct Row {
        vdrive::TMediumRequest Medium;
        TDiscKind Kind;
        const char* Name;
    };
    const Row rows[] = {
        {{K::None}, kind::kUnknown, "UNKNOWN"},
        {{K::CdRom, S::Finalized, romImage}, kind::kCdRom, "CD-ROM"},
        {{K::CdR}, kind::kCdR, "CD-R"},
        {{K::CdRw}, kind::kCdRw, "CD-RW"},
        {{K::DvdRom, S::Finalized, romImage}, kind::kDvdRom, "DVD-ROM"},
        {{K::DvdR}, kind::kDvdR, "DVD-R"},
        {{K::DvdRam}, kind::kDvdRam, "DVD-RAM"},
        {{K::DvdRwRestricted}, kind::kDvdRwRestrictedOverwrite, "DVD-RW"},
        {{K::DvdRw}, kind::kDvdRwSequential, "DVD-RW"},
        {{K::DvdPlusRw}, kind::kDvdPlusRw, "DVD+RW"},
        {{K::DvdPlusR}, kind::kDvdPlusR, "DVD+R"},
        {{K::DvdPlusRDl}, kind::kDvdPlusRDualLayer, "DVD+R DL"},
    };
    for (const Row& row : rows) {
        Insert(row.Medium);
        const TDiscKind found = burner.GetDiscType();
        EXPECT_EQ(found, row.Kind) << vdrive::MediumKindName(row.Medium.Kind);
        EXPECT_STREQ(DiscKindName(found), row.Name);
    }
}

TEST_F(DiscInfo, DriveWithoutGetConfigurationReadsTheKindFromTheAtipThenTheErasableBit) {
    vdrive::TDriveModel old = Model("OLD WRITER");
    old.GetConfiguration = false;
    struct Row {
        K Medium;
        TDiscKind Kind;
        bool FromAtip;
    };
    const Row rows[] = {
        {K::CdR, kind::kCdR, true},
        {K::CdRw, kind::kCdRw, true},
        {K::DvdPlusRw, kind::kCdRw, false},  // erasable, and no ATIP to tell better
        {K::DvdR, kind::kCdR, false},
        {K::None, kind::kUnknown, false},
    };
    for (const Row& row : rows) {
        Insert({row.Medium}, old);
        EXPECT_EQ(burner.GetDiscType(), row.Kind) << vdrive::MediumKindName(row.Medium);
        const auto log = host.Log();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[0].Cdb[0], 0x46);
        EXPECT_EQ(log[1].Cdb[0], 0x43);
        EXPECT_EQ(log[1].Cdb[2], 0x04);
        const bool askedDiscInformation = !Logged(0x51).empty();
        EXPECT_EQ(askedDiscInformation, !row.FromAtip) << vdrive::MediumKindName(row.Medium);
    }
}

TEST_F(DiscInfo, BlankCdRHasNothingUsedAndTheAtipCapacity) {
    Insert({K::CdR});
    EXPECT_EQ(burner.GetDiscStatus(), 0);
    EXPECT_EQ(burner.GetLastSession(), 0);
    EXPECT_EQ(burner.GetUsedSectors(), 0u);
    EXPECT_EQ(burner.GetDiscCapacity(), kCdAtipLeadOut);
    EXPECT_FALSE(burner.IsDiscErasable());
}

TEST_F(DiscInfo, CdRSizesOfAppendableClosedAndFinalizedDiscs) {
    Insert({K::CdR, S::Open, image});
    EXPECT_EQ(burner.GetDiscStatus(), 1);
    EXPECT_EQ(burner.GetLastSession(), 1);
    // No track after the open one: the size is where the data ends.
    EXPECT_EQ(burner.GetUsedSectors(), 5000u - 1);

    Insert({K::CdR, S::Closed, image});
    EXPECT_EQ(burner.GetDiscStatus(), 1);
    EXPECT_EQ(burner.GetLastSession(), 1);
    // The next session's writable address: everything before it is spent.
    EXPECT_EQ(burner.GetUsedSectors(), 5000 + kCdRunOut + kCdFirstSessionGap);
    EXPECT_EQ(burner.GetDiscCapacity(), kCdAtipLeadOut);

    Insert({K::CdR, S::Finalized, image});
    EXPECT_EQ(burner.GetDiscStatus(), 2);
    EXPECT_EQ(burner.GetLastSession(), 1);
    EXPECT_EQ(burner.GetUsedSectors(), 5000 + kCdRunOut - 1);
    EXPECT_EQ(burner.GetDiscCapacity(), kCdAtipLeadOut);
}

TEST_F(DiscInfo, LastSessionCountsOnlyClosedSessions) {
    Insert({K::CdR, S::Closed, image});
    // Record a second session after the first, as a recording does.
    ASSERT_TRUE(burner.SetWriteParameters(false, true, true, kind::kCdR)) << burner.LastError;
    ASSERT_TRUE(burner.ReadTrackInformation(2));
    const std::uint32_t start = burner.TrackInfo.NextWritable;
    ASSERT_EQ(start, 5000 + kCdRunOut + kCdFirstSessionGap);
    std::vector<std::uint8_t> zeros(65536, 0);
    for (std::uint32_t i = 0; i < 10; ++i)
        ASSERT_TRUE(burner.WriteSectors(start + 32 * i, 32, 0x50, zeros.size(), zeros.data())) << burner.LastError;
    ASSERT_TRUE(burner.SynchronizeCache(60000, false));
    ASSERT_TRUE(burner.CloseTrackOrSession(true, false, false)) << burner.LastError;
    ASSERT_TRUE(burner.CloseTrackOrSession(false, false, false)) << burner.LastError;
    ASSERT_EQ(host.Status(0).Sessions.size(), 2u);

    // Two closed sessions and the empty third the disc offers next.
    EXPECT_EQ(burner.GetLastSession(), 2);
    EXPECT_EQ(burner.DiscInfoBlock[2], 0);  // the last session's state is left in byte 2
    EXPECT_EQ(burner.GetUsedSectors(), start + 320 + kCdRunOut + 2250 + 4500 + 150);
}

TEST_F(DiscInfo, RewritableCdIsErasable) {
    Insert({K::CdRw});
    EXPECT_TRUE(burner.IsDiscErasable());
    EXPECT_EQ(burner.GetDiscCapacity(), kCdAtipLeadOut);
}

TEST_F(DiscInfo, DvdSizesOfBlankAppendableAndClosedDiscs) {
    Insert({K::DvdR});
    const std::uint32_t capacity = host.Status(0).Capacity;
    EXPECT_EQ(burner.GetUsedSectors(), 0u);
    EXPECT_EQ(burner.GetDiscCapacity(), capacity);

    Insert({K::DvdR, S::Open, image});
    EXPECT_EQ(burner.GetUsedSectors(), 5000u);
    EXPECT_EQ(burner.GetDiscCapacity(), capacity);

    // A closed DVD-R border is followed by the next border-in.
    Insert({K::DvdR, S::Closed, image});
    EXPECT_EQ(burner.GetLastSession(), 1);
    EXPECT_EQ(burner.GetUsedSectors(), 5008u + 16384);
    EXPECT_EQ(burner.GetDiscCapacity(), capacity);

    Insert({K::DvdPlusR, S::Closed, image});
    EXPECT_EQ(burner.GetUsedSectors(), 5008u + 6144);
}

TEST_F(DiscInfo, OverwritableDvdUsesTheVolumeSpaceSizeOfItsFileSystem) {
    Insert({K::DvdPlusRw});
    EXPECT_EQ(burner.GetUsedSectors(), 0u);  // blank: no volume descriptor anywhere
    EXPECT_EQ(burner.GetDiscCapacity(), host.Status(0).Capacity);
    EXPECT_EQ(Logged(0x28).size(), 17u);  // sectors 16 to 32 were looked at

    Insert({K::DvdPlusRw, S::Closed, image});
    EXPECT_EQ(burner.GetUsedSectors(), 5000u);
    EXPECT_EQ(burner.FindVolumeSpaceSize(), 5000u);

    Insert({K::DvdRam, S::Closed, image});
    EXPECT_EQ(burner.GetUsedSectors(), 5000u);
    EXPECT_EQ(burner.GetDiscCapacity(), host.Status(0).Capacity);  // the format capacity
    EXPECT_TRUE(burner.IsDiscErasable());
}

// The burner places a session after the last descriptor of the volume at
// the start of an overwritable disc, the size queries take the first: each
// search reads the same 17 sectors, in its own order.
TEST_F(DiscInfo, VolumeSpaceSearchReadsTheDescriptorSectorsInItsOwnOrder) {
    using TSearch = TSCSIDevice::TDescriptorSearch;
    auto readLbas = [this] {
        std::vector<std::uint32_t> lbas;
        for (const auto& read : Logged(0x28))
            lbas.push_back(std::uint32_t{read.Cdb[2]} << 24 | std::uint32_t{read.Cdb[3]} << 16 |
                           std::uint32_t{read.Cdb[4]} << 8 | read.Cdb[5]);
        return lbas;
    };
    std::vector<std::uint32_t> upward, downward;
    for (std::uint32_t lba = 16; lba <= 32; ++lba) upward.push_back(lba);
    downward.assign(upward.rbegin(), upward.rend());

    Insert({K::DvdPlusRw});
    ClearLog();
    EXPECT_EQ(burner.FindVolumeSpaceSize(TSearch::FromFirst), 0u);
    EXPECT_EQ(readLbas(), upward);
    ClearLog();
    EXPECT_EQ(burner.FindVolumeSpaceSize(TSearch::FromLast), 0u);
    EXPECT_EQ(readLbas(), downward);

    Insert({K::DvdPlusRw, S::Closed, image});
    EXPECT_EQ(burner.FindVolumeSpaceSize(TSearch::FromLast), 5000u);
}

TEST_F(DiscInfo, SizeQueriesSetWriteParametersForTheCurrentKindAsForAnOpenSession) {
    Insert({K::DvdR});
    TSCSIDevice::CurrentDiscKind = kind::kDvdR;
    burner.FinalizeDisc = false;
    ClearLog();
    burner.GetUsedSectors();
    EXPECT_FALSE(burner.FinalizeDisc);
    const auto selects = Logged(0x55);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].DataOut[8 + 3], 0xE5);  // incremental with fixed packets, as for kind 5
    TSCSIDevice::CurrentDiscKind = 0;
}

TEST_F(DiscInfo, RecordOfAClosedCdR) {
    Insert({K::CdR, S::Closed, image});
    TDisc disc;
    disc.TypeText = "stale";
    burner.GetDiscInfo(disc);
    EXPECT_EQ(disc.Ready, 1);
    EXPECT_EQ(disc.FirstSession, 1);
    EXPECT_EQ(disc.LastSession, 1);
    EXPECT_EQ(disc.LastSessionState, 0);  // the empty session after it
    EXPECT_EQ(disc.DiscStatus, 1);
    EXPECT_EQ(disc.Profile, 0x0009);
    EXPECT_EQ(disc.TypeText, "CD-R");
    EXPECT_FALSE(disc.Erasable);
    EXPECT_EQ(disc.SectorSize, 2048);
    EXPECT_EQ(disc.Capacity, static_cast<std::int32_t>(kCdAtipLeadOut));
    EXPECT_EQ(slept, 0);
}

TEST_F(DiscInfo, RecordOfARewritableDvdAndOfAnEmptyDrive) {
    Insert({K::DvdPlusRw, S::Closed, image});
    TDisc disc;
    burner.GetDiscInfo(disc);
    EXPECT_EQ(disc.Ready, 1);
    EXPECT_EQ(disc.TypeText, "DVD+RW");
    EXPECT_TRUE(disc.Erasable);
    EXPECT_EQ(disc.Profile, 0x001A);
    EXPECT_EQ(disc.Capacity, static_cast<std::int32_t>(host.Status(0).Capacity));

    Insert({K::None});
    TDisc empty;
    empty.TypeText = "stale";
    burner.GetDiscInfo(empty);
    EXPECT_EQ(empty.Ready, 0);
    EXPECT_EQ(empty.TypeText, "");
    EXPECT_EQ(empty.Capacity, 0);
    EXPECT_GT(slept, 0);  // it waited for the drive first
}

TEST_F(DiscInfo, EmptyDriveAnswersNeutralValues) {
    Insert({K::None});
    EXPECT_EQ(burner.GetDiscType(), kind::kUnknown);
    EXPECT_EQ(burner.GetDiscStatus(), -1);
    EXPECT_EQ(burner.GetLastSession(), 0);
    EXPECT_EQ(burner.GetUsedSectors(), 0u);
    EXPECT_EQ(burner.GetDiscCapacity(), 0u);
    EXPECT_EQ(burner.LastError, "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)");
}

}  // namespace
}  // namespace sorvane
