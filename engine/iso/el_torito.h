#pragma once
// El Torito bootable CD-ROM format, version 1.0: the boot record volume
// descriptor (section 2.0), and the boot catalog with its validation entry
// (2.1) and initial/default entry (2.2). One catalog sector holds both
// entries; the rest of the sector is zero, which ends the catalog.

#include <cstddef>
#include <cstdint>

#include "engine/rtl/endian.h"

namespace sorvane {

inline constexpr char kElToritoSystemId[] = "EL TORITO SPECIFICATION";

struct TBootRecordDescriptor {
    std::uint8_t Type;               // 0, a boot record (ECMA-119 8.2)
    std::uint8_t StandardId[5];      // "CD001"
    std::uint8_t Version;            // 1
    std::uint8_t BootSystemId[32];   // kElToritoSystemId, zero-filled
    std::uint8_t BootId[32];         // unused, zero
    Le32 BootCatalogSector;          // absolute sector of the boot catalog
    std::uint8_t Unused[1973];
};

inline constexpr std::uint8_t kValidationHeaderId = 0x01;
inline constexpr std::uint8_t kPlatform80x86 = 0x00;
inline constexpr std::uint8_t kKey55 = 0x55;
inline constexpr std::uint8_t kKeyAA = 0xAA;

struct TValidationEntry {
    std::uint8_t HeaderId;      // 01h
    std::uint8_t PlatformId;    // 0 = 80x86
    std::uint8_t Reserved[2];
    std::uint8_t IdString[24];  // manufacturer or developer of the disc
    Le16 Checksum;              // makes the sixteen words of the entry sum to 0
    std::uint8_t Key55;
    std::uint8_t KeyAA;
};

inline constexpr std::uint8_t kBootable = 0x88;

// Boot media types (2.2, byte 1): how the BIOS emulates the boot image.
enum TBootMediaType : std::uint8_t {
    kNoEmulation = 0,
    kDiskette1200 = 1,
    kDiskette1440 = 2,
    kDiskette2880 = 3,
    kHardDisk = 4,
};

struct TInitialEntry {
    std::uint8_t BootIndicator;  // 88h bootable
    std::uint8_t MediaType;      // TBootMediaType
    Le16 LoadSegment;            // 0 = the BIOS default, 7C0h
    std::uint8_t SystemType;     // partition type byte for hard-disk emulation
    std::uint8_t Unused1;
    Le16 SectorCount;            // 512-byte virtual sectors loaded at boot
    Le32 LoadRba;                // absolute sector of the boot image
    std::uint8_t Unused2[20];
};

struct TBootCatalog {
    TValidationEntry Validation;
    TInitialEntry Initial;
    std::uint8_t Unused[1984];
};

static_assert(sizeof(TBootRecordDescriptor) == 2048);
static_assert(offsetof(TBootRecordDescriptor, BootCatalogSector) == 71);
static_assert(sizeof(TValidationEntry) == 32);
static_assert(sizeof(TInitialEntry) == 32);
static_assert(sizeof(TBootCatalog) == 2048);

}  // namespace sorvane
