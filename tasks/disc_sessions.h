#pragma once
// What the browsing of a disc's sessions needs besides the session reader:
// getting the disc in the chosen drive ready to be read, and the totals of
// what a copy of a node reads.

#include <cstdint>
#include <string>
#include <vector>

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

// Why the listing of a session is not complete, one sentence that begins in
// lower case ("no ISO 9660 file system could be read in session 2."); empty
// when it is complete.
std::string SessionWarning(const TDiscSession& session);
// What the reader said about the session, without the ">>> " marker.
std::vector<std::string> SessionProblems(const TDiscSession& session);

// The date of an entry as the listings show it ("2024-03-01 14:05:09");
// "-" for a record whose date could not be read.
std::string NodeDateText(TDateTime when);

}  // namespace sorvane::tasks
