#pragma once
// The identification of the volume on a disc, as the Info page and the
// options page of a continued disc show it:
// the label the system would mount it by, and the preparer, publisher,
// copyright file, creation date and application of its primary volume
// descriptor.

#include <cstdint>
#include <span>
#include <string>

#include "engine/orvo_burner.h"

namespace sorvane::tasks {

struct TVolumeIdentity {
    std::string Label;
    std::string Preparer;
    std::string Publisher;
    std::string Copyright;
    std::string RecordTime;  // dd.mm.yyyy
    std::string Program;
};

// Fills everything but the label from a primary volume descriptor (ECMA-119
// 8.4); false when the sector is not one.
bool DecodePrimaryVolumeDescriptor(std::span<const std::uint8_t> sector, TVolumeIdentity& identity);

// The volume label of a primary or Joliet supplementary volume descriptor;
// empty when the sector is neither.
std::string VolumeLabel(std::span<const std::uint8_t> sector);

// Reads the volume of the disc's last session in the selected drive (the
// one a continued disc carries on): its primary volume descriptor for the
// identification, its Joliet descriptor, else the primary, for the label.
// False when there is no primary volume descriptor to read.
bool ReadVolumeIdentity(TOrvoBurner& burner, TVolumeIdentity& identity);

}  // namespace sorvane::tasks
