// sorvane-cli sessions and extract as a user runs them: a separate process
// on the emulated recorder, whose disc the test records beforehand in a
// state folder of its own.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

#include "engine/device/transport.h"
#include "tests/cli/cli_fixture.h"
#include "tests/device/vdrive_fixture.h"
#include "tests/iso/disc_images.h"
#include "tests/sessions/recorded_disc.h"

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

// The names in `folder`.
std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Every path below `folder`, relative to it.
std::set<std::string> TreeOf(const std::string& folder) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        paths.insert(fs::relative(entry.path(), folder).string());
    return paths;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class SessionsCli : public CliTest {
protected:
    // Drive 0 of the state folder gets the three sessions of
    // ThreeSessionDisc(), recorded on a blank CD-R through the drive.
    void RecordThreeSessionDisc() {
        recorder.Change([this](vdrive::THost& host) {
            host.SetTimeScale(0);
            std::string error;
            ASSERT_TRUE(host.Insert(0, {vdrive::TMediumKind::CdR}, &error)) << error;
            TOrvoBurner burner;
            ASSERT_TRUE(burner.InitializeTransport(false, VdriveLibraryPath()));
            ASSERT_FALSE(burner.Devices.empty());
            burner.SelectDevice(burner.Devices[0]);
            burner.TestUnitReady(5000);  // the insertion's unit attention
            recorded = RecordThreeSessions(burner, tmp.Path());
            TTransport::Instance().Close();
        });
        ASSERT_EQ(recorded.Error, "");
    }

    TRecordedSessions recorded;
    const std::string out = tmp.Path() + "/out";
};

TEST_F(SessionsCli, ListsEverySessionWithItsStartSizeAndTreeFoldersFirst) {
    RecordThreeSessionDisc();
    const TRun run = Cli("sessions");
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    const std::string& o = run.Output;
    for (int s = 0; s < 3; ++s) {
        const std::string caption = "Session  00" + std::to_string(s + 1) + " - ";
        ASSERT_EQ(Count(o, caption), 1u) << caption << "\n" << o;
        const std::string start = "start sector " + std::to_string(recorded.Starts[s]) + ", " +
                                  std::to_string(recorded.TrackSizes[s]) + " sectors";
        EXPECT_NE(o.find(start), std::string::npos) << start << "\n" << o;
    }
    const std::string third = o.substr(o.find("Session  003"));
    EXPECT_EQ(Count(o, "third.txt"), 1u) << "only session 3 holds it";
    EXPECT_EQ(Count(o, "second.txt"), 2u);
    EXPECT_EQ(Count(o, "  big.bin\n"), 3u);
    EXPECT_NE(third.find("        100000  2004-05-06 07:08:09    big.bin\n"), std::string::npos) << third;
    EXPECT_NE(third.find("07:08:09    A/\n"), std::string::npos) << third;
    EXPECT_NE(third.find("07:08:09      inside.txt\n"), std::string::npos) << "one level further in\n" << third;
    EXPECT_NE(third.find(std::string("07:08:09      ") + kLongName + "\n"), std::string::npos) << third;
    // Folders first, then files, each without regard to case.
    EXPECT_LT(third.find("A/"), third.find("Docs/"));
    EXPECT_LT(third.find("Docs/"), third.find("big.bin"));
    EXPECT_LT(third.find("big.bin"), third.find("README"));
    EXPECT_LT(third.find("README"), third.find("second.txt"));

    const TRun verbose = Cli("sessions -v -d sr0");
    ASSERT_EQ(verbose.ExitCode, 0) << verbose.Output;
    EXPECT_EQ(verbose.Output.size(), o.size() + 12 * (Count(o, "\n") - 3 * 3 - 2))
        << "every entry line gains its sector column\n" << verbose.Output;
}

