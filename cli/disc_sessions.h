#pragma once
// What the sessions and extract commands share: getting the disc in the
// chosen drive ready to be read, and telling the user about a session whose
// file system could not be read whole.

#include <cstdint>
#include <string>

#include "engine/iso/session_browser.h"
#include "engine/orvo_burner.h"

namespace sorvane::cli {

// Closes the tray and waits for the disc to be readable. Prints "Error while
// getting sessions" on stderr and answers false when there is no disc or
// the drive does not become ready.
bool DiscReadyForSessions(TOrvoBurner& burner);

// Prints on stderr why a session's listing is not complete: no file system
// found, or the parts of its tree the reader had to leave out.
void WarnAboutSession(const TDiscSession& session);

// A session number from the command line: 1 to 254. False when the text is
// not such a number.
bool ParseSessionNumber(const std::string& text, int& number);

// Files below `node` (itself, if it is a file), the bytes they hold and the
// whole sectors a copy of them reads.
struct TNodeTotals {
    int Files = 0;
    std::uint64_t Bytes = 0;
    std::uint64_t Sectors = 0;
};
TNodeTotals TotalsOf(const TDiscNode& node);

}  // namespace sorvane::cli
