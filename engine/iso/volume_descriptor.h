#pragma once
// Volume descriptors: the primary volume descriptor (ECMA-119 8.4), the
// supplementary volume descriptor that carries the Joliet tree (ECMA-119
// 8.5, with the escape sequence "%/@" by which the Joliet extension marks
// UCS-2 level 1) and the volume descriptor set terminator (ECMA-119 8.3). The
// primary and supplementary descriptors share one layout; only the meaning
// of byte 7 and of the escape sequence field differs.

#include <cstdint>

#include "engine/iso/directory_record.h"
#include "engine/rtl/endian.h"

namespace sorvane {

inline constexpr std::uint8_t kStandardId[5] = {'C', 'D', '0', '0', '1'};  // 8.1.2

// 8.1.1 volume descriptor types.
inline constexpr std::uint8_t kBootRecordType = 0;
inline constexpr std::uint8_t kPrimaryType = 1;
inline constexpr std::uint8_t kSupplementaryType = 2;
inline constexpr std::uint8_t kTerminatorType = 255;

// Joliet: "%/@", UCS-2 level 1.
inline constexpr std::uint8_t kJolietEscape[3] = {0x25, 0x2F, 0x40};

struct TVolumeDescriptor {
    std::uint8_t Type;                     // 8.4.1
    std::uint8_t StandardId[5];            // 8.4.2
    std::uint8_t Version;                  // 8.4.3
    std::uint8_t VolumeFlags;              // 8.4.4 / 8.5.3
    std::uint8_t SystemId[32];             // 8.4.5
    std::uint8_t VolumeId[32];             // 8.4.6
    std::uint8_t Unused1[8];               // 8.4.7
    Both32 VolumeSpaceSize;                // 8.4.8
    std::uint8_t EscapeSequences[32];      // 8.4.9 / 8.5.6
    Both16 VolumeSetSize;                  // 8.4.10
    Both16 VolumeSequenceNumber;           // 8.4.11
    Both16 LogicalBlockSize;               // 8.4.12
    Both32 PathTableSize;                  // 8.4.13
    Le32 PathTableL;                       // 8.4.14
    Le32 OptionalPathTableL;               // 8.4.15
    Be32 PathTableM;                       // 8.4.16
    Be32 OptionalPathTableM;               // 8.4.17
    TDirectoryRecordHeader RootRecord;     // 8.4.18
    std::uint8_t RootName;
    std::uint8_t VolumeSetId[128];         // 8.4.19
    std::uint8_t PublisherId[128];         // 8.4.20
    std::uint8_t PreparerId[128];          // 8.4.21
    std::uint8_t ApplicationId[128];       // 8.4.22
    std::uint8_t CopyrightFileId[37];      // 8.4.23
    std::uint8_t AbstractFileId[37];       // 8.4.24
    std::uint8_t BibliographicFileId[37];  // 8.4.25
    std::uint8_t CreationDate[17];         // 8.4.26
    std::uint8_t ModificationDate[17];     // 8.4.27
    std::uint8_t ExpirationDate[17];       // 8.4.28
    std::uint8_t EffectiveDate[17];        // 8.4.29
    std::uint8_t FileStructureVersion;     // 8.4.30
    std::uint8_t Reserved1;                // 8.4.31
    std::uint8_t ApplicationUse[512];      // 8.4.32
    std::uint8_t Reserved2[653];           // 8.4.33
};

struct TVolumeDescriptorSetTerminator {
    std::uint8_t Type;           // 8.3.1, 255
    std::uint8_t StandardId[5];  // 8.3.2
    std::uint8_t Version;        // 8.3.3
    std::uint8_t Reserved[2041];
};

static_assert(sizeof(TVolumeDescriptor) == 2048);
static_assert(offsetof(TVolumeDescriptor, VolumeSpaceSize) == 80);
static_assert(offsetof(TVolumeDescriptor, RootRecord) == 156);
static_assert(offsetof(TVolumeDescriptor, CreationDate) == 813);
static_assert(offsetof(TVolumeDescriptor, ApplicationUse) == 883);
static_assert(sizeof(TVolumeDescriptorSetTerminator) == 2048);

}  // namespace sorvane
