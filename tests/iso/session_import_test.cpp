// Importing sessions of discs made by genisoimage.

#include <cstring>

#include "engine/rtl/date_time.h"
#include "tests/iso/disc_images.h"
#include "tests/iso/reader_fixture.h"

namespace sorvane::test {
namespace {

class SessionImportTest : public ReaderTest {
protected:
    TMemoryDisc disc = ThreeSessionDisc().Load();
};

TEST_F(SessionImportTest, LastSessionAndNumbersPastTheLastBothImportSessionThree) {
    for (const std::uint8_t session : {std::uint8_t{255}, std::uint8_t{5}}) {
        tree.ResetProject();
        messages.clear();
        ASSERT_TRUE(Reader(disc).ImportSession(session)) << int{session};
        EXPECT_TRUE(Posted(">>> IMPORTING SESSION # 3", mtInfo));
        EXPECT_NE(File("\\", "third.txt"), nullptr) << "only session 3 holds third.txt";
        EXPECT_NE(File("\\", "second.txt"), nullptr);
        EXPECT_NE(File("\\", "big.bin"), nullptr);
    }
}

TEST_F(SessionImportTest, EarlierSessionImportsOnlyWhatItHeld) {
    ASSERT_TRUE(Reader(disc).ImportSession(1));
    EXPECT_EQ(File("\\", "second.txt"), nullptr);
    EXPECT_EQ(File("\\", "third.txt"), nullptr);
    EXPECT_NE(File("\\", "big.bin"), nullptr);
}

TEST_F(SessionImportTest, JolietTreeGivesLongNamesInTheirRecordedCase) {
    TSessionReader reader = Reader(disc);
    ASSERT_TRUE(reader.ImportSession(255));
    EXPECT_FALSE(reader.ImportIncomplete);
    EXPECT_EQ(CountPosted("ERROR"), 0);
    const TDEntry* docs = tree.FindDir("\\Docs");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(docs->LongName, "Docs");
    EXPECT_EQ(Names(docs), std::vector<std::string>{kLongName});
    const TFEntry* big = File("\\", "big.bin");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->LongName, "big.bin") << "no version, recorded case";
    EXPECT_EQ(big->ShortName, "BIG.BIN");
    EXPECT_EQ(big->IsoSize, 100000);
}

TEST_F(SessionImportTest, ImportedEntriesCarryTheRecordedDate) {
    ASSERT_TRUE(Reader(disc).ImportSession(1));
    const TFEntry* big = File("\\", "big.bin");
    ASSERT_NE(big, nullptr);
    const TDateTime expected = *TryEncodeDateTime({2004, 5, 6, 7, 8, 9, 0});
    EXPECT_NEAR(big->DateTime, expected, 0.5 / 86400);
}

TEST_F(SessionImportTest, ImportedFilesKeepTheSectorsOfTheirDataInTheEarlierSession) {
    ASSERT_TRUE(Reader(disc).ImportSession(3));
    const TFEntry* big = File("\\", "big.bin");
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->Imported);
    EXPECT_TRUE(big->SourcePath.empty());
    EXPECT_EQ(big->IsoSector, big->JolietSector);
    EXPECT_LT(static_cast<std::uint32_t>(big->IsoSector), ThreeSessionDisc().Starts[1]) << "data of session 1";
    std::vector<std::uint8_t> data(49 * 2048);
    ASSERT_TRUE(disc.ReadSectors(static_cast<std::uint32_t>(big->IsoSector), 49, data.data()));
    data.resize(100000);
    EXPECT_EQ(data, BigFileContent());

    // README was replaced in session 2: the entry points at the new data.
    const TFEntry* readme = File("\\", "README.");
    ASSERT_NE(readme, nullptr);
    std::vector<std::uint8_t> sector(2048);
    ASSERT_TRUE(disc.ReadSectors(static_cast<std::uint32_t>(readme->IsoSector), 1, sector.data()));
    EXPECT_EQ(std::memcmp(sector.data(), "readme of session two\n", 22), 0);
}

