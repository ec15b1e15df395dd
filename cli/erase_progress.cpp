#include "cli/erase_progress.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "engine/rtl/format.h"
#include "engine/rtl/sync_queue.h"

namespace sorvane::cli {
namespace {

constexpr int kRedrawMs = 500;

}  // namespace

std::string TimeText(long long seconds) {
    return Format("%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

TEraseProgress::TEraseProgress(std::string caption)
    : caption_(std::move(caption)), enabled_(::isatty(STDERR_FILENO) == 1) {}

void TEraseProgress::Draw(int percent, long long elapsedSeconds) {
    if (!enabled_) return;
    const std::string line =
        Format("%s - %d%%   Elapsed: %s", caption_.c_str(), percent, TimeText(elapsedSeconds).c_str());
    std::string text = "\r" + line;
    if (shown_ > line.size()) text += std::string(shown_ - line.size(), ' ');
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    shown_ = line.size();
}

void TEraseProgress::Finish() {
    if (shown_ == 0) return;
    std::fputc('\n', stderr);
    shown_ = 0;
}

TEraseOutcome EraseAndWait(TOrvoBurner& burner, bool quick, const std::string& caption) {
    bool ended = false, withError = false;
    burner.OnEraseDone = [&](TSCSIDevice&, bool error) {
        ended = true;
        withError = error;
    };
    TEraseProgress progress(caption);
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
    while (!ended) {
        TSyncQueue::Main().PumpUntil([&] { return ended; }, kRedrawMs);
        if (!ended) progress.Draw(std::min(burner.GetEraseProgress(), 100), elapsed());
    }
    if (!withError) progress.Draw(100, elapsed());
    progress.Finish();
    burner.OnEraseDone = nullptr;

    TEraseOutcome outcome;
    outcome.Erased = !withError;
    if (withError) {
        outcome.Reason = burner.LastEraseError();
        if (outcome.Reason.empty()) outcome.Reason = burner.LastError;
    }
    return outcome;
}

}  // namespace sorvane::cli
