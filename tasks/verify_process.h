#pragma once
// Verifying discs: reading back what a recording sent, right after it, and
// verifying a session already on a disc against the files it was recorded
// from, or for readability alone. What is found becomes lines a person
// understands ("photos/img_0042.jpg: sectors 81,220–81,235 unreadable") and
// a closing word that never calls a disc good when a sector was not read.
// Runs in the owner's thread; the front end follows it through events.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/iso/session_browser.h"
#include "engine/orvo_burner.h"
#include "engine/verify/verify_report.h"

namespace sorvane::tasks {

// Every member may be empty.
struct TVerifyEvents {
    // The verification will read `totalBytes` from the disc.
    std::function<void(std::int64_t totalBytes)> Started;
    // At once, every half second, and at the end: the bytes gone through.
    std::function<void(std::int64_t checkedBytes)> Progress;
    // Asked between reads: true stops the verification.
    std::function<bool()> StopRequested;
};

struct TVerifyOutcome {
    bool Ran = false;  // false: there was nothing to verify, or the disc could not be read (Summary says so)
    TVerifyReport Report;
    std::vector<std::string> Problems;  // one line per problem found, in the order found
    std::string Summary;                // the closing word

    // The disc holds what it should, and every sector was read to know it.
    bool Confirmed() const { return Ran && Report.Confirmed(); }
};

// After a recording: reads back from the disc everything the recording sent
// and compares it with the checksums taken as it was sent.
TVerifyOutcome VerifyRecording(TOrvoBurner& burner, const TVerifyEvents& events);

// A session of the disc in the burner's drive, read with ReadDiscSession:
// each of `sources` compared byte for byte with the entry of its name in the
// session's root, or, without sources, every sector of every file read.
TVerifyOutcome VerifySession(TOrvoBurner& burner, const TDiscSession& session,
                             const std::vector<std::string>& sources, const TVerifyEvents& events);

// What a verification compared the disc with, for the wording of its lines.
enum class TVerifiedAgainst { Recording, Sources, Readability };
std::string ProblemText(const TVerifyProblem& problem, TVerifiedAgainst against);
// "sector 81,220", "sectors 81,220–81,235".
std::string SectorsText(std::uint32_t first, std::uint32_t last);

}  // namespace sorvane::tasks
