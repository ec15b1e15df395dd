#pragma once
// TCacheThread: the read-ahead of a recording. It reads the image's bytes in
// stream order (the file-system header built in memory, then the boot image
// and its pad, or an existing image file, then the data of every project
// file in table order, then the zero sectors of a short track) into a ring of
// fixed-size blocks, from which the write thread takes one block, or a run
// of whole blocks, at a time.
//
// The ring is one buffer allocated when the thread is made, divided into
// MaxBlocks slots of BlockSize bytes. Data is read straight into free slots
// and written straight out of taken ones, so nothing is allocated or copied
// per block. Every block is full except the last one of the stream: a block
// is exactly one write command for a drive.
//
// The ring's counters change only under the component's device lock; the
// flags and the fill level that other threads poll are atomics, and waits on
// either side sleep on a wake-up call instead of polling.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/project/entries.h"
#include "engine/record/aligned_buffer.h"
#include "engine/record/signal.h"
#include "engine/rtl/stream_ex.h"
#include "engine/rtl/component.h"
#include "engine/rtl/critical_section.h"
#include "engine/rtl/memory_stream.h"
#include "engine/rtl/thread.h"

namespace sorvane {

using TFileTable = std::vector<std::unique_ptr<TFEntry>>;

// The texts with which the pipeline stops.
inline constexpr char kInternalErrorText[] = "INTERNAL ERROR 0005";
inline constexpr char kAbortedByUserText[] = "OPERATION ABORTED BY USER";

class TCacheThread final : public TThread {
public:
    static constexpr std::uint32_t kDataBlockSize = 65536;  // 32 sectors: images and every disc but CDs
    static constexpr std::uint32_t kCdBlockSize = 55296;    // 27 sectors: CD-R and CD-RW
    static constexpr std::int64_t kShortTrackBytes = 614400;  // 300 sectors, the shortest track drives close

    // Priority levels of the reader; it lowers itself as the ring fills.
    enum : int { plIdle = 0, plLowest = 1, plLower = 2, plNormal = 3 };

    // Starts reading at once. `fileTable` and `headerStream` are read in
    // place and must stay unchanged until the thread has ended; the header
    // stream is emptied once it has been queued. `imageFileName` non-empty
    // makes that image file the only source. `debug` receives warnings.
    TCacheThread(std::uint32_t cacheSize, const TFileTable& fileTable, TMemoryStream& headerStream,
                 std::int64_t totalBytes, std::uint32_t bootSectors, std::uint32_t bootPadSectors,
                 std::string bootImageName, bool padTrack, std::uint32_t blockSize, TCriticalSection& lock,
                 std::string imageFileName, TDebugSink debug = {});
    // Stops the reader cooperatively and waits for it.
    ~TCacheThread() override;

    // --- Consumer side (the write thread) -----------------------------------
    // Copies the oldest block into `buffer` (room for BlockSize bytes) and
    // returns its byte count; -1 when no block is ready yet; 0 when the
    // stream has ended: everything delivered, stopped by an error, or aborted.
    int GetBlock(void* buffer);
    // The same without the copy: points `data` at the oldest ready blocks,
    // up to `maxBlocks` of them that lie contiguously in the ring, and
    // returns their byte count (-1 and 0 as GetBlock). When none is ready it
    // waits up to `waitMs` for one. The blocks stay reserved until
    // ReleaseBlocks; only one run may be taken at a time.
    std::int64_t TakeBlocks(std::uint8_t*& data, int maxBlocks, int waitMs);
    void ReleaseBlocks();
    // Stops the reader; the stream ends at once for the consumer.
    void Abort();
    void Lock() { lock_.Enter(); }
    void Unlock() { lock_.Leave(); }

