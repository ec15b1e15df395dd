#pragma once
// The thread class the engine's workers derive from: each overrides Execute.
// A thread is always created suspended and started with Resume (the derived
// constructor calls it last when the thread is meant to run at once), because
// a base class cannot start a virtual Execute before the derived object exists.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace sorvane {

// Priority levels are hints. On Linux an unprivileged thread can only lower
// its own priority, so the levels below Normal map to higher nice values and
// the levels above it are tried and silently left at Normal when refused.
enum class TThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class TThread {
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts a suspended thread; does nothing once it has started.
    void Resume();
    // Asks Execute to stop at its next check of Terminated().
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // True once Execute has returned.
    bool Finished() const { return finished_; }
    // Blocks until Execute has returned. On the main thread it keeps running
    // synchronised calls meanwhile, so a worker inside Synchronize cannot
    // deadlock against its owner.
    void WaitFor();

    void SetPriority(TThreadPriority priority);
    TThreadPriority Priority() const { return priority_; }

    // Hands the object to itself: it is destroyed right after Execute
    // returns. `self` must own this very object, and the thread must have
    // been created but may or may not be running yet.
    static void FreeOnTerminate(std::unique_ptr<TThread> self);
    // Waits until every thread handed over with FreeOnTerminate has ended.
    static void WaitForFreeOnTerminateThreads();

protected:
    virtual void Execute() = 0;
    // Runs `call` on the owner's thread and waits until it has run.
    void Synchronize(const std::function<void()>& call);

private:
    void Run();
    void ApplyPriority();

    std::thread thread_;
    std::atomic<bool> started_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<TThreadPriority> priority_{TThreadPriority::Normal};
    std::atomic<int> tid_{0};
    std::unique_ptr<TThread> self_;  // set when the thread owns itself
    bool executeReturned_ = false;   // guarded by startMutex_
    std::mutex startMutex_;
};

}  // namespace sorvane
