// Runs every input of the fuzz target's corpus through the fuzz entry point,
// so that each build (gcc included) replays the seeds and every input that
// once found a fault.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "tests/iso/disc_images.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace sorvane::test {
namespace {

TEST(FuzzCorpusReplayTest, EveryCorpusInputRunsToTheEndWithinTheReadersInvariants) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SORVANE_FUZZ_CORPUS)) {
        if (!entry.is_regular_file()) continue;
        const std::vector<std::uint8_t> bytes = ReadAll(entry.path().string());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        ++inputs;
    }
    EXPECT_GE(inputs, 6);
}

}  // namespace
}  // namespace sorvane::test
