#include "engine/iso/boot_catalog.h"

#include <cstring>

#include "engine/iso/volume_descriptor.h"

namespace sorvane {

TBootRecordDescriptor EncodeBootRecordDescriptor(std::uint32_t bootCatalogSector) {
    TBootRecordDescriptor d{};
    d.Type = kBootRecordType;
    std::memcpy(d.StandardId, kStandardId, sizeof kStandardId);
    d.Version = 1;
    std::memcpy(d.BootSystemId, kElToritoSystemId, sizeof kElToritoSystemId - 1);
    d.BootCatalogSector = bootCatalogSector;
    return d;
}

TBootMediaType BootMediaType(std::int64_t bootImageSectors) {
    switch (bootImageSectors) {
        case 600: return kDiskette1200;
        case 720: return kDiskette1440;
        case 1440: return kDiskette2880;
        default: return kHardDisk;
    }
}

std::uint16_t ValidationChecksum(const TValidationEntry& entry) {
    TValidationEntry copy = entry;
    copy.Checksum = 0;
    std::uint8_t bytes[sizeof copy];
    std::memcpy(bytes, &copy, sizeof copy);
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < sizeof bytes; i += 2)
        sum = static_cast<std::uint16_t>(sum + ReadLsb<std::uint16_t>(bytes + i));
    return static_cast<std::uint16_t>(0x10000 - sum);
}

TBootCatalog EncodeBootCatalog(std::int64_t bootImageSectors, std::uint32_t bootImageSector) {
    static constexpr char kIdString[] = "Orvo";
    TBootCatalog c{};
    c.Validation.HeaderId = kValidationHeaderId;
    c.Validation.PlatformId = kPlatform80x86;
    std::memcpy(c.Validation.IdString, kIdString, sizeof kIdString - 1);
    c.Validation.Key55 = kKey55;
    c.Validation.KeyAA = kKeyAA;
    c.Validation.Checksum = ValidationChecksum(c.Validation);

    c.Initial.BootIndicator = kBootable;
    c.Initial.MediaType = BootMediaType(bootImageSectors);
    c.Initial.LoadSegment = 0;
    c.Initial.SystemType = 0;
    c.Initial.SectorCount = 1;
    c.Initial.LoadRba = bootImageSector;
    return c;
}

}  // namespace sorvane
