// Runs every input of the drive fuzz targets' corpora through their entry
// points, so that each build (gcc included) replays the seeds and every
// input that once found a fault.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace sorvane::fuzz {
int RunSense(const std::uint8_t* data, std::size_t size);
int RunDriveReplies(const std::uint8_t* data, std::size_t size);
}  // namespace sorvane::fuzz

namespace sorvane {
namespace {

// Answers how many inputs ran.
int Replay(const std::string& folder, int (*run)(const std::uint8_t*, std::size_t)) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(SORVANE_FUZZ_CORPUS) + "/" + folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(run(bytes.data(), bytes.size()), 0);
        ++inputs;
    }
    return inputs;
}

TEST(DriveFuzzCorpusReplay, EverySenseAndEveryDriveScriptRunsToTheEndWithinTheComponentsPromises) {
    EXPECT_GE(Replay("sense", &fuzz::RunSense), 10);
    EXPECT_GE(Replay("drive_reply", &fuzz::RunDriveReplies), 10);
}

}  // namespace
}  // namespace sorvane
