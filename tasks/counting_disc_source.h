#pragma once
// A disc that counts the bytes read from it, so that a copy's progress can
// be shown without the copying code knowing of any display: every read is
// counted and reported to `OnRead`, successful or not.

#include <cstdint>
#include <functional>

#include "engine/iso/disc_source.h"

namespace sorvane::tasks {

class TCountingDiscSource : public TDiscSource {
public:
    explicit TCountingDiscSource(TDiscSource& disc) : disc_(disc) {}

    bool ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) override {
        const bool read = disc_.ReadSectors(lba, count, buffer);
        if (read) bytesRead_ += std::uint64_t{count} * kSectorBytes;
        if (OnRead) OnRead();
        return read;
    }
    int GetLastSession() override { return disc_.GetLastSession(); }
    bool ReadTrackInformation(int track, TSessionTrack& info) override { return disc_.ReadTrackInformation(track, info); }

    std::uint64_t BytesRead() const { return bytesRead_; }
    std::function<void()> OnRead;

private:
    TDiscSource& disc_;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace sorvane::tasks
