// Requests that complete by event on the host's completion thread, as the
// engine's transport sends them. (Label "threads": run under ThreadSanitizer.)

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/vdrive/vdrive_fixture.h"

extern "C" std::uint32_t SendASPI32Command(void* srb);

namespace sorvane::vdrive::test {
namespace {

struct TWaitEvent : AspiCompletionEvent {
    TWaitEvent() { Signal = &TWaitEvent::Fire; }
    static void Fire(AspiCompletionEvent* self) {
        auto* e = static_cast<TWaitEvent*>(self);
        std::lock_guard lock(e->Mutex);
        ++e->Count;
        e->Changed.notify_all();
    }
    bool WaitFor(int count, std::chrono::milliseconds limit) {
        std::unique_lock lock(Mutex);
        return Changed.wait_for(lock, limit, [&] { return Count >= count; });
    }
    int Signals() {
        std::lock_guard lock(Mutex);
        return Count;
    }
    std::mutex Mutex;
    std::condition_variable Changed;
    int Count = 0;
};

class CompletionThreadTest : public VDriveTest {
protected:
    void SetUp() override { host.SetCompletion(TCompletion::Thread); }

    // Sends with completion by event and waits as the engine does.
    std::uint8_t SendAndWait(const TCdb& c, std::vector<std::uint8_t>& buffer, TWaitEvent& event) {
        SRB_ExecSCSICmd srb{};
        srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        srb.SRB_Flags = std::uint8_t(SRB_EVENT_NOTIFY | (c.Direction == TDir::In ? SRB_DIR_IN : 0) |
                                     (c.Direction == TDir::Out ? SRB_DIR_OUT : 0));
        srb.SRB_CDBLen = c.Length;
        srb.SRB_SenseLen = 24;
        srb.SRB_BufLen = std::uint32_t(buffer.size());
        srb.SRB_BufPointer = buffer.empty() ? nullptr : buffer.data();
        srb.SRB_PostProc = &event;
        std::memcpy(srb.CDBByte, c.Bytes.data(), c.Length);
        int before = event.Signals();
        std::uint32_t returned = SendASPI32Command(&srb);
        if (returned == SS_PENDING) {
            EXPECT_TRUE(event.WaitFor(before + 1, std::chrono::seconds(10)));
        }
        return __atomic_load_n(&srb.SRB_Status, __ATOMIC_ACQUIRE);
    }
};

TEST_F(CompletionThreadTest, PendingRequestsCompleteInOrderWithOneSignalEach) {
    ASSERT_TRUE(host.Insert(drive, {TMediumKind::CdR}));
    TWaitEvent event;
    std::vector<std::uint8_t> none;
    EXPECT_EQ(SendAndWait(cdb::TestUnitReady(), none, event), SS_ERR);  // the unit attention
    EXPECT_EQ(SendAndWait(cdb::TestUnitReady(), none, event), SS_COMP);
    std::vector<std::uint8_t> info(34);
    EXPECT_EQ(SendAndWait(cdb::ReadDiscInformation(), info, event), SS_COMP);
    EXPECT_EQ(info[1], 32);
    host.Drain();
    EXPECT_EQ(event.Signals(), 3);
}

TEST_F(CompletionThreadTest, ImmediateBlankIsPolledWhileTheClockRuns) {
    ASSERT_TRUE(host.Insert(drive, {TMediumKind::CdRw, TMediumState::Closed}));
    host.SetTimeScale(600);  // the 60-second minimal blank takes 0.1 s
    TWaitEvent event;
    std::vector<std::uint8_t> none, sense(18);
    SendAndWait(cdb::TestUnitReady(), none, event);
    ASSERT_EQ(SendAndWait(cdb::Blank(cdb::TBlank::Minimal), none, event), SS_COMP);
    int busy = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (SendAndWait(cdb::TestUnitReady(), none, event) != SS_COMP && std::chrono::steady_clock::now() < deadline) {
        ++busy;
        ASSERT_EQ(SendAndWait(cdb::RequestSense(), sense, event), SS_COMP);
        EXPECT_EQ(sense[12], 0x04);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(busy, 0);
    EXPECT_EQ(host.Status(drive).State, "blank");
}

TEST_F(CompletionThreadTest, ManyThreadsShareTheDrive) {
    ASSERT_TRUE(host.Insert(drive, {TMediumKind::DvdPlusRw, TMediumState::Closed}));
    ASSERT_EQ(Check(cdb::TestUnitReady()), kMediumChanged);
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            TWaitEvent event;
            for (int i = 0; i < 25; ++i) {
                std::vector<std::uint8_t> data(16 * 2048, std::uint8_t(t));
                if (SendAndWait(cdb::Write10(std::uint32_t(1000 + 16 * (t * 25 + i)), 16), data, event) == SS_COMP) ++good;
                std::vector<std::uint8_t> back(16 * 2048);
                SendAndWait(cdb::Read10(std::uint32_t(1000 + 16 * (t * 25 + i)), 16), back, event);
                EXPECT_EQ(back[100], std::uint8_t(t));
            }
        });
    for (auto& th : threads) th.join();
    host.Drain();
    EXPECT_EQ(good.load(), 100);
}

}  // namespace
}  // namespace sorvane::vdrive::test
