#include "tests/project/project_fixture.h"

#include "engine/rtl/format.h"

namespace sorvane::test {
namespace {

TEST_F(ProjectTreeTest, TheDirectoryPastTheLimitIsRefusedWithItsMessage) {
    tree.ClearProject(100, 4);  // the root and three more
    EXPECT_NE(tree.CreateDir("\\a"), nullptr);
    EXPECT_NE(tree.CreateDir("\\b"), nullptr);
    EXPECT_NE(tree.CreateDir("\\c"), nullptr);
    messages.clear();
    EXPECT_EQ(tree.CreateDir("\\d"), nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, ">>> MAXIMUM DIRECTORIES CAN BE 4");
    EXPECT_EQ(messages[0].second, 3);
    EXPECT_EQ(tree.DirCount(), 3);
    EXPECT_EQ(tree.FileCount(), 3) << "a refused directory leaves no item behind";
}

TEST_F(ProjectTreeTest, TheEntryPastTheLimitIsRefusedWithItsMessage) {
    tree.ClearProject(2, 10);
    EXPECT_TRUE(tree.AddFile(tree.Root(), FileRec("1.txt"), 0, "/1"));
    EXPECT_TRUE(tree.AddFile(tree.Root(), FileRec("2.txt"), 0, "/2"));
    messages.clear();
    EXPECT_FALSE(tree.AddFile(tree.Root(), FileRec("3.txt"), 0, "/3"));
    EXPECT_EQ(tree.CreateDir("\\d"), nullptr);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], std::make_pair(std::string("MAXIMUM FILES CAN BE 2"), 3));
    EXPECT_EQ(tree.DirCount(), 0) << "a directory without room for its item is not added";
}

TEST_F(ProjectTreeTest, DefaultLimitsAccept8191DirectoriesAnd65535Entries) {
    for (int i = 1; i < 8191; ++i) ASSERT_NE(tree.CreateDir(Format("\\d%d", i)), nullptr) << i;
    EXPECT_EQ(tree.CreateDir("\\one-too-many"), nullptr);
    EXPECT_EQ(tree.DirCount(), 8190);
    TDEntry* last = tree.FindDir("\\d8190");
    int added = tree.FileCount();
    for (int i = 0; added < 65535; ++i, ++added) ASSERT_TRUE(tree.AddFile(last, FileRec(Format("f%d.bin", i)), 0, "/f"));
    EXPECT_FALSE(tree.AddFile(last, FileRec("overflow.bin"), 0, "/f"));
    EXPECT_EQ(tree.FileCount(), 65535);
    EXPECT_EQ(messages.back().first, "MAXIMUM FILES CAN BE 65535");
}

}  // namespace
}  // namespace sorvane::test
