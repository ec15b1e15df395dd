#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/record/record_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;

class CacheThreadTest : public RecordTest {
protected:
    // A header of `sectors` sectors, each sector marked with its number.
    TBytes MakeHeader(int sectors) {
        TBytes header = Pattern(static_cast<std::size_t>(sectors) * 2048, 200);
        header_.Clear();
        header_.Write(header.data(), header.size());
        return header;
    }
    std::unique_ptr<TCacheThread> Start(std::int64_t totalBytes, bool padTrack = false,
                                        std::uint32_t cacheSize = 4194304,
                                        std::uint32_t blockSize = TCacheThread::kDataBlockSize,
                                        const std::string& bootImage = {}, std::uint32_t bootSectors = 0,
                                        std::uint32_t bootPadSectors = 0) {
        return std::make_unique<TCacheThread>(cacheSize, table.Table(), header_, totalBytes, bootSectors,
                                              bootPadSectors, bootImage, padTrack, blockSize, lock, "", Sink());
    }

    TTable table;
    TMemoryStream header_;
};

TEST_F(CacheThreadTest, StreamIsHeaderThenBootImageAndPadThenFilesEachRoundedToSectors) {
    TBytes expected = MakeHeader(3);
    const TBytes boot = Pattern(3000, 9), one = Pattern(1, 10), big = Pattern(70000, 11), last = Pattern(4096, 12);
    WriteFile(dir / "boot.img", boot);
    WriteFile(dir / "one", one);
    WriteFile(dir / "big", big);
    WriteFile(dir / "last", last);
    table.File(dir / "one", 1);
    table.Add().Attr = faDirectory;                        // a directory item
    table.File(dir / "big", 70000);
    auto& imported = table.File("", 5000);                   // from an earlier session
    imported.Imported = true;
    WriteFile(dir / "empty", {});
    table.File(dir / "empty", 0);
    table.File(dir / "last", 4096);

    AppendSectors(expected, boot);
    expected.resize(expected.size() + 2 * 2048, 0);          // the boot pad
    AppendSectors(expected, one);                            // 1 byte takes a whole sector
    AppendSectors(expected, big);
    AppendSectors(expected, last);

    auto cache = Start(static_cast<std::int64_t>(expected.size()), false, 4194304, TCacheThread::kDataBlockSize,
                       dir / "boot.img", 2, 2);
    std::vector<int> sizes;
    const TBytes stream = Drain(*cache, &sizes);
    EXPECT_EQ(stream, expected);
    EXPECT_EQ(cache->ErrorText(), "");
    EXPECT_TRUE(cache->Complete());
    EXPECT_EQ(cache->BytesToDeliver(), 0);
    // Every block but the last is full: each is one whole write command.
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 65536) << "block " << i;
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CacheThreadTest, CdBlocksAreTwentySevenSectors) {
    TBytes expected = MakeHeader(40);
    const TBytes data = Pattern(200000, 3);
    WriteFile(dir / "f", data);
    table.File(dir / "f", 200000);
    AppendSectors(expected, data);
    auto cache = Start(static_cast<std::int64_t>(expected.size()), false, 2097152, TCacheThread::kCdBlockSize);
    EXPECT_EQ(cache->MaxBlocks(), 37);
    std::vector<int> sizes;
    EXPECT_EQ(Drain(*cache, &sizes), expected);
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 55296);
}

