#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "engine/rtl/search_rec.h"

namespace sorvane {
namespace {

class SearchRecTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/sorvane-search-XXXXXX";
        root_ = ::mkdtemp(pattern);
        std::ofstream(root_ + "/a.txt") << "hello";
        std::ofstream(root_ + "/.hidden") << "x";
        ::mkdir((root_ + "/sub").c_str(), 0755);
    }
    void TearDown() override { std::system(("rm -rf " + root_).c_str()); }

    std::set<std::string> List(int mask) {
        std::set<std::string> names;
        TFileSearch search;
        TSearchRec rec;
        for (bool ok = search.FindFirst(root_ + "/*", mask, rec); ok; ok = search.FindNext(rec)) names.insert(rec.Name);
        return names;
    }

    std::string root_;
};

TEST_F(SearchRecTest, DescribesOneFileWithSizeAndTime) {
    TFileSearch search;
    TSearchRec rec;
    ASSERT_TRUE(search.FindFirst(root_ + "/a.txt", faAnyFile, rec));
    EXPECT_EQ(rec.Name, "a.txt");
    EXPECT_EQ(rec.Size, 5);
    EXPECT_EQ(rec.Attr & (faDirectory | faHidden), 0);
    EXPECT_GT(rec.Time, 0);
    EXPECT_TRUE(rec.AlternateName.empty());
    EXPECT_FALSE(search.FindFirst(root_ + "/missing", faAnyFile, rec));
}

TEST_F(SearchRecTest, DotNamesAreHiddenAndTheMaskFiltersThem) {
    EXPECT_EQ(List(faAnyFile), (std::set<std::string>{"a.txt", ".hidden", "sub"}));
    EXPECT_EQ(List(0), (std::set<std::string>{"a.txt"}));
    EXPECT_EQ(List(faDirectory), (std::set<std::string>{"a.txt", "sub"}));
    TSearchRec rec;
    ASSERT_TRUE(StatToSearchRec(root_ + "/.hidden", rec));
    EXPECT_TRUE(rec.Attr & faHidden);
    ASSERT_TRUE(StatToSearchRec(root_ + "/sub", rec));
    EXPECT_TRUE(rec.Attr & faDirectory);
    EXPECT_EQ(rec.Size, 0);
}

TEST_F(SearchRecTest, DescribingInsideAnOpenFolderGivesTheSameRecord) {
    DIR* dir = ::opendir(root_.c_str());
    ASSERT_NE(dir, nullptr);
    for (const std::string name : {"a.txt", ".hidden", "sub"}) {
        TSearchRec byPath, inFolder;
        struct stat st {};
        ASSERT_TRUE(StatToSearchRec(root_ + "/" + name, byPath));
        ASSERT_TRUE(StatAtToSearchRec(::dirfd(dir), name, inFolder, st));
        EXPECT_EQ(inFolder.Name, byPath.Name);
        EXPECT_EQ(inFolder.Size, byPath.Size);
        EXPECT_EQ(inFolder.Attr, byPath.Attr);
        EXPECT_EQ(inFolder.Time, byPath.Time);
    }
    TSearchRec rec;
    struct stat st {};
    EXPECT_FALSE(StatAtToSearchRec(::dirfd(dir), "missing", rec, st));
    ::closedir(dir);
}

}  // namespace
}  // namespace sorvane
