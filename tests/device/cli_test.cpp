// sorvane-cli devices and info as a user runs them: a separate process that
// finds the emulated recorder beside itself and its state in a folder of its
// own, fresh or prepared by the test.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

struct TRun {
    int ExitCode = -1;
    std::string Output;
};

std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    path.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return path.substr(0, path.rfind('/') + 1);
}

// Runs sorvane-cli with the recorder's state in `home`; stdout and stderr
// together.
TRun RunCli(const std::string& home, const std::string& arguments) {
    const std::string command = "env -u SORVANE_ASPI_LIBRARY SORVANE_VDRIVE_HOME='" + home + "' '" +
                                ProgramFolder() + "sorvane-cli' " + arguments + " 2>&1";
    TRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> chunk;
    while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe)) run.Output.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        // A real optical drive would be preferred to the recorder.
        struct stat info;
        if (::stat("/dev/sr0", &info) == 0) GTEST_SKIP() << "this machine has an optical drive";
    }
    const std::string home = ::testing::TempDir() + "/cli_home_" + std::to_string(::getpid()) + "_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(Cli, DevicesAndInfoWorkOnAFreshMachineWithTheDefaultRecorder) {
    const TRun devices = RunCli(home, "devices");
    EXPECT_EQ(devices.ExitCode, 0);
    EXPECT_EQ(devices.Output, "* 0  sr0: VIRTUAL DVD-RW VR-1650 1.02  [0:0:0]\n");

    const TRun info = RunCli(home, "info");
    EXPECT_EQ(info.ExitCode, 0) << info.Output;
    for (const char* line : {"Device name: sr0: VIRTUAL DVD-RW VR-1650 1.02\n",
                             "  CD-R     yes        CD-R     yes\n", "  DVD      yes        Test     yes\n",
                             "Protection from empty buffer: yes\n", "Disc type:    CD-R\n", "Max speed:    48x\n",
                             "Status:       Not closed\n", "Full size:    703 Mb\n", "Used space:   0 Mb\n",
                             "Free space:   703 Mb\n", "Disc label:   \n", "Program:      \n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;
}

TEST_F(Cli, InfoOfAFinalizedDiscShowsItsVolumeIdentification) {
    vdrive::THost& host = vdrive::THost::Instance();
    std::string error;
    ASSERT_TRUE(host.UseStateFolder(home, &error)) << error;
    ASSERT_EQ(host.DriveCount(), 1u);
    ASSERT_TRUE(host.Insert(0, {vdrive::TMediumKind::CdR, vdrive::TMediumState::Finalized,
                                test::VdriveTest::MakeImage(5000, "cli.iso")},
                            &error))
        << error;
    ASSERT_TRUE(host.Save(&error)) << error;
    host.UseMemory();  // lets the other process have the folder

    const TRun info = RunCli(home, "info -d sr0");
    EXPECT_EQ(info.ExitCode, 0) << info.Output;
    for (const char* line : {"Status:       Closed\n", "Free space:   0 Mb\n", "Disc label:   TEST_VOLUME\n",
                             "Record time:  01.03.2024\n", "Program:      SORVANE\n", "Preparer:     \n"})
        EXPECT_NE(info.Output.find(line), std::string::npos) << line << "\n" << info.Output;
}

TEST_F(Cli, UnknownDeviceAndBadOptionsAreRefused) {
    TRun run = RunCli(home, "info -d sr7");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "No drive 'sr7'. Run 'sorvane-cli devices' for the list.\n");
    run = RunCli(home, "info --bogus");
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Output, "sorvane-cli info: unknown option '--bogus'\n");
    run = RunCli(home, "devices extra");
    EXPECT_EQ(run.ExitCode, 2);
}

}  // namespace
}  // namespace sorvane
