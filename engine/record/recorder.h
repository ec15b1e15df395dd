#pragma once
// TRecorder: the recording pipeline as the burner component owns it. It
// starts the read-ahead, waits in the caller's thread until the ring is
// primed, starts the write thread on a target, and answers the progress
// questions (bytes written, read-buffer fill) from any thread. One recording
// runs at a time.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/record/cache_thread.h"
#include "engine/record/write_target.h"
#include "engine/record/write_thread.h"

namespace sorvane {

// The inputs of one read-ahead, as the start operation gathers them.
struct TCacheInputs {
    std::uint32_t CacheSize = 0;
    const TFileTable* FileTable = nullptr;
    TMemoryStream* HeaderStream = nullptr;
    std::int64_t TotalBytes = 0;       // the image's sectors times 2048
    std::uint32_t BootSectors = 0;     // boot image sectors, 0 when not bootable
    std::uint32_t BootPadSectors = 0;  // zero sectors after the boot image
    std::string BootImageName;
    bool PadTrack = false;             // pad a short track to 300 sectors
    std::uint32_t BlockSize = TCacheThread::kDataBlockSize;
    std::string ImageFileName;         // an image file as the only source
};

class TRecorder {
public:
    TRecorder(TCriticalSection& lock, TDebugSink debug);
    // Stops a running recording cooperatively; its outcome is not reported.
    ~TRecorder();
    TRecorder(const TRecorder&) = delete;
    TRecorder& operator=(const TRecorder&) = delete;

    // Starts the read-ahead and waits until the ring is primed. Answers the
    // empty text once primed, or the text that stopped the reader, in which
    // case the reader has ended and nothing is left running. A stop request
    // made before this call is forgotten; one made while it waits stops the
    // read-ahead.
    std::string StartCache(const TCacheInputs& inputs);
    // Starts the write thread on the primed read-ahead. `onDone` receives
    // the outcome on the owner's thread. `checksums`, when given, records
    // what the thread sends (SentChecksums). False when nothing was primed,
    // or when there is no target, in which case the read-ahead is stopped.
    bool StartWriteThread(std::unique_ptr<TWriteTarget> target, std::int64_t byteLimit, TThWrite::TDoneCall onDone,
                          std::unique_ptr<TSentChecksums> checksums = nullptr);

    // Asks the running recording to stop; callable from any thread.
    void Abort() { state_.AbortFlag = true; }
    // Read-buffer fill, 0..100; 0 unless the write thread is running.
    int CacheFillPercent();
    std::int64_t BytesWritten() const { return state_.BytesWritten; }
    bool Writing() const { return state_.Writing; }
    // A recording is being primed or written.
    bool Busy() const { return state_.Busy; }
    // The block size of the latest read-ahead.
    std::uint32_t BlockSize() const { return blockSize_; }
    // What the latest write thread sent, when it was given checksums to
    // keep; nullptr while a recording runs.
    const TSentChecksums* SentChecksums() const { return Busy() ? nullptr : checksums_.get(); }

    // Stops whatever runs and waits for it, running the owner's queued calls
    // meanwhile when called on the owner's thread.
    void Shutdown();

private:
    TCriticalSection& lock_;
    TDebugSink debug_;
    std::uint32_t blockSize_ = TCacheThread::kDataBlockSize;
    TMemoryStream noHeader_;  // stands in when a recording has no header
    bool startedWriters_ = false;
    // Written by the write thread while it runs, read by the owner after.
    std::unique_ptr<TSentChecksums> checksums_;
    TRecordingState state_;
};

}  // namespace sorvane
