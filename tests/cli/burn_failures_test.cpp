// How sorvane-cli burn, continue and burn-image end when the recording may
// not or does not happen: each with the wizard's message and a disc left as
// it was, and a recording stopped with Ctrl-C with the drive let go.

#include "tests/cli/cli_fixture.h"
#include "tests/cli/image_readers.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane::test {
namespace {

using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

constexpr std::int64_t kMb = 1048576;

class RecordEnds : public CliTest {
protected:
    std::string SmallFile() { return Quote(Write("small.txt", "small\n")); }
};

TEST_F(RecordEnds, DiscsThatCannotTakeARecordingAreEjectedWithTheReason) {
    const struct {
        vdrive::TMediumRequest Medium;
        const char* Command;
        const char* Output;
    } cases[] = {
        {{K::None}, "burn", "sorvane-cli burn: No disc or unknown type.\n"},
        {{K::None}, "burn-image", "sorvane-cli burn-image: Device is not ready.\n"},
        {{K::CdRom, S::Finalized, VdriveTest::MakeImage(400, "pressed.iso")},
         "continue",
         "sorvane-cli continue: Record on CD-ROM is impossible.\n"},
        {{K::CdR, S::Finalized, VdriveTest::MakeImage(400, "finalized.iso")},
         "continue",
         "sorvane-cli continue: Disc is finalized.\n"},
        // Refused before an erase that could only fail.
        {{K::CdR}, "burn --erase", "sorvane-cli burn: Insert RW-disc for erasing...\n"},
        // Said once, with what would do.
        {{K::CdR, S::Closed, VdriveTest::MakeImage(400, "used.iso")},
         "burn-image",
         "sorvane-cli burn-image: The disc is not empty: an image is recorded from the disc's first sector, so it "
         "needs a blank disc.\n"},
    };
    const std::string file = SmallFile();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Command);
        Insert(c.Medium);
        const TRun run = Cli(std::string(c.Command) + " " + file);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Output, c.Output);
        const vdrive::TDriveStatus status = Status();
        EXPECT_EQ(status.TrayOpen, c.Medium.Kind != K::None || std::string(c.Command) == "burn");
        EXPECT_FALSE(status.Locked);
        EXPECT_EQ(status.Sessions.size(), c.Medium.State == S::Blank ? 0u : 1u) << "nothing recorded";
    }
}

TEST_F(RecordEnds, ProjectOrImageLargerThanTheFreeSpaceIsRefusedBeforeAnythingIsWritten) {
    // Sparse: never read, since the check comes first.
    const std::string large = Quote(Sparse("large.bin", 800 * kMb));
    Insert({K::CdR});
    TRun run = Cli("burn " + large);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli burn: Project size overreached free disc space.\n");
    run = Cli("burn-image " + large);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli burn-image: Project size overreached free disc space.\n");
    EXPECT_EQ(Status().State, "blank");
}

TEST_F(RecordEnds, EraseQuestionIsAnsweredYesOnlyByTheEraseOption) {
    Insert({K::CdRw, S::Finalized, VdriveTest::MakeImage(400, "full.iso")});
    const std::string file = SmallFile();
    TRun run = Cli("burn " + file);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output,
              "sorvane-cli burn: Record will be possible after erase only.\nErase disc first?\n"
              "Give --erase to answer Yes.\n");
    EXPECT_EQ(Status().State, "finalized");

    run = Cli("burn --erase " + file);
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output.rfind("Quick erase\nErase finished successfully\nRecord on ", 0), 0u) << run.Output;
    EXPECT_NE(run.Output.find("\nRecord finished successfully\n"), std::string::npos) << run.Output;
    const vdrive::TDriveStatus status = Status();
    ASSERT_EQ(status.Sessions.size(), 1u);
    EXPECT_EQ(status.Sessions[0].Start, 0u) << "recorded on the erased disc";
    EXPECT_FALSE(status.Locked);
}

TEST_F(RecordEnds, ImageOnARewritableDiscThatHoldsDataNeedsTheEraseAnswered) {
    Insert({K::CdRw, S::Closed, VdriveTest::MakeImage(400, "old.iso")});
    const std::string image = Quote(VdriveTest::MakeImage(500, "new.iso"));
    TRun run = Cli("burn-image " + image);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output,
              "sorvane-cli burn-image: Record will be possible after erase only.\nErase disc first?\n"
              "Give --erase to answer Yes.\n");
    run = Cli("burn-image --erase " + image);
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    const vdrive::TDriveStatus status = Status();
    ASSERT_EQ(status.Sessions.size(), 1u);
    EXPECT_EQ(status.Sessions[0].Length, 500u);
}

