// The verification of a recording against the checksums its write thread
// kept, on a disc in memory: what differs and what cannot be read is named
// by the file it belongs to, and nothing short of every sector read and
// matching confirms the disc.

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <vector>

#include "engine/iso/memory_disc.h"
#include "engine/verify/disc_verifier.h"

namespace sorvane {
namespace {

constexpr std::uint32_t kStart = 1000;    // the session's first sector
constexpr std::uint32_t kFileSystem = 20;  // sectors before the first file
constexpr std::uint32_t kSmall = kStart + kFileSystem;  // a.txt, 3 sectors
constexpr std::uint32_t kBig = kSmall + 3;              // photos/big.jpg, 600 sectors
constexpr std::uint32_t kSectors = kFileSystem + 3 + 600;
constexpr std::size_t kSector = 2048;

class SentVerification : public ::testing::Test {
protected:
    SentVerification() : stream(std::size_t{kSectors} * kSector) {
        std::mt19937 random(7);
        for (auto& byte : stream) byte = static_cast<std::uint8_t>(random());
        disc.Load(kStart, stream);
    }

    // The checksums as the write thread leaves them: fed block by block in
    // CD-sized blocks, the last one short, then a pad past the stream.
    TSentChecksums Sent(std::size_t feedSectors = kSectors) {
        TSentChecksums sent(kStart, kSectors,
                            {{kSmall, 3, TSectorUse::File, "a.txt"}, {kBig, 600, TSectorUse::File, "photos/big.jpg"}},
                            TSectorUse::FileSystem);
        const std::size_t bytes = feedSectors * kSector;
        for (std::size_t at = 0; at < bytes; at += 27 * kSector)
            sent.Feed(stream.data() + at, std::min(27 * kSector, bytes - at));
        const std::vector<std::uint8_t> pad(10 * kSector);
        if (feedSectors == kSectors) sent.Feed(pad.data(), pad.size());
        return sent;
    }

    std::vector<std::uint8_t> stream;
    TMemoryDisc disc;
};

TEST_F(SentVerification, CleanDiscIsConfirmedAfterEverySectorWasRead) {
    const TSentChecksums sent = Sent();
    ASSERT_TRUE(sent.Complete());
    const TVerifyReport report = VerifySent(disc, sent, {});
    EXPECT_TRUE(report.Confirmed());
    EXPECT_EQ(report.SectorsRead, kSectors);
    EXPECT_EQ(report.Files, 2);
}

TEST_F(SentVerification, DifferencesAndUnreadableSectorsAreNamedByTheirFileAndNarrowedToTheSector) {
    disc.Sector(kBig + 300)->at(1000) ^= 0x01;  // one bit, in the big file's second piece
    disc.MakeUnreadable(kStart + 5);            // a file-system sector
    disc.MakeUnreadable(kSmall + 1);            // the small file's last two sectors
    disc.MakeUnreadable(kSmall + 2);
    disc.RecordReads = true;

    const TVerifyReport report = VerifySent(disc, Sent(), {});
    EXPECT_FALSE(report.Confirmed());
    ASSERT_EQ(report.Problems.size(), 3u);
    const auto expect = [&](std::size_t i, TVerifyFault fault, TSectorUse use, const char* name,
                            std::uint32_t first, std::uint32_t last) {
        SCOPED_TRACE(i);
        const TVerifyProblem& problem = report.Problems[i];
        EXPECT_EQ(problem.Fault, fault);
        EXPECT_EQ(problem.Use, use);
        EXPECT_EQ(problem.Name, name);
        EXPECT_EQ(problem.FirstSector, first);
        EXPECT_EQ(problem.LastSector, last);
    };
    expect(0, TVerifyFault::Unreadable, TSectorUse::FileSystem, "", kStart + 5, kStart + 5);
    expect(1, TVerifyFault::Unreadable, TSectorUse::File, "a.txt", kSmall + 1, kSmall + 2);
    // A difference is placed within its piece of at most 256 sectors.
    expect(2, TVerifyFault::Differs, TSectorUse::File, "photos/big.jpg", kBig + 256, kBig + 511);
    EXPECT_EQ(report.SectorsRead, kSectors);

    // Large blocks, one sector at a time only where a block failed.
    std::size_t singles = 0;
    for (const auto& [lba, count] : disc.Reads) {
        EXPECT_LE(count, 32u);
        if (count == 1) ++singles;
    }
    EXPECT_EQ(singles, 32u) << "the one block that failed, read again sector by sector";
}

TEST_F(SentVerification, StopOrPiecesNeverSentConfirmNothing) {
    std::atomic<bool> stop{false};
    TVerifyHooks hooks;
    hooks.Cancel = &stop;
    hooks.Progress = [&](std::uint64_t) { stop = true; };
    TVerifyReport report = VerifySent(disc, Sent(), hooks);
    EXPECT_TRUE(report.Cancelled);
    EXPECT_FALSE(report.Confirmed());
    EXPECT_LT(report.SectorsRead, kSectors);

    // A recording that ended early sent part of its pieces only.
    const TSentChecksums half = Sent(kSectors / 2);
    EXPECT_FALSE(half.Complete());
    report = VerifySent(disc, half, {});
    EXPECT_TRUE(report.Problems.empty());
    EXPECT_FALSE(report.Confirmed());
}

}  // namespace
}  // namespace sorvane
