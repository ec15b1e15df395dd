#pragma once
// What the sessions and extract commands tell the user about the disc they
// read: that it cannot be read, or what of a session's file system is
// missing; and the session number their command lines name.

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

}  // namespace sorvane::cli
