#pragma once
// Multisession discs recorded on the emulated recorder through the
// component's own drive commands: each session image is written raw at the
// drive's next writable address and its session closed, as a recorder
// appending a session does. The images are made by genisoimage (-C/-M) for
// the addresses the drive gives.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/orvo_burner.h"

namespace sorvane::test {

// Records `image` (whole sectors) as the next session of the CD-R in the
// selected drive and answers where it starts. Empty on success, else what
// failed.
std::string RecordSession(TOrvoBurner& burner, const std::vector<std::uint8_t>& image, std::uint32_t& start);

struct TRecordedSessions {
    std::string Error;  // empty when all three were recorded
    std::uint32_t Starts[3] = {};
    std::uint32_t Sectors[3] = {};    // of each image
    std::uint32_t TrackSizes[3] = {};  // as the drive reports each session's track
};

// Records three sessions on the blank CD-R in the selected drive, making
// their images in `work`. Session 1 holds the files of
// ThreeSessionDisc()'s first session (big.bin, README, empty.txt,
// Docs/<kLongName>, A/inside.txt, dated 2004-05-06 07:08:09); session 2 adds
// second.txt and replaces README ("readme of session two\n"); session 3 adds
// third.txt. Each session repeats the one before.
TRecordedSessions RecordThreeSessions(TOrvoBurner& burner, const std::string& work);

}  // namespace sorvane::test
