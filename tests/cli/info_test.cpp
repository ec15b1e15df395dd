// sorvane-cli devices and info as a user runs them: a separate process that
// finds the emulated recorder beside itself and its state in a folder of its
// own, fresh or prepared by the test.

#include <gtest/gtest.h>

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
                             "Protection from empty buffer: yes\n", "Disc type:    CD-R\n", "Max speed:    48x\n",
                             "Status:       Not closed\n", "Full size:    703 Mb\n", "Used space:   0 Mb\n",
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
    for (const char* line : {"Status:       Closed\n", "Free space:   0 Mb\n", "Disc label:   TEST_VOLUME\n",
                             "Record time:  01.03.2024\n", "Program:      SORVANE\n", "Preparer:     \n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;
}

TEST_F(InfoCli, UnknownDeviceAndBadOptionsAreRefused) {
    TRun run = recorder.Cli("info -d sr7");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "No drive 'sr7'. Run 'sorvane-cli devices' for the list.\n");
    run = recorder.Cli("info --bogus");
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Output, "sorvane-cli info: unknown option '--bogus'\n");
    run = recorder.Cli("devices extra");
    EXPECT_EQ(run.ExitCode, 2);
}

}  // namespace
}  // namespace sorvane
