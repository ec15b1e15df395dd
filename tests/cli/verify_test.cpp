// sorvane-cli burn, continue and burn-image with --verify, and sorvane-cli
// verify, on the emulated recorder with the faults a verification is there
// to catch: sectors written without an error that read back different, and
// sectors that cannot be read once written. Where a file lies is learnt
// from a first recording of the same sources, which the next one on a
// blank disc of the same kind repeats sector for sector.

#include <map>
#include <regex>
#include <sstream>

#include "engine/rtl/format.h"
#include "tests/cli/cli_fixture.h"

namespace sorvane::test {
namespace {

using K = vdrive::TMediumKind;

// A sector number as messages write it: "81,220".
std::string FormatCount(std::uint32_t n) { return FormatFloat("#,##0", n); }

class VerifyCli : public CliTest {
protected:
    // The first sector of every file in the root of the disc's last
    // session, from sessions -v.
    std::map<std::string, std::uint32_t> RootExtents() {
        const TRun run = Cli("sessions -v");
        EXPECT_EQ(run.ExitCode, 0) << run.Output;
        std::map<std::string, std::uint32_t> extents;
        static const std::regex line(R"(^ *\d+  (?:\S+ \S+|-) +(\d+) +(\S.*)$)");
        std::istringstream lines(run.Output);
        for (std::string text; std::getline(lines, text);)
            if (std::smatch m; std::regex_match(text, m, line)) extents[m[2]] = std::stoul(m[1]);
        return extents;
    }

    void Arm(const vdrive::TFaults& faults) {
        recorder.Change([&](vdrive::THost& host) { host.SetFaults(0, faults); });
    }

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(VerifyCli, CleanRecordingIsConfirmedAndSilentCorruptionInOneFileIsNamedWithExitStatus4) {
    const std::string a = Quote(Write("a.txt", "alpha\n"));
    const std::string photo = Quote(Write("img_0042.jpg", Noise(1 << 20, 1)));
    Insert({K::CdR});
    TRun run = Cli("burn --verify " + a + " " + photo);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Record finished successfully\nVerifying...\nVerify finished: the disc holds what was "
                              "recorded (2 files, "),
              std::string::npos)
        << run.Output;
    const std::uint32_t photoStart = RootExtents().at("img_0042.jpg");

    // The same recording on a disc that keeps one sector of the photo wrong.
    Insert({K::CdR});
    vdrive::TFaults faults;
    faults.CorruptedLbas = std::make_pair(photoStart + 300, photoStart + 300);
    Arm(faults);
    run = Cli("burn --verify " + a + " " + photo);
    EXPECT_EQ(run.ExitCode, 4) << run.Output;
    EXPECT_NE(run.Output.find("Record finished successfully\n"), std::string::npos) << run.Output;
    // The photo alone, placed within its piece of the recording.
    const std::regex named("img_0042\\.jpg: sectors [0-9,]+\u2013[0-9,]+ differ from what was recorded");
    std::vector<std::string> problems;
    for (const std::string& line : Lines(run.Output))
        if (line.find(": sector") != std::string::npos) problems.push_back(line);
    ASSERT_EQ(problems.size(), 1u) << run.Output;
    EXPECT_TRUE(std::regex_match(problems[0], named)) << problems[0];
    EXPECT_NE(run.Output.find("Verify finished with 1 problem: the disc does not hold what was recorded\n"),
              std::string::npos)
        << run.Output;
    EXPECT_FALSE(Status().Locked);

    // Against its source the difference is placed to the sector; read for
    // readability alone, the disc is fine.
    run = Cli("verify " + a + " " + photo);
    EXPECT_EQ(run.ExitCode, 4) << run.Output;
    EXPECT_NE(run.Output.find("img_0042.jpg: sector " + FormatCount(photoStart + 300) + " differs from the source\n"),
              std::string::npos)
        << run.Output;
    EXPECT_EQ(run.Output.find("a.txt"), std::string::npos) << run.Output;
    EXPECT_EQ(Cli("verify").ExitCode, 0);

