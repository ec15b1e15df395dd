#pragma once
// Erasing a rewritable disc: the check the erase options page makes before
// it lets an erase start (CheckErase), and the erase itself run to its end
// on the owner's thread (EraseAndWait), for the erase task and for the
// recordings that erase the disc first.

#include <functional>
#include <string>

#include "engine/orvo_burner.h"
#include "tasks/check_result.h"

namespace sorvane::tasks {

inline constexpr char kEraseCancelled[] = "Erase cancelled";
inline constexpr char kDiscNotErasable[] = "Disc is not erasible";
inline constexpr char kInsertRwDisc[] = "Insert RW-disc for erasing...";

// The erase options page's check at Next: the drive is ready and the disc
// can be erased the way chosen. A disc that cannot be erased is ejected.
// Refusals: "Device is not ready" (caption "Erase cancelled") and
// "Insert RW-disc for erasing..." (caption "Disc is not erasible").
TCheckResult CheckErase(TOrvoBurner& burner, bool quickErase);

struct TEraseOutcome {
    bool Erased = false;
    std::string Reason;  // why not, as the drive or the erase thread told it
};

// The estimated percentage done and the seconds since the erase started.
using TEraseProgressEvent = std::function<void(int percent, long long elapsedSeconds)>;

// Locks the tray, starts EraseDisc (quick or full) and waits for
// OnEraseDone, running the owner's queued calls meanwhile and reporting the
// progress every half second (and 100 at a successful end) to `progress`,
// which may be empty. The tray is left locked for the caller, who goes on
// with the disc or lets it go.
TEraseOutcome EraseAndWait(TOrvoBurner& burner, bool quick, const TEraseProgressEvent& progress);

}  // namespace sorvane::tasks
