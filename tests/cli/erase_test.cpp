// sorvane-cli erase as a user runs it: a separate process on the emulated
// recorder, whose state the test prepares in a folder of its own and reads
// back afterwards. The recorder's clock runs fast, so that its blanks end
// at once.

#include <gtest/gtest.h>

#include "tests/cli/cli_fixture.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

using test::TRun;

class EraseCli : public test::CliTest {
protected:
    // Drive 0 is the multi-format writer; `second` adds another model.
    void Prepare(const vdrive::TMediumRequest& medium, const vdrive::TDriveModel* second = nullptr) {
        recorder.Change([&](vdrive::THost& host) {
            std::size_t drive = 0;
            if (second) drive = host.AddDrive(*second);
            std::string error;
            ASSERT_TRUE(host.Insert(drive, medium, &error)) << error;
        });
    }
    // stdout and stderr together; stderr is no terminal, so no progress line.
    TRun Run(const std::string& arguments) { return Cli("erase " + arguments); }
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
    Prepare({K::CdRw, S::Open});
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
    EXPECT_EQ(status.State, "appendable");
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
