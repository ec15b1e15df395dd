#include "engine/record/cache_thread.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/iso/image_file.h"
#include "engine/rtl/stream_ex.h"
#include "engine/rtl/format.h"
#include "engine/rtl/search_rec.h"

namespace sorvane {
namespace {

constexpr std::int64_t kSector = 2048;
// Largest single read: big enough that a large file costs few system calls,
// small enough that the writer sees new blocks often.
constexpr std::int64_t kMaxReadBytes = 1 << 20;
// Files at least this large are announced to the system as read once from
// start to end; for small files the advice would cost more than it saves.
constexpr std::int64_t kSequentialAdviceBytes = 1 << 20;
// Upper bound of any single wait, after which the flags are checked again.
constexpr int kWaitSliceMs = 50;

std::int64_t RoundUpToSector(std::int64_t bytes) { return (bytes + kSector - 1) / kSector * kSector; }

std::uint32_t ValidBlockSize(std::uint32_t blockSize) {
    const bool usable = blockSize >= kSector && blockSize <= TCacheThread::kDataBlockSize && blockSize % kSector == 0;
    return usable ? blockSize : TCacheThread::kDataBlockSize;
}

TThreadPriority PriorityOf(int level) {
    switch (level) {
        case TCacheThread::plIdle: return TThreadPriority::Idle;
        case TCacheThread::plLowest: return TThreadPriority::Lowest;
        case TCacheThread::plLower: return TThreadPriority::Lower;
        default: return TThreadPriority::Normal;
    }
}

// Whether the calling thread may raise its priority again after lowering it.
// Without that right (the usual case for an unprivileged process) the reader
// keeps the level it starts with: a level once lowered could never recover,
// and a reader stuck at the idle level would starve behind every other
// program while the recording waits for it.
bool PriorityCanRise() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, tid);
    if (errno != 0 || current <= -20) return false;
    if (::setpriority(PRIO_PROCESS, tid, current - 1) != 0) return false;
    ::setpriority(PRIO_PROCESS, tid, current);
    return true;
}

}  // namespace

TCacheThread::TCacheThread(std::uint32_t cacheSize, const TFileTable& fileTable, TMemoryStream& headerStream,
                           std::int64_t totalBytes, std::uint32_t bootSectors, std::uint32_t bootPadSectors,
                           std::string bootImageName, bool padTrack, std::uint32_t blockSize, TCriticalSection& lock,
                           std::string imageFileName, TDebugSink debug)
    : fileTable_(fileTable),
      headerStream_(headerStream),
      totalBytes_(std::max<std::int64_t>(0, totalBytes)),
      bootSectors_(bootSectors),
      bootPadSectors_(bootPadSectors),
      bootImageName_(std::move(bootImageName)),
      imageFileName_(std::move(imageFileName)),
      cacheSize_(cacheSize),
      blockSize_(ValidBlockSize(blockSize)),
      // Two blocks at least, so that the reader can fill one while the
      // writer sends the other.
      maxBlocks_(static_cast<int>(std::max<std::uint32_t>(2, cacheSize / ValidBlockSize(blockSize)))),
      padShortTrack_(imageFileName_.empty() && padTrack && totalBytes_ < kShortTrackBytes),
      lock_(lock),
      debug_(std::move(debug)),
      ring_(static_cast<std::size_t>(maxBlocks_) * blockSize_),
      bytesToDeliver_(totalBytes_) {
    capacity_ = static_cast<std::int64_t>(ring_.Size());
    if (padShortTrack_) {
        padBytes_ = kShortTrackBytes - totalBytes_;
        bytesToDeliver_ += padBytes_;
    }
    SetPriority(PriorityOf(plLower));
    Resume();
}

TCacheThread::~TCacheThread() {
    Abort();
    WaitFor();
}

void TCacheThread::Execute() {
    dynamicPriority_ = PriorityCanRise();
    if (!ring_) {
        Warn(">>> NOT ENOUGH MEMORY FOR THE READ BUFFER", mtError);
        Fail(kInternalErrorText);
        return;
    }
    if (imageFileName_.empty() && !SendHeader()) return;
    if (!SendEntries()) return;
    if (padShortTrack_ && !AppendZeros(padBytes_)) return;
    Seal();
}

bool TCacheThread::SendHeader() {
    if (!AppendBytes(headerStream_.Data(), static_cast<std::int64_t>(headerStream_.Size()))) return false;
    // The header can be large (directories of many thousand entries); its
    // copy in the ring is all that is needed from here on.
    headerStream_.Clear();
    return true;
}

