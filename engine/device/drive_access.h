#pragma once
// Drives the user may not open. An ordinary user reaches the optical drives
// through the group that owns their device nodes, usually "cdrom"; for a
// user outside it the drives exist but every open is refused. Both front
// ends then say so, with the remedy, instead of showing no drive or quietly
// recording to the emulated recorder.

#include <span>
#include <string>

namespace sorvane {

struct TDeniedDrive {
    std::string Path;   // "/dev/sr0"
    std::string Group;  // owner group of the node; empty when unknown
};

// One sentence naming the drives, the groups to join and the need to log in
// again; empty when no drive was refused.
std::string DriveAccessMessage(std::span<const TDeniedDrive> denied);

}  // namespace sorvane