TEST_F(SessionsCli, ExtractsAFileAFolderAndAWholeSessionByteForByte) {
    RecordThreeSessionDisc();
    TRun run = Cli("extract --session 1 big.bin " + Quote(out));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output, "Extracted 1 file (100000 bytes) into " + out + "\n");
    EXPECT_EQ(ReadAll(out + "/big.bin"), BigFileContent());

    run = Cli("extract -s 2 /readme " + Quote(out + "/two"));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(ReadAll(out + "/two/README"), Bytes("readme of session two\n")) << "found without regard to case";

    run = Cli("extract -s last Docs " + Quote(out));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(ReadAll(out + "/Docs/" + kLongName), Bytes("a long name\n"));

    // The whole session arrives as a folder named after its caption, and
    // holds what an independent reader finds in the session.
    const std::string whole = tmp.Path() + "/whole";
    run = Cli("extract -s 3 --eject " + Quote(whole));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Extracted 7 files"), std::string::npos) << run.Output;
    const std::set<std::string> top = Entries(whole);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_TRUE(top.begin()->starts_with("Session  003 - ")) << *top.begin();
    EXPECT_TRUE(top.begin()->ends_with(" Mb")) << *top.begin();
    const std::string sessionFolder = whole + "/" + *top.begin();
    EXPECT_EQ(ReadAll(sessionFolder + "/third.txt"), Bytes("third session\n"));
    EXPECT_EQ(ReadAll(sessionFolder + "/big.bin"), BigFileContent());
    // Recorded dates are kept; the session's folder, which has none on the
    // disc, keeps the time it was made.
    const auto secondsOf = [](const std::string& path) {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::file_clock::to_sys(fs::last_write_time(path)).time_since_epoch())
            .count();
    };
    const long long may2004 = 1083827289;  // 2004-05-06 07:08:09 UTC, give or take the time zone
    EXPECT_NEAR(secondsOf(sessionFolder + "/big.bin"), may2004, 14 * 3600);
    EXPECT_NEAR(secondsOf(sessionFolder + "/A"), may2004, 14 * 3600);
    EXPECT_GT(secondsOf(sessionFolder), may2004 + 365LL * 86400 * 10);
    const TRun list = Cli("vdrive list");
    EXPECT_NE(list.Output.find("tray open"), std::string::npos) << "--eject after success\n" << list.Output;

    // 7z reads the exported session as it lies; bsdtar and xorriso trust the
    // volume size genisoimage records for a later session, which counts from
    // the session's start only.
    if (Shell("command -v 7z").Output.empty()) GTEST_SKIP() << "7z is not installed";
    const std::string reference = tmp.Path() + "/reference";
    const TRun sevenZip = Shell("7z x -o" + Quote(reference) + " " + Quote(ExportSession(3)));
    ASSERT_EQ(sevenZip.ExitCode, 0) << sevenZip.Output;
    EXPECT_EQ(TreeOf(sessionFolder), TreeOf(reference));
    const TRun diff = Shell("diff -r " + Quote(reference) + " " + Quote(sessionFolder));
    EXPECT_EQ(diff.ExitCode, 0) << diff.Output;
}

