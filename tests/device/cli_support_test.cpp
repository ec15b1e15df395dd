// The command line's shared helpers: option parsing, opening the drives,
// drive names and choice, the volume identification read from a primary volume descriptor,
// what the commands learn of the local paths they are given, and which disc
// kinds count as rewritable.

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli/device_choice.h"
#include "cli/local_paths.h"
#include "cli/options.h"
#include "cli/record_checks.h"
#include "cli/volume_identity.h"
#include "tests/device/fake_kernel.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane::cli {
namespace {

TParsedArgs Parse(std::vector<std::string> words) {
    static constexpr TOptionDef kOptionDefs[] = {{"-d", "--device", true}, {"-h", "--help", false}, {nullptr, "--x", false}};
    std::vector<char*> argv;
    std::string command = "cmd";
    argv.push_back(command.data());
    for (std::string& word : words) argv.push_back(word.data());
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), kOptionDefs);
}

TEST(Options, ShortLongAndInlineValuesAndPositionals) {
    TParsedArgs a = Parse({"-d", "sr1", "file.iso"});
    EXPECT_EQ(a.Error, "");
    EXPECT_EQ(a.Value("--device"), "sr1");
    EXPECT_EQ(a.Positional, (std::vector<std::string>{"file.iso"}));
    EXPECT_EQ(Parse({"--device=0:1:0"}).Value("--device"), "0:1:0");
    EXPECT_EQ(Parse({"--device", "2"}).Value("--device"), "2");
    EXPECT_TRUE(Parse({"-h"}).Has("--help"));
    EXPECT_EQ(Parse({"--", "-d"}).Positional, (std::vector<std::string>{"-d"}));
    EXPECT_EQ(Parse({"-d"}).Error, "option '-d' needs a value");
    EXPECT_EQ(Parse({"-q"}).Error, "unknown option '-q'");
    EXPECT_EQ(Parse({"--help=yes"}).Error, "option '--help' takes no value");
    EXPECT_EQ(Parse({"-"}).Positional, (std::vector<std::string>{"-"}));
}

// A machine whose only drive this user may not open: the emulated recorder
// stands in, and the user is told why the real drive is missing.
class DeniedDrive : public test::VdriveTest {
protected:
    test::TFakeKernel kernel;
};

TEST_F(DeniedDrive, DriveTheUserMayNotOpenIsNamedWithTheRemedyWhileTheEmulatedRecorderStandsIn) {
    AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
    kernel.AddDrive(0).MayOpen = false;
    ::testing::internal::CaptureStderr();
    const bool opened = OpenDrives(burner);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(opened);
    EXPECT_NE(TSCSIDevice::TransportName(), "SGPASSTH");
    EXPECT_EQ(burner.Devices.size(), 1u);
    EXPECT_EQ(said,
              "No permission to use the drive /fake/sr0: join the group \"cdrom\" that owns it "
              "(sudo usermod -aG cdrom $USER), then log in again.\n");
}

TEST_F(DeniedDrive, NothingIsSaidWhenEveryDriveOpens) {
    kernel.AddDrive(0);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(OpenDrives(burner));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(TSCSIDevice::TransportName(), "SGPASSTH");
}

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
}  // namespace sorvane::cli
