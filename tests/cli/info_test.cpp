// sorvane-cli devices and info as a user runs them: a separate process that
// finds the emulated recorder beside itself and its state in a folder of its
// own, fresh or prepared by the test.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>

#include "tests/cli/cli_fixture.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::TRun;

class InfoCli : public test::CliTest {};

TEST_F(InfoCli, DevicesAndInfoWorkOnAFreshMachineWithTheDefaultRecorder) {
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
                             "Status:       Blank\n", "Full size:    703 Mb\n", "Used space:   0 Mb\n",
                             "Free space:   703 Mb\n", "Disc label:   \n", "Program:      \n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;
}

TEST_F(InfoCli, InfoOfAFinalizedDiscShowsItsVolumeIdentification) {
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
    for (const char* line : {"Status:       Finalized\n", "Free space:   0 Mb\n", "Disc label:   TEST_VOLUME\n",
                             "Record time:  01.03.2024\n", "Program:      SORVANE\n", "Preparer:     \n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;
}

// One vocabulary for what can be done with a disc: the recorder's status
// and the program's info say the same.
TEST_F(InfoCli, InfoAndTheRecordersStatusDescribeADiscInTheSameWords) {
    const std::string image = test::VdriveTest::MakeImage(5000, "words.iso");
    for (const auto& [medium, words] :
         std::vector<std::pair<vdrive::TMediumRequest, std::string>>{
             {{vdrive::TMediumKind::CdR}, "blank"},
             {{vdrive::TMediumKind::CdR, vdrive::TMediumState::Closed, image}, "appendable"},
             {{vdrive::TMediumKind::CdR, vdrive::TMediumState::Open, image}, "incomplete (last session open)"},
             {{vdrive::TMediumKind::CdR, vdrive::TMediumState::Finalized, image}, "finalized"},
             {{vdrive::TMediumKind::DvdPlusRw, vdrive::TMediumState::Closed, image}, "appendable"}}) {
        recorder.Insert(medium);
        const std::string state = recorder.Status().State;
        EXPECT_TRUE(state.starts_with(words)) << state;
        std::string status = "Status:       " + words + "\n";
        status[14] = static_cast<char>(std::toupper(status[14]));
        const TRun info = recorder.Cli("info");
        EXPECT_NE(info.Output.find(status), std::string::npos) << status << info.Output;
    }
}

// Reading drives of old and some USB bridges answer neither READ DISC
// INFORMATION nor READ TRACK INFORMATION: a pressed disc in one is still
// listed, extracted and measured, from its TOC and READ CAPACITY.
TEST_F(InfoCli, DriveWithoutTrackInformationShowsListsAndExtractsAPressedDisc) {
    const std::string tree = recorder.Folder() + "/tree";
    const std::string image = recorder.Folder() + "/pressed.iso";
    ASSERT_EQ(test::Shell("mkdir -p " + test::Quote(tree + "/Docs") + " && head -c 3000000 /dev/zero | tr '\\0' x > " +
                          test::Quote(tree + "/Docs/big.txt"))
                  .ExitCode,
              0);
    const TRun made = recorder.Cli("make-iso --volume-id PRESSED -o " + test::Quote(image) + " " + test::Quote(tree));
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    ASSERT_NO_FATAL_FAILURE(recorder.Change([&](vdrive::THost& host) {
        const std::size_t reader = host.AddDrive(vdrive::UsbBridgeReader());
        std::string error;
        ASSERT_TRUE(host.Insert(reader, {vdrive::TMediumKind::CdRom, vdrive::TMediumState::Blank, image}, &error))
            << error;
    }));
    const TRun info = recorder.Cli("info -d sr1");
    EXPECT_EQ(info.ExitCode, 0) << info.Output;
    for (const char* line : {"Disc type:    CD-ROM\n", "Status:       Finalized\n", "Full size:    3 Mb\n",
                             "Used space:   3 Mb\n", "Disc label:   PRESSED\n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;

    const TRun sessions = recorder.Cli("sessions -d sr1");
    EXPECT_EQ(sessions.ExitCode, 0) << sessions.Output;
    EXPECT_NE(sessions.Output.find("  start sector 0, "), std::string::npos) << sessions.Output;
    EXPECT_NE(sessions.Output.find("       3000000  "), std::string::npos) << sessions.Output;
    EXPECT_EQ(sessions.Output.find("unknown"), std::string::npos) << sessions.Output;
    EXPECT_EQ(sessions.Output.find("no ISO 9660"), std::string::npos) << sessions.Output;

    const std::string out = recorder.Folder() + "/out";
    const TRun extract = recorder.Cli("extract -d sr1 -s 1 tree/Docs/big.txt " + test::Quote(out));
    EXPECT_EQ(extract.ExitCode, 0) << extract.Output;
    EXPECT_EQ(extract.Output, "Extracted 1 file (3000000 bytes) into " + out + "\n");
    EXPECT_EQ(std::filesystem::file_size(out + "/big.txt"), 3000000u);
}

TEST_F(InfoCli, UnknownDeviceAndBadOptionsAreRefused) {
    TRun run = recorder.Cli("info -d sr7");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli info: No drive 'sr7'. Run 'sorvane-cli devices' for the list.\n");
    // A path names a device of this system; the emulated recorder's drive
    // is not /dev/sr0, even when it calls itself sr0.
    if (!std::filesystem::exists("/dev/sr0")) {
        run = recorder.Cli("info -d /dev/sr0");
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Output, "sorvane-cli info: No drive '/dev/sr0'. Run 'sorvane-cli devices' for the list.\n");
    }
    EXPECT_EQ(recorder.Cli("info -d sr0").ExitCode, 0);
    run = recorder.Cli("info --bogus");
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Output, "sorvane-cli info: unknown option '--bogus'\n");
    run = recorder.Cli("devices extra");
    EXPECT_EQ(run.ExitCode, 2);
}

TEST_F(InfoCli, RecorderInUseByAnotherProcessIsSaidSoAndNotThatThereIsNoDrive) {
    TRun info, devices;
    ASSERT_NO_FATAL_FAILURE(recorder.Change([&](vdrive::THost&) {
        // This process has the recorder's folder while the command runs.
        info = recorder.Cli("info");
        devices = recorder.Cli("devices");
    }));
    const std::string said = "the emulated recorder is in use by another process (pid " + std::to_string(::getpid()) +
                             "); try again when it has finished.\n";
    EXPECT_EQ(info.ExitCode, 1);
    EXPECT_EQ(info.Output, "sorvane-cli info: " + said);
    EXPECT_EQ(devices.Output, "sorvane-cli devices: " + said);
}

TEST_F(InfoCli, VdriveKeepsAPressedDiscsImageByItsWholePathAndNeverDropsADiscWithoutAWord) {
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
