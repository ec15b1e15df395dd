#include "engine/verify/sector_reader.h"

#include <algorithm>

namespace sorvane {

TSectorReader::TSectorReader(TDiscSource& disc, const std::atomic<bool>* cancel,
                             std::function<void(std::uint64_t)> progress)
    : disc_(disc),
      cancel_(cancel),
      progress_(std::move(progress)),
      buffer_(std::size_t{kBlockSectors} * TDiscSource::kSectorBytes) {}

bool TSectorReader::Read(std::uint32_t first, std::uint32_t count, const TSink& sink) {
    // Nothing lies beyond the last sector address a READ(10) can name.
    count = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, std::uint64_t{UINT32_MAX} - first + 1));
    for (std::uint32_t done = 0; done < count;) {
        if (Cancelled()) return false;
        const std::uint32_t lba = first + done;
        const std::uint32_t n = std::min(kBlockSectors, count - done);
        if (disc_.ReadSectors(lba, n, buffer_.data()))
            sink(lba, buffer_.data(), n);
        else
            Narrow(lba, n, sink);
        done += n;
        done_ += n;
        if (progress_) progress_(done_);
    }
    return true;
}

void TSectorReader::Narrow(std::uint32_t lba, std::uint32_t count, const TSink& sink) {
    if (count == 1 || singleFailures_ >= kMaxSingleSectorFailures) {
        if (count == 1) ++singleFailures_;
        sink(lba, nullptr, count);
        return;
    }
    for (std::uint32_t s = 0; s < count; ++s) {
        if (singleFailures_ >= kMaxSingleSectorFailures) {
            sink(lba + s, nullptr, count - s);
            return;
        }
        if (disc_.ReadSectors(lba + s, 1, buffer_.data())) {
            sink(lba + s, buffer_.data(), 1);
        } else {
            ++singleFailures_;
            sink(lba + s, nullptr, 1);
        }
    }
}

}  // namespace sorvane
