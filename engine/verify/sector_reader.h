#pragma once
// Reads runs of sectors from a disc in large blocks, in order. A block the
// drive cannot read is read again one sector at a time, so that what is
// unreadable is named to the sector; after many such failures the blocks
// that fail are given up whole, since a drive may spend seconds on every
// failed read and a damaged disc would otherwise take hours.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/iso/disc_source.h"

namespace sorvane {

class TSectorReader {
public:
    // 64 KiB: one READ(10) that every drive and every transport takes.
    static constexpr std::uint32_t kBlockSectors = 32;
    static constexpr std::uint32_t kMaxSingleSectorFailures = 256;

    // Receives what was read, in sector order: `count` sectors from `lba`,
    // with their bytes, or with `data` nullptr when they could not be read.
    using TSink = std::function<void(std::uint32_t lba, const std::uint8_t* data, std::uint32_t count)>;

    // `cancel` is checked before every block; `progress` is called after
    // every block with the sectors gone through so far.
    TSectorReader(TDiscSource& disc, const std::atomic<bool>* cancel, std::function<void(std::uint64_t)> progress);

    // Reads `count` sectors from `first`. False when stopped before the end.
    bool Read(std::uint32_t first, std::uint32_t count, const TSink& sink);

    std::uint64_t SectorsDone() const { return done_; }
    bool Cancelled() const { return cancel_ && cancel_->load(); }

private:
    void Narrow(std::uint32_t lba, std::uint32_t count, const TSink& sink);

    TDiscSource& disc_;
    const std::atomic<bool>* cancel_;
    std::function<void(std::uint64_t)> progress_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t done_ = 0;
    std::uint32_t singleFailures_ = 0;
};

}  // namespace sorvane
