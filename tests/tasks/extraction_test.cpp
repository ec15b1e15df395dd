// Extraction from the disc in a drive, as both front ends run it: a stop
// asked for inside a large file ends the copy there, and a folder that
// cannot be made is told when it happens while the rest goes on.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/drive_disc_source.h"
#include "tasks/extraction.h"
#include "tests/device/vdrive_fixture.h"
#include "tests/iso/disc_images.h"

namespace sorvane::tasks {
namespace {

namespace fs = std::filesystem;

class Extraction : public test::VdriveTest {
protected:
    // A closed CD-R holding a.txt (6 bytes) and big.bin (4 MiB).
    TDiscSession InsertDisc() {
        const std::string tree = tmp.Path() + "/tree";
        fs::create_directories(tree);
        test::WriteAll(tree + "/a.txt", {'f', 'i', 'r', 's', 't', '\n'});
        big.resize(4u << 20);
        for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + i / 4093);
        test::WriteAll(tree + "/big.bin", big);
        const std::string image = tmp.Path() + "/disc.iso";
        EXPECT_EQ(std::system(("genisoimage -quiet -J -o '" + image + "' '" + tree + "'").c_str()), 0);
        AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR, vdrive::TMediumState::Finalized, image});
        OpenAndSelect();
        TDriveDiscSource disc(burner);
        TDiscSession session = ReadDiscSession(disc, 1, nullptr);
        SortForDisplay(session.Root);
        return session;
    }

    test::TTempDir tmp;
    std::vector<std::uint8_t> big;
};

TEST_F(Extraction, StopInsideALargeFileKeepsTheFilesBeforeAndLeavesNoPartOfIt) {
    const TDiscSession session = InsertDisc();
    ASSERT_TRUE(session.FileSystemFound);
    const std::string out = tmp.Path() + "/out";
    fs::create_directories(out);

    // a.txt takes one read, big.bin dozens: the third read is inside it.
    int asked = 0;
    TExtractEvents events;
    events.StopRequested = [&] { return ++asked >= 3; };
    const TExtractOutcome outcome = ExtractFromDisc(burner, session, nullptr, out, events);

    EXPECT_TRUE(outcome.Report.Cancelled);
    EXPECT_EQ(asked, 3) << "the copy of big.bin stops at the read after the stop";
    EXPECT_EQ(outcome.Totals.Files, 2);
    EXPECT_EQ(outcome.Report.Files, 1);
    const std::string folder = out + "/" + session.Caption();
    EXPECT_EQ(test::ReadAll(folder + "/a.txt"), (std::vector<std::uint8_t>{'f', 'i', 'r', 's', 't', '\n'}));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"a.txt"}) << "no part of big.bin stays";
    EXPECT_EQ(ExtractSummary(outcome, 1, out),
              "Extraction cancelled: 1 of 2 files were not extracted; the 1 copied stay in " + out + ".");

    // Nothing asked to stop: everything arrives whole.
    const TExtractOutcome whole = ExtractFromDisc(burner, session, FindDiscNode(session.Root, "big.bin"), out, {});
    EXPECT_TRUE(whole.Complete());
    EXPECT_EQ(test::ReadAll(out + "/big.bin"), big);
}

TEST_F(Extraction, AFolderThatCannotBeMadeIsToldAndListed) {
    const TDiscSession session = InsertDisc();
    const std::string out = tmp.Path() + "/out";
    fs::create_directories(out);
    // A file where the session's folder would go.
    std::ofstream(out + "/" + session.Caption()) << "in the way";

    std::vector<std::string> told;
    TExtractEvents events;
    events.FolderNotCreated = [&](const std::string& path, const std::string&) { told.push_back(path); };
    const TExtractOutcome outcome = ExtractFromDisc(burner, session, nullptr, out, events);

    EXPECT_EQ(told, std::vector<std::string>{out + "/" + session.Caption()});
    ASSERT_EQ(outcome.Report.Failures.size(), 1u);
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(ExtractSummary(outcome, 1, out),
              "Extraction incomplete: 2 of 2 files were not extracted; the 0 copied stay in " + out + ".");
}

}  // namespace
}  // namespace sorvane::tasks
