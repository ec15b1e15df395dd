// Saving an image file in the caller's thread: every file at its sector,
// and every failure reported as one, with no image left behind and the one
// it was to replace left whole.

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "tests/iso/iso_fixture.h"

namespace sorvane::test {
namespace {

class ImageSaveTest : public IsoTest {
protected:
    ImageSaveTest() {
        burner.OnWriteDone = [this](TOrvoBurner& sender, const std::string& error) {
            EXPECT_EQ(&sender, &burner);
            done.push_back(error);
        };
    }

    // Adds a file of the local disk holding `bytes`.
    TFEntry* AddSource(const std::string& dirPath, const std::string& name, const std::string& bytes) {
        const std::string path = tmp.Write("src/" + std::to_string(sources++) + "/" + name, bytes);
        burner.CreateDir(dirPath);
        EXPECT_TRUE(burner.InsertFile(dirPath, path, false));
        return burner.LastAddedEntry();
    }

    // The bytes of a file's extent in the saved image, as long as recorded.
    std::string DataOf(const std::string& image, const TFEntry* e) const {
        return image.substr(static_cast<std::size_t>(e->IsoSector + L2().FirstFileSector) * 2048,
                            static_cast<std::size_t>(e->IsoSize));
    }
    const TImageLayout& L2() const { return burner.Layout(); }

    static bool ZerosAt(const std::string& s, std::size_t from, std::size_t to) {
        return s.find_first_not_of('\0', from) >= to;
    }

    TTempDir tmp;
    int sources = 0;
    std::vector<std::string> done;
};

TEST_F(ImageSaveTest, EveryFileLiesAtItsSectorWithAZeroTail) {
    const std::size_t sizes[] = {0, 1, 2047, 2048, 2049, 131072, 131073, 300001};
    std::vector<std::pair<TFEntry*, std::string>> files;
    int n = 0;
    for (std::size_t size : sizes) {
        const std::string bytes = Pattern(size, static_cast<unsigned>(size));
        files.emplace_back(AddSource(n % 2 ? "\\Sub" : "\\", "f" + std::to_string(n) + ".bin", bytes), bytes);
        ++n;
    }
    const std::string image = tmp / "out.iso";
    EXPECT_TRUE(burner.SaveISOImage(image, true));
    EXPECT_EQ(done, std::vector<std::string>{""});
    const std::string bytes = ReadWholeFile(image);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(L().EndAddress) * 2048);
    EXPECT_EQ(bytes.substr(0, burner.HeaderStream().Size()),
              std::string(reinterpret_cast<const char*>(burner.HeaderStream().Data()), burner.HeaderStream().Size()));
    for (const auto& [entry, data] : files) {
        if (data.empty()) continue;
        EXPECT_EQ(DataOf(bytes, entry), data) << entry->LongName;
        const std::size_t end = static_cast<std::size_t>(entry->IsoSector + L().FirstFileSector) * 2048 + data.size();
        EXPECT_TRUE(ZerosAt(bytes, end, (end + 2047) / 2048 * 2048)) << entry->LongName;
    }
    EXPECT_FALSE(Said("INTERNAL ERROR"));
}

TEST_F(ImageSaveTest, BootableImageHoldsTheBootImageAndItsPadBeforeTheFiles) {
    const std::string boot = Pattern(4 * 2048 - 100, 7);
    L().BootImageFile = tmp.Write("boot.img", boot);
    L().MakeBootable = true;
    const std::string data = Pattern(5000, 8);
    const TFEntry* file = AddSource("\\", "a.bin", data);
    const std::string image = tmp / "boot.iso";
    ASSERT_TRUE(burner.SaveISOImage(image, true));
    const std::string bytes = ReadWholeFile(image);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(L().EndAddress) * 2048);
    const std::size_t bootAt = static_cast<std::size_t>(L().BootImageSector) * 2048;
    EXPECT_EQ(bytes.substr(bootAt, boot.size()), boot);
    EXPECT_TRUE(ZerosAt(bytes, bootAt + boot.size(), 150 * 2048)) << "boot image tail and pad";
    EXPECT_EQ(L().FirstFileSector, 150);
    EXPECT_EQ(DataOf(bytes, file), data);
    EXPECT_FALSE(Said("INTERNAL ERROR"));
}

TEST_F(ImageSaveTest, ADeletedSourceEndsTheSaveWithItsNameAndLeavesNoImage) {
    AddSource("\\", "kept.txt", "kept");
    const TFEntry* gone = AddSource("\\", "gone.txt", "gone");
    std::filesystem::remove(gone->SourcePath);
    const std::string image = tmp / "out.iso";
    EXPECT_FALSE(burner.SaveISOImage(image, true));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], "CAN'T OPEN FILE \"" + gone->SourcePath + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_FALSE(std::filesystem::exists(image));
}

TEST_F(ImageSaveTest, AnImageThatCannotBeCreatedIsReported) {
    const std::string image = tmp / "no/such/folder/out.iso";
    EXPECT_FALSE(burner.SaveISOImage(image, true));
    EXPECT_EQ(done, std::vector<std::string>{"CAN'T CREATE FILE \"" + image + "\""});
}

