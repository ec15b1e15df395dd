#include "tasks/volume_identity.h"

#include <array>

#include "engine/iso/volume_descriptor_reader.h"
#include "engine/rtl/endian.h"

namespace sorvane::tasks {
namespace {

constexpr std::uint32_t kFirstDescriptor = 16;
constexpr std::uint32_t kLastDescriptor = 32;

}  // namespace

bool DecodePrimaryVolumeDescriptor(std::span<const std::uint8_t> sector, TVolumeIdentity& identity) {
    const std::optional<TReadVolumeDescriptor> descriptor = TReadVolumeDescriptor::From(sector);
    if (!descriptor || !descriptor->IsPrimary()) return false;
    const TVolumeDescriptor& fields = descriptor->Fields();
    identity.Preparer = DescriptorText(fields.PreparerId);
    identity.Publisher = DescriptorText(fields.PublisherId);
    identity.Copyright = DescriptorText(fields.CopyrightFileId);
    identity.Program = DescriptorText(fields.ApplicationId);
    // ECMA-119 8.4.26.1: "YYYYMMDDHHMMSScc" and the zone; all zeros or
    // blanks mean the date is not specified.
    const std::string date = DescriptorText(std::span(fields.CreationDate, 16));
    const bool specified = date.size() >= 8 && date.find_first_not_of("0 ") != std::string::npos;
    identity.RecordTime = specified ? date.substr(6, 2) + "." + date.substr(4, 2) + "." + date.substr(0, 4) : "";
    return true;
}

std::string VolumeLabel(std::span<const std::uint8_t> sector) {
    const std::optional<TReadVolumeDescriptor> descriptor = TReadVolumeDescriptor::From(sector);
    return descriptor ? descriptor->VolumeLabel() : std::string();
}

bool ReadVolumeIdentity(TOrvoBurner& burner, TVolumeIdentity& identity) {
    identity = TVolumeIdentity{};
    // What a mount of the disc shows is the volume of its last session;
    // earlier sessions keep descriptors of their own at their own sector
    // 16, which no longer tell what the disc holds.
    std::uint32_t sessionStart = 0;
    alignas(8) std::array<std::uint8_t, 12> sessions{};
    if (burner.ReadTocPmaAtip(toc::kSessionInfo, sessions.data(), 0, false, 0, sessions.size()))
        sessionStart = ReadMsb<std::uint32_t>(&sessions[8]);

    alignas(8) std::array<std::uint8_t, kSectorSize> sector{};
    const auto decodeAt = [&](std::uint32_t lba) {
        sector.fill(0);
        return burner.ReadSectors(lba, 1, kSectorSize, sector.data()) && DecodePrimaryVolumeDescriptor(sector, identity);
    };
    // A last session without a volume of its own (one that is not ISO 9660)
    // leaves the disc's first volume as the one there is.
    if (!decodeAt(sessionStart + kFirstDescriptor) && (sessionStart == 0 || !decodeAt(kFirstDescriptor))) {
        identity = TVolumeIdentity{};
        return false;
    }

    // The label from the session's Joliet descriptor when it has one.
    std::string primaryLabel, jolietLabel;
    for (std::uint32_t n = kFirstDescriptor; n <= kLastDescriptor; ++n) {
        sector.fill(0);
        if (!burner.ReadSectors(sessionStart + n, 1, kSectorSize, sector.data())) break;
        const std::optional<TReadVolumeDescriptor> descriptor = TReadVolumeDescriptor::From(sector);
        if (!descriptor) continue;
        if (descriptor->IsTerminator()) break;
        if (descriptor->IsPrimary() && primaryLabel.empty()) primaryLabel = descriptor->VolumeLabel();
        if (descriptor->IsJoliet() && jolietLabel.empty()) jolietLabel = descriptor->VolumeLabel();
    }
    identity.Label = !jolietLabel.empty() ? jolietLabel : primaryLabel;
    return true;
}

}  // namespace sorvane::tasks
