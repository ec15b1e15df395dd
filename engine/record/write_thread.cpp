#include "engine/record/write_thread.h"

#include <algorithm>
#include <cstring>

namespace sorvane {
namespace {

constexpr std::int64_t kSector = 2048;
// How long one wait for the reader lasts before the stop request is checked
// again: the longest delay an abort can see while the ring is empty.
constexpr int kBlockWaitMs = 10;

}  // namespace

TThWrite::TThWrite(TRecordingState& state, TCacheThread& cache, std::unique_ptr<TWriteTarget> target,
                   std::int64_t byteLimit, TDoneCall onDone, TSentChecksums* checksums)
    : state_(state),
      cache_(cache),
      target_(std::move(target)),
      byteLimit_(byteLimit),
      onDone_(std::move(onDone)),
      checksums_(checksums) {}

void TThWrite::Execute() {
    state_.Writing = true;
    const std::string openError = target_->Open();
    if (!openError.empty()) {
        cache_.SetErrorText(openError);
        cache_.Abort();
    }
    if (!cache_.HasError()) WriteBlocks();

    const std::string closeError = target_->Close(cache_.ErrorText());
    if (!closeError.empty()) cache_.SetErrorText(closeError);
    target_.reset();
    const std::string error = cache_.ErrorText();
    state_.Writing = false;

    std::unique_ptr<TCacheThread> cache;
    {
        std::lock_guard lock(state_.CacheMutex);
        cache = std::move(state_.Cache);
    }
    cache.reset();  // waits for the reader to end
    state_.Busy = false;

    if (!state_.Silenced && onDone_) Synchronize([this, &error] { onDone_(error); });
    // The last touch of the shared state: from here on the component may go.
    --state_.LiveWriters;
}

void TThWrite::WriteBlocks() {
    std::int64_t sector = target_->StartSector();
    const std::uint32_t blockSize = cache_.BlockSize();
    for (;;) {
        if (state_.AbortFlag) {
            cache_.SetErrorText(kAbortedByUserText);
            cache_.Abort();
            return;
        }
        std::uint8_t* data = nullptr;
        const std::int64_t n = cache_.TakeBlocks(data, 1, kBlockWaitMs);
        if (n == 0) break;
        if (n < 0) continue;

        // A target that writes in fixed units gets the short last block
        // padded with zeros inside its own ring slot.
        const auto count = static_cast<std::uint32_t>(n);
        const std::uint32_t length = std::min(target_->WriteLength(count, blockSize), blockSize);
        if (length > count) std::memset(data + count, 0, length - count);

        const std::string error = target_->Write(sector, data, length, state_.AbortFlag);
        // What went to the target is checksummed before its slot is given
        // back to the reader: the stream's own bytes, not the zeros that
        // round a last write up.
        if (error.empty() && checksums_) checksums_->Feed(data, count);
        cache_.ReleaseBlocks();
        if (!error.empty()) {
            cache_.SetErrorText(error);
            cache_.Abort();
            return;
        }
        // Counted once written, never past the image's size.
        sector += length / kSector;
        state_.BytesWritten = std::min(state_.BytesWritten + length, byteLimit_);
    }
    // The stream ended: by an abort, by an error the reader recorded, or
    // because every byte was delivered. Anything else is a stream that
    // stopped short, and that must never pass for a finished image.
    if (cache_.Aborted())
        cache_.SetErrorText(kAbortedByUserText);
    else if (!cache_.HasError() && !cache_.Complete())
        cache_.SetErrorText(kInternalErrorText);
}

}  // namespace sorvane