TEST_F(RecordEnds, FileOfTheDiscIsReplacedOnlyWhenTheReplaceOptionSaysSo) {
    Insert({K::CdR});
    ASSERT_EQ(Cli("burn " + Quote(Write("one/a.txt", "first\n"))).ExitCode, 0);
    const std::string second = Quote(Write("two/a.txt", "second\n"));
    TRun run = Cli("continue " + second);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output,
              "sorvane-cli continue: Element \"a.txt\" already exists in this node.\nReplace?\n'" + work +
                  "/two/a.txt' would replace the file of that name in the root, which the disc's last session "
                  "holds.\nGive --replace to answer Yes.\n");
    EXPECT_EQ(Status().Sessions.size(), 1u);
    run = Cli("continue --replace " + second);
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(Status().Sessions.size(), 2u);
}

TEST_F(RecordEnds, TestWriteRecordsNothingAndFinalizeClosesTheDisc) {
    Insert({K::CdR});
    const std::string file = SmallFile();
    TRun run = Cli("burn --test-write " + file);
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(Status().State, "blank");

    run = Cli("burn --finalize " + file);
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(Status().State, "finalized");
    run = Cli("continue " + Quote(Write("later.txt", "later\n")));
    EXPECT_EQ(run.Output, "sorvane-cli continue: Disc is finalized.\n");
}

TEST_F(RecordEnds, CtrlCStopsTheRecordingAndLetsTheTrayGo) {
    // A recording long enough to be caught in the middle; its file is
    // sparse, so that the disc's emulation keeps no data of it either.
    Insert({K::DvdR});
    const TRun run = CliInterrupted("burn " + Quote(Sparse("long.bin", 1024 * kMb)), "Record on ");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Output.find("sorvane-cli burn: Record finished with error: OPERATION ABORTED BY USER\n"),
              std::string::npos)
        << run.Output;
    EXPECT_EQ(run.Output.find("Record finished successfully"), std::string::npos) << run.Output;
    const vdrive::TDriveStatus status = Status();
    EXPECT_FALSE(status.Locked) << "the tray must be let go after an abort";
    EXPECT_FALSE(status.TrayOpen);
    EXPECT_EQ(status.State, "incomplete (last session open)") << "an aborted recording closes nothing";
}

TEST_F(RecordEnds, EntriesLeftOutOrALastSessionReadInPartEndWithStatusThree) {
    if (!HaveReaders()) GTEST_SKIP() << "xorriso is not installed";
    // Joliet keeps names apart that the project takes for one: the disc's
    // session cannot be repeated whole.
    Write("old/Case.txt", "upper\n");
    Write("old/case.txt", "lower\n");
    const std::string image = tmp.Path() + "/old.iso";
    ASSERT_EQ(Shell("xorriso -as mkisofs -J -o " + Quote(image) + " " + Quote(work + "/old")).ExitCode, 0);
    Insert({K::CdR, S::Closed, image});
    const std::string missing = work + "/missing.txt";
    const TRun run = Cli("continue " + Quote(Write("new.txt", "new\n")) + " " + Quote(missing));
    EXPECT_EQ(run.ExitCode, 3) << run.Output;
    EXPECT_NE(run.Output.find("sorvane-cli continue: warning: the disc's last session could not be read completely"),
              std::string::npos)
        << run.Output;
    EXPECT_NE(run.Output.find("sorvane-cli continue: warning: '" + missing + "' left out: "), std::string::npos)
        << run.Output;
    EXPECT_NE(run.Output.find("Record finished successfully\n"), std::string::npos) << run.Output;
    EXPECT_EQ(Status().Sessions.size(), 2u);
}

