#pragma once
// What the session reader needs from a drive, and nothing more: sectors by
// address, the number of the last session, and where a session's track
// starts. The drive layer answers these with READ(10), READ DISC INFORMATION
// and READ TRACK INFORMATION; tests and the fuzzer answer them from memory.
// Keeping the reader on this seam means it never sees SCSI, and every byte it
// parses can be forged in a test.

#include <cstdint>

namespace sorvane {

// The part of a READ TRACK INFORMATION answer the reader uses.
struct TSessionTrack {
    std::uint32_t TrackStart = 0;  // logical block address of the track's first sector
    std::uint32_t TrackSize = 0;   // in sectors
};

class TDiscSource {
public:
    static constexpr std::uint32_t kSectorBytes = 2048;
    // Whole sectors that `bytes` occupies, rounded up.
    static constexpr std::uint64_t SectorsFor(std::uint64_t bytes) { return (bytes + kSectorBytes - 1) / kSectorBytes; }

    virtual ~TDiscSource() = default;

    // Reads `count` 2048-byte sectors from `lba` into `buffer`, which holds at
    // least count * 2048 bytes. False when any of them could not be read; the
    // buffer's content is then undefined.
    virtual bool ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) = 0;
    // Number of the last session on the disc; 0 when there is none (blank
    // disc, no disc, or the drive could not tell).
    virtual int GetLastSession() = 0;
    // Track information of track number `track`. With one track per session,
    // as this program records, track n is session n. False on failure.
    virtual bool ReadTrackInformation(int track, TSessionTrack& info) = 0;
};

}  // namespace sorvane