bool TCacheThread::SendEntries() {
    // A leading entry precedes the files: the image file that is the whole
    // stream, or the boot image (rounded up to whole sectors) and the zero
    // sectors that keep the first file at the sector the layout gave it.
    // Both are sized in whole sectors, so a shortfall of less than one
    // sector is just the file's last partial sector.
    if (!imageFileName_.empty()) return SendFile(imageFileName_, totalBytes_, kSector - 1);
    if (!bootImageName_.empty() && bootSectors_ > 0) {
        if (!SendFile(bootImageName_, std::int64_t{bootSectors_} * kSector, kSector - 1)) return false;
        if (bootPadSectors_ > 0 && !AppendZeros(std::int64_t{bootPadSectors_} * kSector)) return false;
    }
    for (const auto& entry : fileTable_) {
        if (!entry) {
            Fail(kInternalErrorText);
            return false;
        }
        // Directories, entries already on the disc and empty files occupy
        // no data sectors of this session.
        if (entry->IsDirectory() || (entry->Attr & faDirectory) || entry->Imported || entry->SourcePath.empty() ||
            entry->IsoSize <= 0)
            continue;
        if (!SendFile(entry->SourcePath, entry->IsoSize, 0)) return false;
    }
    return true;
}

bool TCacheThread::SendFile(const std::string& path, std::int64_t bytes, std::int64_t tolerated) {
    if (aborted_) {
        Discard();
        return false;
    }
    // Project files come folder by folder: opening each inside its folder's
    // handle resolves one name instead of the whole path every time.
    const auto slash = path.rfind('/');
    const bool inFolder = slash != std::string::npos && slash > 0;
    if (inFolder && path.compare(0, slash, sourceFolder_.Path()) != 0) sourceFolder_.Open(path.substr(0, slash));
    const bool useFolder = inFolder && sourceFolder_.Handle() >= 0 && sourceFolder_.Path().size() == slash;
    TFileStreamEx stream(useFolder ? sourceFolder_.Handle() : AT_FDCWD, useFolder ? path.substr(slash + 1) : path,
                         fmOpenRead | fmShareDenyNone);
    if (!stream.IsOpen()) {
        Fail(CantOpenText(path));
        return false;
    }
    if (bytes >= kSequentialAdviceBytes) stream.AdviseSequential();
    std::int64_t got = 0;
    if (!ReadInto(stream, path, bytes, got)) return false;
    // Only the size recorded in the layout is read: the directory records
    // already hold it. A file that shrank since it was added must not let
    // anything but zeros take the place of its missing bytes.
    if (bytes - got > tolerated)
        Warn(ShrunkSourceText(path), mtFileSystem);
    else if (std::uint8_t probe; got == bytes && stream.Read(&probe, 1) > 0)
        Warn(GrownSourceText(path, bytes), mtFileSystem);
    return AppendZeros(RoundUpToSector(bytes) - got);
}

bool TCacheThread::ReadInto(THandleStreamEx& stream, const std::string& path, std::int64_t bytes, std::int64_t& got) {
    while (got < bytes) {
        const std::int64_t room = WaitForSpace();
        if (room == 0) return false;
        const std::int64_t want = std::min({room, bytes - got, kMaxReadBytes});
        const std::int64_t n = stream.ReadFully(ring_.Data() + produced_ % capacity_, want);
        if (n > 0) Publish(n);
        got += n;
        if (n < want) {
            if (stream.ErrorCode() == 0) return true;  // the file ended early
            Fail(CantOpenText(path));
            return false;
        }
    }
    return true;
}

bool TCacheThread::AppendBytes(const std::uint8_t* source, std::int64_t count) {
    while (count > 0) {
        const std::int64_t room = WaitForSpace();
        if (room == 0) return false;
        const std::int64_t n = std::min(room, count);
        std::memcpy(ring_.Data() + produced_ % capacity_, source, static_cast<std::size_t>(n));
        Publish(n);
        source += n;
        count -= n;
    }
    return true;
}

bool TCacheThread::AppendZeros(std::int64_t count) {
    while (count > 0) {
        const std::int64_t room = WaitForSpace();
        if (room == 0) return false;
        const std::int64_t n = std::min(room, count);
        std::memset(ring_.Data() + produced_ % capacity_, 0, static_cast<std::size_t>(n));
        Publish(n);
        count -= n;
    }
    return true;
}

std::int64_t TCacheThread::WaitForSpace() {
    for (;;) {
        if (aborted_) {
            Discard();
            return 0;
        }
        const std::uint64_t seen = spaceFreed_.Snapshot();
        std::int64_t used;
        {
            TLockGuard guard(lock_);
            if (hasError_) {
                // The writer recorded an error: nothing more is wanted.
                stopped_ = true;
                return 0;
            }
            used = produced_ - consumed_;
        }
        if (used < capacity_) {
            AdjustPriority(used / blockSize_);
            // Contiguous room: up to the end of the buffer, where the ring wraps.
            return std::min(capacity_ - used, capacity_ - produced_ % capacity_);
        }
        if (!primed_) {
            primed_ = true;
            dataReady_.Notify();
        }
        if (dynamicPriority_ && priorityLevel_ != plIdle) {
            priorityLevel_ = plIdle;
            SetPriority(PriorityOf(plIdle));
        }
        spaceFreed_.WaitSince(seen, kWaitSliceMs);
    }
}

void TCacheThread::Publish(std::int64_t count) {
    bool newBlock;
    {
        TLockGuard guard(lock_);
        newBlock = (produced_ + count) / blockSize_ != produced_ / blockSize_;
        produced_ += count;
        queuedBytes_ = produced_ - consumed_;
    }
    // Only a completed block is of use to the writer; waking it for every
    // small file would cost a switch of threads per file.
    if (newBlock) dataReady_.Notify();
}

