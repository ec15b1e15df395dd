#pragma once
// An image file seen as a disc: its sectors from sector 0, one session whose
// track is the whole file. The session reader reads an image's file system
// through it as it reads a disc's, which is how a recording of an image
// learns which file each of its sectors belongs to.

#include <cstdint>
#include <string>

#include "engine/iso/disc_source.h"
#include "engine/iso/local_file.h"

namespace sorvane {

class TImageDisc : public TDiscSource {
public:
    explicit TImageDisc(const std::string& path);

    bool IsOpen() const { return fd_.Valid(); }
    std::uint32_t Sectors() const { return sectors_; }

    // A last partial sector reads padded with zeros, as it is recorded.
    bool ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) override;
    int GetLastSession() override { return IsOpen() && sectors_ > 0 ? 1 : 0; }
    bool ReadTrackInformation(int track, TSessionTrack& info) override;

private:
    TLocalFd fd_;
    std::uint64_t bytes_ = 0;
    std::uint32_t sectors_ = 0;
};

}  // namespace sorvane
