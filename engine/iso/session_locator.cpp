#include "engine/iso/session_locator.h"

#include <array>
#include <cstring>

#include "engine/rtl/endian.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

// ECMA-119 8.1 / 8.4: offsets within a volume descriptor.
constexpr std::size_t kDescriptorType = 0;
constexpr std::size_t kStandardIdentifier = 1;
constexpr std::size_t kEscapeSequences = 88;        // 8.5.6, supplementary descriptors only
constexpr std::size_t kRootExtent = 156 + 2;        // 8.4.18: root record, its extent (9.1.3)
constexpr std::size_t kRootDataLength = 156 + 10;   // and its data length (9.1.4)

constexpr std::uint8_t kPrimaryDescriptor = 1;
constexpr std::uint8_t kSupplementaryDescriptor = 2;
constexpr std::uint8_t kDescriptorSetTerminator = 255;

// Track starts past this would carry the descriptor search beyond the
// largest address a signed 32-bit block number holds; drives answer such
// values for tracks that have no usable start.
constexpr std::uint32_t kLastUsableTrackStart = 0x7FFFFFFF - 16 - kDescriptorSearchSectors + 1;

// Joliet's three escape sequences: UCS-2 levels 1, 2 and 3. Without one, a
// supplementary descriptor is some other character set (or an ISO 9660:1999
// enhanced descriptor with 8-bit names) and its tree is not Joliet.
bool IsJoliet(const std::uint8_t* descriptor) {
    const std::uint8_t* esc = descriptor + kEscapeSequences;
    return esc[0] == 0x25 && esc[1] == 0x2F && (esc[2] == 0x40 || esc[2] == 0x43 || esc[2] == 0x45);
}

std::optional<TVolumeRoot> RootOf(const std::uint8_t* descriptor) {
    bool extentOk = false, lengthOk = false;
    TVolumeRoot root;
    root.Extent = ReadBoth<std::uint32_t>(descriptor + kRootExtent, &extentOk);
    root.Length = ReadBoth<std::uint32_t>(descriptor + kRootDataLength, &lengthOk);
    if (!extentOk || !lengthOk) return std::nullopt;
    return root;
}

}  // namespace

void ReadVolumeDescriptors(TDiscSource& disc, std::uint32_t trackStart, TSessionLocation& location) {
    if (trackStart > kLastUsableTrackStart) return;
    std::array<std::uint8_t, TDiscSource::kSectorBytes> buffer{};
    for (int i = 0; i < kDescriptorSearchSectors; ++i) {
        buffer.fill(0);
        if (!disc.ReadSectors(trackStart + 16 + static_cast<std::uint32_t>(i), 1, buffer.data())) continue;
        if (std::memcmp(buffer.data() + kStandardIdentifier, "CD001", 5) != 0) continue;
        const std::uint8_t type = buffer[kDescriptorType];
        if (type == kDescriptorSetTerminator) break;
        if (type == kSupplementaryDescriptor && !location.JolietRoot && IsJoliet(buffer.data()))
            location.JolietRoot = RootOf(buffer.data());
        else if (type == kPrimaryDescriptor && !location.PrimaryRoot)
            location.PrimaryRoot = RootOf(buffer.data());
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
