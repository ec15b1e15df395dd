#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <condition_variable>
#include <thread>

#include "engine/record/image_file_target.h"
#include "engine/record/recorder.h"
#include "tests/record/record_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;
using namespace std::chrono_literals;

// The test's hold on a writer: writes wait until the gate opens. It is
// shared, because the write thread frees its target whenever it ends.
class TGate {
public:
    void Pass() {
        std::unique_lock lock(mutex_);
        ++writes_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void WaitForWrites(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return writes_ >= count; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int writes_ = 0;
    bool open_ = false;
};

// An image-file target whose writes wait at a gate, so that a test can act
// while the writer is provably in the middle of the image.
class TGatedTarget : public TWriteTarget {
public:
    TGatedTarget(std::string fileName, std::int64_t bytes, std::shared_ptr<TGate> gate)
        : file_(std::move(fileName), bytes), gate_(std::move(gate)) {}
    std::string Open() override { return file_.Open(); }
    std::string Write(std::int64_t sector, const std::uint8_t* data, std::uint32_t count,
                      const std::atomic<bool>& abortFlag) override {
        gate_->Pass();
        return file_.Write(sector, data, count, abortFlag);
    }
    std::string Close(const std::string& error) override { return file_.Close(error); }

private:
    TImageFileTarget file_;
    std::shared_ptr<TGate> gate_;
};

// A drive-like target: every write is a whole 32-sector unit. It records
// into the test's buffer, since the write thread frees its target.
class TUnitTarget : public TWriteTarget {
public:
    explicit TUnitTarget(TBytes& written) : Written(written) {}
    std::string Open() override { return {}; }
    std::uint32_t WriteLength(std::uint32_t, std::uint32_t capacity) const override { return capacity; }
    std::string Write(std::int64_t sector, const std::uint8_t* data, std::uint32_t count,
                      const std::atomic<bool>&) override {
        EXPECT_EQ(sector * 2048, static_cast<std::int64_t>(Written.size())) << "blocks go to consecutive sectors";
        Written.insert(Written.end(), data, data + count);
        return {};
    }
    std::string Close(const std::string&) override { return {}; }
    TBytes& Written;
};

class WriteThreadTest : public RecordTest {
protected:
    WriteThreadTest() : recorder(lock, Sink()) {}

    // A few real files and the stream they make behind a 2-sector header.
    void MakeProject(int files, std::size_t fileSize) {
        headerBytes_ = Pattern(2 * 2048, 99);
        expected = headerBytes_;
        for (int i = 0; i < files; ++i) {
            const TBytes data = Pattern(fileSize + static_cast<std::size_t>(i) * 1000, static_cast<std::uint8_t>(i));
            WriteFile(dir / ("src" + std::to_string(i)), data);
            table.File(dir / ("src" + std::to_string(i)), static_cast<std::int64_t>(data.size()));
            AppendSectors(expected, data);
        }
    }
    TCacheInputs Inputs(bool padTrack = false, std::uint32_t cacheSize = 2097152) {
        // The reader empties the header stream once it is queued, as a
        // start operation would build it anew.
        header_.Clear();
        header_.Write(headerBytes_.data(), headerBytes_.size());
        TCacheInputs in;
        in.CacheSize = cacheSize;
        in.FileTable = &table.Table();
        in.HeaderStream = &header_;
        in.TotalBytes = static_cast<std::int64_t>(expected.size());
        in.PadTrack = padTrack;
        return in;
    }
    std::int64_t ImageBytes(bool padTrack) const {
        const auto bytes = static_cast<std::int64_t>(expected.size());
        return padTrack ? std::max<std::int64_t>(bytes, 614400) : bytes;
    }
    // Runs a whole save to `image` and answers the reported error text.
    std::string Save(const std::string& image, bool padTrack = false) {
        const std::string primingError = recorder.StartCache(Inputs(padTrack));
        if (!primingError.empty()) return primingError;
        const std::int64_t bytes = ImageBytes(padTrack);
        EXPECT_TRUE(recorder.StartWriteThread(std::make_unique<TImageFileTarget>(image, bytes), bytes, Done()));
        return WaitForDone();
    }
    TThWrite::TDoneCall Done() {
        done = false;
        return [this](const std::string& error) {
            EXPECT_TRUE(TSyncQueue::Main().IsOwnerThread()) << "the outcome is reported on the owner's thread";
            EXPECT_FALSE(recorder.Writing());
            EXPECT_EQ(recorder.CacheFillPercent(), 0);
            reported = error;
            done = true;
        };
    }
    std::string WaitForDone() {
        EXPECT_TRUE(TSyncQueue::Main().PumpUntil([this] { return done; }, 30000));
        return reported;
    }

    TTable table;
    TMemoryStream header_;
    TBytes headerBytes_;
    TBytes expected;
    TRecorder recorder;
    bool done = false;
    std::string reported;
};

TEST_F(WriteThreadTest, ImageHoldsTheStreamAndTheOutcomeIsReportedOnTheOwnersThread) {
    MakeProject(20, 150000);  // about 3 MB through a 2 MB ring
    EXPECT_EQ(recorder.CacheFillPercent(), 0) << "nothing runs yet";
    EXPECT_EQ(Save(dir / "out.iso"), "");
    EXPECT_EQ(ReadFile(dir / "out.iso"), expected);
    EXPECT_EQ(recorder.BytesWritten(), static_cast<std::int64_t>(expected.size()));
    EXPECT_FALSE(recorder.Busy());
    EXPECT_EQ(recorder.CacheFillPercent(), 0);
}

TEST_F(WriteThreadTest, ShortImageWithPostGapIsExactly614400BytesAndReplacesAnOlderFile) {
    WriteFile(dir / "out.iso", Pattern(2000000, 1));
    MakeProject(1, 1);
    EXPECT_EQ(Save(dir / "out.iso", /*padTrack=*/true), "");
    const TBytes image = ReadFile(dir / "out.iso");
    ASSERT_EQ(image.size(), 614400u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image.begin()));
    EXPECT_TRUE(std::all_of(image.begin() + static_cast<std::ptrdiff_t>(expected.size()), image.end(),
                            [](std::uint8_t b) { return b == 0; }));

    EXPECT_EQ(Save(dir / "nogap.iso", /*padTrack=*/false), "");
    EXPECT_EQ(ReadFile(dir / "nogap.iso"), expected) << "without the gap the image ends with the last file's sector";
}

TEST_F(WriteThreadTest, AbortWhileSavingLeavesNoImageAndNothingOpen) {
    MakeProject(40, 200000);
    ASSERT_EQ(recorder.StartCache(Inputs()), "");
    auto gate = std::make_shared<TGate>();
    ASSERT_TRUE(recorder.StartWriteThread(std::make_unique<TGatedTarget>(dir / "out.iso", ImageBytes(false), gate),
                                          ImageBytes(false), Done()));
    gate->WaitForWrites(1);
    EXPECT_TRUE(recorder.Writing());
    EXPECT_GT(recorder.CacheFillPercent(), 0) << "the ring is full while the writer is held";
    recorder.Abort();
    gate->Open();
    EXPECT_EQ(WaitForDone(), "OPERATION ABORTED BY USER");
    // An image cut short never stands at the target's name, nor beside it.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(entry.path().filename().string().starts_with("src")) << entry.path();
    // Closed: no descriptor of this process still refers to a file of the folder.
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        EXPECT_FALSE(std::filesystem::read_symlink(fd.path(), ec).string().starts_with(dir / "out.iso"));
    }
}

