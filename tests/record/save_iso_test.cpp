// Saving an image in the background through the recording pipeline, against
// the synchronous save of the same project.

#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/orvo_burner.h"
#include "tests/record/record_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;

class SaveIsoTest : public RecordTest {
protected:
    SaveIsoTest() {
        burner.OnWriteDone = [this](TOrvoBurner& sender, const std::string& error) {
            EXPECT_EQ(&sender, &burner);
            reports.push_back(error);
        };
        burner.OnDebugMessage = [this](TSCSIDevice&, const std::string& message, int mType) {
            if (mType == mtError || mType == mtFileSystem) warnings.push_back(message);
        };
    }

    // A small tree of real files under "\Docs" and "\Docs\Deep", and a few in
    // the root; sizes around the sector and block boundaries.
    void MakeTree(std::size_t bigFile = 3 << 20) {
        const std::size_t sizes[] = {0, 1, 2047, 2048, 2049, 65536, 65537, 100000, bigFile};
        std::filesystem::create_directories(dir / "src/Docs/Deep");
        int n = 0;
        for (std::size_t size : sizes) {
            const std::string folder = n % 3 == 0 ? "" : n % 3 == 1 ? "Docs/" : "Docs/Deep/";
            const std::string path = dir / ("src/" + folder + "file" + std::to_string(n) + ".bin");
            WriteFile(path, Pattern(size, static_cast<std::uint8_t>(n)));
            std::string projectDir = "\\" + folder;
            std::replace(projectDir.begin(), projectDir.end(), '/', '\\');
            if (projectDir.size() > 1) projectDir.pop_back();
            burner.CreateDir(projectDir);
            EXPECT_TRUE(burner.InsertFile(projectDir, path, false)) << path;
            ++n;
        }
    }
    void SaveInBackground(const std::string& image) {
        const std::size_t before = reports.size();
        EXPECT_TRUE(burner.SaveISOImage(image, false));
        EXPECT_TRUE(TSyncQueue::Main().PumpUntil([&] { return reports.size() > before; }, 30000));
    }

    TScopedClock clock{45000.25, -60};  // a fixed build time, so two saves can match byte for byte
    TOrvoBurner burner;
    std::vector<std::string> reports;
    std::vector<std::string> warnings;
};

TEST_F(SaveIsoTest, BackgroundSaveIsByteIdenticalToTheSynchronousSave) {
    MakeTree();
    burner.SetCacheSize(2097152);  // smaller than the data: the ring wraps
    burner.WritePostGap = false;
    ASSERT_TRUE(burner.SaveISOImage(dir / "sync.iso", true));
    EXPECT_EQ(burner.CacheFillPercent(), 0);
    SaveInBackground(dir / "async.iso");
    ASSERT_EQ(reports, (std::vector<std::string>{"", ""}));
    const TBytes sync = ReadFile(dir / "sync.iso"), async = ReadFile(dir / "async.iso");
    EXPECT_EQ(async.size(), sync.size());
    EXPECT_TRUE(async == sync) << "the streams differ";
    EXPECT_EQ(burner.BytesWritten(), static_cast<std::int64_t>(sync.size()));
    EXPECT_EQ(burner.CacheFillPercent(), 0);
    EXPECT_FALSE(burner.Writing());
    EXPECT_TRUE(warnings.empty());
}

