#include "cli/progress.h"

#include <unistd.h>

#include "engine/rtl/format.h"
#include "tasks/pump.h"

namespace sorvane::cli {
namespace {

constexpr double kMb = 1048576.0;

}  // namespace

bool TRenameReports::FirstTime(const std::string& message) {
    if (!message.starts_with(">>> ") || message.find("\" RECORDED AS \"") == std::string::npos) return false;
    std::lock_guard lock(mutex_);
    return shown_.insert(message).second;
}

std::string FormatDuration(double seconds) {
    const auto total = static_cast<long long>(seconds < 0 ? 0 : seconds + 0.5);
    const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
    return h > 0 ? Format("%lld:%02lld:%02lld", h, m, s) : Format("%lld:%02lld", m, s);
}

std::string FormatProgress(std::int64_t written, std::int64_t total, int cacheFill, double elapsedSeconds,
                           int deviceFill) {
    const int percent = total > 0 ? static_cast<int>(written * 100 / total) : 0;
    const std::string remaining =
        written > 0 && written < total
            ? FormatDuration(elapsedSeconds * static_cast<double>(total - written) / static_cast<double>(written))
            : written >= total && total > 0 ? FormatDuration(0) : std::string("-:--");
    std::string buffer = cacheFill == kNoReadBuffer ? std::string() : Format("  read buffer %3d%%", cacheFill);
    if (deviceFill != kNoDeviceBuffer) buffer += Format("  device buffer %3d%%", deviceFill);
    return Format("%7.1f / %.1f Mb  %3d%%%s  elapsed %s  remaining %s", static_cast<double>(written) / kMb,
                  static_cast<double>(total) / kMb, percent, buffer.c_str(), FormatDuration(elapsedSeconds).c_str(),
                  remaining.c_str());
}

TProgressLine::TProgressLine(std::FILE* out) : out_(out), enabled_(::isatty(::fileno(out)) == 1) {}

void TProgressLine::Start(std::int64_t total) {
    std::lock_guard lock(mutex_);
    total_ = total;
    start_ = std::chrono::steady_clock::now();
}

void TProgressLine::Update(std::int64_t written, int cacheFill, int deviceFill) {
    if (!enabled_) return;
    std::lock_guard lock(mutex_);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    DrawLocked(FormatProgress(written, total_, cacheFill, elapsed, deviceFill));
}

void TProgressLine::DrawLocked(const std::string& line) {
    // Blanks cover what a longer earlier line left, without relying on the
    // terminal's escape sequences.
    std::string text = "\r" + line;
    if (shown_.size() > line.size()) text += std::string(shown_.size() - line.size(), ' ');
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
    shown_ = line;
}

void TProgressLine::Print(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!shown_.empty()) std::fprintf(out_, "\r%s\r", std::string(shown_.size(), ' ').c_str());
    std::fprintf(out_, "%s\n", text.c_str());
    if (!shown_.empty()) {
        const std::string line = shown_;
        shown_.clear();
        DrawLocked(line);
    }
    std::fflush(out_);
}

void TProgressLine::Finish() {
    std::lock_guard lock(mutex_);
    if (shown_.empty()) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    shown_.clear();
}

void PumpUntilDone(const std::function<bool()>& done, TProgressLine& progress,
                   const std::function<void(std::int64_t& written, int& cacheFill)>& poll,
                   const std::function<bool()>& interrupted, const std::function<void()>& abort) {
    const auto sample = [&poll] {
        TProgressSample reading;
        poll(reading.Written, reading.CacheFill);
        return reading;
    };
    PumpUntilDone(done, progress, sample, interrupted, abort);
}

void PumpUntilDone(const std::function<bool()>& done, TProgressLine& progress,
                   const std::function<TProgressSample()>& sample, const std::function<bool()>& interrupted,
                   const std::function<void()>& abort) {
    const auto draw = [&] {
        const TProgressSample reading = sample();
        progress.Update(reading.Written, reading.CacheFill, reading.DeviceFill);
    };
    tasks::PumpUntilDone(done, draw, interrupted, abort);
}

}  // namespace sorvane::cli