TEST_F(WriteThreadTest, AbortAfterPrimingOrRightAfterTheStartIsNeverLostAndAnEarlierOneIsForgotten) {
    MakeProject(4, 100000);
    recorder.Abort();  // nothing runs: must not stop the next recording
    EXPECT_EQ(Save(dir / "a.iso"), "");

    // Between the priming and the write thread's start: a writer that
    // cleared the request as it started would lose this one every time.
    ASSERT_EQ(recorder.StartCache(Inputs()), "");
    recorder.Abort();
    ASSERT_TRUE(recorder.StartWriteThread(std::make_unique<TImageFileTarget>(dir / "b.iso", ImageBytes(false)),
                                          ImageBytes(false), Done()));
    EXPECT_EQ(WaitForDone(), "OPERATION ABORTED BY USER");

    // Right after the start returns, whether or not the thread runs yet.
    ASSERT_EQ(recorder.StartCache(Inputs()), "");
    auto gate = std::make_shared<TGate>();
    ASSERT_TRUE(recorder.StartWriteThread(std::make_unique<TGatedTarget>(dir / "c.iso", ImageBytes(false), gate),
                                          ImageBytes(false), Done()));
    recorder.Abort();
    gate->Open();
    EXPECT_EQ(WaitForDone(), "OPERATION ABORTED BY USER");
}

TEST_F(WriteThreadTest, AbortDuringPrimingStopsTheReadAhead) {
    MakeProject(2, 100000);
    recorder.Abort();
    std::thread aborter([this] {
        std::this_thread::sleep_for(5ms);
        recorder.Abort();
    });
    // A source that never ends keeps the reader from priming by itself.
    table.File("/dev/zero", std::int64_t{1} << 40);
    TCacheInputs in = Inputs(false, 64 << 20);
    in.TotalBytes += std::int64_t{1} << 40;
    const std::string error = recorder.StartCache(in);
    aborter.join();
    // Either the abort came first, or the ring of 64 MB filled before it.
    if (!error.empty()) {
        EXPECT_EQ(error, "OPERATION ABORTED BY USER");
        EXPECT_FALSE(recorder.Busy());
    } else {
        TBytes sink;
        ASSERT_TRUE(recorder.StartWriteThread(std::make_unique<TUnitTarget>(sink), 1, Done()));
        EXPECT_EQ(WaitForDone(), "OPERATION ABORTED BY USER");
    }
}

