#include "tasks/disc_sessions.h"

#include "engine/device/sense.h"

namespace sorvane::tasks {
namespace {

constexpr int kCommandTimeoutMs = 5000;
// A drive that has just closed its tray spends a few seconds reading the
// disc before it answers; these bound the wait.
constexpr int kSpinUpMs = 10000;
constexpr int kSpinUpPollMs = 500;
// Additional sense code 3Ah, MEDIUM NOT PRESENT (SPC-4 table 28): there is
// nothing to wait for.
constexpr std::uint8_t kAscMediumNotPresent = 0x3A;

}  // namespace

bool LoadAndWaitForDisc(TOrvoBurner& burner) {
    burner.LoadUnload(false);
    bool ready = burner.TestUnitReady(kCommandTimeoutMs);
    if (!ready && ParseSense(burner.SenseData).Asc != kAscMediumNotPresent)
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

}  // namespace sorvane::tasks
