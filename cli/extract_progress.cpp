#include "cli/extract_progress.h"

#include <unistd.h>

#include "engine/rtl/format.h"

namespace sorvane::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
constexpr double kMb = 1048576.0;

}  // namespace

bool TCountingDiscSource::ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) {
    const bool read = disc_.ReadSectors(lba, count, buffer);
    if (read) bytesRead_ += std::uint64_t{count} * kSectorBytes;
    if (OnRead) OnRead();
    return read;
}

std::string FormatExtractProgress(std::uint64_t done, std::uint64_t total) {
    // Whole sectors are read, so the count can pass a file's last byte.
    if (done > total) done = total;
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    return "  " + FormatFloat("0.0", static_cast<double>(done) / kMb) + " / " +
           FormatFloat("0.0 Mb", static_cast<double>(total) / kMb) + Format("  %3d%%", percent);
}

TExtractProgress::TExtractProgress(std::FILE* out) : out_(out), enabled_(::isatty(::fileno(out)) == 1) {}

void TExtractProgress::Start(std::uint64_t total) {
    total_ = total;
    started_ = true;
    Draw(0);
}

void TExtractProgress::Update(std::uint64_t done) {
    if (!started_ || std::chrono::steady_clock::now() - lastDrawn_ < kRedrawInterval) return;
    Draw(done);
}

void TExtractProgress::Print(const std::string& text) {
    if (enabled_ && started_) std::fprintf(out_, "\r%*s\r", static_cast<int>(shownLength_), "");
    std::fprintf(out_, "%s\n", text.c_str());
    if (started_) Draw(done_);
}

void TExtractProgress::Finish(std::uint64_t done) {
    if (!started_) return;
    Draw(done);
    if (enabled_) std::fputc('\n', out_);
    started_ = false;
}

void TExtractProgress::Draw(std::uint64_t done) {
    done_ = done;
    lastDrawn_ = std::chrono::steady_clock::now();
    if (!enabled_) return;
    const std::string line = FormatExtractProgress(done, total_);
    shownLength_ = line.size();
    std::fprintf(out_, "\r%s", line.c_str());
    std::fflush(out_);
}

}  // namespace sorvane::cli
