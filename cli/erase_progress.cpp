#include "cli/erase_progress.h"

#include <unistd.h>

#include <cstdio>

#include "engine/rtl/format.h"
#include "tasks/progress_texts.h"

namespace sorvane::cli {

TEraseProgress::TEraseProgress(std::string caption)
    : caption_(std::move(caption)), enabled_(::isatty(STDERR_FILENO) == 1) {}

void TEraseProgress::Draw(int percent, long long elapsedSeconds) {
    if (!enabled_) return;
    const std::string line =
        Format("%s - %d%%   Elapsed: %s", caption_.c_str(), percent, tasks::TimeText(elapsedSeconds).c_str());
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

}  // namespace sorvane::cli
