// The command line's option parsing, and what a command says when it opens
// the drives.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_drive.h"
#include "cli/options.h"
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
    const int chosen = OpenCommandDrive(burner, "");
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(chosen, 0);
    EXPECT_NE(TSCSIDevice::TransportName(), "SGPASSTH");
    EXPECT_EQ(burner.Devices.size(), 1u);
    EXPECT_EQ(said,
              "sorvane-cli: No permission to use the drive /fake/sr0: join the group \"cdrom\" that owns it "
              "(sudo usermod -aG cdrom $USER), then log in again.\n");
}

TEST_F(DeniedDrive, NothingIsSaidWhenEveryDriveOpens) {
    kernel.AddDrive(0);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(OpenCommandDrives(burner));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(TSCSIDevice::TransportName(), "SGPASSTH");
}

}  // namespace
}  // namespace sorvane::cli