    // A simulated recording leaves nothing to read back.
    run = Cli("burn --verify --test-write " + a);
    EXPECT_EQ(run.ExitCode, 2) << run.Output;
}

TEST_F(VerifyCli, UnreadableSectorsAreReportedWithTheFilesTheyBelongTo) {
    const std::string one = Quote(Write("one.bin", Noise(40 * 2048, 2)));
    const std::string two = Quote(Write("two.bin", Noise(40 * 2048, 3)));
    Insert({K::DvdPlusR});
    ASSERT_EQ(Cli("burn " + one + " " + two).ExitCode, 0);
    const auto extents = RootExtents();
    const std::uint32_t boundary = extents.at("two.bin");
    ASSERT_EQ(extents.at("one.bin") + 40, boundary);

    // Ten sectors across the boundary between the two files fade once
    // written.
    Insert({K::DvdPlusR});
    vdrive::TFaults faults;
    faults.UnreadableAfterWriteLbas = std::make_pair(boundary - 5, boundary + 4);
    Arm(faults);
    const std::string expected = "one.bin: sectors " + FormatCount(boundary - 5) + "\u2013" +
                                 FormatCount(boundary - 1) + " unreadable\ntwo.bin: sectors " +
                                 FormatCount(boundary) + "\u2013" + FormatCount(boundary + 4) + " unreadable\n";
    TRun run = Cli("burn --verify " + one + " " + two);
    EXPECT_EQ(run.ExitCode, 4) << run.Output;
    EXPECT_NE(run.Output.find(expected), std::string::npos) << run.Output;

    // Read again later, without the sources: the same two files.
    run = Cli("verify --session 1");
    EXPECT_EQ(run.ExitCode, 4) << run.Output;
    EXPECT_NE(run.Output.find(expected + "Verify finished with 2 problems: the disc cannot be read whole\n"),
              std::string::npos)
        << run.Output;
}

TEST_F(VerifyCli, RecordedImageVerifiesAgainstTheImageAndNamesTheImagesOwnFiles) {
    Write("tree/notes.txt", "notes\n");
    Write("tree/data/large.bin", Noise(300000, 4));
    const std::string image = tmp.Path() + "/tree.iso";
    ASSERT_EQ(Cli("make-iso -o " + Quote(image) + " " + Quote(work + "/tree")).ExitCode, 0);
    Insert({K::DvdPlusRw});
    TRun run = Cli("burn-image --verify " + Quote(image));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Verify finished: the disc holds what was recorded (2 files, "), std::string::npos)
        << run.Output;

    // Where the large file lies in the image, from the image's tree.
    const TRun list = Cli("sessions -v");
    static const std::regex line(R"( (\d+) +large\.bin)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(list.Output, m, line)) << list.Output;
    const std::uint32_t large = static_cast<std::uint32_t>(std::stoul(m[1]));
    Insert({K::DvdPlusRw});
    vdrive::TFaults faults;
    faults.CorruptedLbas = std::make_pair(large + 10, large + 10);
    Arm(faults);
    run = Cli("burn-image --verify " + Quote(image));
    EXPECT_EQ(run.ExitCode, 4) << run.Output;
    EXPECT_TRUE(std::regex_search(run.Output, std::regex("\ntree/data/large\\.bin: sectors [0-9,\u2013]+ differ")))
        << run.Output;
}

TEST_F(VerifyCli, VerifyAgainstChangedSourcesNamesTheChangedFiles) {
    Write("docs/same.txt", "unchanged\n");
    Write("docs/changed.bin", Noise(10000, 5));
    Write("docs/shrunk.txt", "a line that will lose its end\n");
    const std::string docs = Quote(work + "/docs");
    Insert({K::CdRw});
    ASSERT_EQ(Cli("burn " + docs).ExitCode, 0);
    TRun run = Cli("verify " + docs);
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Verify finished: the disc holds what the sources do (3 files, "), std::string::npos)
        << run.Output;

    std::vector<std::uint8_t> content = Noise(10000, 5);
    content[5000] ^= 0xFF;  // in the file's third sector
    Write("docs/changed.bin", content);
    Write("docs/shrunk.txt", "a line\n");
    Write("docs/new.txt", "added later\n");
    const std::uint32_t sector = [&] {
        const TRun list = Cli("sessions -v");
        std::smatch m;
        EXPECT_TRUE(std::regex_search(list.Output, m, std::regex(R"( (\d+) +changed\.bin)"))) << list.Output;
        return static_cast<std::uint32_t>(std::stoul(m[1])) + 2;
    }();
    run = Cli("verify " + docs);
    EXPECT_EQ(run.ExitCode, 4) << run.Output;
    EXPECT_EQ(run.Output,
              "docs/changed.bin: sector " + FormatCount(sector) +
                  " differs from the source\n"
                  "docs/new.txt: not on the disc\n"
                  "docs/shrunk.txt: 30 bytes on the disc, 7 bytes in the source\n"
                  "Verify finished with 3 problems: the disc does not hold what the sources do\n");
}

}  // namespace
}  // namespace sorvane::test
