// Writing the blocks: the volume descriptors at sector 0 of media
// overwritten in place, one WRITE(10) per block, the wait for a busy drive,
// and the drive buffer's fill for the progress display.

#include <algorithm>
#include <cstring>

#include "engine/device/disc_kind.h"
#include "engine/device/erase.h"
#include "engine/device/scsi_device.h"
#include "engine/record/cache_thread.h"
#include "engine/record/disc_format.h"
#include "engine/record/disc_target.h"

namespace sorvane {
namespace {

// Request flags of every WRITE(10): data out, completion by event.
constexpr std::uint8_t kWriteFlags = SRB_EVENT_NOTIFY | SRB_DIR_OUT;
constexpr int kSectorBytes = static_cast<int>(kSectorSize);
// The drive keeps the header in its cache for as long as half an hour.
constexpr int kHeaderSynchronizeMs = 1800000;
// A DVD+RW being formatted is polled this often: the drive takes writes
// once the lead-in is written, which takes seconds.
constexpr int kFormatPollMs = 2000;

}  // namespace

bool TDiscTarget::LastFailureIsBusy() const {
    // TARGET BUSY, NOT READY (a long write or an operation in progress), or
    // a failure without sense, such as a request the adapter timed out.
    const TSenseClass sense = device_.LastFailureClass();
    return MeansNotReady(sense) || sense == TSenseClass::None;
}

std::string TDiscTarget::Write(std::int64_t sector, const std::uint8_t* data, std::uint32_t count,
                               const std::atomic<bool>& abortFlag) {
    if (!headerWritten_ && recording_.Source == TDiscRecording::TSource::Project &&
        KindTraits(kind_).OverwrittenInPlace) {
        headerWritten_ = true;
        if (std::string error = WriteHeader(count, abortFlag); !error.empty()) return error;
    }
    if (bufferQueryAllowed_ && bufferCountdown_ == 0) PollBuffer();
    --bufferCountdown_;
    return WriteSectors(sector, data, count, abortFlag);
}

void TDiscTarget::PollBuffer() {
    // A drive that cannot tell its buffer's fill once is not asked again.
    std::uint32_t size = 0, free = 0;
    bufferQueryAllowed_ = device_.ReadBufferCapacity(size, free);
    if (bufferQueryAllowed_) bufferCountdown_ = kBufferQueryInterval;
}

std::string TDiscTarget::WriteHeader(std::uint32_t count, const std::atomic<bool>& abortFlag) {
    // The volume descriptors of the grown file system go to the start of
    // the disc, where every reader looks for them; the failure of the write
    // is this recording's, not a drive fault worth a report of its own.
    device_.ErrorReported = true;
    const std::size_t bytes = std::min<std::size_t>(count, recording_.HeaderBuffer.size());
    std::vector<std::uint8_t> block(recording_.HeaderBuffer.begin(),
                                    recording_.HeaderBuffer.begin() + static_cast<std::ptrdiff_t>(bytes));
    block.resize(count, 0xFF);
    // The write covers more than the descriptors. When the session starts
    // further on, what lies behind them belongs to the earlier session (and
    // on a disc made elsewhere it may be file data): it is read and written
    // back unchanged. A session that starts at sector 0 overwrites it anyway.
    const std::size_t descriptors =
        std::min<std::size_t>(block.size(), static_cast<std::size_t>(std::max(0, recording_.HeaderBufferLength)));
    if (StartSector() > 0 && descriptors < block.size()) {
        std::vector<std::uint8_t> old(block.size());
        if (device_.ReadSectors(0, static_cast<std::uint16_t>(count / kSectorSize), count, old.data()))
            std::memcpy(block.data() + descriptors, old.data() + descriptors, block.size() - descriptors);
    }
    if (std::string error = WriteSectors(0, block.data(), count, abortFlag); !error.empty()) return error;
    device_.SynchronizeCache(kHeaderSynchronizeMs, false);
    return {};
}

std::string TDiscTarget::WriteSectors(std::int64_t lba, const std::uint8_t* data, std::uint32_t count,
                                      const std::atomic<bool>& abortFlag) {
    const auto sectors = static_cast<std::uint16_t>(count / kSectorBytes);
    int retries = 0;
    for (;;) {
        if (abortFlag) return kAbortedByUserText;
        if (device_.WriteSectors(static_cast<std::uint32_t>(lba), sectors, kWriteFlags, count, data)) break;
        if (firstWrite_ && !formatTried_ && kind_ == kind::kDvdPlusRw &&
            device_.LastFailureClass() == TSenseClass::IncompatibleMedium) {
            // A new DVD+RW must be formatted before it takes data; once is
            // enough, after which the write is tried again.
            formatTried_ = true;
            if (FormatDvdPlusRw(abortFlag)) continue;
            if (abortFlag) return kAbortedByUserText;
            return FailureText(kWriterErrorText);
        }
        if (!LastFailureIsBusy()) return FailureText(kWriterErrorText);
        device_.Sleep(kBusyPauseMs);
        if (++retries >= kBusyRetries) return kWriterBusyText;
    }
    firstWrite_ = false;
    return {};
}

bool TDiscTarget::FormatDvdPlusRw(const std::atomic<bool>& abortFlag) {
    if (!format_list::Send(device_, erase::DvdPlusRwFormatList())) return false;
    device_.DebugMessage(">>> FORMATTING DVD+RW", mtInfo);
    // The format runs in the background; the write that follows fails on a
    // drive that never gets done with it.
    return disc::WaitWhileFormatting(device_, kFormatPollMs, [&abortFlag] { return abortFlag.load(); });
}

std::string TDiscTarget::FailureText(const char* what) const {
    return std::string(what) + " [" + device_.LastError + "]";
}

}  // namespace sorvane
