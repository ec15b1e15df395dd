#include "engine/record/recorder.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "engine/rtl/sync_queue.h"

namespace sorvane {
namespace {

// The starter checks the reader at least this often while it primes.
constexpr int kPrimingPollMs = 100;

}  // namespace

TRecorder::TRecorder(TCriticalSection& lock, TDebugSink debug) : lock_(lock), debug_(std::move(debug)) {}

TRecorder::~TRecorder() { Shutdown(); }

std::string TRecorder::StartCache(const TCacheInputs& inputs) {
    // The stop request belongs to the recording that starts now: one left
    // over from an earlier call must not stop it, and one made from here on
    // must never be lost, which clearing it in the write thread would risk.
    state_.AbortFlag = false;
    state_.Busy = true;
    state_.BytesWritten = 0;
    checksums_.reset();
    blockSize_ = inputs.BlockSize;

    static const TFileTable kNoFiles;
    auto owned = std::make_unique<TCacheThread>(
        inputs.CacheSize, inputs.FileTable ? *inputs.FileTable : kNoFiles,
        inputs.HeaderStream ? *inputs.HeaderStream : noHeader_, inputs.TotalBytes, inputs.BootSectors,
        inputs.BootPadSectors, inputs.BootImageName, inputs.PadTrack, inputs.BlockSize, lock_, inputs.ImageFileName,
        debug_);
    TCacheThread* cache = owned.get();
    {
        std::lock_guard lock(state_.CacheMutex);
        state_.Cache = std::move(owned);
    }

    for (;;) {
        if (cache->Primed()) return {};
        if (cache->HasError()) break;
        if (state_.AbortFlag) cache->Abort();
        cache->WaitForPrimed(kPrimingPollMs);
    }
    const std::string error = cache->ErrorText();
    {
        std::lock_guard lock(state_.CacheMutex);
        owned = std::move(state_.Cache);
    }
    owned.reset();
    state_.Busy = false;
    return error;
}

bool TRecorder::StartWriteThread(std::unique_ptr<TWriteTarget> target, std::int64_t byteLimit,
                                 TThWrite::TDoneCall onDone, std::unique_ptr<TSentChecksums> checksums) {
    TCacheThread* cache;
    std::unique_ptr<TCacheThread> owned;
    {
        std::lock_guard lock(state_.CacheMutex);
        cache = state_.Cache.get();
    }
    if (!cache) return false;
    if (!target) {
        // Nothing to write to: the primed read-ahead is stopped and freed.
        {
            std::lock_guard lock(state_.CacheMutex);
            owned = std::move(state_.Cache);
        }
        owned.reset();
        state_.Busy = false;
        return false;
    }
    checksums_ = std::move(checksums);
    auto writer =
        std::make_unique<TThWrite>(state_, *cache, std::move(target), byteLimit, std::move(onDone), checksums_.get());
    writer->SetPriority(TThreadPriority::TimeCritical);
    // Set before the thread runs, so that whoever polls right after this
    // call returns never sees an idle component.
    state_.Writing = true;
    ++state_.LiveWriters;
    startedWriters_ = true;
    TThread* thread = writer.get();
    TThread::FreeOnTerminate(std::move(writer));
    thread->Resume();
    return true;
}

int TRecorder::CacheFillPercent() {
    std::lock_guard lock(state_.CacheMutex);
    if (!state_.Writing || !state_.Cache || state_.Cache->CacheSize() == 0) return 0;
    const double percent =
        static_cast<double>(state_.Cache->QueuedBytes()) * 100.0 / static_cast<double>(state_.Cache->CacheSize());
    return static_cast<int>(std::lround(std::min(percent, 100.0)));
}

void TRecorder::Shutdown() {
    state_.Silenced = true;
    state_.AbortFlag = true;
    auto& queue = TSyncQueue::Main();
    while (state_.LiveWriters > 0) {
        if (queue.IsOwnerThread()) queue.Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // A write thread that has let go of this state still has to free
    // itself; the process must not end under it.
    if (startedWriters_) TThread::WaitForFreeOnTerminateThreads();
    std::unique_ptr<TCacheThread> cache;
    {
        std::lock_guard lock(state_.CacheMutex);
        cache = std::move(state_.Cache);
    }
    cache.reset();
    state_.Busy = false;
    state_.Silenced = false;
}

}  // namespace sorvane