TEST_F(SessionImportTest, EmptyFileIsImportedAsAFileOfTheDiscNotAsALocalOne) {
    ASSERT_TRUE(Reader(disc).ImportSession(1));
    const TFEntry* empty = File("\\", "empty.txt");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->IsoSize, 0);
    EXPECT_TRUE(empty->Imported) << "a file of size 0 must not be taken for one to be read from a local path";
    EXPECT_TRUE(empty->SourcePath.empty());
}

TEST_F(SessionImportTest, ImportingTwiceAddsNothingTheSecondTime) {
    ASSERT_TRUE(Reader(disc).ImportSession(255));
    const int files = tree.FileCount();
    const int dirs = tree.DirCount();
    ASSERT_TRUE(Reader(disc).ImportSession(255));
    EXPECT_EQ(tree.FileCount(), files);
    EXPECT_EQ(tree.DirCount(), dirs);
    EXPECT_EQ(CountPosted("NOT IMPORTED"), 0) << "a re-import is not a name clash";
}

TEST_F(SessionImportTest, FullProjectTablesMakeTheImportIncomplete) {
    tree.ClearProject(3, 8191);
    TSessionReader reader = Reader(disc);
    ASSERT_TRUE(reader.ImportSession(255));
    EXPECT_EQ(tree.FileCount(), 3);
    EXPECT_TRUE(reader.ImportIncomplete) << "a new session over this import would hide files of the disc";
    EXPECT_TRUE(Posted("MAXIMUM FILES CAN BE 3", mtTable));
}

TEST_F(SessionImportTest, UserEntriesWinOverImportedOnesOfTheSameName) {
    TSearchRec own;
    own.Name = "big.bin";
    own.Size = 5;
    own.Time = 1100000000;
    ASSERT_TRUE(tree.AddFile(tree.Root(), own, 0, "/home/me/big.bin"));
    ASSERT_TRUE(Reader(disc).ImportSession(255));
    const TFEntry* big = File("\\", "big.bin");
    EXPECT_EQ(big->SourcePath, "/home/me/big.bin");
    EXPECT_FALSE(big->Imported);
}

TEST_F(SessionImportTest, ImportUnderAGivenDirectory) {
    TDEntry* old = tree.CreateDir("\\Old");
    ASSERT_TRUE(Reader(disc).ImportSession(255, old));
    EXPECT_NE(File("\\Old", "third.txt"), nullptr);
    EXPECT_NE(tree.FindDir("\\Old\\Docs"), nullptr);
    EXPECT_EQ(File("\\", "third.txt"), nullptr);
}

class IsoOnlyImportTest : public ReaderTest {
protected:
    TMemoryDisc disc = IsoOnlyDisc().Load();
};

TEST_F(IsoOnlyImportTest, WithoutJolietTheIsoNamesAreUsedWithoutTheirVersion) {
    ASSERT_TRUE(Reader(disc).ImportSession(255));
    EXPECT_NE(File("\\", "BIG.BIN"), nullptr);
    const TFEntry* big = File("\\", "BIG.BIN");
    EXPECT_EQ(big->LongName, "BIG.BIN");
    EXPECT_EQ(big->IsoSize, 100000);
    for (const auto& entry : tree.FileTable()) EXPECT_EQ(entry->LongName.find(';'), std::string::npos);
}

TEST_F(IsoOnlyImportTest, OneCharacterDirectoryIsImportedLikeAnyOther) {
    ASSERT_TRUE(Reader(disc).ImportSession(255));
    const TDEntry* a = tree.FindDir("\\A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->LongName, "A");
    EXPECT_EQ(Names(a), std::vector<std::string>{"INSIDE.TXT"});
}

TEST_F(ReaderTest, EnhancedDescriptorBeforeTheJolietOneIsNotTakenForJoliet) {
    TMemoryDisc disc = IsoLevel4Disc().Load();
    ASSERT_TRUE(Reader(disc).ImportSession(255));
    // Lower case comes only from the Joliet tree here; the enhanced
    // descriptor's 8-bit names read as UCS-2 would be gibberish.
    EXPECT_NE(File("\\", "big.bin"), nullptr);
    EXPECT_NE(File("\\A", "inside.txt"), nullptr);
}

}  // namespace
}  // namespace sorvane::test