TEST_F(SaveIsoTest, BootableShortProjectWithPostGapIsTheSynchronousImagePaddedTo300Sectors) {
    WriteFile(dir / "boot.img", Pattern(4 * 2048 - 100, 77));
    burner.Layout().BootImageFile = dir / "boot.img";
    burner.Layout().MakeBootable = true;
    WriteFile(dir / "a.txt", Pattern(5000, 1));
    ASSERT_TRUE(burner.InsertFile("\\", dir / "a.txt", false));
    ASSERT_TRUE(burner.SaveISOImage(dir / "sync.iso", true));
    SaveInBackground(dir / "async.iso");
    ASSERT_EQ(reports, (std::vector<std::string>{"", ""}));
    const TBytes sync = ReadFile(dir / "sync.iso"), async = ReadFile(dir / "async.iso");
    ASSERT_EQ(async.size(), 614400u);
    ASSERT_LT(sync.size(), async.size());
    EXPECT_TRUE(std::equal(sync.begin(), sync.end(), async.begin()));
    EXPECT_TRUE(std::all_of(async.begin() + static_cast<std::ptrdiff_t>(sync.size()), async.end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(burner.BytesWritten(), 614400);
}

TEST_F(SaveIsoTest, EmptyOrUnreadableBootImageIsRefusedBeforeAnythingIsWritten) {
    WriteFile(dir / "a.txt", Pattern(5000, 1));
    ASSERT_TRUE(burner.InsertFile("\\", dir / "a.txt", false));
    WriteFile(dir / "empty.img", {});
    WriteFile(dir / "locked.img", Pattern(4096, 2));
    std::filesystem::permissions(dir / "locked.img", std::filesystem::perms::none);
    const bool root = ::access((dir / "locked.img").c_str(), R_OK) == 0;  // root reads it all the same
    burner.Layout().MakeBootable = true;
    for (const std::string boot : {"empty.img", "locked.img"}) {
        if (boot == "locked.img" && root) continue;
        const std::string text = boot == "empty.img" ? "BOOT IMAGE \"" + (dir / boot) + "\" IS EMPTY"
                                                     : "CAN'T OPEN FILE \"" + (dir / boot) +
                                                           "\" OR FILE IS IN USES BY OTHER SOFTWARE";
        burner.Layout().BootImageFile = dir / boot;
        reports.clear();
        EXPECT_FALSE(burner.SaveISOImage(dir / "sync.iso", true));
        EXPECT_TRUE(burner.SaveISOImage(dir / "async.iso", false));
        EXPECT_EQ(reports, (std::vector<std::string>{text, text})) << "before the call returns";
        EXPECT_FALSE(burner.Writing());
        EXPECT_FALSE(std::filesystem::exists(dir / "sync.iso"));
        EXPECT_FALSE(std::filesystem::exists(dir / "async.iso"));
    }
}

TEST_F(SaveIsoTest, SourceDeletedBeforeTheSaveIsReportedBeforeTheCallReturns) {
    MakeTree(10000);
    std::filesystem::remove(dir / "src/Docs/file1.bin");
    EXPECT_TRUE(burner.SaveISOImage(dir / "out.iso", false)) << "the start operation answers True either way";
    ASSERT_EQ(reports.size(), 1u) << "a priming failure is reported synchronously";
    EXPECT_EQ(reports[0],
              "CAN'T OPEN FILE \"" + (dir / "src/Docs/file1.bin") + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_FALSE(burner.Writing());
    EXPECT_EQ(burner.LastWriteError, reports[0]);
    // Nothing is left running: the next save works.
    WriteFile(dir / "src/Docs/file1.bin", Pattern(1, 1));
    SaveInBackground(dir / "out.iso");
    EXPECT_EQ(reports.back(), "");
}

// The files in the test's folder other than the sources.
std::vector<std::string> FilesBeside(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename() != "src") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SaveIsoTest, SecondSaveWhileOneRunsIsRefusedAndAbortEndsTheFirstLeavingTheOldImage) {
    MakeTree(40 << 20);
    burner.SetCacheSize(2097152);
    WriteFile(dir / "one.iso", Pattern(10000, 42));  // the image the save is to replace
    ASSERT_TRUE(burner.SaveISOImage(dir / "one.iso", false));
    EXPECT_FALSE(burner.SaveISOImage(dir / "two.iso", false));
    EXPECT_TRUE(warnings.size() == 1 && warnings[0] == ">>> A RECORDING IS ALREADY RUNNING");
    burner.Abort();
    EXPECT_TRUE(TSyncQueue::Main().PumpUntil([&] { return !reports.empty(); }, 30000));
    // Finishing first is possible on a fast machine; stopping half-way must
    // be reported as such.
    if (reports[0].empty()) {
        EXPECT_EQ(std::filesystem::file_size(dir / "one.iso"), static_cast<std::uintmax_t>(burner.GetImageSize() * 2048));
    } else {
        EXPECT_EQ(reports[0], "OPERATION ABORTED BY USER");
        EXPECT_EQ(ReadFile(dir / "one.iso"), Pattern(10000, 42)) << "a stopped save leaves the old image whole";
    }
    EXPECT_EQ(FilesBeside(dir.Path()), std::vector<std::string>{"one.iso"}) << "nothing half-written is left beside it";
}

TEST_F(SaveIsoTest, BurnerDestroyedWhileSavingStopsQuietly) {
    MakeTree(40 << 20);
    {
        TOrvoBurner other;
        other.SetCacheSize(2097152);
        ASSERT_TRUE(other.InsertFile("\\", dir / "src/Docs/Deep/file8.bin", false));
        bool reported = false;
        other.OnWriteDone = [&](TOrvoBurner&, const std::string&) { reported = true; };
        ASSERT_TRUE(other.SaveISOImage(dir / "gone.iso", false));
        (void)reported;
    }
    SUCCEED() << "no hang, no crash, nothing read from a freed project";
}

}  // namespace
}  // namespace sorvane
