#include <cstdlib>
#include <fstream>

#include "tests/project/project_fixture.h"

namespace sorvane::test {
namespace {

TEST_F(ProjectTreeTest, NewProjectHoldsOnlyTheRoot) {
    EXPECT_EQ(tree.DirCount(), 0);
    EXPECT_EQ(tree.FileCount(), 0);
    TDEntry* root = tree.Root();
    EXPECT_EQ(tree.FindDir(""), root);
    EXPECT_EQ(tree.FindDir("\\"), root);
    EXPECT_EQ(root->Path, "\\");
    EXPECT_EQ(root->ShortName, "CD_ROOT");
    EXPECT_EQ(root->LongName, "CD Root Directory");
    EXPECT_EQ(root->Level, 1);
    EXPECT_EQ(root->Parent, root);
}

TEST_F(ProjectTreeTest, CreateDirMakesEveryLevelOnceInOrder) {
    TDEntry* c = tree.CreateDir("\\A\\B\\C");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(tree.DirCount(), 3);
    EXPECT_EQ(tree.DirTable()[1]->Path, "\\A");
    EXPECT_EQ(tree.DirTable()[2]->Path, "\\A\\B");
    EXPECT_EQ(tree.DirTable()[3]->Path, "\\A\\B\\C");
    EXPECT_EQ(c->Parent, tree.DirTable()[2].get());
    EXPECT_EQ(tree.CreateDir("\\A\\B\\C"), c);
    EXPECT_EQ(tree.DirCount(), 3);
    EXPECT_EQ(tree.FileCount(), 3) << "each directory has exactly one item in its parent's list";
}

TEST_F(ProjectTreeTest, FindDirIgnoresCaseAndOneTrailingBackslashButNeedsTheLeadingOne) {
    TDEntry* docs = tree.CreateDir("\\Docs");
    EXPECT_EQ(tree.FindDir("\\docs"), docs);
    EXPECT_EQ(tree.FindDir("\\DOCS\\"), docs);
    EXPECT_EQ(tree.FindDir("docs"), nullptr);
    EXPECT_EQ(docs->Path, "\\DOCS");
    EXPECT_EQ(docs->LongName, "Docs");
    EXPECT_EQ(docs->ShortName, "DOCS");
}

TEST_F(ProjectTreeTest, DirectoriesMadeByNameGetTheShortNameForm) {
    TDEntry* dir = tree.CreateDir("\\my photos \xC3\xA9t\xC3\xA9 2004-long");
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(dir->ShortName, "MY_PHOTOS__T_");  // 13 characters, "é" one "_" each
}

TEST_F(ProjectTreeTest, FileWithoutExtensionGetsATrailingDot) {
    ASSERT_TRUE(tree.AddFile(tree.Root(), FileRec("README"), 0, "/src/README"));
    TFEntry* e = tree.LastAddedEntry;
    EXPECT_EQ(e->LongName, "README.");
    EXPECT_EQ(e->ShortName, "README.");
    EXPECT_EQ(e->SourcePath, "/src/README");
    EXPECT_EQ(tree.FindFile(tree.Root(), "readme."), e);
}

TEST_F(ProjectTreeTest, DuplicateNameIsRefusedUnlessReplaceAndReplaceKeepsListPosition) {
    TDEntry* root = tree.Root();
    ASSERT_TRUE(tree.AddFile(root, FileRec("a.txt", 10), 0, "/x/a.txt"));
    ASSERT_TRUE(tree.AddFile(root, FileRec("b.txt", 20), 0, "/x/b.txt"));
    EXPECT_FALSE(tree.AddFile(root, FileRec("A.TXT", 99), 0, "/y/A.TXT"));
    EXPECT_EQ(tree.FindFile(root, "a.txt")->IsoSize, 10);

    // An imported entry that is replaced becomes a file to record again.
    ASSERT_TRUE(tree.AddFile(root, FileRec("c.txt", 5), 12345, ""));
    EXPECT_TRUE(tree.LastAddedEntry->Imported);
    tree.ReplaceFile = true;
    ASSERT_TRUE(tree.AddFile(root, FileRec("c.txt", 77, 1200000000), 0, "/new/c.txt"));
    TFEntry* c = tree.FindFile(root, "c.txt");
    EXPECT_FALSE(c->Imported);
    EXPECT_EQ(c->IsoSize, 77);
    EXPECT_EQ(c->JolietSize, 77);
    EXPECT_EQ(c->SourcePath, "/new/c.txt");
    EXPECT_EQ(*FileDateToDateTime(1200000000), c->DateTime);
    EXPECT_EQ(tree.LastAddedEntry, c);
    ASSERT_TRUE(tree.AddFile(root, FileRec("A.txt", 1), 0, "/z/A.txt"));
    EXPECT_EQ(ListNames(root), (std::vector<std::string>{"A.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(tree.FileCount(), 3);
}

TEST_F(ProjectTreeTest, ReplaceNeverTurnsADirectoryItemIntoAFile) {
    tree.CreateDir("\\notes.txt");
    tree.ReplaceFile = true;
    EXPECT_FALSE(tree.AddFile(tree.Root(), FileRec("notes.txt"), 0, "/x/notes.txt"));
    EXPECT_EQ(tree.FindDir("\\notes.txt")->Parent, tree.Root());
    EXPECT_TRUE(tree.FindFile(tree.Root(), "notes.txt")->IsDirectory());
}

TEST_F(ProjectTreeTest, NamesOf109UnitsAreAddedAnd110AreSkippedUnlessTheHandlerClearsSkip) {
    const std::string name109 = std::string(105, 'n') + ".txt";
    const std::string name110 = std::string(106, 'n') + ".txt";
    EXPECT_TRUE(tree.AddFile(tree.Root(), FileRec(name109), 0, "/a"));
    EXPECT_FALSE(tree.AddFile(tree.Root(), FileRec(name110), 0, "/b"));
    // Lengths count UTF-16 units: 106 two-byte characters are 106 units.
    std::string wide;
    for (int i = 0; i < 105; ++i) wide += "\xC3\xA9";
    EXPECT_TRUE(tree.AddFile(tree.Root(), FileRec(wide + ".txt"), 0, "/c"));

    tree.OnAddFile = [](TObject&, const std::string&, std::string&, std::string&, TDateTime&, int, std::int64_t,
                        bool& skip) { skip = false; };
    EXPECT_TRUE(tree.AddFile(tree.Root(), FileRec(name110), 0, "/b"));
}

TEST_F(ProjectTreeTest, HandlerChangesNamesAndDateBeforeAnythingIsAdded) {
    const TDateTime when = *TryEncodeDate(2001, 2, 3);
    std::string seenPath;
    TObject* seenSender = nullptr;
    tree.OnAddFile = [&](TObject& s, const std::string& path, std::string& longName, std::string& shortName,
                         TDateTime& date, int, std::int64_t size, bool&) {
        seenSender = &s;
        seenPath = path;
        EXPECT_EQ(size, 100);
        longName = "renamed.dat";
        shortName = "short.dat";
        date = when;
    };
    ASSERT_TRUE(tree.AddFile(tree.Root(), FileRec("orig.bin"), 0, "/src/orig.bin"));
    TFEntry* e = tree.LastAddedEntry;
    EXPECT_EQ(seenSender, &sender);
    EXPECT_EQ(seenPath, "/src/orig.bin");
    EXPECT_EQ(e->LongName, "renamed.dat");
    EXPECT_EQ(e->ShortName, "SHORT.DAT");
    EXPECT_EQ(e->DateTime, when);
    EXPECT_EQ(tree.FindFile(tree.Root(), "renamed.dat"), e);
    EXPECT_EQ(tree.FindFile(tree.Root(), "orig.bin"), nullptr);
}

TEST_F(ProjectTreeTest, FilesOf4GiBOrMoreAreRefusedWithAMessage) {
    EXPECT_TRUE(tree.AddFile(tree.Root(), FileRec("max.bin", 0xFFFFFFFFLL), 0, "/max.bin"));
    EXPECT_FALSE(tree.AddFile(tree.Root(), FileRec("big.iso", 0x100000000LL), 0, "/data/big.iso"));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().second, 4);
    EXPECT_NE(messages.back().first.find("/data/big.iso"), std::string::npos);
    EXPECT_EQ(tree.FileCount(), 1);
}

TEST_F(ProjectTreeTest, RenameChangesTheLongNameAlwaysAndTheShortNameUpTo13Units) {
    tree.AddFile(tree.Root(), FileRec("a.txt"), 0, "/a.txt");
    EXPECT_TRUE(tree.RenameEntry("\\", "a.txt", "letter.txt", "letter.txt"));
    TFEntry* e = tree.FindFile(tree.Root(), "letter.txt");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ShortName, "LETTER.TXT");
    EXPECT_FALSE(tree.RenameEntry("\\", "letter.txt", "longer name.txt", "fourteen_c.txt"));
    EXPECT_EQ(e->LongName, "longer name.txt");
    EXPECT_EQ(e->ShortName, "LETTER.TXT");
    EXPECT_TRUE(tree.RenameEntry("\\", "longer name.txt", "x.doc", ""));
    EXPECT_EQ(e->ShortName, "X.DOC");
    EXPECT_FALSE(tree.RenameEntry("\\", "missing", "y", "y"));
    EXPECT_FALSE(tree.RenameEntry("\\nowhere", "x.doc", "y", "y"));
}

TEST_F(ProjectTreeTest, RenamingADirectoryItemKeepsTheDirectoryPath) {
    TDEntry* dir = tree.CreateDir("\\old");
    EXPECT_TRUE(tree.RenameEntry("\\", "old", "new", "NEW"));
    EXPECT_EQ(tree.FindDir("\\OLD"), dir);
    EXPECT_EQ(dir->LongName, "old");
    EXPECT_EQ(tree.FindFile(tree.Root(), "new")->Dir, dir);
}

TEST_F(ProjectTreeTest, RemoveEntryTakesAWholeSubtreeOutOfEveryTable) {
    tree.CreateDir("\\keep");
    tree.CreateDir("\\gone\\deep\\deeper");
    tree.AddFile(tree.FindDir("\\gone\\deep"), FileRec("f1.txt"), 0, "/f1");
    tree.AddFile(tree.FindDir("\\gone\\deep\\deeper"), FileRec("f2.txt"), 0, "/f2");
    tree.AddFile(tree.Root(), FileRec("top.txt"), 0, "/top");
    ASSERT_EQ(tree.DirCount(), 4);
    ASSERT_EQ(tree.FileCount(), 7);

    EXPECT_TRUE(tree.RemoveEntry("\\", "GONE"));
    EXPECT_EQ(tree.DirCount(), 1);
    EXPECT_EQ(tree.FileCount(), 2);
    EXPECT_EQ(tree.FindDir("\\gone\\deep"), nullptr);
    EXPECT_EQ(tree.IsoDirOrder().size(), 2u);
    EXPECT_EQ(tree.JolietDirOrder().size(), 2u);
    EXPECT_EQ(ListNames(tree.Root()), (std::vector<std::string>{"keep", "top.txt"}));
    // The tail pointer follows removals: appending still works.
    EXPECT_TRUE(tree.RemoveEntry("\\", "top.txt"));
    tree.AddFile(tree.Root(), FileRec("after.txt"), 0, "/after");
    EXPECT_EQ(ListNames(tree.Root()), (std::vector<std::string>{"keep", "after.txt"}));
    EXPECT_FALSE(tree.RemoveEntry("\\", "gone"));
}

TEST_F(ProjectTreeTest, RemoveEmptyDirsCascadesUpwardsAndKeepsDirectoriesWithFiles) {
    tree.CreateDir("\\A\\B");
    tree.CreateDir("\\C\\D");
    tree.AddFile(tree.FindDir("\\C\\D"), FileRec("x.txt"), 0, "/x");
    tree.CreateDir("\\C\\E");
    EXPECT_TRUE(tree.RemoveEmptyDirs());
    EXPECT_EQ(tree.FindDir("\\A"), nullptr);
    EXPECT_EQ(tree.FindDir("\\A\\B"), nullptr);
    EXPECT_EQ(tree.FindDir("\\C\\E"), nullptr);
    EXPECT_NE(tree.FindDir("\\C\\D"), nullptr);
    EXPECT_EQ(tree.DirCount(), 2);
    EXPECT_EQ(tree.FileCount(), 3);
    EXPECT_EQ(ListNames(tree.Root()), (std::vector<std::string>{"C"}));
}

TEST_F(ProjectTreeTest, RemoveEmptyDirsEndsEvenWhenAnEmptyDirectoryWasRenamed) {
    tree.CreateDir("\\empty");
    tree.RenameEntry("\\", "empty", "Renamed", "");
    EXPECT_TRUE(tree.RemoveEmptyDirs());
    EXPECT_EQ(tree.DirCount(), 0);
    EXPECT_EQ(tree.FileCount(), 0);
}

TEST_F(ProjectTreeTest, InsertFileAddsALocalFileToAnExistingOrDerivedFolder) {
    char pattern[] = "/tmp/sorvane-insert-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    std::ofstream(dir + "/photo.jpg") << "12345678";

    tree.CreateDir("\\pics");
    EXPECT_TRUE(tree.InsertFile("\\pics", dir + "/photo.jpg", false));
    TFEntry* e = tree.FindFile(tree.FindDir("\\pics"), "photo.jpg");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->IsoSize, 8);
    EXPECT_EQ(e->ShortName, "PHOTO.JPG");

    EXPECT_TRUE(tree.InsertFile("", dir + "/photo.jpg", true));
    std::string projectFolder = dir;
    for (char& ch : projectFolder)
        if (ch == '/') ch = '\\';
    EXPECT_NE(tree.FindFile(tree.FindDir(projectFolder), "photo.jpg"), nullptr);

    messages.clear();
    EXPECT_FALSE(tree.InsertFile("\\missing", dir + "/photo.jpg", false));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::make_pair(std::string("INVALID DESTINATION PATH"), 4));
    EXPECT_FALSE(tree.InsertFile("\\pics", dir + "/nope.jpg", false));
    std::system(("rm -rf " + dir).c_str());
}

TEST_F(ProjectTreeTest, ABackslashInAFolderNameCannotBeReadAsTwoLevels) {
    TDEntry* odd = tree.AddDir(tree.Root(), DirRec("a\\b"));
    TDEntry* nested = tree.CreateDir("\\a\\b");
    ASSERT_NE(odd, nullptr);
    ASSERT_NE(nested, nullptr);
    EXPECT_NE(odd, nested);
    EXPECT_EQ(odd->LongName, "a_b");
}

TEST_F(ProjectTreeTest, ClearProjectEmptiesAndReadsTheTimeZone) {
    tree.CreateDir("\\x");
    TScopedClock clock(*TryEncodeDate(2020, 1, 1), -60);  // one hour east of UTC
    EXPECT_TRUE(tree.ClearProject(10, 5));
    EXPECT_EQ(tree.DirCount(), 0);
    EXPECT_EQ(tree.FileCount(), 0);
    EXPECT_EQ(tree.TimeZoneOffset, 4);
    EXPECT_EQ(tree.MaxFiles(), 10);
    EXPECT_EQ(tree.LastAddedEntry, nullptr);
}

}  // namespace
}  // namespace sorvane::test
