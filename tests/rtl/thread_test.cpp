#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "engine/rtl/critical_section.h"
#include "engine/rtl/owner_wait.h"
#include "engine/rtl/sync_queue.h"
#include "engine/rtl/thread.h"

namespace sorvane {
namespace {

using namespace std::chrono_literals;

class TCountingThread : public TThread {
public:
    explicit TCountingThread(std::atomic<int>& runs) : runs_(runs) {}
    std::thread::id SyncThread;

protected:
    void Execute() override {
        while (!Terminated() && runs_ < 3) ++runs_;
        Synchronize([this] { SyncThread = std::this_thread::get_id(); });
    }

private:
    std::atomic<int>& runs_;
};

class ThreadTest : public testing::Test {
protected:
    void SetUp() override { TSyncQueue::Main().ClaimOwnership(); }
};

TEST_F(ThreadTest, StartsSuspendedAndSynchronizesOntoTheOwner) {
    std::atomic<int> runs{0};
    TCountingThread thread(runs);
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(runs, 0) << "a thread must not run before Resume";
    thread.Resume();
    thread.WaitFor();  // pumps the queue, so Synchronize cannot deadlock
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(thread.SyncThread, std::this_thread::get_id());
}

class TWaitingThread : public TThread {
protected:
    void Execute() override {
        while (!Terminated()) std::this_thread::sleep_for(1ms);
    }
};

TEST_F(ThreadTest, TerminateIsCooperative) {
    TWaitingThread thread;
    thread.Resume();
    std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(thread.Finished());
    thread.Terminate();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
}

class TSelfFreeingThread : public TThread {
public:
    explicit TSelfFreeingThread(std::atomic<bool>& destroyed) : destroyed_(destroyed) {}
    ~TSelfFreeingThread() override { destroyed_ = true; }

protected:
    void Execute() override { std::this_thread::sleep_for(2ms); }

private:
    std::atomic<bool>& destroyed_;
};

TEST_F(ThreadTest, FreeOnTerminateDestroysTheObjectWhenExecuteReturns) {
    std::atomic<bool> destroyed{false};
    auto thread = std::make_unique<TSelfFreeingThread>(destroyed);
    TThread* raw = thread.get();
    TThread::FreeOnTerminate(std::move(thread));
    raw->Resume();
    TThread::WaitForFreeOnTerminateThreads();
    EXPECT_TRUE(destroyed);
}

TEST_F(ThreadTest, FreeOnTerminateAfterTheEndStillFrees) {
    std::atomic<bool> destroyed{false};
    auto thread = std::make_unique<TSelfFreeingThread>(destroyed);
    thread->Resume();
    while (!thread->Finished()) std::this_thread::sleep_for(1ms);
    TThread::FreeOnTerminate(std::move(thread));
    TThread::WaitForFreeOnTerminateThreads();
    EXPECT_TRUE(destroyed);
}

TEST_F(ThreadTest, WaitForFromAnotherWorkerWhileExecuteStillRunsDoesNotDeadlock) {
    TWaitingThread thread;
    thread.Resume();
    std::thread waiter([&] { thread.WaitFor(); });
    std::this_thread::sleep_for(5ms);
    thread.Terminate();
    waiter.join();
    EXPECT_TRUE(thread.Finished());
}

TEST_F(ThreadTest, PostedCallsRunOnlyWhenTheOwnerPumps) {
    std::atomic<int> ran{0};
    std::thread worker([&] { TSyncQueue::Main().Post([&] { ++ran; }); });
    worker.join();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(TSyncQueue::Main().Pump(), 1);
    EXPECT_EQ(ran, 1);
}

// A window waiting for the drive stays live: its events run during the wait,
// through the front end's hook when one is installed, and its Stop ends it.
// A worker's wait runs nobody's events.
TEST_F(ThreadTest, WaitOnTheOwnersThreadRunsItsEventsAndEndsWhenStopped) {
    bool stop = false;
    TSyncQueue::Main().Post([&] { stop = true; });
    EXPECT_FALSE(WaitKeepingOwnerAlive(60000, [&] { return stop; }));

    int hookRuns = 0;
    SetOwnerEventsHook([&] { ++hookRuns; });
    EXPECT_TRUE(WaitKeepingOwnerAlive(30));
    SetOwnerEventsHook({});
    EXPECT_GE(hookRuns, 2);

    int ran = 0;
    TSyncQueue::Main().Post([&] { ++ran; });
    std::thread worker([] { EXPECT_TRUE(WaitKeepingOwnerAlive(20)); });
    worker.join();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(TSyncQueue::Main().Pump(), 1);
}

TEST(CriticalSection, IsReentrant) {
    TCriticalSection section;
    TLockGuard outer(section);
    TLockGuard inner(section);  // would deadlock on a plain mutex
    SUCCEED();
}

}  // namespace
}  // namespace sorvane
