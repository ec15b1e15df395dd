#include "engine/rtl/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>

#include "engine/rtl/sync_queue.h"

namespace sorvane {
namespace {

// Threads that free themselves are counted so that a process (or a test) can
// wait for the last of them before it ends.
std::mutex g_freeMutex;
std::condition_variable g_freeDone;
int g_freeRunning = 0;

int NiceOf(TThreadPriority priority) {
    switch (priority) {
        case TThreadPriority::Idle: return 19;
        case TThreadPriority::Lowest: return 10;
        case TThreadPriority::Lower: return 5;
        case TThreadPriority::Normal: return 0;
        case TThreadPriority::Higher: return -5;
        case TThreadPriority::Highest: return -10;
        case TThreadPriority::TimeCritical: return -15;
    }
    return 0;
}

}  // namespace

TThread::TThread() = default;

TThread::~TThread() {
    // A thread that frees itself is detached before it is destroyed; any other
    // owner destroys a thread only after it has ended, or asks it to end here.
    if (thread_.joinable()) {
        terminated_ = true;
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void TThread::Resume() {
    std::lock_guard lock(startMutex_);
    if (started_.exchange(true)) return;
    thread_ = std::thread([this] { Run(); });
}

void TThread::Run() {
    tid_ = static_cast<int>(::syscall(SYS_gettid));
    ApplyPriority();
    Execute();
    // Take the self-ownership before announcing the end, so that a waiter that
    // destroys a normally owned thread never races with this epilogue.
    std::unique_ptr<TThread> self;
    {
        std::lock_guard lock(startMutex_);
        self = std::move(self_);
        executeReturned_ = true;
    }
    if (!self) {
        finished_ = true;
        return;
    }
    finished_ = true;
    self->thread_.detach();
    self.reset();
    std::lock_guard lock(g_freeMutex);
    if (--g_freeRunning == 0) g_freeDone.notify_all();
}

void TThread::WaitFor() {
    // Wait for Execute's end before joining: Run takes startMutex_ after
    // Execute returns, so joining under that mutex while Execute still runs
    // would deadlock. On the owner's thread the queue keeps being pumped.
    auto& queue = TSyncQueue::Main();
    const bool owner = queue.IsOwnerThread();
    while (started_ && !finished_) {
        if (owner) queue.Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::lock_guard lock(startMutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TThread::SetPriority(TThreadPriority priority) {
    priority_ = priority;
    if (tid_ != 0) ApplyPriority();
}

void TThread::ApplyPriority() {
    // Refusals (raising priority without privilege) leave the thread as it is.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid_.load()), NiceOf(priority_));
}

void TThread::Synchronize(const std::function<void()>& call) { TSyncQueue::Main().Send(call); }

void TThread::FreeOnTerminate(std::unique_ptr<TThread> self) {
    TThread* thread = self.get();
    {
        std::lock_guard lock(thread->startMutex_);
        if (!thread->executeReturned_) {
            {
                std::lock_guard count(g_freeMutex);
                ++g_freeRunning;
            }
            thread->self_ = std::move(self);
            return;
        }
    }
    // Execute has already returned: nobody else will free it, so do it here.
    thread->WaitFor();
}

void TThread::WaitForFreeOnTerminateThreads() {
    std::unique_lock lock(g_freeMutex);
    g_freeDone.wait(lock, [] { return g_freeRunning == 0; });
}

}  // namespace sorvane