    // --- State ----------------------------------------------------------------
    // Waits up to `timeoutMs` until the ring is primed or the reader stopped.
    void WaitForPrimed(int timeoutMs);
    // The ring was full for the first time, or all data is queued: a
    // recording may start.
    bool Primed() const { return primed_; }
    // Nothing more will come: all data queued and taken, or the reader stopped.
    bool Finished() const;
    bool Aborted() const { return aborted_; }
    // Empty while all is well, else the first message that stopped the pipeline.
    std::string ErrorText() const;
    bool HasError() const { return hasError_; }
    // Records `text` unless a message is already recorded.
    void SetErrorText(const std::string& text);
    // True once every byte of the stream has been taken and released.
    bool Complete() const;

    std::int64_t QueuedBytes() const { return queuedBytes_; }
    std::int64_t BytesToDeliver() const { return bytesToDeliver_; }
    std::uint32_t CacheSize() const { return cacheSize_; }
    int MaxBlocks() const { return maxBlocks_; }
    std::uint32_t BlockSize() const { return blockSize_; }
    bool PadShortTrack() const { return padShortTrack_; }
    int PriorityLevel() const { return priorityLevel_; }

protected:
    void Execute() override;

private:
    // Each step answers false when the reader must stop (error or abort).
    bool SendHeader();
    bool SendEntries();
    // Reads `bytes` of `path` into the ring, then zeros up to the sector
    // boundary. A shortfall beyond `tolerated` bytes is warned about; the
    // missing bytes are zeros either way.
    bool SendFile(const std::string& path, std::int64_t bytes, std::int64_t tolerated);
    bool ReadInto(THandleStreamEx& stream, const std::string& path, std::int64_t bytes, std::int64_t& got);
    bool AppendBytes(const std::uint8_t* source, std::int64_t count);
    bool AppendZeros(std::int64_t count);
    // Room in the ring from the write position to the end of the free space
    // or of the buffer; waits while the ring is full. 0 when stopping.
    std::int64_t WaitForSpace();
    void Publish(std::int64_t count);
    void Seal();
    void Fail(const std::string& text);
    void Discard();
    void AdjustPriority(std::int64_t blocks);
    void Warn(const std::string& text, int mType) const;

    // Inputs.
    const TFileTable& fileTable_;
    TMemoryStream& headerStream_;
    const std::int64_t totalBytes_;
    const std::uint32_t bootSectors_;
    const std::uint32_t bootPadSectors_;
    const std::string bootImageName_;
    const std::string imageFileName_;
    const std::uint32_t cacheSize_;
    const std::uint32_t blockSize_;
    const int maxBlocks_;
    const bool padShortTrack_;
    TCriticalSection& lock_;
    const TDebugSink debug_;

    // The ring: capacity_ bytes; byte k of the stream lies at k % capacity_.
    TAlignedBuffer ring_;
    std::int64_t capacity_ = 0;

    // Guarded by lock_.
    std::int64_t produced_ = 0;    // bytes of the stream read into the ring
    std::int64_t consumed_ = 0;    // bytes taken and released by the consumer
    std::int64_t taken_ = 0;       // bytes of the run the consumer holds
    std::int64_t padBytes_ = 0;    // zero bytes of the short-track pad
    std::string errorText_;
    bool sealed_ = false;          // every byte of the stream is in the ring
    bool stopped_ = false;         // the reader ended early (error or abort)

    // Polled without the lock.
    std::atomic<bool> primed_{false};
    std::atomic<bool> aborted_{false};
    std::atomic<bool> hasError_{false};
    std::atomic<std::int64_t> queuedBytes_{0};
    std::atomic<std::int64_t> bytesToDeliver_;
    std::atomic<int> priorityLevel_{plLower};

    // Reader-only.
    bool dynamicPriority_ = false;
    TFolderHandle sourceFolder_;  // the folder of the latest source file

    TSignal dataReady_;   // the reader queued data, was primed or stopped
    TSignal spaceFreed_;  // the consumer released blocks, or an abort came
};

}  // namespace sorvane
