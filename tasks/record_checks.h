#pragma once
// The checks that guard a recording before it starts, shared by every front
// end: those of the project page at Next (AddFiles) and those of the options
// page (CheckBurn). Each answers a decision and, when it refuses, the text
// and caption of the message the page shows. The one question they may
// have to ask is whether to erase the disc first.
//
// The checks act on the drive as the pages do: a refusal about the disc
// opens the tray, so that the user can put another one in.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/orvo_burner.h"
#include "tasks/check_result.h"

namespace sorvane::tasks {

// The tasks that record to a disc, by the number the task list gives them.
enum class TRecordTask : int { RecordNew = 0, ContinueDisc = 1, RecordImage = 4 };

// A disc whose last session an interrupted recording left open, and what
// can be done about it; each front end names how it is done.
inline constexpr char kSessionLeftOpen[] =
    "The disc's last session was left open by an interrupted recording: close it, and the disc takes new sessions "
    "again while it has room.";
inline constexpr char kSessionLeftOpenErasable[] =
    "The disc's last session was left open by an interrupted recording: erase the disc to record on it again.";

// What the pages decide for the recording that follows.
struct TRecordChoices {
    // Erase the rewritable disc (quickly) before recording.
    bool EraseFirst = false;
};

// Bytes of the project's files that are not on the disc already: what the
// project page shows as the project's size.
std::int64_t NewFilesBytes(const TOrvoBurner& burner);

// Whether a disc of this kind can be erased and recorded again.
bool IsRewritableKind(int discKind);

// A disc is closed when less than 2 Mb would remain free after recording:
// a session that small is worth less than the lead-out it costs.
bool LeavesTooLittleRoom(std::int64_t freeSectorsAfter);

// Decides FinalizeDisc for the laid-out project by the rule above: on the
// disc as it is, or on the empty disc when it is erased first.
void DecideFinalizeDisc(TOrvoBurner& burner, bool erasedFirst);

// The project page's check at Next for "Record new" and "Continue".
// `projectBytes` is the project's size as the page shows it. The front end
// loads its tree into the component in `loadProject` (after the component's
// project has been cleared); without one the project is taken as loaded
// already. Lays the image out, compares it with the disc, may ask to erase
// it first, and decides whether the disc is to be finalized (FinalizeDisc).
TCheckResult AddFiles(TOrvoBurner& burner, TRecordTask task, std::int64_t projectBytes,
                      const std::function<void()>& loadProject, TRecordChoices& choices, const TAskQuestion& askErase);

// The options page's check at Next: the drive is ready, the disc can take
// the recording, and there is room for `sectors` (the laid-out project, or
// the image file's size in sectors when an image is recorded).
TCheckResult CheckBurn(TOrvoBurner& burner, TRecordTask task, std::int64_t sectors, TRecordChoices& choices,
                       const TAskQuestion& askErase);

// The sectors an image file takes on the disc: its size rounded up to
// whole sectors, and at least the minimum a recording with a post-gap pads
// it to (WritePostGap). False when the file cannot be read.
bool ImageFileSectors(const TOrvoBurner& burner, const std::string& path, std::int64_t& sectors);

// Recording an image file writes the disc from its first sector, so a disc
// that holds anything has to be erased first.
bool ImageNeedsErase(TOrvoBurner& burner);

// Starts the project of "Continue": the last session of the disc imported,
// so that its files stay visible in the new one, and every later layout for
// the disc importing it again. False when the disc holds no session that
// could be read; `incomplete` tells whether the import had to leave
// something out.
bool BeginContinueProject(TOrvoBurner& burner, bool& incomplete);

// The options page's settings at its start: calibration on, a 32 Mb
// read-ahead, Joliet names, not bootable, today's date (without time) as
// the creation date and "Sorvane" as the application.
void DefaultSettings(TOrvoBurner& burner);

}  // namespace sorvane::tasks
