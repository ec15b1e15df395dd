#include "cli/disc_sessions.h"

#include <cstdio>

#include "cli/options.h"
#include "engine/device/sense.h"
#include "engine/iso/local_name.h"

namespace sorvane::cli {
namespace {

constexpr int kCommandTimeoutMs = 5000;
// A drive that has just closed its tray spends a few seconds reading the
// disc before it answers; these bound the wait.
constexpr int kSpinUpMs = 10000;
constexpr int kSpinUpPollMs = 500;
// Additional sense code 3Ah, MEDIUM NOT PRESENT (SPC-4 table 28): there is
// nothing to wait for.
constexpr std::uint8_t kAscMediumNotPresent = 0x3A;
constexpr int kLastSessionArgument = 255;
constexpr int kMaxSessionNumber = 254;

}  // namespace

bool LoadAndWaitForDisc(TOrvoBurner& burner) {
    burner.LoadUnload(false);
    bool ready = burner.TestUnitReady(kCommandTimeoutMs);
    if (!ready && ParseSense(burner.SenseData).Asc != kAscMediumNotPresent)
        ready = burner.WaitUntilReady(kSpinUpMs, kSpinUpPollMs) && burner.TestUnitReady(kCommandTimeoutMs);
    return ready;
}

bool DiscReadyForSessions(TOrvoBurner& burner) {
    const bool ready = LoadAndWaitForDisc(burner);
    if (!ready) PrintError("Error while getting sessions");
    return ready;
}

void WarnAboutSession(const TDiscSession& session) {
    if (session.FileSystemFound && !session.Truncated) return;
    // Keeps the warning after the listing it is about when both streams go
    // to one place.
    std::fflush(stdout);
    if (!session.FileSystemFound)
        std::fprintf(stderr, "Warning: no ISO 9660 file system could be read in session %d.\n", session.Number);
    else
        std::fprintf(stderr, "Warning: session %d could not be read whole; what is left out is not listed:\n",
                     session.Number);
    for (const std::string& problem : session.Problems) {
        std::string text = problem.starts_with(">>> ") ? problem.substr(4) : problem;
        std::fprintf(stderr, "  %s\n", PrintableName(text).c_str());
    }
}

bool ParseSessionNumber(const std::string& text, int& number) {
    if (text == "last") {
        number = kLastSessionArgument;
        return true;
    }
    if (text.empty() || text.size() > 3) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kMaxSessionNumber) return false;
    number = value;
    return true;
}

TNodeTotals TotalsOf(const TDiscNode& node) {
    TNodeTotals totals;
    if (!node.Directory) {
        totals.Files = 1;
        totals.Bytes = node.Size;
        for (const TExtentPart& part : node.Parts) totals.Sectors += TDiscSource::SectorsFor(part.Length);
        return totals;
    }
    for (const TDiscNode& child : node.Children) {
        const TNodeTotals below = TotalsOf(child);
        totals.Files += below.Files;
        totals.Bytes += below.Bytes;
        totals.Sectors += below.Sectors;
    }
    return totals;
}

}  // namespace sorvane::cli
