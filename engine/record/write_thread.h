#pragma once
// TThWrite: the worker that turns the read-ahead ring into written sectors.
// It opens its target, sends the ring's blocks in stream order, closes the
// target on every way out, frees the cache thread and reports the outcome on
// the owner's thread. It is created suspended and frees itself at its end.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/record/cache_thread.h"
#include "engine/record/write_target.h"
#include "engine/rtl/thread.h"
#include "engine/verify/sent_checksums.h"

namespace sorvane {

// What a recording shares between the component, which starts it and polls
// it, and its worker threads. One recording runs at a time per component.
struct TRecordingState {
    std::atomic<bool> AbortFlag{false};
    // True from the start of the write thread until it reports.
    std::atomic<bool> Writing{false};
    // True from the start operation until the write thread reports (or the
    // priming fails): no second recording may start meanwhile.
    std::atomic<bool> Busy{false};
    std::atomic<std::int64_t> BytesWritten{0};
    // Set when the component goes away: the outcome is no longer reported.
    std::atomic<bool> Silenced{false};
    // Write threads that may still touch this state.
    std::atomic<int> LiveWriters{0};

    // The running cache thread. The write thread frees it at its end while
    // the owner's progress timer may be reading its fill level, hence the
    // mutex around the pointer.
    std::mutex CacheMutex;
    std::unique_ptr<TCacheThread> Cache;
};

class TThWrite final : public TThread {
public:
    // Receives the error text (empty on success) on the owner's thread.
    using TDoneCall = std::function<void(const std::string& error)>;

    // `cache` is the state's cache thread; `byteLimit` caps BytesWritten
    // (the image's size, which a rounded-up last write must not exceed).
    // `checksums`, when given, takes every block once it is written; it
    // must outlive the thread.
    TThWrite(TRecordingState& state, TCacheThread& cache, std::unique_ptr<TWriteTarget> target,
             std::int64_t byteLimit, TDoneCall onDone, TSentChecksums* checksums = nullptr);

protected:
    void Execute() override;

private:
    void WriteBlocks();

    TRecordingState& state_;
    TCacheThread& cache_;
    std::unique_ptr<TWriteTarget> target_;
    const std::int64_t byteLimit_;
    TDoneCall onDone_;
    TSentChecksums* checksums_;
};

}  // namespace sorvane
