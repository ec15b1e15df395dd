// Copying files back from the disc: what is read, what is written, and
// what is left behind when a read fails.

#include <sys/stat.h>

#include <atomic>
#include <filesystem>

#include "engine/iso/local_name.h"
#include "tests/iso/disc_images.h"
#include "tests/iso/reader_fixture.h"

namespace sorvane::test {
namespace {

class ExtractFileTest : public ReaderTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Reader(disc).ImportSession(1));
        big = File("\\", "big.bin");
        ASSERT_NE(big, nullptr);
        dest = tmp.Path() + "/big.bin";
    }
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(tmp.Path()))
            names.push_back(e.path().filename().string());
        return names;
    }

    TMemoryDisc disc = ThreeSessionDisc().Load();
    TTempDir tmp;
    TFEntry* big = nullptr;
    std::string dest;
};

TEST_F(ExtractFileTest, HundredThousandBytesAreReadAsThirtyOneThenEighteenSectorsAndWrittenWithTheEntrysDate) {
    disc.RecordReads = true;
    TSessionReader reader = Reader(disc);
    ASSERT_TRUE(reader.ExtractFile(*big, dest));

    const auto sector = static_cast<std::uint32_t>(big->IsoSector);
    EXPECT_EQ(disc.Reads, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{sector, 31}, {sector + 31, 18}}));
    EXPECT_EQ(ReadAll(dest), BigFileContent()) << "63488 + 36512 bytes, nothing of the last sector's padding";
    struct stat st {};
    ASSERT_EQ(::stat(dest.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, *DateTimeToFileDate(big->DateTime));
    EXPECT_TRUE(Posted(">>> EXTRACTING FILE big.bin TO " + dest, mtInfo));
    EXPECT_EQ(Listing(), std::vector<std::string>{"big.bin"}) << "no temporary file stays behind";
}

TEST_F(ExtractFileTest, UnreadableSectorFailsNamesTheFileAndLeavesNoFileThatLooksComplete) {
    disc.MakeUnreadable(static_cast<std::uint32_t>(big->IsoSector) + 40);
    TSessionReader reader = Reader(disc);
    EXPECT_FALSE(reader.ExtractFile(*big, dest));
    EXPECT_FALSE(std::filesystem::exists(dest));
    EXPECT_TRUE(Listing().empty());
    EXPECT_NE(reader.LastError.find("big.bin"), std::string::npos);
    EXPECT_NE(reader.LastError.find("UNREADABLE"), std::string::npos);
    EXPECT_TRUE(Posted(">>> ERROR EXTRACTING FILE big.bin", mtFileSystem));

    // A file already there under that name is not traded for a broken one.
    WriteAll(dest, {'o', 'l', 'd'});
    EXPECT_FALSE(reader.ExtractFile(*big, dest));
    EXPECT_EQ(ReadAll(dest), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(Listing(), std::vector<std::string>{"big.bin"});
}

TEST_F(ExtractFileTest, ExistingFileIsReplacedOnSuccess) {
    WriteAll(dest, {'o', 'l', 'd'});
    ASSERT_TRUE(Reader(disc).ExtractFile(*big, dest));
    EXPECT_EQ(ReadAll(dest), BigFileContent());
}

TEST_F(ExtractFileTest, CancelledExtractionLeavesNoFile) {
    std::atomic<bool> cancel{true};
    TSessionReader reader = Reader(disc);
    EXPECT_FALSE(reader.ExtractFile(*big, dest, &cancel));
    EXPECT_TRUE(Listing().empty());
    EXPECT_NE(reader.LastError.find("CANCELLED"), std::string::npos);
}

TEST_F(ExtractFileTest, DirectoriesAndLocalFilesAreNotExtractedFromTheDisc) {
    TSessionReader reader = Reader(disc);
    const TFEntry* docsItem = File("\\", "Docs");
    ASSERT_NE(docsItem, nullptr);
    EXPECT_FALSE(reader.ExtractFile(*docsItem, tmp.Path() + "/Docs"));
    TFEntry local = *big;
    local.Imported = false;
    local.SourcePath = "/home/me/big.bin";
    EXPECT_FALSE(reader.ExtractFile(local, dest));
    EXPECT_FALSE(reader.ExtractFile(*big, tmp.Path() + "/missing folder/big.bin"));
    EXPECT_TRUE(Listing().empty());
}

TEST_F(ExtractFileTest, EmptyFileBecomesAnEmptyLocalFile) {
    const TFEntry* empty = File("\\", "empty.txt");
    ASSERT_NE(empty, nullptr);
    disc.RecordReads = true;
    ASSERT_TRUE(Reader(disc).ExtractFile(*empty, tmp.Path() + "/empty.txt"));
    EXPECT_TRUE(disc.Reads.empty());
    EXPECT_EQ(std::filesystem::file_size(tmp.Path() + "/empty.txt"), 0u);
}

// --- Local names -------------------------------------------------------------------

TEST(SafeLocalNameTest, NamesThatWouldLeaveTheFolderOrHideBecomePlainComponents) {
    const std::pair<const char*, const char*> rows[] = {
        {"a/b.txt", "a_b.txt"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"..\\..\\boot.ini", ".._.._boot.ini"},
        {"..", "__"},
        {".", "_"},
        {"", "_"},
        {"...", "__"},  // the trailing dot goes, and what is left is ".."
        {"tab\there", "tab_here"},
        {"\x1B[2Jclear", "_[2Jclear"},
        {"c1\xC2\x9B" "csi", "c1_csi"},
        {"new\nline", "new_line"},
        {"README.", "README"},
        {"normal name.txt", "normal name.txt"},
        {"\xC3\x9C" "ber.txt", "\xC3\x9C" "ber.txt"},
    };
    for (const auto& [disc, local] : rows) EXPECT_EQ(SafeLocalName(disc), local) << disc;
    EXPECT_EQ(SafeLocalName("...", TLocalNameKind::Folder), "...");
    EXPECT_EQ(SafeLocalName("Folder.", TLocalNameKind::Folder), "Folder.");
}

TEST(SafeLocalNameTest, OverlongNameIsShortenedWholeCharactersAndKeepsItsExtension) {
    std::string name;
    for (int i = 0; i < 200; ++i) name += "\xC3\xA9";  // 400 bytes
    name += ".jpeg";
    const std::string local = SafeLocalName(name);
    EXPECT_LE(local.size(), kMaxLocalNameBytes);
    EXPECT_TRUE(local.ends_with(".jpeg"));
    EXPECT_EQ((local.size() - 5) % 2, 0u) << "no character cut in half";
}

TEST(LocalNameSetTest, NamesThatACaseBlindFileSystemWouldMergeGetNumbered) {
    TLocalNameSet names;
    EXPECT_EQ(names.Claim("Readme.txt"), "Readme.txt");
    EXPECT_EQ(names.Claim("README.TXT"), "README (2).TXT");
    EXPECT_EQ(names.Claim("readme.txt"), "readme (3).txt");
    EXPECT_EQ(names.Claim("\xC3\x84rger"), "\xC3\x84rger");
    EXPECT_EQ(names.Claim("\xC3\xA4rger"), "\xC3\xA4rger (2)");
    EXPECT_EQ(names.Claim("other.txt"), "other.txt");
    const std::string longest = std::string(251, 'x') + ".txt";
    EXPECT_EQ(names.Claim(longest), longest);
    const std::string second = names.Claim(longest);
    EXPECT_LE(second.size(), kMaxLocalNameBytes);
    EXPECT_TRUE(second.ends_with(" (2).txt"));
}

}  // namespace
}  // namespace sorvane::test
