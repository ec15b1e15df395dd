#include "tasks/disc_sessions.h"

#include "engine/rtl/format.h"

namespace sorvane::tasks {
namespace {

constexpr int kCommandTimeoutMs = 5000;
// A drive that has just closed its tray spends a few seconds reading the
// disc before it answers; these bound the wait.
constexpr int kSpinUpMs = 10000;
constexpr int kSpinUpPollMs = 500;

}  // namespace

bool LoadAndWaitForDisc(TOrvoBurner& burner) {
    burner.LoadUnload(false);
    bool ready = burner.TestUnitReady(kCommandTimeoutMs);
    // Without a disc there is nothing to wait for.
    if (!ready && burner.LastFailureClass() != TSenseClass::NoMedium)
        ready = burner.WaitUntilReady(kSpinUpMs, kSpinUpPollMs) && burner.TestUnitReady(kCommandTimeoutMs);
    return ready;
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

std::string SessionWarning(const TDiscSession& session) {
    if (!session.FileSystemFound)
        return Format("no ISO 9660 file system could be read in session %d.", session.Number);
    if (session.Truncated)
        return Format("session %d could not be read whole; what is left out is not listed:", session.Number);
    return {};
}

std::vector<std::string> SessionProblems(const TDiscSession& session) {
    std::vector<std::string> problems;
    for (const std::string& problem : session.Problems)
        problems.push_back(problem.starts_with(">>> ") ? problem.substr(4) : problem);
    return problems;
}

std::string NodeDateText(TDateTime when) {
    // A record whose date could not be read carries no date part.
    if (when < 1) return "-";
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", when);
}

}  // namespace sorvane::tasks
