// sorvane-cli devices and info as a user runs them: a separate process that
// finds the emulated recorder beside itself and its state in a folder of its
// own, fresh or prepared by the test.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/device/vdrive_fixture.h"
#include "tests/support/cli_runner.h"

namespace sorvane {
namespace {

using test::TRun;

class Cli : public test::CliProcessTest {
protected:
    const test::TRecorderHome recorder{::testing::TempDir() + "/cli_home_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(Cli, DevicesAndInfoWorkOnAFreshMachineWithTheDefaultRecorder) {
    const TRun devices = recorder.Cli("devices");
    EXPECT_EQ(devices.ExitCode, 0);
    EXPECT_EQ(devices.Output, "* 0  sr0: VIRTUAL DVD-RW VR-1650 1.02  [0:0:0]\n");

    const TRun info = recorder.Cli("info");
    EXPECT_EQ(info.ExitCode, 0) << info.Output;
    for (const char* line : {"Device name: sr0: VIRTUAL DVD-RW VR-1650 1.02\n",
                             "  CD-R     yes        CD-R     yes\n", "  DVD      yes        Test     yes\n",
                             // A writer writes DVD+R and DVD+RW whatever disc is loaded.
                             "  DVD+R    yes        DVD+R    yes\n", "  DVD+RW   yes        DVD+RW   yes\n",
                             "Protection from empty buffer: yes\n", "Disc type:    CD-R\n", "Max speed:    48x\n",
                             "Status:       Not closed\n", "Full size:    703 Mb\n", "Used space:   0 Mb\n",
                             "Free space:   703 Mb\n", "Disc label:   \n", "Program:      \n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;
}

TEST_F(Cli, InfoOfAFinalizedDiscShowsItsVolumeIdentification) {
    ASSERT_NO_FATAL_FAILURE(recorder.Change([](vdrive::THost& host) {
        ASSERT_EQ(host.DriveCount(), 1u);
        std::string error;
        ASSERT_TRUE(host.Insert(0, {vdrive::TMediumKind::CdR, vdrive::TMediumState::Finalized,
                                    test::VdriveTest::MakeImage(5000, "cli.iso")},
                                &error))
            << error;
    }));

    const TRun info = recorder.Cli("info -d sr0");
    EXPECT_EQ(info.ExitCode, 0) << info.Output;
    for (const char* line : {"Status:       Closed\n", "Free space:   0 Mb\n", "Disc label:   TEST_VOLUME\n",
                             "Record time:  01.03.2024\n", "Program:      SORVANE\n", "Preparer:     \n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;
}

TEST_F(Cli, UnknownDeviceAndBadOptionsAreRefused) {
    TRun run = recorder.Cli("info -d sr7");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "No drive 'sr7'. Run 'sorvane-cli devices' for the list.\n");
    run = recorder.Cli("info --bogus");
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Output, "sorvane-cli info: unknown option '--bogus'\n");
    run = recorder.Cli("devices extra");
    EXPECT_EQ(run.ExitCode, 2);
}

TEST_F(Cli, VdriveKeepsAPressedDiscsImageByItsWholePathAndNeverDropsADiscWithoutAWord) {
    const std::string folder = recorder.Folder() + "/work";
    ASSERT_EQ(test::Shell("mkdir -p " + test::Quote(folder + "/p1") + " " + test::Quote(folder + "/elsewhere")).ExitCode,
              0);
    ASSERT_EQ(test::Shell("cp " + test::Quote(test::VdriveTest::MakeImage(300, "pressed.iso")) + " " +
                          test::Quote(folder + "/p1/out.iso"))
                  .ExitCode,
              0);
    // A two-session CD-R goes first, and its recording with it.
    ASSERT_NO_FATAL_FAILURE(recorder.Change([](vdrive::THost& host) {
        std::string error;
        ASSERT_TRUE(host.Insert(0, {vdrive::TMediumKind::CdR, vdrive::TMediumState::Closed,
                                    test::VdriveTest::MakeImage(5000, "cli.iso")},
                                &error))
            << error;
    }));
    TRun run = test::Shell("cd " + test::Quote(folder) + " && " +
                           recorder.CliCommand("vdrive insert cd-rom --image p1/out.iso") + " 2>&1");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("0: took out the cd-r, appendable, 1 session; what was recorded on it is gone\n"),
              std::string::npos)
        << run.Output;

    run = test::Shell("cd " + test::Quote(folder + "/elsewhere") + " && " + recorder.CliCommand("vdrive status") +
                      " 2>&1");
    EXPECT_NE(run.Output.find("disc:     cd-rom\n"), std::string::npos) << "read from any folder\n" << run.Output;
    EXPECT_NE(run.Output.find("state:    finalized (pressed)\n"), std::string::npos) << run.Output;

    // Its image moved away: the tray is empty, and the recorder says why.
    ASSERT_EQ(test::Shell("mv " + test::Quote(folder + "/p1") + " " + test::Quote(folder + "/p2")).ExitCode, 0);
    run = recorder.Cli("vdrive status");
    EXPECT_NE(run.Output.find("disc:     none\n"), std::string::npos) << run.Output;
    const std::string image = std::filesystem::path(folder + "/p1/out.iso").lexically_normal().string();
    EXPECT_NE(run.Output.find("warning: the cd-rom pressed from " + image + " is not in the tray"),
              std::string::npos)
        << run.Output;
    // Back in place, it is in the tray again.
    ASSERT_EQ(test::Shell("mv " + test::Quote(folder + "/p2") + " " + test::Quote(folder + "/p1")).ExitCode, 0);
    run = recorder.Cli("vdrive list");
    EXPECT_NE(run.Output.find("cd-rom, finalized (pressed), 1 session\n"), std::string::npos) << run.Output;
    EXPECT_EQ(run.Output.find("warning"), std::string::npos) << run.Output;
}

}  // namespace
}  // namespace sorvane
