#pragma once
// A disc held in memory: sectors at absolute addresses and a table of
// sessions. It stands in for a drive wherever the bytes matter more than the
// drive: tests load images made by other tools at the addresses they were
// made for, forge hostile sectors, and make chosen sectors unreadable; the
// fuzzer maps arbitrary input onto it. Sectors never written read as errors,
// the way a drive fails to read an unrecorded area.

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "engine/iso/disc_source.h"

namespace sorvane {

class TMemoryDisc : public TDiscSource {
public:
    using TSector = std::array<std::uint8_t, kSectorBytes>;

    // Places `bytes` at `lba` and on, the last sector padded with zeros.
    void Load(std::uint32_t lba, std::span<const std::uint8_t> bytes);
    // Writes one sector; bytes past `bytes.size()` are zero.
    void SetSector(std::uint32_t lba, std::span<const std::uint8_t> bytes);
    TSector* Sector(std::uint32_t lba);
    void MakeUnreadable(std::uint32_t lba) { unreadable_.insert(lba); }

    // Appends a session whose (single) track is `track`; sessions are
    // numbered from 1 in the order they are added.
    void AddSession(TSessionTrack track) { sessions_.push_back({track, true}); }
    // Makes READ TRACK INFORMATION of that track fail.
    void FailTrackInformation(int track);
    // Overrides the session count the disc reports (a drive may report a
    // session whose track it cannot describe).
    void SetReportedSessions(int count) { reportedSessions_ = count; }

    bool ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) override;
    int GetLastSession() override;
    bool ReadTrackInformation(int track, TSessionTrack& info) override;

    // Every ReadSectors call as (lba, count), when RecordReads is set.
    bool RecordReads = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Reads;
    std::uint64_t ReadCount = 0;

private:
    struct TSessionSlot {
        TSessionTrack Track;
        bool Answers = true;
    };
    std::map<std::uint32_t, TSector> sectors_;
    std::set<std::uint32_t> unreadable_;
    std::vector<TSessionSlot> sessions_;
    int reportedSessions_ = -1;
};

}  // namespace sorvane