void TCacheThread::Seal() {
    // An abort that came after the last wait for space still wins.
    if (aborted_) {
        Discard();
        return;
    }
    // A stream that disagrees with the layout is never sealed: the writer
    // must not see a clean end before the error is set.
    const std::int64_t expected = totalBytes_ + padBytes_;
    std::int64_t produced;
    {
        TLockGuard guard(lock_);
        produced = produced_;
        sealed_ = produced == expected;
    }
    if (produced != expected) {
        // The stream must match the layout sector for sector, or every
        // address recorded in the directories would be wrong.
        Warn(">>> " + Format("IMAGE STREAM HAS %lld BYTES, THE LAYOUT %lld", static_cast<long long>(produced),
                             static_cast<long long>(expected)),
             mtError);
        Fail(kInternalErrorText);
        return;
    }
    primed_ = true;
    dataReady_.Notify();
}

void TCacheThread::Fail(const std::string& text) {
    {
        TLockGuard guard(lock_);
        if (errorText_.empty()) errorText_ = text;
        hasError_ = true;
        stopped_ = true;
    }
    dataReady_.Notify();
}

void TCacheThread::Discard() {
    {
        TLockGuard guard(lock_);
        // The blocks are dropped, not freed: the ring's memory lives as long
        // as the thread object, so a run the writer still holds stays valid.
        consumed_ = produced_;
        taken_ = 0;
        queuedBytes_ = 0;
        if (errorText_.empty()) errorText_ = kAbortedByUserText;
        hasError_ = true;
        stopped_ = true;
    }
    dataReady_.Notify();
}

void TCacheThread::AdjustPriority(std::int64_t blocks) {
    if (!dynamicPriority_) return;
    const int level = blocks < maxBlocks_ / 4 ? plNormal : blocks < maxBlocks_ / 2 ? plLower : plLowest;
    if (level == priorityLevel_) return;
    priorityLevel_ = level;
    SetPriority(PriorityOf(level));
}

void TCacheThread::Warn(const std::string& text, int mType) const {
    if (debug_) debug_(text, mType);
}

void TCacheThread::Abort() {
    aborted_ = true;
    spaceFreed_.Notify();
    dataReady_.Notify();
}

std::int64_t TCacheThread::TakeBlocks(std::uint8_t*& data, int maxBlocks, int waitMs) {
    for (bool waited = false;; waited = true) {
        const std::uint64_t seen = dataReady_.Snapshot();
        {
            TLockGuard guard(lock_);
            if (aborted_ || hasError_) return 0;
            if (taken_ > 0) return -1;  // the previous run is not released yet
            const std::int64_t available = produced_ - consumed_;
            std::int64_t n = std::min(available, capacity_ - consumed_ % capacity_);
            n = std::min(n, std::int64_t{std::max(1, maxBlocks)} * blockSize_);
            // Until the stream is complete only whole blocks go out.
            if (!sealed_) n -= n % blockSize_;
            if (n > 0) {
                data = ring_.Data() + consumed_ % capacity_;
                taken_ = n;
                return n;
            }
            if (sealed_) return 0;
        }
        if (waited || waitMs <= 0) return -1;
        dataReady_.WaitSince(seen, waitMs);
    }
}

void TCacheThread::ReleaseBlocks() {
    {
        TLockGuard guard(lock_);
        if (taken_ == 0) return;
        consumed_ += taken_;
        bytesToDeliver_ -= taken_;
        queuedBytes_ = produced_ - consumed_;
        taken_ = 0;
    }
    spaceFreed_.Notify();
}

int TCacheThread::GetBlock(void* buffer) {
    TLockGuard guard(lock_);
    std::uint8_t* data = nullptr;
    const std::int64_t n = TakeBlocks(data, 1, 0);
    if (n > 0) {
        std::memcpy(buffer, data, static_cast<std::size_t>(n));
        ReleaseBlocks();
    }
    return static_cast<int>(n);
}

void TCacheThread::WaitForPrimed(int timeoutMs) {
    const std::uint64_t seen = dataReady_.Snapshot();
    if (primed_ || hasError_ || Finished()) return;
    dataReady_.WaitSince(seen, timeoutMs);
}

bool TCacheThread::Finished() const {
    TLockGuard guard(lock_);
    return stopped_ || (sealed_ && consumed_ == produced_);
}

bool TCacheThread::Complete() const {
    TLockGuard guard(lock_);
    return sealed_ && !stopped_ && !hasError_ && taken_ == 0 && consumed_ == produced_;
}

std::string TCacheThread::ErrorText() const {
    TLockGuard guard(lock_);
    return errorText_;
}

void TCacheThread::SetErrorText(const std::string& text) {
    {
        TLockGuard guard(lock_);
        if (errorText_.empty()) errorText_ = text;
        hasError_ = true;
    }
    spaceFreed_.Notify();
    dataReady_.Notify();
}

}  // namespace sorvane