TEST_F(CacheThreadTest, ShortTrackIsPaddedToThreeHundredSectorsButAnImageFileIsNot) {
    // An empty project: the header alone, 150 sectors.
    const TBytes header = MakeHeader(150);
    auto cache = Start(150 * 2048, /*padTrack=*/true);
    EXPECT_TRUE(cache->PadShortTrack());
    EXPECT_EQ(cache->BytesToDeliver(), 614400) << "the pad belongs to the stream from the start";
    const TBytes stream = Drain(*cache);
    ASSERT_EQ(stream.size(), 614400u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), stream.begin()));
    EXPECT_TRUE(std::all_of(stream.begin() + 307200, stream.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(header_.Size(), 0u) << "the header stream is released once queued";

    // An image file as the source: its last partial sector is completed
    // with zeros, and nothing is added to a short track.
    const TBytes image = Pattern(5000, 4);
    WriteFile(dir / "small.iso", image);
    TCacheThread fromImage(4194304, table.Table(), header_, 3 * 2048, 0, 0, "", true, 65536, lock, dir / "small.iso");
    EXPECT_FALSE(fromImage.PadShortTrack());
    TBytes expected;
    AppendSectors(expected, image);
    EXPECT_EQ(Drain(fromImage), expected);
}

TEST_F(CacheThreadTest, StreamLargerThanTheRingPassesIntactAndPrimesWhenTheRingIsFull) {
    TBytes expected = MakeHeader(16);
    std::vector<TBytes> files;
    for (int i = 0; i < 12; ++i) {
        files.push_back(Pattern(300000 + i * 777, static_cast<std::uint8_t>(i)));
        WriteFile(dir / std::to_string(i), files.back());
        table.File(dir / std::to_string(i), static_cast<std::int64_t>(files.back().size()));
        AppendSectors(expected, files.back());
    }
    auto cache = Start(static_cast<std::int64_t>(expected.size()), false, 2097152);
    ASSERT_EQ(cache->MaxBlocks(), 32);
    // Nobody takes anything yet: the reader must fill the ring and say so.
    for (int i = 0; i < 500 && !cache->Primed(); ++i) cache->WaitForPrimed(10);
    ASSERT_TRUE(cache->Primed());
    EXPECT_EQ(cache->QueuedBytes(), 2097152);
    EXPECT_FALSE(cache->Finished());
    EXPECT_EQ(Drain(*cache), expected);
    EXPECT_TRUE(cache->Finished());
}

TEST_F(CacheThreadTest, GetBlockAnswersMinusOneUntilABlockIsQueuedAndAbortEndsTheWaitWithZero) {
    TBytes header = MakeHeader(64);
    TCacheThread* raw;
    std::unique_ptr<TCacheThread> cache;
    std::vector<std::uint8_t> buffer(65536);
    {
        // Holding the lock keeps the reader from queueing anything.
        TLockGuard hold(lock);
        cache = Start(64 * 2048);
        raw = cache.get();
        ::usleep(20000);
        EXPECT_EQ(raw->GetBlock(buffer.data()), -1) << "no block yet is not the end of the stream";
        EXPECT_EQ(raw->GetBlock(buffer.data()), -1);
        raw->Abort();
        EXPECT_EQ(raw->GetBlock(buffer.data()), 0) << "an abort ends the writer's wait at once";
    }
    raw->WaitFor();
    EXPECT_EQ(raw->ErrorText(), "OPERATION ABORTED BY USER");
    EXPECT_EQ(raw->QueuedBytes(), 0);
    EXPECT_TRUE(raw->Finished());
}

TEST_F(CacheThreadTest, AbortWhileTheRingIsFullStopsTheReader) {
    MakeHeader(16);
    const TBytes data = Pattern(8 << 20, 5);
    WriteFile(dir / "f", data);
    table.File(dir / "f", static_cast<std::int64_t>(data.size()));
    auto cache = Start(16 * 2048 + static_cast<std::int64_t>(data.size()), false, 2097152);
    while (!cache->Primed()) cache->WaitForPrimed(10);
    cache->Abort();
    cache->WaitFor();
    EXPECT_EQ(cache->ErrorText(), "OPERATION ABORTED BY USER");
    std::vector<std::uint8_t> buffer(65536);
    EXPECT_EQ(cache->GetBlock(buffer.data()), 0);
}

TEST_F(CacheThreadTest, MissingOrUnreadableSourceStopsWithTheCannotOpenTextNamingIt) {
    TBytes header = MakeHeader(2);
    WriteFile(dir / "ok", Pattern(10000, 1));
    table.File(dir / "ok", 10000);
    table.File(dir / "gone", 10000);
    auto cache = Start(2 * 2048 + table.DataBytes());
    Drain(*cache);
    EXPECT_EQ(cache->ErrorText(),
              "CAN'T OPEN FILE \"" + (dir / "gone") + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_FALSE(cache->Complete());

    // A source that opens but can no longer be read (here a folder).
    TTable unreadable;
    unreadable.File(dir.Path(), 10000);
    TCacheThread second(4194304, unreadable.Table(), header_, 10240, 0, 0, "", false, 65536, lock, "", Sink());
    Drain(second);
    EXPECT_EQ(second.ErrorText(), "CAN'T OPEN FILE \"" + dir.Path() + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
}

TEST_F(CacheThreadTest, ShrunkFileIsZeroFilledAndWarnedNeverFilledWithAnotherFilesBytes) {
    TBytes expected = MakeHeader(1);
    const TBytes first = Pattern(10000, 21), shrunk = Pattern(3000, 22), after = Pattern(5000, 23);
    WriteFile(dir / "first", first);
    WriteFile(dir / "shrunk", shrunk);
    WriteFile(dir / "after", after);
    table.File(dir / "first", 10000);
    table.File(dir / "shrunk", 9000);  // recorded when it was still 9000 bytes
    table.File(dir / "after", 5000);
    AppendSectors(expected, first);
    TBytes recorded = shrunk;
    recorded.resize(9000, 0);
    AppendSectors(expected, recorded);
    AppendSectors(expected, after);

    auto cache = Start(static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(Drain(*cache), expected);
    EXPECT_EQ(cache->ErrorText(), "");
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, ">>> FILE \"" + (dir / "shrunk") +
                                     "\" IS SHORTER THAN WHEN IT WAS ADDED, ITS END IS RECORDED AS ZEROS");
    EXPECT_EQ(messages[0].second, mtFileSystem);
}

TEST_F(CacheThreadTest, GrownFileIsCutAtItsRecordedSizeAndWarned) {
    TBytes expected = MakeHeader(1);
    const TBytes grown = Pattern(9000, 31), exact = Pattern(4096, 32);
    WriteFile(dir / "grown", grown);
    WriteFile(dir / "exact", exact);
    table.File(dir / "grown", 6000);  // recorded when it was still 6000 bytes
    table.File(dir / "exact", 4096);
    AppendSectors(expected, TBytes(grown.begin(), grown.begin() + 6000));
    AppendSectors(expected, exact);

    auto cache = Start(static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(Drain(*cache), expected);
    EXPECT_TRUE(cache->Complete());
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u) << "a file of exactly its recorded size is not reported";
    EXPECT_EQ(messages[0].first, ">>> FILE \"" + (dir / "grown") +
                                     "\" IS LONGER THAN WHEN IT WAS ADDED, ONLY ITS FIRST 6000 BYTES ARE RECORDED");
    EXPECT_EQ(messages[0].second, mtFileSystem);
}

TEST_F(CacheThreadTest, StreamThatDisagreesWithTheLayoutIsAnError) {
    MakeHeader(4);
    auto cache = Start(5 * 2048);  // the layout counted one sector more
    Drain(*cache);
    EXPECT_EQ(cache->ErrorText(), "INTERNAL ERROR 0005");
    EXPECT_FALSE(cache->Complete());
}

}  // namespace
}  // namespace sorvane
