#pragma once
// Reading a session back and telling whether the disc holds what it should:
// against the checksums a recording kept of what it sent, or against the
// local files it was recorded from, or, with nothing to compare with, by
// reading every sector of every file. The disc is reached through the
// TDiscSource seam alone; nothing here knows a terminal or a window.
//
//   TVerifyHooks hooks;
//   hooks.Cancel = &stop;
//   hooks.Progress = [&](std::uint64_t sectors) { ... };
//   TVerifyReport report = VerifySent(disc, burner.SentChecksums(), hooks);

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/iso/disc_source.h"
#include "engine/iso/session_browser.h"
#include "engine/verify/sent_checksums.h"
#include "engine/verify/verify_report.h"

namespace sorvane {

struct TVerifyHooks {
    // Checked between two reads; a stop leaves the report Cancelled.
    const std::atomic<bool>* Cancel = nullptr;
    // Once, before the first read: the sectors the verification will read.
    std::function<void(std::uint64_t sectors)> Planned;
    // After every read: the sectors gone through so far.
    std::function<void(std::uint64_t sectors)> Progress;
};

// Reads every piece the recording sent and compares its checksum.
TVerifyReport VerifySent(TDiscSource& disc, const TSentChecksums& sent, const TVerifyHooks& hooks);

// Compares each of `sources`, local files and folders, with the entry of its
// name in the session's root, byte for byte and everything below a folder;
// entries of the session that have no source are not looked at. Without
// sources, reads every sector of every file in the session. A session whose
// tree could not be read whole is never confirmed.
TVerifyReport VerifySession(TDiscSource& disc, const TDiscSession& session, const std::vector<std::string>& sources,
                            const TVerifyHooks& hooks);

}  // namespace sorvane
