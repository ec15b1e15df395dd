#pragma once
// The selected drive as the session reader sees it: sectors through READ(10),
// the last session from the disc information, and a session's track start
// from READ TRACK INFORMATION (one track per session). A drive that knows
// neither of those queries (reading drives of old, some USB bridges) is
// asked for its TOC instead, which a pressed or closed disc always has. On
// overwritable media, a session is as large as its volume, not the disc.
//
//   TDriveDiscSource disc(burner);
//   TSessionReader reader(disc, burner.Project(), sink);
//   std::vector<TDiscSession> sessions = ReadDiscSessions(disc, sink);

#include <cstdint>
#include <optional>

#include "engine/device/disc_toc.h"
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
    int GetLastSession() override {
        const int last = drive_.GetLastSession();
        if (last != 0 || drive_.RefreshDiscInformation()) return last;
        const TDiscToc* toc = Toc();
        return toc ? toc->LastSession : 0;
    }
    bool ReadTrackInformation(int track, TSessionTrack& info) override {
        if (drive_.ReadTrackInformation(track)) {
            info.TrackStart = drive_.TrackInfo.TrackStart;
            info.TrackSize = drive_.TrackInfo.TrackSize;
            // A track left open by an interrupted recording runs to the end of
            // the disc; what it holds ends at its next writable address.
            const TTrackInfo& t = drive_.TrackInfo;
            if ((t.ValidFlags & kNwaValid) && t.NextWritable > t.TrackStart &&
                t.NextWritable - t.TrackStart < info.TrackSize)
                info.TrackSize = t.NextWritable - t.TrackStart;
            // Overwritable media are one track, formatted from end to end;
            // what the session holds is its volume, whose size the volume
            // descriptor at the start of the disc tells.
            if (OverwrittenInPlace()) {
                const std::uint32_t volume = drive_.FindVolumeSpaceSize();
                if (volume > info.TrackStart && volume - info.TrackStart < info.TrackSize)
                    info.TrackSize = volume - info.TrackStart;
            }
            return true;
        }
        const TDiscToc* toc = Toc();
        return toc && toc->Track(track, info.TrackStart, info.TrackSize);
    }

private:
    bool OverwrittenInPlace() {
        if (!overwritten_) {
            const TDiscKind kind = drive_.GetDiscType();
            overwritten_ = kind == kind::kDvdRam || kind == kind::kDvdRwRestrictedOverwrite || kind == kind::kDvdPlusRw;
        }
        return *overwritten_;
    }

    // The TOC, read once per source.
    const TDiscToc* Toc() {
        if (!toc_) {
            TDiscToc read;
            if (!ReadDiscToc(drive_, read)) read = TDiscToc{};
            toc_ = std::move(read);
        }
        return toc_->Tracks.empty() ? nullptr : &*toc_;
    }

    TSCSIDevice& drive_;
    std::optional<TDiscToc> toc_;
    std::optional<bool> overwritten_;
};

}  // namespace sorvane
