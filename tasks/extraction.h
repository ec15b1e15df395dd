#pragma once
// Copying from the disc in the selected drive into a local folder: a file,
// a folder with everything in it, or a whole session. The tray stays locked
// while it runs; the front end follows it through events, may stop it
// between any two reads (also inside a large file), and learns at the end
// what was copied, what was not and why.
//
// Runs in the calling thread, which must be the drive's owner.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/iso/session_browser.h"
#include "engine/orvo_burner.h"
#include "tasks/disc_sessions.h"

namespace sorvane::tasks {

// Every member may be empty.
struct TExtractEvents {
    // Before the first read: the bytes the copy will read, in whole sectors.
    std::function<void(std::int64_t totalBytes)> Started;
    // At most every ProgressEveryMs while the copy runs, and once at its end.
    std::function<void(std::int64_t copiedBytes)> Progress;
    int ProgressEveryMs = 250;
    // Asked after every read: true stops the copy. The files completed stay;
    // the one being copied is removed.
    std::function<bool()> StopRequested;
    // The walk's messages as they come: each file copied, each name saved
    // under another, each failure.
    TDebugSink Debug;
    // A folder that could not be created, when it happens; what it would
    // have held is skipped, the rest goes on.
    std::function<void(const std::string& path, const std::string& error)> FolderNotCreated;
};

struct TExtractOutcome {
    TExtractReport Report;
    TNodeTotals Totals;  // of everything asked for
    // A folder was copied from a session whose tree could not be read whole:
    // entries the reader left out are missing from the copy.
    bool TreeIncomplete = false;

    bool Complete() const { return Report.Ok() && !TreeIncomplete; }
    int FilesNotCopied() const { return Totals.Files - Report.Files; }
};

// Copies `node` of `session` into the existing folder `folder`: a file as
// `folder`/name, a folder as `folder`/name/... . Without a node, the whole
// session, as the folder named after its caption.
TExtractOutcome ExtractFromDisc(TOrvoBurner& burner, const TDiscSession& session, const TDiscNode* node,
                                const std::string& folder, const TExtractEvents& events);

// The closing words of an extraction into `folder`, one sentence:
// "Extracted 3 files (12345 bytes) into /out", or why not everything was.
std::string ExtractSummary(const TExtractOutcome& outcome, int sessionNumber, const std::string& folder);

}  // namespace sorvane::tasks
