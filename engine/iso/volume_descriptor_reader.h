#pragma once
// Reading a volume descriptor from a disc (ECMA-119 8.3 to 8.5, with the
// Joliet extension's escape sequences): the one place that decides whether
// a sector holds a descriptor, of which type, whether it carries the Joliet
// tree, and which of its both-endian numbers can be trusted. A disc is
// hostile input: a number whose two halves disagree (ECMA-119 7.2.3, 7.3.3)
// is not used at all. The volume space size of the drive layer, the session
// locator and the volume identification all read descriptors through it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/iso/volume_descriptor.h"

namespace sorvane {

// Where a descriptor's root directory lies (ECMA-119 8.4.18, 9.1.3, 9.1.4).
struct TVolumeRoot {
    std::uint32_t Extent = 0;
    std::uint32_t Length = 0;
};

class TReadVolumeDescriptor {
public:
    // Null when the sector holds no volume descriptor: shorter than a sector,
    // or without the standard identifier "CD001".
    static std::optional<TReadVolumeDescriptor> From(std::span<const std::uint8_t> sector);

    std::uint8_t Type() const { return fields_.Type; }
    bool IsPrimary() const { return Type() == kPrimaryType; }
    bool IsTerminator() const { return Type() == kTerminatorType; }
    // A supplementary descriptor whose escape sequences announce UCS-2,
    // Joliet's levels 1 to 3. Without one it is some other character set, or
    // an ISO 9660:1999 enhanced descriptor with 8-bit names, and its tree is
    // not Joliet.
    bool IsJoliet() const;

    // The volume space size of a primary or supplementary descriptor.
    std::optional<std::uint32_t> VolumeSpaceSize() const;
    // The root directory of a primary or supplementary descriptor.
    std::optional<TVolumeRoot> Root() const;
    // The volume identifier as a system mounting the disc shows it: a
    // primary descriptor's in 8-bit characters, a Joliet descriptor's
    // decoded from UCS-2 big-endian, trailing blanks and zeros left out;
    // empty for any other descriptor.
    std::string VolumeLabel() const;

    // Every field as recorded, for the identification texts.
    const TVolumeDescriptor& Fields() const { return fields_; }

private:
    bool NamesAVolume() const { return IsPrimary() || Type() == kSupplementaryType; }

    TVolumeDescriptor fields_{};
};

// A text field of a descriptor (a d- or a-characters field, ECMA-119 7.4)
// without the blanks and zeros that pad it.
std::string DescriptorText(std::span<const std::uint8_t> field);

}  // namespace sorvane
