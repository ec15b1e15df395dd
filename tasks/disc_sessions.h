#pragma once
// What the browsing of a disc's sessions needs besides the session reader:
// getting the disc in the chosen drive ready to be read, and the totals of
// what a copy of a node reads.

#include <cstdint>

#include "engine/iso/session_browser.h"
#include "engine/orvo_burner.h"

namespace sorvane::tasks {

// Closes the tray and waits, a few seconds at most, for the drive to be
// ready with the disc in it; at once false when it holds no disc.
bool LoadAndWaitForDisc(TOrvoBurner& burner);

// Files below `node` (itself, if it is a file), the bytes they hold and the
// whole sectors a copy of them reads.
struct TNodeTotals {
    int Files = 0;
    std::uint64_t Bytes = 0;
    std::uint64_t Sectors = 0;
};
TNodeTotals TotalsOf(const TDiscNode& node);

}  // namespace sorvane::tasks
