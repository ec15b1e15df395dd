#pragma once
// The progress line of a recording or image save on stderr: written and
// total size, percentage, read-buffer fill, elapsed and remaining time,
// redrawn in place with "\r" while the operation runs. Drawn only when
// stderr is a terminal; other lines (warnings, debug messages) can be
// printed at any time from any thread without tearing it.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string>

namespace sorvane::cli {

// "0:07", "12:34", "1:02:03".
std::string FormatDuration(double seconds);
// The line itself, e.g.
// "  123.4 / 700.0 Mb   17%  read buffer  98%  elapsed 0:12  remaining 0:58".
// A copy without a read-ahead buffer (files copied from a disc) passes
// kNoReadBuffer, which leaves that column out. A recording to a drive also
// shows how full the drive's own buffer is ("device buffer  87%") after the
// read buffer; anything else passes kNoDeviceBuffer.
constexpr int kNoReadBuffer = -1;
constexpr int kNoDeviceBuffer = -1;
std::string FormatProgress(std::int64_t written, std::int64_t total, int cacheFill, double elapsedSeconds,
                           int deviceFill = kNoDeviceBuffer);

// The engine's reports of entries recorded under another name than the
// user's (">>> NAME ... RECORDED AS ..."): every command that records shows
// them, so that no entry takes another name unseen, and each once, although
// the layout that reports them is made again when the recording starts.
class TRenameReports {
public:
    // True the first time `message` is such a report.
    bool FirstTime(const std::string& message);

private:
    std::mutex mutex_;
    std::set<std::string> shown_;
};

// One reading of an operation's counters.
struct TProgressSample {
    std::int64_t Written = 0;
    int CacheFill = 0;
    int DeviceFill = kNoDeviceBuffer;
};

class TProgressLine {
public:
    explicit TProgressLine(std::FILE* out);
    TProgressLine(const TProgressLine&) = delete;
    TProgressLine& operator=(const TProgressLine&) = delete;

    bool Enabled() const { return enabled_; }
    // Starts the clock; `total` is the size the operation will write.
    void Start(std::int64_t total);
    void Update(std::int64_t written, int cacheFill, int deviceFill = kNoDeviceBuffer);
    // Prints `text` on a line of its own above the progress line.
    void Print(const std::string& text);
    // Ends the progress line, leaving its last state visible.
    void Finish();

private:
    void DrawLocked(const std::string& line);

    std::FILE* out_;
    const bool enabled_;
    std::mutex mutex_;
    std::int64_t total_ = 0;
    std::chrono::steady_clock::time_point start_{};
    std::string shown_;  // what the line shows now; empty when nothing
};

// Runs the owner's queued calls until `done` answers true, redrawing the
// progress line every 500 ms with the values `poll` gives. Calls `abort`
// once when `interrupted` first answers true.
void PumpUntilDone(const std::function<bool()>& done, TProgressLine& progress,
                   const std::function<void(std::int64_t& written, int& cacheFill)>& poll,
                   const std::function<bool()>& interrupted, const std::function<void()>& abort);
void PumpUntilDone(const std::function<bool()>& done, TProgressLine& progress,
                   const std::function<TProgressSample()>& sample, const std::function<bool()>& interrupted,
                   const std::function<void()>& abort);

}  // namespace sorvane::cli
