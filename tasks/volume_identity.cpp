#include "tasks/volume_identity.h"

#include <array>
#include <cstring>

#include "engine/rtl/endian.h"
#include "engine/rtl/text.h"

namespace sorvane::tasks {
namespace {

// ECMA-119 8.4 / 8.5 field offsets.
constexpr std::size_t kVolumeIdentifier = 40;
constexpr std::size_t kVolumeIdentifierLength = 32;
constexpr std::size_t kEscapeSequences = 88;
constexpr std::size_t kPublisher = 318;
constexpr std::size_t kPreparer = 446;
constexpr std::size_t kApplication = 574;
constexpr std::size_t kCopyrightFile = 702;
constexpr std::size_t kCreationDate = 813;
constexpr std::uint8_t kPrimary = 1;
constexpr std::uint8_t kSupplementary = 2;
constexpr std::uint8_t kTerminator = 255;

constexpr std::uint32_t kFirstDescriptor = 16;
constexpr std::uint32_t kLastDescriptor = 32;

bool IsDescriptor(std::span<const std::uint8_t> sector, std::uint8_t type) {
    return sector.size() >= kSectorSize && sector[0] == type && std::memcmp(&sector[1], "CD001", 5) == 0;
}

std::string Field(std::span<const std::uint8_t> sector, std::size_t offset, std::size_t length) {
    std::string text(reinterpret_cast<const char*>(&sector[offset]), length);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

// Joliet marks its descriptor with one of the UCS-2 level escapes.
bool IsJoliet(std::span<const std::uint8_t> sector) {
    const std::uint8_t* escape = &sector[kEscapeSequences];
    return escape[0] == '%' && escape[1] == '/' && (escape[2] == '@' || escape[2] == 'C' || escape[2] == 'E');
}

}  // namespace

bool DecodePrimaryVolumeDescriptor(std::span<const std::uint8_t> sector, TVolumeIdentity& identity) {
    if (!IsDescriptor(sector, kPrimary)) return false;
    identity.Preparer = Field(sector, kPreparer, 128);
    identity.Publisher = Field(sector, kPublisher, 128);
    identity.Copyright = Field(sector, kCopyrightFile, 37);
    identity.Program = Field(sector, kApplication, 128);
    // ECMA-119 8.4.26.1: "YYYYMMDDHHMMSScc" and the zone; all zeros or
    // blanks mean the date is not specified.
    const std::string date = Field(sector, kCreationDate, 16);
    const bool specified = date.size() >= 8 && date.find_first_not_of("0 ") != std::string::npos;
    identity.RecordTime = specified ? date.substr(6, 2) + "." + date.substr(4, 2) + "." + date.substr(0, 4) : "";
    return true;
}

std::string VolumeLabel(std::span<const std::uint8_t> sector) {
    if (IsDescriptor(sector, kPrimary)) return Field(sector, kVolumeIdentifier, kVolumeIdentifierLength);
    if (!IsDescriptor(sector, kSupplementary) || !IsJoliet(sector)) return {};
    std::u16string label;
    for (std::size_t i = 0; i + 1 < kVolumeIdentifierLength; i += 2)
        label += static_cast<char16_t>(ReadMsb<std::uint16_t>(&sector[kVolumeIdentifier + i]));
    while (!label.empty() && (label.back() == u' ' || label.back() == u'\0')) label.pop_back();
    return Utf16ToUtf8(label);
}

bool ReadVolumeIdentity(TOrvoBurner& burner, TVolumeIdentity& identity) {
    identity = TVolumeIdentity{};
    alignas(8) std::array<std::uint8_t, kSectorSize> sector{};
    if (!burner.ReadSectors(kFirstDescriptor, 1, kSectorSize, sector.data()) ||
        !DecodePrimaryVolumeDescriptor(sector, identity))
        return false;

    // The label is the one a mount of the disc shows: that of the last
    // session, from its Joliet descriptor when it has one.
    std::uint32_t sessionStart = 0;
    alignas(8) std::array<std::uint8_t, 12> sessions{};
    if (burner.ReadTocPmaAtip(toc::kSessionInfo, sessions.data(), 0, false, 0, sessions.size()))
        sessionStart = ReadMsb<std::uint32_t>(&sessions[8]);
    std::string primaryLabel, jolietLabel;
    for (std::uint32_t n = kFirstDescriptor; n <= kLastDescriptor; ++n) {
        sector.fill(0);
        if (!burner.ReadSectors(sessionStart + n, 1, kSectorSize, sector.data())) break;
        if (sector[0] == kTerminator) break;
        if (IsDescriptor(sector, kPrimary) && primaryLabel.empty()) primaryLabel = VolumeLabel(sector);
        if (IsDescriptor(sector, kSupplementary) && jolietLabel.empty()) jolietLabel = VolumeLabel(sector);
    }
    identity.Label = !jolietLabel.empty() ? jolietLabel : primaryLabel;
    return true;
}

}  // namespace sorvane::tasks
