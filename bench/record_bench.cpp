// What the checksums a recording keeps of what it sends cost: the whole
// pipeline (read-ahead from files, write thread) recording into a target
// that takes every block and does nothing with it, so that nothing but the
// pipeline and the checksums counts. Runs without and with checksums take
// turns; the medians are printed side by side with their ratio.
//
// The write thread checksums while the read-ahead reads, so the checksums
// cost wall time only when the two threads must share one core: run it on
// an otherwise idle machine. Pinned to one core (taskset -c 0) it shows the
// checksums' own time instead, about a third of the reading's. Against a
// drive, which takes blocks a hundred times slower than this target and
// keeps the write thread waiting in its write commands, there is no cost
// to see.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "engine/record/recorder.h"
#include "engine/rtl/sync_queue.h"
#include "engine/verify/sent_checksums.h"

namespace sorvane {
namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 128;
constexpr std::int64_t kFileBytes = 4 << 20;
constexpr std::int64_t kHeaderSectors = 150;
constexpr std::uint32_t kCacheBytes = 32 << 20;  // the wizard's read-ahead
constexpr int kRounds = 15;
constexpr double kBudget = 0.05;

class TNullTarget final : public TWriteTarget {
public:
    std::string Open() override { return {}; }
    std::string Write(std::int64_t, const std::uint8_t*, std::uint32_t, const std::atomic<bool>&) override {
        return {};
    }
    std::string Close(const std::string&) override { return {}; }
};

struct TProject {
    fs::path Folder;
    TFileTable Files;
    std::vector<TSectorOwner> Owners;
    std::int64_t TotalBytes = 0;

    TProject() : Folder(fs::temp_directory_path() / ("sorvane-record-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(Folder);
        std::mt19937_64 random(1);
        std::vector<std::uint64_t> data(kFileBytes / 8);
        std::uint32_t sector = kHeaderSectors;
        for (int i = 0; i < kFiles; ++i) {
            for (auto& word : data) word = random();
            const fs::path path = Folder / ("file" + std::to_string(i) + ".bin");
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), kFileBytes);
            auto entry = std::make_unique<TFEntry>();
            entry->LongName = path.filename().string();
            entry->SourcePath = path.string();
            entry->IsoSize = kFileBytes;
            Files.push_back(std::move(entry));
            Owners.push_back({sector, kFileBytes / 2048, TSectorUse::File, path.filename().string()});
            sector += kFileBytes / 2048;
        }
        TotalBytes = std::int64_t{sector} * 2048;
    }
    ~TProject() { fs::remove_all(Folder); }
};

// One recording, in seconds from the start of the read-ahead to the report.
double Record(const TProject& project, bool checksums) {
    TCriticalSection lock;
    TRecorder recorder(lock, {});
    TMemoryStream header;
    header.WriteZeros(kHeaderSectors * 2048);
    TCacheInputs inputs;
    inputs.CacheSize = kCacheBytes;
    inputs.FileTable = &project.Files;
    inputs.HeaderStream = &header;
    inputs.TotalBytes = project.TotalBytes;

    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<TSentChecksums> sent;
    if (checksums)
        sent = std::make_unique<TSentChecksums>(0, static_cast<std::uint32_t>(project.TotalBytes / 2048), project.Owners,
                                                TSectorUse::FileSystem);
    if (!recorder.StartCache(inputs).empty()) return -1;
    bool done = false;
    std::string error;
    recorder.StartWriteThread(
        std::make_unique<TNullTarget>(), project.TotalBytes,
        [&](const std::string& e) {
            error = e;
            done = true;
        },
        std::move(sent));
    while (!done) TSyncQueue::Main().PumpUntil([&] { return done; }, 1000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!error.empty() || (checksums && !recorder.SentChecksums()->Complete())) return -1;
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace
}  // namespace sorvane

int main() {
    using namespace sorvane;
    TSyncQueue::Main().ClaimOwnership();
    const TProject project;
    const double mb = static_cast<double>(project.TotalBytes) / 1048576.0;
    Record(project, false);  // the files into the page cache
    // Each round runs both, in turns of order; the ratio of a round is
    // taken within it, so that a moment when the machine is busy with
    // something else weighs on both sides alike.
    std::vector<double> without, with, ratios;
    for (int round = 0; round < kRounds; ++round) {
        const bool checksumsFirst = round % 2 == 1;
        const double first = Record(project, checksumsFirst);
        const double second = Record(project, !checksumsFirst);
        if (first < 0 || second < 0) {
            std::fprintf(stderr, "a recording failed\n");
            return 1;
        }
        without.push_back(checksumsFirst ? second : first);
        with.push_back(checksumsFirst ? first : second);
        ratios.push_back(with.back() / without.back());
    }
    const double a = Median(without), b = Median(with), ratio = Median(ratios);
    std::printf("recording %.0f MiB (%d files, %u MiB read-ahead) into a null target, median of %d runs each\n", mb,
                kFiles, kCacheBytes >> 20, kRounds);
    std::printf("  %-20s %8.1f ms  %7.0f MiB/s\n", "without checksums", a * 1000, mb / a);
    std::printf("  %-20s %8.1f ms  %7.0f MiB/s\n", "with checksums", b * 1000, mb / b);
    std::printf("  %-20s %8.3f     checksums cost %.1f%% of the wall time (budget %.0f%%)\n", "ratio", ratio,
                (ratio - 1) * 100, kBudget * 100);
    return 0;
}