TEST_F(RecordEnds, NamesDifferingOnlyInCaseAreAllRecordedAndReplaceReplacesOnlyTheSamePlace) {
    if (!HaveReaders()) GTEST_SKIP() << "xorriso is not installed";
    // Two files of one folder here, which the project would take for one.
    Write("doc/Index.html", "upper\n");
    Write("doc/index.html", "lower\n");
    Write("doc/FAQ.html", "faq\n");
    Insert({K::CdR});
    const std::string rename = ">>> NAME \"index.html\" IN \"\\DOC\" RECORDED AS \"index~1.html\"\n";
    TRun run = Cli("burn --replace " + Quote(work + "/doc"));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output.find(rename), run.Output.rfind(rename)) << "said once\n" << run.Output;
    EXPECT_NE(run.Output.find(rename), std::string::npos) << run.Output;
    TFoundTree found = ReadWithXorriso(ExportSession(1), tmp.Path());
    ASSERT_EQ(found.size(), 3u);
    EXPECT_TRUE(found["/doc/Index.html"].Content == Bytes("upper\n"));
    EXPECT_TRUE(found["/doc/index~1.html"].Content == Bytes("lower\n"));
    EXPECT_TRUE(found["/doc/FAQ.html"].Content == Bytes("faq\n"));

    // The next session: the renamed file is the new version of the one the
    // disc holds apart, and nothing else is added or lost.
    Write("doc/index.html", "lower, again\n");
    run = Cli("continue --replace " + Quote(work + "/doc"));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    found = ReadWithXorriso(ExportSession(2), tmp.Path());
    ASSERT_EQ(found.size(), 3u);
    EXPECT_TRUE(found["/doc/Index.html"].Content == Bytes("upper\n"));
    EXPECT_TRUE(found["/doc/index~1.html"].Content == Bytes("lower, again\n"));
}

// A recording killed mid-track leaves an open track in an open session.
TEST_F(RecordEnds, SessionLeftOpenIsRefusedWithTheRemedyNeverRecordedIntoAndCanBeClosed) {
    const std::string image = VdriveTest::MakeImage(5000, "killed.iso");
    Insert({K::CdR, S::Open, image});
    const std::string sentence =
        "The disc's last session was left open by an interrupted recording: close it, and the disc takes new "
        "sessions again while it has room (sorvane-cli close).\n";
    for (const std::string command : {"burn", "continue"}) {
        const TRun run = Cli(command + " " + SmallFile());
        EXPECT_EQ(run.ExitCode, 1) << run.Output;
        EXPECT_EQ(run.Output, "sorvane-cli " + command + ": " + sentence);
    }
    EXPECT_EQ(Status().State, "incomplete (last session open)") << "nothing was written";
    TRun run = Cli("sessions");
    EXPECT_NE(run.Output.find("Session  001 - 9.77 Mb\n  incomplete: left open by an interrupted recording"),
              std::string::npos)
        << run.Output;

    run = Cli("close");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output, "Closing session...\nSession closed: the disc is appendable, 'continue' adds new sessions.\n");
    EXPECT_EQ(Status().State, "appendable");
    EXPECT_EQ(Cli("close").Output, "Nothing to close: the disc has no open session.\n");
    run = Cli("continue " + SmallFile());
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(Status().Sessions.size(), 2u);

    // A rewritable disc is erased instead, when the user says so.
    Insert({K::CdRw, S::Open, image});
    run = Cli("burn " + SmallFile());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Output.find("Give --erase to answer Yes."), std::string::npos) << run.Output;
    run = Cli("burn --erase " + SmallFile());
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(Status().State, "appendable");
}

TEST_F(RecordEnds, SpeedOptionTakesTheDrivesSpeedOfThatManyStepsOrTheNextBelow) {
    Insert({K::CdR});
    const std::string file = SmallFile();
    for (const auto& [option, caption] : std::vector<std::pair<std::string, std::string>>{
             {"", "Record on 48x (8,467 Kb/sec)\n"},
             {"--speed 4 ", "Record on 4x (706 Kb/sec)\n"},
             {"--speed=20x ", "Record on 16x (2,822 Kb/sec)\n"}}) {
        const TRun run = Cli("burn --test-write " + option + file);
        EXPECT_EQ(run.ExitCode, 0) << run.Output;
        EXPECT_EQ(run.Output.rfind(caption, 0), 0u) << run.Output;
    }
}

TEST_F(RecordEnds, WrongCommandLinesAreRefusedWithTheHelpHint) {
    const std::string file = SmallFile();
    for (const std::string& arguments : std::vector<std::string>{
             "burn", "burn --speed fast " + file, "burn --cache-mb 1 " + file, "burn --boot /nonexistent " + file,
             "burn --erase --test-write " + file, "continue --erase " + file, "continue --preparer X " + file,
             "burn-image", "burn-image a.iso b.iso"}) {
        const TRun run = Cli(arguments);
        EXPECT_EQ(run.ExitCode, 2) << arguments << "\n" << run.Output;
        const std::string command = arguments.substr(0, arguments.find(' '));
        EXPECT_NE(run.Output.find("Try 'sorvane-cli " + command + " --help'."), std::string::npos) << run.Output;
    }
}

}  // namespace
}  // namespace sorvane::test