TEST_F(ImageSaveTest, AFullDiskEndsWithAnErrorNotWithSuccess) {
    AddSource("\\", "a.bin", Pattern(10000, 1));
    EXPECT_FALSE(burner.SaveISOImage("/dev/full", true));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], "CAN'T WRITE FILE \"/dev/full\" [NO SPACE LEFT ON DEVICE]");
    EXPECT_TRUE(std::filesystem::exists("/dev/full")) << "a device named as the image is never removed";
}

// A file size limit makes the system accept part of a write and refuse the
// rest, as a disk that fills up mid-write does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    sighandler_t oldHandler_;
};

TEST_F(ImageSaveTest, AWriteThatComesUpShortEndsWithAnErrorAndLeavesTheImageItWasToReplace) {
    AddSource("\\", "big.bin", Pattern(600000, 3));
    const std::string image = tmp.Write("short.iso", Pattern(5000, 8));
    const std::string old = Pattern(5000, 8);
    std::filesystem::permissions(image, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    {
        // Through the header and 100 KiB into the file, in the middle of a block.
        FileSizeLimit limit(150 * 2048 + 100000 + 1000);
        EXPECT_FALSE(burner.SaveISOImage(image, true));
    }
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0], "CAN'T WRITE FILE \"" + image + "\" [FILE TOO LARGE]");
    EXPECT_EQ(ReadWholeFile(image), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.Path()), {}), 2) << "the image and the source folder";

    // Complete, the new image takes the old one's place and its rights.
    ASSERT_TRUE(burner.SaveISOImage(image, true));
    EXPECT_EQ(ReadWholeFile(image).size(), static_cast<std::size_t>(L().EndAddress) * 2048);
    EXPECT_EQ(std::filesystem::status(image).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(ImageSaveTest, ASourceThatShrankIsZeroFilledOneThatGrewIsCutBothAreReportedAndLaterFilesStayInPlace) {
    const TFEntry* shrunk = AddSource("\\", "shrunk.bin", Pattern(300000, 4));
    const std::string grownData = Pattern(5000, 5);
    const TFEntry* grown = AddSource("\\", "grown.bin", grownData);
    const std::string lastData = Pattern(7000, 6);
    const TFEntry* last = AddSource("\\", "last.bin", lastData);
    std::filesystem::resize_file(shrunk->SourcePath, 1000);
    {
        std::ofstream more(grown->SourcePath, std::ios::app);
        more << std::string(10000, 'G');
    }
    const std::string image = tmp / "out.iso";
    ASSERT_TRUE(burner.SaveISOImage(image, true));
    const std::string bytes = ReadWholeFile(image);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(L().EndAddress) * 2048);
    const std::string shrunkData = DataOf(bytes, shrunk);
    EXPECT_EQ(shrunkData.substr(0, 1000), Pattern(300000, 4).substr(0, 1000));
    EXPECT_TRUE(ZerosAt(shrunkData, 1000, shrunkData.size()));
    EXPECT_EQ(DataOf(bytes, grown), grownData) << "only the recorded length is copied";
    EXPECT_EQ(DataOf(bytes, last), lastData);
    EXPECT_TRUE(Said("FILE \"" + shrunk->SourcePath + "\" IS SHORTER THAN WHEN IT WAS ADDED"));
    EXPECT_TRUE(Said("FILE \"" + grown->SourcePath +
                     "\" IS LONGER THAN WHEN IT WAS ADDED, ONLY ITS FIRST 5000 BYTES ARE RECORDED"));
    EXPECT_FALSE(Said("FILE \"" + last->SourcePath + "\""));
    EXPECT_FALSE(Said("INTERNAL ERROR"));
}

TEST_F(ImageSaveTest, ImportedEntriesAreNotCopiedIntoAnImage) {
    TSearchRec sr;
    sr.Name = "old.txt";
    sr.Size = 5000;
    ASSERT_TRUE(burner.AddFile(burner.Project().Root(), sr, 400, ""));
    const std::string data = Pattern(3000, 9);
    AddSource("\\", "new.txt", data);
    const std::string image = tmp / "out.iso";
    EXPECT_TRUE(burner.SaveISOImage(image, true));
    EXPECT_EQ(done, std::vector<std::string>{""});
    EXPECT_EQ(ReadWholeFile(image).size(), 152u * 2048) << "150 sectors, then new.txt alone";
}

TEST_F(ImageSaveTest, AProjectPastThe32BitSectorRangeIsRefusedBeforeAnythingIsWritten) {
    for (int i = 0; i < 1100; ++i) AddFile("\\", "huge" + std::to_string(i) + ".bin", 0xFFFFFFFFLL);
    const std::string image = tmp / "huge.iso";
    EXPECT_FALSE(burner.SaveISOImage(image, true));
    EXPECT_EQ(done, std::vector<std::string>{"PROJECT IS TOO LARGE FOR AN ISO 9660 VOLUME"});
    EXPECT_FALSE(std::filesystem::exists(image));
}

}  // namespace
}  // namespace sorvane::test
