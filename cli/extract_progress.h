#pragma once
// Progress of an extraction on stderr: bytes copied of the total, redrawn in
// place with "\r" a few times a second while stderr is a terminal, and
// nothing at all otherwise. The copying code knows nothing of it: the disc
// it reads from is wrapped so that every sector read is counted.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "engine/iso/disc_source.h"

namespace sorvane::cli {

// A disc that counts the bytes read from it and calls `OnRead` after every
// read, successful or not.
class TCountingDiscSource : public TDiscSource {
public:
    explicit TCountingDiscSource(TDiscSource& disc) : disc_(disc) {}

    bool ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) override;
    int GetLastSession() override { return disc_.GetLastSession(); }
    bool ReadTrackInformation(int track, TSessionTrack& info) override { return disc_.ReadTrackInformation(track, info); }

    std::uint64_t BytesRead() const { return bytesRead_; }
    std::function<void()> OnRead;

private:
    TDiscSource& disc_;
    std::uint64_t bytesRead_ = 0;
};

// "  12.3 / 45.6 Mb   27%".
std::string FormatExtractProgress(std::uint64_t done, std::uint64_t total);

class TExtractProgress {
public:
    explicit TExtractProgress(std::FILE* out);
    TExtractProgress(const TExtractProgress&) = delete;
    TExtractProgress& operator=(const TExtractProgress&) = delete;

    bool Enabled() const { return enabled_; }
    void Start(std::uint64_t total);
    // Redraws the line when the last drawing is old enough.
    void Update(std::uint64_t done);
    // Prints `text` on a line of its own above the progress line.
    void Print(const std::string& text);
    // Draws the final state and ends the line.
    void Finish(std::uint64_t done);

private:
    void Draw(std::uint64_t done);

    std::FILE* out_;
    const bool enabled_;
    bool started_ = false;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::size_t shownLength_ = 0;
    std::chrono::steady_clock::time_point lastDrawn_{};
};

}  // namespace sorvane::cli
