#pragma once
// The disc's table of contents as READ TOC/PMA/ATIP formats 0 and 1 give it
// (MMC-5 6.26.3.2 and 6.26.3.3). Every drive that reads CDs and DVDs answers
// them, where reading drives of old and some USB bridges know no READ DISC
// INFORMATION or READ TRACK INFORMATION: for those the TOC is what tells
// where a disc's sessions lie.

#include <cstdint>
#include <vector>

namespace sorvane {

class TSCSIDevice;

struct TTocTrack {
    int Number = 0;
    std::uint32_t Start = 0;
};

struct TDiscToc {
    std::vector<TTocTrack> Tracks;  // in the order of the disc
    std::uint32_t LeadOut = 0;      // the sector after the last track
    int LastSession = 0;            // the number of the last complete session

    // Where track `number` starts and how many sectors it spans up to the
    // next track (the last one: up to the lead-out). False when the TOC
    // lists no such track.
    bool Track(int number, std::uint32_t& start, std::uint32_t& size) const;
};

// Reads the TOC of the disc in `device`, in as many requests as its tracks
// need. False when the drive gives none (no disc, a blank one, a drive that
// knows no READ TOC).
bool ReadDiscToc(TSCSIDevice& device, TDiscToc& toc);

}  // namespace sorvane