TEST_F(SessionsCli, PartialExtractionFailsAndSaysWhatWasLeft) {
    RecordThreeSessionDisc();
    const TRun list = Cli("sessions");
    const std::size_t caption = list.Output.find("Session  003");
    ASSERT_NE(caption, std::string::npos) << list.Output;
    const std::string sessionFolder = out + "/" + list.Output.substr(caption, list.Output.find('\n', caption) - caption);
    // A file where the folder Docs must go.
    fs::create_directories(sessionFolder);
    WriteAll(sessionFolder + "/Docs", Bytes("in the way"));

    const TRun run = Cli("extract -s 3 / " + Quote(out) + " --eject");
    EXPECT_EQ(run.ExitCode, 1) << run.Output;
    EXPECT_NE(run.Output.find("ERROR CREATING FOLDER " + sessionFolder + "/Docs"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("Extraction incomplete: 1 of 7 files were not extracted; the 6 copied stay in " + out),
              std::string::npos)
        << run.Output;
    EXPECT_EQ(run.Output.find("Extracted"), std::string::npos) << run.Output;
    EXPECT_EQ(ReadAll(sessionFolder + "/big.bin"), BigFileContent()) << "what could be copied was";
    EXPECT_EQ(Cli("vdrive list").Output.find("tray open"), std::string::npos) << "no eject after a failure";
}

TEST_F(SessionsCli, HostileNamesOnTheDiscStayInsideTheChosenFolder) {
    // A disc whose Joliet names hold path separators, "..", and a control
    // character: made by genisoimage with harmless names of the same length,
    // then changed in the directory records.
    const std::string tree = tmp.Path() + "/tree";
    fs::create_directories(tree + "/zqz");
    fs::create_directories(tree + "/zq");
    WriteAll(tree + "/ab_escape.txt", Bytes("escape\n"));
    WriteAll(tree + "/zqz/inner.txt", Bytes("inner\n"));
    WriteAll(tree + "/zq/lost.txt", Bytes("lost\n"));
    WriteAll(tree + "/bell_x.txt", Bytes("bell\n"));
    const std::string image = tmp.Path() + "/hostile.iso";
    const TRun made = Shell("genisoimage -quiet -J -o " + Quote(image) + " " + Quote(tree));
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    std::vector<std::uint8_t> bytes = ReadAll(image);
    const auto replace = [&bytes](const std::string& from, const std::string& to) {
        ASSERT_EQ(from.size(), to.size());
        std::vector<std::uint8_t> a, b;
        for (std::size_t i = 0; i < from.size(); ++i) {
            a.insert(a.end(), {0, static_cast<std::uint8_t>(from[i])});
            b.insert(b.end(), {0, static_cast<std::uint8_t>(to[i])});
        }
        int found = 0;
        for (auto it = std::search(bytes.begin(), bytes.end(), a.begin(), a.end()); it != bytes.end();
             it = std::search(it + 1, bytes.end(), a.begin(), a.end())) {
            std::copy(b.begin(), b.end(), it);
            ++found;
        }
        ASSERT_GT(found, 0) << from;
    };
    replace("ab_escape.txt", "../escape.txt");
    replace("zqz", "../");
    replace("zq", "..");
    replace("bell_x.txt", "bell\ax.txt");
    // And a recording date no calendar has (month 13) for that file: its
    // record begins 33 bytes before its name, the date at byte 18.
    const std::vector<std::uint8_t> bell = {0, 'b', 0, 'e', 0, 'l', 0, 'l', 0, '\a'};
    const auto name = std::search(bytes.begin(), bytes.end(), bell.begin(), bell.end());
    ASSERT_NE(name, bytes.end());
    *(name - 33 + 18 + 1) = 13;
    WriteAll(image, bytes);
    Insert({vdrive::TMediumKind::CdR, vdrive::TMediumState::Closed, image});

    const TRun list = Cli("sessions");
    EXPECT_NE(list.Output.find("     5  -                      bell?x.txt\n"), std::string::npos)
        << "no date shown for a date that cannot be read\n" << list.Output;
    EXPECT_EQ(list.Output.find('\a'), std::string::npos);

    const auto started = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    const std::string inner = out + "/a/b";
    const TRun run = Cli("extract -s 1 / " + Quote(inner));
    EXPECT_NE(run.Output.find("Note: "), std::string::npos) << "each changed name is reported\n" << run.Output;
    EXPECT_EQ(run.Output.find('\a'), std::string::npos) << "no control character reaches the terminal";
    EXPECT_EQ(Entries(out), std::set<std::string>{"a"}) << "nothing lands beside the chosen folder";
    EXPECT_EQ(Entries(out + "/a"), std::set<std::string>{"b"});
    ASSERT_EQ(Entries(inner).size(), 1u);
    const std::string session = inner + "/" + *Entries(inner).begin();
    EXPECT_EQ(TreeOf(session), (std::set<std::string>{".._escape.txt", ".._", ".._/inner.txt", "bell_x.txt"}));
    EXPECT_EQ(ReadAll(session + "/.._/inner.txt"), Bytes("inner\n"));
    EXPECT_GT(fs::last_write_time(session + "/bell_x.txt"), started) << "an unreadable date is not set";

    // A folder named ".." is left out by the reader, which says so, and the
    // copy of the session is then not complete.
    EXPECT_NE(run.Output.find("UNUSABLE NAME"), std::string::npos) << run.Output;
    EXPECT_EQ(run.ExitCode, 1) << run.Output;
    EXPECT_NE(run.Output.find("Extraction incomplete: part of session 1 could not be read"), std::string::npos)
        << run.Output;
}

TEST_F(SessionsCli, BadSessionNumbersMissingPathsAndMissingDiscsAreRefused) {
    RecordThreeSessionDisc();
    TRun run = Cli("extract -s 0 " + Quote(out));
    EXPECT_EQ(run.ExitCode, 2) << run.Output;
    EXPECT_NE(run.Output.find("bad session number '0'"), std::string::npos) << run.Output;
    EXPECT_EQ(Cli("extract -s two " + Quote(out)).ExitCode, 2);
    EXPECT_EQ(Cli("extract " + Quote(out)).ExitCode, 2);
    EXPECT_EQ(Cli("extract -s 1").ExitCode, 2);
    EXPECT_EQ(Cli("sessions extra").ExitCode, 2);

    run = Cli("extract -s 4 " + Quote(out));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli extract: Session 4 not found: the disc has 3 sessions.\n");
    run = Cli("extract -s 1 third.txt " + Quote(out));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli extract: Nothing extracted: session 1 holds no 'third.txt'.\n");
    EXPECT_FALSE(fs::exists(out)) << "nothing is created for a refused request";

    Insert({vdrive::TMediumKind::CdR});
    run = Cli("sessions");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Output, "sorvane-cli sessions: Sessions not found\n");

    Insert({vdrive::TMediumKind::None});
    for (const std::string& command : {std::string("sessions"), "extract -s 1 " + Quote(out)}) {
        run = Cli(command);
        EXPECT_EQ(run.ExitCode, 1) << command;
        EXPECT_EQ(run.Output, "sorvane-cli " + command.substr(0, command.find(' ')) + ": Error while getting sessions\n")
            << command;
    }
}

}  // namespace
}  // namespace sorvane::test
