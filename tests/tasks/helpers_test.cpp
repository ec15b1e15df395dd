// The tasks' small helpers: drive names and choice, the Info page's disc
// values, the volume identification read from a primary volume descriptor,
// what the tasks learn of the local paths they are given, and which disc
// kinds count as rewritable.

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tasks/device_choice.h"
#include "tasks/disc_values.h"
#include "tasks/local_paths.h"
#include "tasks/record_checks.h"
#include "tasks/volume_identity.h"
#include "tests/device/vdrive_fixture.h"
#include "tests/sessions/recorded_disc.h"

namespace sorvane::tasks {
namespace {

TEST(DeviceNames, DisplayNameDropsTheAddressAndFoldsBlanksAndControlCharacters) {
    EXPECT_EQ(DeviceDisplayName("0:1:0,sr0: VENDOR  PRODUCT         REV "), "sr0: VENDOR PRODUCT REV");
    EXPECT_EQ(DeviceDisplayName(std::string("2:0:0,?: AB\0\0\0\0\0\0CD\tE  1.0", 27)), "?: AB CD E 1.0");
    EXPECT_EQ(DeviceDisplayName("  0:0:"), "0:0:");  // too short to hold an address
    EXPECT_EQ(DeviceAddress("0:1:0,sr0: X"), "0:1:0");
}

TEST(DeviceNames, DriveIsFoundByIndexDeviceNamePathOrAddress) {
    TOrvoBurner burner;
    burner.Devices = {"0:0:0,sr0: A B C", "0:1:0,sr3: D E F", "1:0:0,?: G H I"};
    EXPECT_EQ(FindDrive(burner, "1"), 1);
    EXPECT_EQ(FindDrive(burner, "3"), -1);
    EXPECT_EQ(FindDrive(burner, "sr3"), 1);
    EXPECT_EQ(FindDrive(burner, "/dev/sr0"), 0);
    EXPECT_EQ(FindDrive(burner, "1:0:0"), 2);
    EXPECT_EQ(FindDrive(burner, "sr1"), -1);
    EXPECT_EQ(FindDrive(burner, "?"), 2);
}

class DriveChoice : public test::VdriveTest {
protected:
    // Opens the drives with the UNIT ATTENTION of each one's new disc
    // taken, as the system's media polling takes it on a desktop.
    void Open() {
        ASSERT_TRUE(burner.InitializeTransport(false, test::VdriveLibraryPath()));
        for (std::size_t i = 0; i < burner.Devices.size(); ++i) {
            burner.SelectDevice(burner.Devices[i]);
            burner.TestUnitReady(5000);
        }
    }
};

TEST_F(DriveChoice, LastRecorderIsPreselectedAndItsUnderrunProtectionTakenOver) {
    vdrive::TDriveModel unprotected = Model("NO UNDERRUN");
    unprotected.BufferUnderrunFree = false;
    AddDrive(vdrive::MultiFormatWriter());
    AddDrive(unprotected);
    AddDrive(vdrive::DvdRomReader());
    Open();
    ASSERT_EQ(burner.Devices.size(), 3u);
    EXPECT_FALSE(DriveCheck(burner, 2));
    EXPECT_EQ(DefaultDriveIndex(burner), 1) << "not the reader that comes last";
    burner.UnderrunProtection = true;
    SelectDrive(burner, 1);
    EXPECT_EQ(burner.DeviceId, burner.Devices[1]);
    EXPECT_FALSE(burner.UnderrunProtection);
}

TEST_F(DriveChoice, WithReadersOnlyTheLastDriveIsPreselected) {
    AddDrive(vdrive::DvdRomReader());
    AddDrive(vdrive::DvdRomReader());
    Open();
    EXPECT_EQ(DefaultDriveIndex(burner), 1);
    std::string failure;
    EXPECT_EQ(ChooseDrive(burner, "sr5", failure), -1);
    EXPECT_EQ(failure, "No drive 'sr5'.");
}

class DiscValues : public test::VdriveTest {
protected:
    TDiscValues Read(const vdrive::TMediumRequest& medium, bool expectKnown = true) {
        AddDrive(vdrive::MultiFormatWriter(), medium);
        OpenAndSelect();
        TDiscValues values;
        EXPECT_EQ(ReadDiscValues(burner, values), expectKnown);
        return values;
    }
};

TEST_F(DiscValues, ClosedCdHasNoFreeSpaceWhatever) {
    const TDiscValues values = Read({vdrive::TMediumKind::CdR, vdrive::TMediumState::Finalized,
                                     VdriveTest::MakeImage(5000, "values.iso")});
    EXPECT_EQ(values.Type, "CD-R");
    EXPECT_EQ(values.State, TDiscState::Finalized);
    EXPECT_EQ(values.UsedSpace, "10 Mb");
    EXPECT_EQ(values.FreeSpace, "0 Mb");
}

TEST_F(DiscValues, RewritableDvdIsNeverClosed) {
    const TDiscValues values = Read({vdrive::TMediumKind::DvdPlusRw, vdrive::TMediumState::Finalized,
                                     VdriveTest::MakeImage(5000, "values.iso")});
    EXPECT_EQ(values.Type, "DVD+RW");
    EXPECT_EQ(values.State, TDiscState::Appendable);
    EXPECT_NE(values.FreeSpace, "0 Mb");
}

TEST_F(DiscValues, EmptyDriveLeavesEveryValueUnknown) {
    const TDiscValues values = Read({vdrive::TMediumKind::None}, false);
    for (const std::string* value :
         {&values.Type, &values.MaxSpeed, &values.FullSize, &values.UsedSpace, &values.FreeSpace})
        EXPECT_EQ(*value, "???");
    EXPECT_EQ(values.State, TDiscState::Unknown);
}

std::array<std::uint8_t, 2048> Descriptor(std::uint8_t type) {
    std::array<std::uint8_t, 2048> sector{};
    sector[0] = type;
    std::memcpy(&sector[1], "CD001", 5);
    sector[6] = 1;
    auto put = [&](std::size_t at, std::size_t length, const std::string& text) {
        std::memset(&sector[at], ' ', length);
        std::memcpy(&sector[at], text.data(), text.size());
    };
    put(40, 32, "MY_DISC");
    put(318, 128, "THE PUBLISHER");
    put(446, 128, "THE PREPARER");
    put(574, 128, "SORVANE");
    put(702, 37, "COPY.TXT");
    put(813, 16, "2024030114050900");
    return sector;
}

TEST(VolumeIdentity, FieldsOfThePrimaryDescriptorAndDayMonthYearRecordTime) {
    TVolumeIdentity identity;
    ASSERT_TRUE(DecodePrimaryVolumeDescriptor(Descriptor(1), identity));
    EXPECT_EQ(identity.Preparer, "THE PREPARER");
    EXPECT_EQ(identity.Publisher, "THE PUBLISHER");
    EXPECT_EQ(identity.Copyright, "COPY.TXT");
    EXPECT_EQ(identity.Program, "SORVANE");
    EXPECT_EQ(identity.RecordTime, "01.03.2024");
    EXPECT_EQ(VolumeLabel(Descriptor(1)), "MY_DISC");

    auto undated = Descriptor(1);
    std::memset(&undated[813], '0', 16);
    ASSERT_TRUE(DecodePrimaryVolumeDescriptor(undated, identity));
    EXPECT_EQ(identity.RecordTime, "");

    TVolumeIdentity none;
    EXPECT_FALSE(DecodePrimaryVolumeDescriptor(Descriptor(2), none));
    auto blank = Descriptor(1);
    blank[3] = 'X';
    EXPECT_FALSE(DecodePrimaryVolumeDescriptor(blank, none));
}

class VolumeOnDisc : public test::VdriveTest {};

TEST_F(VolumeOnDisc, IdentificationIsThatOfTheLastSessionNotOfTheFirst) {
    AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR, vdrive::TMediumState::Closed,
                                           MakeImage(400, "first_session.iso")});
    OpenAndSelect();
    std::vector<std::uint8_t> second(300 * 2048, 0);
    auto descriptor = Descriptor(1);
    std::memcpy(&descriptor[813], "2007123123595900", 16);
    std::copy(descriptor.begin(), descriptor.end(), second.begin() + 16 * 2048);
    second[17 * 2048] = 255;
    std::memcpy(&second[17 * 2048 + 1], "CD001", 5);
    std::uint32_t start = 0;
    ASSERT_EQ(test::RecordSession(burner, second, start), "");
    ASSERT_GT(start, 0u);

