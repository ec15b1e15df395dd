// The last step of a recording on the emulated recorder, in this process:
// Ctrl-C in the middle of the writing stops it with the engine's text, and
// the tray, which the recording leaves locked, is let go.

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "cli/process_display.h"
#include "engine/rtl/sync_queue.h"
#include "tests/device/vdrive_fixture.h"
#include "tests/iso/disc_images.h"

namespace sorvane::cli {
namespace {

using K = vdrive::TMediumKind;

constexpr std::uint8_t kPreventAllowMediumRemoval = 0x1E;
constexpr std::uint8_t kWrite10 = 0x2A;

class RecordProcess : public test::VdriveTest {
protected:
    void SetUp() override {
        TSyncQueue::Main().ClaimOwnership();
        // The drive keeps flushing its buffer for longer than the recording
        // waits for it: its clock runs only once the recording has ended.
        burner.Sleep = [this](int ms) {
            if (!burner.Writing()) host.AdvanceClock(ms / 1000.0);
        };
    }
    // A project of one sparse file: long to record, costing no room.
    void Project(std::int64_t bytes) {
        const std::string path = tmp.Path() + "/long.bin";
        test::WriteAll(path, {});
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(bytes));
        burner.BeginProject(TOrvoBurner::TProjectTask::RecordNew);
        ASSERT_TRUE(burner.InsertFile("\\", path, false));
        burner.PrepareImage(false, nullptr);
    }

    test::TTempDir tmp;
};

TEST_F(RecordProcess, CtrlCWhileWritingStopsTheRecordingAndUnlocksTheTray) {
    AddDrive(vdrive::MultiFormatWriter(), {K::DvdR});
    OpenAndSelect();
    Project(std::int64_t{1} << 30);

    // Ctrl-C reaches the thread that watches for it once data flows.
    const pthread_t owner = ::pthread_self();
    std::atomic<bool> finished{false};
    std::thread user([&] {
        while (!finished && burner.BytesWritten() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!finished) ::pthread_kill(owner, SIGINT);
    });
    TProgressLine progress(stderr);
    tasks::TProcessPlan plan;
    plan.RecordCaption = "Record";
    plan.Eject = true;
    const bool recorded = ProcessRecording(burner, "test", plan, progress);
    finished = true;
    user.join();

    EXPECT_FALSE(recorded);
    EXPECT_EQ(burner.LastWriteError, "OPERATION ABORTED BY USER");
    const vdrive::TDriveStatus status = host.Status(0);
    EXPECT_FALSE(status.Locked);
    EXPECT_FALSE(status.TrayOpen) << "a failed recording ejects nothing";
    // Locked before the first write; let go as the last word.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> order;  // opcode, prevent bit
    for (const vdrive::TLogEntry& entry : Logged())
        if (entry.Cdb[0] == kPreventAllowMediumRemoval || entry.Cdb[0] == kWrite10)
            order.emplace_back(entry.Cdb[0], entry.Cdb[0] == kWrite10 ? 0 : entry.Cdb[4] & 1);
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), std::make_pair(kPreventAllowMediumRemoval, std::uint8_t{1}));
    EXPECT_EQ(order.back(), std::make_pair(kPreventAllowMediumRemoval, std::uint8_t{0}));
}

}  // namespace
}  // namespace sorvane::cli
