#include "tasks/verify_process.h"

#include <atomic>
#include <chrono>
#include <optional>

#include "engine/drive_disc_source.h"
#include "engine/iso/local_name.h"
#include "engine/rtl/format.h"
#include "tasks/disc_sessions.h"
#include "tasks/pump.h"

namespace sorvane::tasks {
namespace {

constexpr std::int64_t kSectorBytes = TDiscSource::kSectorBytes;
constexpr double kMb = 1048576.0;
constexpr char kDash[] = "\u2013";

std::string Count(std::uint64_t value) { return FormatFloat("#,##0", static_cast<double>(value)); }

std::string MbText(std::uint64_t sectors) {
    return FormatFloat("0.00", static_cast<double>(sectors * kSectorBytes) / kMb) + " Mb";
}

std::string Plural(std::uint64_t n, const char* one, const char* many) {
    return Count(n) + " " + (n == 1 ? one : many);
}

// What a problem is about: a file by its path, or what else the sectors hold.
std::string Subject(const TVerifyProblem& problem) {
    switch (problem.Use) {
        case TSectorUse::File: return PrintableName(problem.Name);
        case TSectorUse::BootImage: return "boot image";
        case TSectorUse::Image: return "image";
        case TSectorUse::FileSystem: break;
    }
    return problem.Name.empty() ? "file system" : PrintableName(problem.Name);
}

// Runs a verification with the front end's events: the start once the
// sectors to read are known, progress at most every half second, and a stop
// asked for between two reads.
template <typename TRun>
TVerifyReport Follow(const TVerifyEvents& events, TRun run) {
    std::atomic<bool> stop{false};
    TVerifyHooks hooks;
    hooks.Cancel = &stop;
    auto nextTick = std::chrono::steady_clock::now();
    const auto stopAsked = [&] {
        if (events.StopRequested && events.StopRequested()) stop = true;
    };
    hooks.Planned = [&](std::uint64_t sectors) {
        if (events.Started) events.Started(static_cast<std::int64_t>(sectors) * kSectorBytes);
        stopAsked();
    };
    hooks.Progress = [&](std::uint64_t done) {
        stopAsked();
        if (!events.Progress || std::chrono::steady_clock::now() < nextTick) return;
        events.Progress(static_cast<std::int64_t>(done) * kSectorBytes);
        nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(kProgressEveryMs);
    };
    TVerifyReport report = run(hooks);
    if (events.Progress) events.Progress(static_cast<std::int64_t>(report.SectorsRead) * kSectorBytes);
    return report;
}

std::string Summarize(const TVerifyReport& report, TVerifiedAgainst against) {
    if (report.Cancelled)
        return "Verify stopped: " + MbText(report.SectorsRead) + " of " + MbText(report.SectorsToRead) +
               " checked, the rest was not verified";
    if (!report.Problems.empty()) {
        const char* what = against == TVerifiedAgainst::Recording ? "the disc does not hold what was recorded"
                           : against == TVerifiedAgainst::Sources  ? "the disc does not hold what the sources do"
                                                                   : "the disc cannot be read whole";
        return "Verify finished with " + Plural(report.Problems.size(), "problem", "problems") + ": " + what;
    }
    if (report.SectorsRead < report.SectorsToRead)
        return "Verify incomplete: " + MbText(report.SectorsToRead - report.SectorsRead) + " could not be checked";
    const std::string read = Plural(static_cast<std::uint64_t>(report.Files), "file", "files") + ", " +
                             MbText(report.SectorsRead);
    switch (against) {
        case TVerifiedAgainst::Recording: return "Verify finished: the disc holds what was recorded (" + read + ")";
        case TVerifiedAgainst::Sources: return "Verify finished: the disc holds what the sources do (" + read + ")";
        case TVerifiedAgainst::Readability: break;
    }
    return "Verify finished: every sector of every file was read (" + read + ")";
}

TVerifyOutcome Outcome(TVerifyReport report, TVerifiedAgainst against) {
    TVerifyOutcome outcome;
    outcome.Ran = true;
    for (const TVerifyProblem& problem : report.Problems) outcome.Problems.push_back(ProblemText(problem, against));
    outcome.Summary = Summarize(report, against);
    outcome.Report = std::move(report);
    return outcome;
}

TVerifyOutcome NotVerified(const std::string& why) {
    TVerifyOutcome outcome;
    outcome.Summary = why;
    return outcome;
}

}  // namespace

std::string SectorsText(std::uint32_t first, std::uint32_t last) {
    if (first == last) return "sector " + Count(first);
    return "sectors " + Count(first) + kDash + Count(last);
}

std::string ProblemText(const TVerifyProblem& problem, TVerifiedAgainst against) {
    const std::string subject = Subject(problem);
    switch (problem.Fault) {
        case TVerifyFault::Differs:
            return subject + ": " + SectorsText(problem.FirstSector, problem.LastSector) +
                   (problem.FirstSector == problem.LastSector ? " differs" : " differ") +
                   (against == TVerifiedAgainst::Sources ? " from the source" : " from what was recorded");
        case TVerifyFault::Unreadable:
            return subject + ": " + SectorsText(problem.FirstSector, problem.LastSector) + " unreadable";
        case TVerifyFault::SizeDiffers:
            return subject + ": " + Plural(problem.DiscBytes, "byte", "bytes") + " on the disc, " +
                   Plural(problem.SourceBytes, "byte", "bytes") + " in the source";
        case TVerifyFault::NotOnDisc: return subject + ": not on the disc";
        case TVerifyFault::KindDiffers:
            return subject + (problem.FolderOnDisc ? ": a folder on the disc, a file in the source"
                                                   : ": a file on the disc, a folder in the source");
        case TVerifyFault::SourceUnreadable: return subject + ": the source cannot be read (" + problem.Detail + ")";
        case TVerifyFault::TreeIncomplete: break;
    }
    return "the session's file system could not be read whole; what it leaves out was not verified";
}

TVerifyOutcome VerifyRecording(TOrvoBurner& burner, const TVerifyEvents& events) {
    constexpr char kNothing[] = "Verify impossible: no recording was completed";
    if (burner.TestWrite) return NotVerified("Verify impossible: a simulated recording writes nothing");
    const TSentChecksums* sent = burner.SentChecksums();
    if (!sent || !sent->Complete() || !burner.LastWriteError.empty()) return NotVerified(kNothing);
    if (!LoadAndWaitForDisc(burner)) return NotVerified("Verify impossible: the drive is not ready");
    std::optional<TVerifyReport> report;
    Follow(events, [&](const TVerifyHooks& hooks) {
        report = burner.VerifyRecording(hooks);
        return report.value_or(TVerifyReport{});
    });
    if (!report) return NotVerified(kNothing);
    return Outcome(std::move(*report), TVerifiedAgainst::Recording);
}

TVerifyOutcome VerifySession(TOrvoBurner& burner, const TDiscSession& session,
                             const std::vector<std::string>& sources, const TVerifyEvents& events) {
    TDriveDiscSource disc(burner);
    TVerifyReport report =
        Follow(events, [&](const TVerifyHooks& hooks) { return sorvane::VerifySession(disc, session, sources, hooks); });
    return Outcome(std::move(report), sources.empty() ? TVerifiedAgainst::Readability : TVerifiedAgainst::Sources);
}

}  // namespace sorvane::tasks