    TVolumeIdentity identity;
    ASSERT_TRUE(ReadVolumeIdentity(burner, identity));
    EXPECT_EQ(identity.Label, "MY_DISC");
    EXPECT_EQ(identity.Preparer, "THE PREPARER");
    EXPECT_EQ(identity.Publisher, "THE PUBLISHER");
    EXPECT_EQ(identity.Copyright, "COPY.TXT");
    EXPECT_EQ(identity.RecordTime, "31.12.2007");
}

TEST(VolumeIdentity, JolietLabelIsReadAsBigEndianUcs2) {
    auto joliet = Descriptor(2);
    std::memset(&joliet[40], 0, 32);
    const char16_t label[] = u"Fotos 2024 \u00e9t\u00e9";
    for (std::size_t i = 0; label[i]; ++i) {
        joliet[40 + 2 * i] = static_cast<std::uint8_t>(label[i] >> 8);
        joliet[41 + 2 * i] = static_cast<std::uint8_t>(label[i]);
    }
    EXPECT_EQ(VolumeLabel(joliet), "");  // no Joliet escape yet
    joliet[88] = '%';
    joliet[89] = '/';
    joliet[90] = 'E';
    EXPECT_EQ(VolumeLabel(joliet), "Fotos 2024 \u00e9t\u00e9");
}

