#include "tasks/extraction.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "engine/drive_disc_source.h"
#include "engine/rtl/format.h"
#include "tasks/counting_disc_source.h"

namespace sorvane::tasks {

TExtractOutcome ExtractFromDisc(TOrvoBurner& burner, const TDiscSession& session, const TDiscNode* node,
                                const std::string& folder, const TExtractEvents& events) {
    TExtractOutcome outcome;
    const TDiscNode& what = node ? *node : session.Root;
    outcome.Totals = TotalsOf(what);

    TDriveDiscSource drive(burner);
    TCountingDiscSource disc(drive);
    std::atomic<bool> cancel{false};
    TSessionExtractor extractor(disc, events.Debug);
    extractor.Cancel = &cancel;
    extractor.OnFolderNotCreated = events.FolderNotCreated;

    // Counted in the whole sectors a copy reads, which small files make
    // noticeably more than their bytes.
    const std::uint64_t toRead = outcome.Totals.Sectors * TDiscSource::kSectorBytes;
    const auto copied = [&] { return static_cast<std::int64_t>(std::min(disc.BytesRead(), toRead)); };
    const auto every = std::chrono::milliseconds(events.ProgressEveryMs);
    auto lastShown = std::chrono::steady_clock::now();
    disc.OnRead = [&] {
        if (events.StopRequested && events.StopRequested()) cancel = true;
        if (!events.Progress) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown < every) return;
        lastShown = now;
        events.Progress(copied());
    };

    if (events.Started) events.Started(static_cast<std::int64_t>(toRead));
    // The disc stays in the drive until the copy is over.
    burner.AllowMediumRemoval(false);
    outcome.Report = node ? extractor.ExtractNode(*node, folder) : extractor.ExtractSession(session, folder);
    burner.AllowMediumRemoval(true);
    if (events.Progress) events.Progress(copied());

    // Entries the reader could not take from the disc are not in the tree.
    outcome.TreeIncomplete = session.Truncated && what.Directory;
    return outcome;
}

std::string ExtractSummary(const TExtractOutcome& outcome, int sessionNumber, const std::string& folder) {
    const TExtractReport& report = outcome.Report;
    if (!report.Ok())
        return Format("%s: %d of %d files were not extracted; the %d copied stay in %s.",
                      report.Cancelled ? "Extraction cancelled" : "Extraction incomplete", outcome.FilesNotCopied(),
                      outcome.Totals.Files, report.Files, folder.c_str());
    if (outcome.TreeIncomplete)
        return Format("Extraction incomplete: part of session %d could not be read (see the warning above); "
                      "the %d files read were copied into %s.",
                      sessionNumber, report.Files, folder.c_str());
    return Format("Extracted %d file%s (%llu bytes) into %s", report.Files, report.Files == 1 ? "" : "s",
                  static_cast<unsigned long long>(report.Bytes), folder.c_str());
}

}  // namespace sorvane::tasks
