#pragma once
// Builds the primary and Joliet volume descriptors and the set terminator
// from the volume's properties and the addresses the layout decided.

#include <cstdint>

#include "engine/iso/volume_descriptor.h"
#include "engine/iso/volume_properties.h"

namespace sorvane {

// What one tree's descriptor points at.
struct TTreeAddresses {
    std::uint32_t VolumeSpaceSize = 0;  // sectors up to the end of the volume
    std::uint32_t PathTableSize = 0;    // bytes
    std::uint32_t PathTableL = 0;
    std::uint32_t PathTableM = 0;
    std::uint32_t RootExtent = 0;
    std::uint32_t RootSize = 0;         // bytes of the root's extent
};

// The primary descriptor: identifiers upper-cased and padded with spaces,
// creation and modification dated `now`. Its escape sequence field stays
// zero whether or not a Joliet tree follows (ECMA-119 8.4.9): readers take
// a primary descriptor with the UCS-2 escape for a Joliet one and decode the
// ISO tree as UCS-2, or refuse the volume.
TVolumeDescriptor EncodePrimaryDescriptor(const TVolumeProperties& volume, const TTreeAddresses& tree, TDateTime now);

// The Joliet supplementary descriptor: identifiers as UCS-2, as entered,
// dated with the volume's creation and modification dates.
TVolumeDescriptor EncodeJolietDescriptor(const TVolumeProperties& volume, const TTreeAddresses& tree);

TVolumeDescriptorSetTerminator EncodeTerminatorDescriptor();

}  // namespace sorvane