class LocalPaths : public ::testing::Test {
protected:
    LocalPaths() {
        std::filesystem::create_directories(root + "/Photos");
        std::ofstream(root + "/a.txt") << "12345";
    }
    ~LocalPaths() override { std::filesystem::remove_all(root); }

    const std::string root = ::testing::TempDir() + "/local_paths_" + std::to_string(::getpid());
};

TEST_F(LocalPaths, VolumeIsNamedOnlyAfterOneFolderThatHasANameOfItsOwn) {
    EXPECT_EQ(SingleFolderName({root + "/Photos"}), "Photos");
    EXPECT_EQ(SingleFolderName({root + "/Photos//"}), "Photos");
    EXPECT_EQ(SingleFolderName({root + "/Photos/."}), "");
    EXPECT_EQ(SingleFolderName({root + "/Photos/.."}), "");
    EXPECT_EQ(SingleFolderName({"/"}), "") << "the root has no name of its own";
    EXPECT_EQ(SingleFolderName({root + "/a.txt"}), "");
    EXPECT_EQ(SingleFolderName({root + "/missing"}), "");
    EXPECT_EQ(SingleFolderName({root + "/Photos", root + "/a.txt"}), "");
}

TEST_F(LocalPaths, OnlyARegularFileIsReadableAndGivesItsSize) {
    std::int64_t size = -1;
    EXPECT_TRUE(IsReadableFile(root + "/a.txt", &size));
    EXPECT_EQ(size, 5);
    EXPECT_FALSE(IsReadableFile(root + "/Photos"));
    EXPECT_FALSE(IsReadableFile(root + "/missing"));
}

TEST(RewritableKinds, OnlyErasableKindsCountAndNoOtherNumberWrapsOntoOne) {
    for (int k : {kind::kCdRw, kind::kDvdRam, kind::kDvdRw, kind::kDvdRwRestrictedOverwrite, kind::kDvdRwSequential,
                  kind::kDvdPlusRw, kind::kDdcdRw})
        EXPECT_TRUE(IsRewritableKind(k)) << k;
    for (int k : {kind::kUnknown, kind::kCdRom, kind::kCdR, kind::kDvdRom, kind::kDvdR, kind::kDvdPlusR,
                  kind::kDvdPlusRDualLayer, kind::kDdcdRom, kind::kDdcdR})
        EXPECT_FALSE(IsRewritableKind(k)) << k;
    // A kind number is an int at this boundary: one byte wider than the
    // kinds must not be read as the kind in its low byte.
    for (int k : {-1, kind::kCount, 256 + kind::kCdRw, 256 + kind::kDvdPlusRw}) EXPECT_FALSE(IsRewritableKind(k)) << k;
}

}  // namespace
}  // namespace sorvane::tasks
