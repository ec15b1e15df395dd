#pragma once
// What the sessions and extract commands tell the user about the disc they
// read: that it cannot be read, or what of a session's file system is
// missing; and the session number their command lines name.

#include <optional>
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
// The usage error of a session number ParseSessionNumber refused.
std::string BadSessionNumber(const std::string& text);

// Reads session `number` (kLastSession: the last) of `disc` with the
// messages of the walk going to `debug`, and warns about what of it could
// not be read. Nothing, with the reason printed on stderr after
// `nothingDone` ("Nothing extracted"), when the disc has no such session or
// no file system could be read in it.
std::optional<TDiscSession> ReadCommandSession(TDiscSource& disc, int number, const TDebugSink& debug,
                                               const char* nothingDone);

}  // namespace sorvane::cli
