// sorvane-cli erase as a user runs it: a separate process on the emulated
// recorder, whose state the test prepares in a folder of its own and reads
// back afterwards. The recorder's clock runs fast, so that its blanks end
// at once.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

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

class EraseCli : public ::testing::Test {
protected:
    void SetUp() override {
        // A real optical drive would be preferred to the recorder.
        struct stat info;
        if (::stat("/dev/sr0", &info) == 0) GTEST_SKIP() << "this machine has an optical drive";
    }
    void TearDown() override { vdrive::THost::Instance().UseMemory(); }

    // Drive 0 is the multi-format writer; `second` adds another model.
    void Prepare(const vdrive::TMediumSpec& medium, const vdrive::TDriveModel* second = nullptr) {
        vdrive::THost& host = vdrive::THost::Instance();
        std::string error;
        ASSERT_TRUE(host.UseStateFolder(home, &error)) << error;
        std::size_t drive = 0;
        if (second) drive = host.AddDrive(*second);
        ASSERT_TRUE(host.Insert(drive, medium, &error)) << error;
        ASSERT_TRUE(host.Save(&error)) << error;
        host.UseMemory();  // lets the other process have the folder
    }
    vdrive::TDriveStatus Status(std::size_t drive = 0) {
        vdrive::THost& host = vdrive::THost::Instance();
        std::string error;
        EXPECT_TRUE(host.UseStateFolder(home, &error)) << error;
        vdrive::TDriveStatus status = host.Status(drive);
        host.UseMemory();
        return status;
    }
    // stdout and stderr together; stderr is no terminal, so no progress line.
    TRun Run(const std::string& arguments) {
        const std::string command = "env -u SORVANE_ASPI_LIBRARY SORVANE_VDRIVE_TIME_SCALE=1000000000 "
                                    "SORVANE_VDRIVE_HOME='" + home + "' '" + ProgramFolder() + "sorvane-cli' erase " +
                                    arguments + " 2>&1";
        TRun run;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return run;
        std::array<char, 4096> chunk;
        while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe)) run.Output.append(chunk.data(), n);
        const int status = ::pclose(pipe);
        run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    const std::string home = ::testing::TempDir() + "/erase_cli_" + std::to_string(::getpid()) + "_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(EraseCli, QuickEraseLeavesTheDiscBlankAndEjectsItOnRequest) {
    Prepare({K::CdRw, S::Closed, test::VdriveTest::MakeImage(2000, "erase_cli.iso")});
    const TRun run = Run("-d sr0 --eject");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output, "Quick erase\nErase finished successfully\n");
    const vdrive::TDriveStatus status = Status();
    EXPECT_EQ(status.State, "blank");
    EXPECT_TRUE(status.TrayOpen);
    EXPECT_FALSE(status.Locked);
}

TEST_F(EraseCli, FullEraseRunsAtTheSpeedAskedFor) {
    Prepare({K::CdRw, S::Appendable});
    const TRun run = Run("--full --speed 4x");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output, "Full erase on 4x\nErase finished successfully\n");
    const vdrive::TDriveStatus status = Status();
    EXPECT_EQ(status.State, "blank");
    EXPECT_FALSE(status.TrayOpen);
}

TEST_F(EraseCli, DiscThatCannotBeErasedIsEjectedWithTheWizardsMessage) {
    Prepare({K::CdR, S::Closed});
    const TRun run = Run("");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli erase: Insert RW-disc for erasing...\n");
    const vdrive::TDriveStatus status = Status();
    EXPECT_TRUE(status.TrayOpen);
    EXPECT_EQ(status.State, "closed");
}

TEST_F(EraseCli, EmptyDriveIsNotReady) {
    Prepare({K::None});
    const TRun run = Run("");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli erase: Device is not ready\n");
}

TEST_F(EraseCli, DriveThatCannotBlankEndsWithTheErrorText) {
    // A reader holding a CD-RW: the disc is erasable, the drive cannot do it.
    Prepare({K::CdRw, S::Closed}, &vdrive::DvdRomReader());
    const TRun run = Run("-d sr1 --eject");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output.rfind("Quick erase\nsorvane-cli erase: Erase finished with error: ", 0), 0u) << run.Output;
    EXPECT_GT(run.Output.size(), 60u) << "the drive's reason is missing";
    EXPECT_FALSE(Status(1).TrayOpen) << "a failed erase ejects nothing";
}

TEST_F(EraseCli, BadOptionsAreRefused) {
    for (const char* arguments : {"--speed 4", "--full --speed fast", "--full --speed 0", "--bogus", "extra"}) {
        const TRun run = Run(arguments);
        EXPECT_EQ(run.ExitCode, 2) << arguments;
        EXPECT_NE(run.Output.find("Try 'sorvane-cli erase --help'"), std::string::npos) << run.Output;
    }
}

}  // namespace
}  // namespace sorvane
