// The walk of local folders every front end adds through: what it must
// leave out (and name) so that adding a folder always ends and a recording
// never waits on a file that has no end.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "tasks/local_walk.h"

namespace sorvane::tasks {
namespace {

namespace fs = std::filesystem;

class LocalWalk : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("sorvane-walk-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "top" / "sub");
        std::ofstream(root_ / "top" / "sub" / "file.txt") << "x";
    }
    void TearDown() override {
        fs::permissions(root_ / "top", fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root_);
    }

    // Walks `path` depth first as the pages do; answers the files reached.
    int Walk(const fs::path& path) {
        TLocalWalk walk([this](const std::string& p, const std::string& why) { leftOut_[p] = why; });
        TLocalItem item;
        if (!walk.Describe(path.string(), item)) return 0;
        return Count(walk, item, 0);
    }
    int Count(TLocalWalk& walk, const TLocalItem& item, int depth) {
        if (!item.IsFolder()) return 1;
        EXPECT_LT(depth, 16) << "the walk did not end";
        if (depth >= 16) return 0;
        std::vector<TLocalItem> children;
        if (!walk.List(item, children)) return 0;
        walk.Enter(item);
        int files = 0;
        for (const TLocalItem& child : children) files += Count(walk, child, depth + 1);
        walk.Leave();
        return files;
    }

    fs::path root_;
    std::map<std::string, std::string> leftOut_;
};

TEST_F(LocalWalk, LinkToAFolderAboveEndsAsALoopAndIsNamed) {
    fs::create_directory_symlink(root_ / "top", root_ / "top" / "sub" / "up");
    EXPECT_EQ(Walk(root_ / "top"), 1);
    ASSERT_EQ(leftOut_.count((root_ / "top" / "sub" / "up").string()), 1u);
    EXPECT_EQ(leftOut_[(root_ / "top" / "sub" / "up").string()], "symbolic link loop");
}

TEST_F(LocalWalk, FifoAndDanglingLinkAreLeftOutWithTheirReason) {
    ASSERT_EQ(::mkfifo((root_ / "top" / "pipe").c_str(), 0600), 0);
    fs::create_symlink(root_ / "nowhere", root_ / "top" / "dangling");
    EXPECT_EQ(Walk(root_ / "top"), 1);
    EXPECT_EQ(leftOut_[(root_ / "top" / "pipe").string()], "not a regular file or folder");
    EXPECT_EQ(leftOut_[(root_ / "top" / "dangling").string()], "symbolic link to nothing");
}

TEST_F(LocalWalk, FolderThatCannotBeListedIsNamedAndTheRestGoesOn) {
    if (::geteuid() == 0) GTEST_SKIP() << "root lists every folder";
    std::ofstream(root_ / "top" / "b.txt") << "y";
    fs::permissions(root_ / "top" / "sub", fs::perms::none);
    EXPECT_EQ(Walk(root_ / "top"), 1);
    EXPECT_NE(leftOut_[(root_ / "top" / "sub").string()].find("cannot list the folder"), std::string::npos);
    fs::permissions(root_ / "top" / "sub", fs::perms::owner_all);
}

TEST(LocalWalkOrder, FoldersFirstThenNamesWithoutRegardToCase) {
    std::vector<TLocalItem> items(4);
    items[0].Rec.Name = "b.txt";
    items[1].Rec.Name = "A.txt";
    items[2].Rec.Name = "zeta";
    items[2].Rec.Attr = faDirectory;
    items[3].Rec.Name = "a.txt";
    TLocalWalk::SortAsListed(items);
    EXPECT_EQ(items[0].Rec.Name, "zeta");
    EXPECT_EQ(items[1].Rec.Name, "A.txt");
    EXPECT_EQ(items[2].Rec.Name, "a.txt");
    EXPECT_EQ(items[3].Rec.Name, "b.txt");
}

}  // namespace
}  // namespace sorvane::tasks
