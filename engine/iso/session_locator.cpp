#include "engine/iso/session_locator.h"

#include <array>

#include "engine/rtl/format.h"

namespace sorvane {
namespace {

// Track starts past this would carry the descriptor search beyond the
// largest address a signed 32-bit block number holds; drives answer such
// values for tracks that have no usable start.
constexpr std::uint32_t kLastUsableTrackStart = 0x7FFFFFFF - 16 - kDescriptorSearchSectors + 1;

}  // namespace

void ReadVolumeDescriptors(TDiscSource& disc, std::uint32_t trackStart, TSessionLocation& location) {
    if (trackStart > kLastUsableTrackStart) return;
    std::array<std::uint8_t, TDiscSource::kSectorBytes> buffer{};
    for (int i = 0; i < kDescriptorSearchSectors; ++i) {
        buffer.fill(0);
        if (!disc.ReadSectors(trackStart + 16 + static_cast<std::uint32_t>(i), 1, buffer.data())) continue;
        const std::optional<TReadVolumeDescriptor> descriptor = TReadVolumeDescriptor::From(buffer);
        if (!descriptor) continue;
        if (descriptor->IsTerminator()) break;
        if (descriptor->IsJoliet() && !location.JolietRoot)
            location.JolietRoot = descriptor->Root();
        else if (descriptor->IsPrimary() && !location.PrimaryRoot)
            location.PrimaryRoot = descriptor->Root();
    }
}

TSessionLocation LocateSession(TDiscSource& disc, int session, const TDebugSink& debug) {
    const auto post = [&](const std::string& message, int mType) {
        if (debug) debug(message, mType);
    };
    TSessionLocation location;
    const int count = disc.GetLastSession();
    if (count <= 0) return location;
    if (session == kLastSession || session > count) session = count;
    if (session <= 0) return location;
    location.Number = session;

    post(">>> " + Format("IMPORTING SESSION # %d", session), mtInfo);
    if (!disc.ReadTrackInformation(session, location.Track)) {
        post(">>> " + std::string("ERROR IMPORTING SESSION") + " # " + std::to_string(session), mtFileSystem);
        return location;
    }
    location.TrackKnown = true;
    ReadVolumeDescriptors(disc, location.Track.TrackStart, location);
    if (!location.FileSystemFound())
        post(">>> " + Format("ERROR IMPORTING SESSION %d (ISO IMAGE NOT FOUND)", session), mtFileSystem);
    return location;
}

}  // namespace sorvane
