#pragma once
// Disc kinds and profiles: the kind table with its names, the kind of a
// current profile, and the disc type texts shown for a profile.

#include <cstdint>
#include <string>

#include "engine/device/scsi_constants.h"

namespace sorvane {

// "UNKNOWN", "CD-ROM" ... "DDCD-RW"; "UNKNOWN" for a number outside the table.
const char* DiscKindName(int discKind);

// The kind of a current profile; kind::kUnknown for profiles the engine does
// not record.
TDiscKind DiscKindOfProfile(std::uint16_t profileNumber);

// The disc type text of a profile ("DVD-RW Restricted Overwrite"), "???????"
// for profiles without one.
struct TProfileText {
    const char* Text;
    bool Erasable;
};
TProfileText ProfileText(std::uint16_t profileNumber);

// The wizard tells DVDs from CDs by the kind's name.
bool IsDvdKind(int discKind);

// Pressed discs: nothing can be recorded on them.
bool IsPressedKind(int discKind);

}  // namespace sorvane
