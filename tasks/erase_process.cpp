#include "tasks/erase_process.h"

#include <algorithm>
#include <chrono>

#include "tasks/pump.h"

namespace sorvane::tasks {
namespace {

constexpr int kReadyTimeoutMs = 5000;
// A disc just loaded is given the time the component's own ready check
// allows it to spin up.
constexpr int kSpinUpMs = 30000;
constexpr int kSpinUpPollMs = 5000;

}  // namespace

TCheckResult CheckErase(TOrvoBurner& burner, bool quickErase) {
    if (!burner.TestUnitReady(kReadyTimeoutMs)) {
        const bool becomingReady = burner.SenseData[12] == asc::kNotReady;
        if (!becomingReady || !burner.WaitUntilReady(kSpinUpMs, kSpinUpPollMs) ||
            !burner.TestUnitReady(kReadyTimeoutMs))
            return TCheckResult::Refuse("Device is not ready", kEraseCancelled);
    }
    if (burner.IsDiscErasable()) return TCheckResult::Pass();
    if (quickErase && burner.GetDiscType() == kind::kDvdRam) return TCheckResult::Pass();
    burner.LoadUnload(true);
    return TCheckResult::Refuse(kInsertRwDisc, kDiscNotErasable);
}

TEraseOutcome EraseAndWait(TOrvoBurner& burner, bool quick, const TEraseProgressEvent& progress) {
    bool ended = false, withError = false;
    burner.OnEraseDone = [&](TSCSIDevice&, bool error) {
        ended = true;
        withError = error;
    };
    const auto started = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    };
    // The tray stays locked while the drive erases.
    burner.AllowMediumRemoval(false);
    if (!burner.EraseDisc(quick ? 1 : 0) && !ended) {
        // Not ready after all: no erase was started.
        ended = true;
        withError = true;
    }
    // The first tick comes half a second in: an erase that ends at once
    // shows only its end.
    bool first = true;
    const auto tick = [&] {
        if (!first && progress) progress(std::min(burner.GetEraseProgress(), 100), elapsed());
        first = false;
    };
    PumpUntilDone([&] { return ended; }, tick, nullptr, nullptr);
    if (!withError && progress) progress(100, elapsed());
    burner.OnEraseDone = nullptr;

    TEraseOutcome outcome;
    outcome.Erased = !withError;
    if (withError) {
        outcome.Reason = burner.LastEraseError();
        if (outcome.Reason.empty()) outcome.Reason = burner.LastError;
    }
    return outcome;
}

}  // namespace sorvane::tasks