TEST_F(WriteThreadTest, SourceDeletedAfterPrimingFailsTheSaveWithTheCannotOpenText) {
    MakeProject(30, 200000);  // 6 MB: the last file is read long after priming
    ASSERT_EQ(recorder.StartCache(Inputs()), "");
    std::filesystem::remove(dir / "src29");
    ASSERT_TRUE(recorder.StartWriteThread(std::make_unique<TImageFileTarget>(dir / "out.iso", ImageBytes(false)),
                                          ImageBytes(false), Done()));
    EXPECT_EQ(WaitForDone(), "CAN'T OPEN FILE \"" + (dir / "src29") + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.iso"));
}

TEST_F(WriteThreadTest, FullDeviceAndUncreatableFileEndTheSaveWithAnError) {
    MakeProject(3, 100000);
    EXPECT_EQ(Save("/dev/full"), "CAN'T WRITE FILE \"/dev/full\" [NO SPACE LEFT ON DEVICE]");
    EXPECT_EQ(Save(dir / "no-such-folder/out.iso"), "CAN'T CREATE FILE \"" + (dir / "no-such-folder/out.iso") + "\"");
}

// While it lives, the process may not grow a file past `bytes`: writes
// beyond fail as on a full disk.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &oldAction_);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::sigaction(SIGXFSZ, &oldAction_, nullptr);
    }

private:
    struct sigaction oldAction_ {};
    rlimit saved_{};
};

TEST_F(WriteThreadTest, ImageThatCannotFitFailsBeforeWritingAndIsNeverComplete) {
    MakeProject(20, 200000);  // 4 MB
    std::string error;
    {
        TFileSizeLimit limit(1 << 20);
        error = Save(dir / "out.iso");
    }
    EXPECT_EQ(error, "CAN'T WRITE FILE \"" + (dir / "out.iso") + "\" [FILE TOO LARGE]");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.iso"));
    EXPECT_EQ(recorder.BytesWritten(), 0);
}

TEST_F(WriteThreadTest, ImageFileWriteRefusedHalfwayReportsTheShortWrite) {
    // Without a reservation (a file system that cannot reserve space) the
    // lack of room shows only when a write comes up short.
    TImageFileTarget target(dir / "out.iso", 0);
    const TBytes run = Pattern(1 << 20, 7);
    std::atomic<bool> noAbort{false};
    TFileSizeLimit limit((1 << 20) + 4096);
    ASSERT_EQ(target.Open(), "");
    EXPECT_EQ(target.Write(0, run.data(), 1 << 20, noAbort), "");
    EXPECT_EQ(target.Write(512, run.data(), 1 << 20, noAbort),
              "CAN'T WRITE FILE \"" + (dir / "out.iso") + "\" [FILE TOO LARGE]");
    EXPECT_EQ(target.BytesWritten(), (1 << 20) + 4096) << "the part that fitted is counted, no more";
    EXPECT_EQ(target.Close("write failed"), "");
}

TEST_F(WriteThreadTest, RoundedLastWriteIsZeroPaddedAndBytesWrittenStaysCapped) {
    MakeProject(1, 100000);  // 51 sectors behind the header: the last block is short
    ASSERT_EQ(recorder.StartCache(Inputs()), "");
    TBytes written;
    const std::int64_t limit = ImageBytes(false);
    ASSERT_TRUE(recorder.StartWriteThread(std::make_unique<TUnitTarget>(written), limit, Done()));
    EXPECT_EQ(WaitForDone(), "");
    ASSERT_EQ(written.size() % 65536, 0u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), written.begin()));
    EXPECT_TRUE(std::all_of(written.begin() + static_cast<std::ptrdiff_t>(expected.size()), written.end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(recorder.BytesWritten(), limit);
}

TEST_F(WriteThreadTest, FillLevelPolledThroughoutARecordingIsSafeAndInRange) {
    MakeProject(30, 200000);
    ASSERT_EQ(recorder.StartCache(Inputs()), "");
    const std::int64_t bytes = ImageBytes(false);
    ASSERT_TRUE(recorder.StartWriteThread(std::make_unique<TImageFileTarget>(dir / "out.iso", bytes), bytes, Done()));
    // The writer frees the reader at its end while this thread polls.
    while (!done) {
        const int fill = recorder.CacheFillPercent();
        EXPECT_GE(fill, 0);
        EXPECT_LE(fill, 100);
        EXPECT_LE(recorder.BytesWritten(), bytes);
        TSyncQueue::Main().Pump();
    }
    EXPECT_EQ(reported, "");
    EXPECT_EQ(ReadFile(dir / "out.iso"), expected);
}

TEST_F(WriteThreadTest, ComponentGoingAwayStopsTheRecordingWithoutReportingIt) {
    MakeProject(30, 200000);
    auto gone = std::make_unique<TRecorder>(lock, Sink());
    ASSERT_EQ(gone->StartCache(Inputs()), "");
    auto gate = std::make_shared<TGate>();
    bool called = false;
    ASSERT_TRUE(gone->StartWriteThread(std::make_unique<TGatedTarget>(dir / "out.iso", ImageBytes(false), gate),
                                       ImageBytes(false),
                                       [&](const std::string&) { called = true; }));
    gate->WaitForWrites(1);
    std::thread opener([gate] {
        std::this_thread::sleep_for(20ms);
        gate->Open();
    });
    gone.reset();
    opener.join();
    TSyncQueue::Main().Pump();
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace sorvane
