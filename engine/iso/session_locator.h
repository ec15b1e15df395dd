#pragma once
// Finds the file system of one session: which session a request means, where
// its track starts, and the root directories its volume descriptors name
// (ECMA-119 8.4 primary, 8.5 supplementary; Joliet is a supplementary
// descriptor whose escape sequences announce UCS-2).

#include <cstdint>
#include <optional>

#include "engine/iso/disc_source.h"
#include "engine/iso/volume_descriptor_reader.h"
#include "engine/rtl/component.h"

namespace sorvane {

// The session number that asks for the last session.
constexpr std::uint8_t kLastSession = 255;

// Volume descriptors are looked for in this many sectors from the track
// start + 16, where the descriptor set begins (ECMA-119 6.2.1, 8.1).
constexpr int kDescriptorSearchSectors = 21;

struct TSessionLocation {
    int Number = 0;          // the session found, 1-based; 0 when none
    bool TrackKnown = false; // READ TRACK INFORMATION answered
    TSessionTrack Track;
    std::optional<TVolumeRoot> JolietRoot;
    std::optional<TVolumeRoot> PrimaryRoot;

    bool FileSystemFound() const { return JolietRoot || PrimaryRoot; }
};

// Resolves `session` (kLastSession, or any number past the last, meaning
// the last) and reads its descriptors. Posts ">>> IMPORTING SESSION # n",
// and the error messages when the track or the file system is not found.
// A disc without sessions gives Number 0 and posts nothing.
TSessionLocation LocateSession(TDiscSource& disc, int session, const TDebugSink& debug);

// Reads the volume descriptor set that starts at `trackStart` + 16.
void ReadVolumeDescriptors(TDiscSource& disc, std::uint32_t trackStart, TSessionLocation& location);

}  // namespace sorvane
