// Listing a disc's sessions and extracting files, folders and sessions
// from them into a local folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>

#include "engine/iso/session_browser.h"
#include "tests/iso/crafted_disc.h"
#include "tests/iso/disc_images.h"

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

std::string Text(const std::string& path) {
    const auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

// Every path below `root`, relative to it, links not followed.
std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(root)) paths.push_back(fs::relative(e.path(), root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

class SessionBrowserTest : public testing::Test {
protected:
    TDebugSink Sink() {
        return [this](const std::string& message, int mType) {
            messages.emplace_back(message, mType);
            if (OnMessage) OnMessage(message);
        };
    }

    TMemoryDisc disc = ThreeSessionDisc().Load();
    TTempDir tmp;
    std::vector<std::pair<std::string, int>> messages;
    std::function<void(const std::string&)> OnMessage;
};

TEST_F(SessionBrowserTest, EverySessionIsListedWithItsOwnFileSystem) {
    const std::vector<TDiscSession> sessions = ReadDiscSessions(disc, Sink());
    ASSERT_EQ(sessions.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const TDiscSession& s = sessions[static_cast<std::size_t>(i)];
        EXPECT_EQ(s.Number, i + 1);
        EXPECT_TRUE(s.FileSystemFound);
        EXPECT_EQ(s.Tree, TTreeKind::Joliet);
        EXPECT_EQ(s.Track.TrackStart, ThreeSessionDisc().Starts[i]);
        char caption[64];
        std::snprintf(caption, sizeof caption, "Session  %03d - %.2f Mb", i + 1,
                      static_cast<double>(ThreeSessionDisc().Sessions[i].size()) / 1048576.0);
        EXPECT_EQ(s.Caption(), caption);
    }
    EXPECT_EQ(FindDiscNode(sessions[0].Root, "second.txt"), nullptr);
    EXPECT_NE(FindDiscNode(sessions[1].Root, "second.txt"), nullptr);
    EXPECT_EQ(FindDiscNode(sessions[1].Root, "third.txt"), nullptr);
    EXPECT_NE(FindDiscNode(sessions[2].Root, "third.txt"), nullptr);

    const TDiscNode* big = FindDiscNode(sessions[2].Root, "/BIG.bin");
    ASSERT_NE(big, nullptr) << "paths match without regard to case";
    EXPECT_EQ(big->Name, "big.bin");
    EXPECT_EQ(big->Size, 100000u);
    EXPECT_LT(big->Extent, ThreeSessionDisc().Starts[1]);
    EXPECT_NEAR(big->DateTime, *TryEncodeDateTime({2004, 5, 6, 7, 8, 9, 0}), 0.5 / 86400);
    const TDiscNode* longName = FindDiscNode(sessions[2].Root, std::string("\\Docs\\") + kLongName);
    ASSERT_NE(longName, nullptr);
    EXPECT_FALSE(longName->Directory);
    EXPECT_TRUE(FindDiscNode(sessions[2].Root, "Docs")->Directory);
}

TEST_F(SessionBrowserTest, ExtractingASessionMakesAFolderNamedAfterItsCaption) {
    const auto sessions = ReadDiscSessions(disc, Sink());
    TSessionExtractor extractor(disc, Sink());
    const TExtractReport report = extractor.ExtractSession(sessions[1], tmp.Path());
    EXPECT_TRUE(report.Ok());
    EXPECT_EQ(report.Files, 6);
    EXPECT_EQ(report.Folders, 3);
    const std::string root = tmp.Path() + "/" + sessions[1].Caption();
    EXPECT_EQ(Tree(root), (std::vector<std::string>{"A", "A/inside.txt", "Docs", std::string("Docs/") + kLongName,
                                                     "README", "big.bin", "empty.txt", "second.txt"}));
    EXPECT_EQ(ReadAll(root + "/big.bin"), BigFileContent());
    EXPECT_EQ(Text(root + "/README"), "readme of session two\n");
    EXPECT_TRUE(report.Renamed.empty()) << "dropping the dot of README. is no renaming";
}

TEST_F(SessionBrowserTest, ExtractingAFileOfTheRootWritesItDirectlyIntoTheFolder) {
    const TDiscSession session = ReadDiscSession(disc, 2, Sink());
    TSessionExtractor extractor(disc, Sink());
    const TExtractReport report = extractor.ExtractNode(*FindDiscNode(session.Root, "second.txt"), tmp.Path());
    EXPECT_TRUE(report.Ok());
    EXPECT_EQ(Tree(tmp.Path()), std::vector<std::string>{"second.txt"});
    EXPECT_EQ(Text(tmp.Path() + "/second.txt"), "second session\n");
}

TEST_F(SessionBrowserTest, StopDuringAFolderLeavesTheFilesCopiedSoFarAndNoPartialOne) {
    const TDiscSession session = ReadDiscSession(disc, 1, Sink());
    std::atomic<bool> cancel{false};
    int started = 0;
    OnMessage = [&](const std::string& message) {
        if (message.find("EXTRACTING FILE") != std::string::npos && ++started == 2) cancel = true;
    };
    TSessionExtractor extractor(disc, Sink());
    extractor.Cancel = &cancel;
    const TExtractReport report = extractor.ExtractSession(session, tmp.Path());
    EXPECT_TRUE(report.Cancelled);
    EXPECT_FALSE(report.Ok());
    EXPECT_EQ(report.Files, 1);
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(tmp.Path()))
        if (e.is_regular_file()) files.push_back(e.path().string());
    ASSERT_EQ(files.size(), 1u) << "the file in progress is removed";
    const TDiscNode* done =
        FindDiscNode(session.Root, fs::relative(files[0], tmp.Path() + "/" + session.Caption()).string());
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(fs::file_size(files[0]), done->Size);
}

// --- Crafted discs ----------------------------------------------------------------

constexpr std::uint32_t kRoot = 20;
constexpr std::uint32_t kJoliet = 40;
constexpr std::uint32_t kData = 500;

TRec JFile(const std::string& name, std::uint32_t extent = kData, std::uint32_t length = 5) {
    return TRec{Ucs2(name), extent, length, 0};
}
TRec JDir(const std::string& name, std::uint32_t extent) { return TRec{Ucs2(name), extent, 2048, 0x02}; }

class CraftedBrowserTest : public SessionBrowserTest {
protected:
    CraftedBrowserTest() : c(kRoot, kJoliet) {
        c.PutDirectory(kRoot, kRoot, {});
        c.Put(kData, TBytes{'d', 'a', 't', 'a', '\n'});
    }
    TCraftedDisc c;
};

TEST_F(CraftedBrowserTest, HostileNamesNeverLeaveTheChosenFolderAndCaseTwinsBothSurvive) {
    c.PutDirectory(kJoliet, kJoliet,
                   {JFile("../escape.txt"), JFile("a/b.txt"), JFile("..\\win.txt"), JFile("Readme.txt"),
                    JFile("README.TXT"), JFile("bell\a.txt"), JDir("sub/../..", 60), JDir("..", 61)});
    c.PutDirectory(60, kJoliet, {JFile("f.txt")});
    c.PutDirectory(61, kJoliet, {JFile("g.txt")});
    fs::create_directory(tmp.Path() + "/out");

    const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
    TSessionExtractor extractor(c.Disc, Sink());
    const TExtractReport report = extractor.ExtractSession(session, tmp.Path() + "/out");
    EXPECT_TRUE(report.Ok());
    EXPECT_EQ(Tree(tmp.Path()).front(), "out");
    const std::string root = "out/" + session.Caption() + "/";
    EXPECT_EQ(Tree(tmp.Path()),
              (std::vector<std::string>{"out", "out/" + session.Caption(), root + ".._escape.txt",
                                        root + ".._win.txt", root + "README (2).TXT", root + "Readme.txt",
                                        root + "a_b.txt", root + "bell_.txt", root + "sub_.._..",
                                        root + "sub_.._../f.txt"}));
    EXPECT_EQ(Text(tmp.Path() + "/" + root + "README (2).TXT"), "data\n");
    EXPECT_EQ(report.Renamed.size(), 6u);
}

TEST_F(CraftedBrowserTest, LinksPlantedInTheTargetFolderAreReplacedOrRefusedNeverFollowed) {
    c.PutDirectory(kJoliet, kJoliet, {JFile("victim.txt"), JDir("Docs", 60)});
    c.PutDirectory(60, kJoliet, {JFile("x.txt")});
    const std::string out = tmp.Path() + "/out";
    const std::string outside = tmp.Path() + "/outside";
    fs::create_directories(out);
    fs::create_directories(outside);
    WriteAll(outside + "/victim.txt", {'k', 'e', 'e', 'p'});
    fs::create_symlink(outside + "/victim.txt", out + "/victim.txt");
    fs::create_directory_symlink(outside, out + "/Docs");

    const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
    TSessionExtractor extractor(c.Disc, Sink());
    const TExtractReport file = extractor.ExtractNode(*FindDiscNode(session.Root, "victim.txt"), out);
    EXPECT_TRUE(file.Ok());
    EXPECT_EQ(Text(outside + "/victim.txt"), "keep");
    EXPECT_FALSE(fs::is_symlink(out + "/victim.txt"));
    EXPECT_EQ(Text(out + "/victim.txt"), "data\n");

    const TExtractReport folder = extractor.ExtractNode(*FindDiscNode(session.Root, "Docs"), out);
    EXPECT_FALSE(folder.Ok());
    ASSERT_EQ(folder.Failures.size(), 1u);
    EXPECT_NE(folder.Failures[0].find("ERROR CREATING FOLDER"), std::string::npos);
    EXPECT_FALSE(fs::exists(outside + "/x.txt"));
}

TEST_F(CraftedBrowserTest, EmptyFolderIsExtractedAsAnEmptyFolder) {
    c.PutDirectory(kJoliet, kJoliet, {JDir("Empty", 60)});
    c.PutDirectory(60, kJoliet, {});
    const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
    TSessionExtractor extractor(c.Disc, Sink());
    EXPECT_TRUE(extractor.ExtractNode(*FindDiscNode(session.Root, "Empty"), tmp.Path()).Ok());
    EXPECT_TRUE(fs::is_directory(tmp.Path() + "/Empty"));
}

TEST_F(CraftedBrowserTest, FileInPiecesIsListedAndExtractedWhole) {
    TRec first = JFile("huge.bin", 600, 2048);
    first.Flags = 0x80;
    c.PutDirectory(kJoliet, kJoliet, {first, JFile("huge.bin", 700, 100)});
    c.Put(600, TBytes(2048, 'a'));
    c.Put(700, TBytes(100, 'b'));
    const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
    ASSERT_EQ(session.Root.Children.size(), 1u);
    const TDiscNode& huge = session.Root.Children[0];
    EXPECT_EQ(huge.Size, 2148u);
    TSessionExtractor extractor(c.Disc, Sink());
    EXPECT_TRUE(extractor.ExtractNode(huge, tmp.Path()).Ok());
    EXPECT_EQ(Text(tmp.Path() + "/huge.bin"), std::string(2048, 'a') + std::string(100, 'b'));
}

TEST_F(CraftedBrowserTest, UnreadableFileIsReportedAndItsSiblingsStillExtracted) {
    c.PutDirectory(kJoliet, kJoliet, {JFile("bad.txt", 900), JFile("good.txt")});
    const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
    TSessionExtractor extractor(c.Disc, Sink());
    const TExtractReport report = extractor.ExtractSession(session, tmp.Path());
    EXPECT_EQ(report.Files, 1);
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_NE(report.Failures[0].find("bad.txt"), std::string::npos);
    EXPECT_NE(report.Failures[0].find("UNREADABLE"), std::string::npos);
    EXPECT_EQ(Tree(tmp.Path()),
              (std::vector<std::string>{session.Caption(), session.Caption() + "/good.txt"}));
}

TEST_F(CraftedBrowserTest, SessionsWithoutTrackOrFileSystemAreListedAndTheOthersRead) {
    c.PutDirectory(kJoliet, kJoliet, {JFile("one.txt")});
    c.Disc.AddSession({5000, 10});
    c.Disc.FailTrackInformation(2);
    c.Disc.AddSession({6000, 10});
    const auto sessions = ReadDiscSessions(c.Disc, Sink());
    ASSERT_EQ(sessions.size(), 3u);
    EXPECT_TRUE(sessions[0].FileSystemFound);
    EXPECT_EQ(sessions[0].Root.Children.size(), 1u);
    EXPECT_FALSE(sessions[1].TrackKnown);
    EXPECT_FALSE(sessions[1].FileSystemFound);
    EXPECT_TRUE(sessions[2].TrackKnown);
    EXPECT_FALSE(sessions[2].FileSystemFound);
    ASSERT_FALSE(sessions[2].Problems.empty());
    EXPECT_NE(sessions[2].Problems[0].find("(ISO IMAGE NOT FOUND)"), std::string::npos);

    TSessionExtractor extractor(c.Disc, Sink());
    EXPECT_FALSE(extractor.ExtractSession(sessions[2], tmp.Path()).Ok()) << "nothing to extract is no success";
    EXPECT_TRUE(Tree(tmp.Path()).empty());
}

TEST_F(CraftedBrowserTest, LoopingTreeIsListedOnceAndMarkedIncomplete) {
    c.PutDirectory(kJoliet, kJoliet, {JDir("again", kJoliet), JFile("one.txt")});
    const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
    EXPECT_TRUE(session.Truncated);
    ASSERT_EQ(session.Root.Children.size(), 1u);
    EXPECT_EQ(session.Root.Children[0].Name, "one.txt");
    ASSERT_EQ(session.Problems.size(), 1u);
    EXPECT_NE(session.Problems[0].find("POINTS BACK"), std::string::npos);
}

}  // namespace
}  // namespace sorvane::test
