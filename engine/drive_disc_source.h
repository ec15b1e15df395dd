#pragma once
// The selected drive as the session reader sees it: sectors through READ(10),
// the last session from the disc information, and a session's track start
// from READ TRACK INFORMATION (one track per session).
//
//   TDriveDiscSource disc(burner);
//   TSessionReader reader(disc, burner.Project(), sink);
//   std::vector<TDiscSession> sessions = ReadDiscSessions(disc, sink);

#include <cstdint>

#include "engine/device/scsi_device.h"
#include "engine/iso/disc_source.h"

namespace sorvane {

class TDriveDiscSource : public TDiscSource {
public:
    explicit TDriveDiscSource(TSCSIDevice& drive) : drive_(drive) {}

    bool ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) override {
        // READ(10) carries the sector count in 16 bits.
        if (count == 0 || count > 0xFFFF) return false;
        return drive_.ReadSectors(lba, static_cast<std::uint16_t>(count), count * kSectorBytes, buffer);
    }
    int GetLastSession() override { return drive_.GetLastSession(); }
    bool ReadTrackInformation(int track, TSessionTrack& info) override {
        if (!drive_.ReadTrackInformation(track)) return false;
        info.TrackStart = drive_.TrackInfo.TrackStart;
        info.TrackSize = drive_.TrackInfo.TrackSize;
        return true;
    }

private:
    TSCSIDevice& drive_;
};

}  // namespace sorvane
