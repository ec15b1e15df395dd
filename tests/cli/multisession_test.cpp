// Discs recorded with sorvane-cli burn and continued twice with sorvane-cli
// continue --verify, on every kind of disc the recorder writes, and images
// recorded with sorvane-cli burn-image; each session read back at its start
// by xorriso and isoinfo.

#include <algorithm>
#include <cctype>
#include <set>

#include "tests/cli/cli_fixture.h"
#include "tests/cli/image_readers.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane::test {
namespace {

using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

struct TMediumCase {
    const char* Name;
    K Kind;
    // How the first session comes about.
    enum class TFirst { Burn, BurnAfterErase, XorrisoImage } First = TFirst::Burn;
};

void PrintTo(const TMediumCase& row, std::ostream* out) { *out << row.Name; }

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

class MultisessionRoundTrip : public CliTest, public ::testing::WithParamInterface<TMediumCase> {
protected:
    struct TFile {
        std::vector<std::uint8_t> Content;
        int Session;  // the session whose recording wrote its data
    };
    using TTree = std::map<std::string, TFile>;

    void SetUp() override {
        CliTest::SetUp();
        if (IsSkipped()) return;
        if (!HaveReaders()) GTEST_SKIP() << "xorriso or isoinfo is not installed";
    }

    // The project of each session, and what the disc shows after it.
    void MakeSources() {
        TTree first;
        const auto put = [&](TTree& tree, int session, const std::string& path, std::vector<std::uint8_t> content) {
            Write("s" + std::to_string(session) + path, content);
            tree[path] = {std::move(content), session};
        };
        put(first, 1, "/a.txt", Bytes("alpha of session one\n"));
        put(first, 1, "/keep.txt", Bytes("kept from session one\n"));
        put(first, 1, "/empty.txt", {});
        put(first, 1, "/Docs/big.bin", Noise(100000, 1));
        put(first, 1, "/Docs/note.txt", Bytes("a note\n"));
        TTree second = first;
        put(second, 2, "/two.txt", Bytes("new in session two\n"));
        put(second, 2, "/a.txt", Bytes("alpha replaced in session two\n"));
        put(second, 2, "/Docs/more.bin", Noise(50000, 2));
        TTree third = second;
        put(third, 3, "/three.txt", Bytes("new in session three\n"));
        put(third, 3, "/Docs/big.bin", Noise(120000, 3));
        trees = {first, second, third};
    }

    std::string Source(int session, const std::string& path) {
        return Quote(work + "/s" + std::to_string(session) + path);
    }

    void RecordSession(int session, const std::string& arguments) {
        const TRun run = Cli(arguments);
        ASSERT_EQ(run.ExitCode, 0) << arguments << "\n" << run.Output;
        EXPECT_NE(run.Output.find("Record finished successfully\n"), std::string::npos) << run.Output;
        if (arguments.find("--verify") != std::string::npos) {
            EXPECT_NE(run.Output.find("\nVerify finished: the disc holds what was recorded ("), std::string::npos)
                << run.Output;
        }
        const vdrive::TDriveStatus status = Status();
        ASSERT_GE(status.Sessions.size(), static_cast<std::size_t>(session)) << "session " << session;
        starts[session] = status.Sessions[static_cast<std::size_t>(session) - 1].Start;
    }

    // Reads session `session` back with every reader: each of its files is
    // there with its content, a file of an earlier session where that
    // session put it, a file of this one inside this session.
    void Verify(int session) {
        SCOPED_TRACE("session " + std::to_string(session));
        const TTree& tree = trees[static_cast<std::size_t>(session) - 1];
        const std::string image = ExportSession(session);
        // A continued disc keeps its label and preparer.
        const std::string descriptor = Shell("isoinfo -d -i " + Quote(image)).Output;
        EXPECT_NE(descriptor.find("Volume id: ROUNDTRIP\n"), std::string::npos) << descriptor;
        EXPECT_NE(descriptor.find("Data preparer id: TEST PREPARER\n"), std::string::npos) << descriptor;
        const struct {
            const char* Reader;
            TFoundTree Found;
            bool UpperCase;
        } readings[] = {{"xorriso", ReadWithXorriso(image, tmp.Path()), false},
                        {"isoinfo -J", ReadWithIsoinfo(image, true), false},
                        {"isoinfo", ReadWithIsoinfo(image, false), true}};
        for (const auto& reading : readings) {
            SCOPED_TRACE(reading.Reader);
            std::set<std::string> expectedPaths, foundPaths;
            for (const auto& [path, file] : tree) expectedPaths.insert(reading.UpperCase ? Upper(path) : path);
            for (const auto& [path, file] : reading.Found) foundPaths.insert(path);
            EXPECT_EQ(foundPaths, expectedPaths);
            for (const auto& [path, file] : tree) {
                const auto found = reading.Found.find(reading.UpperCase ? Upper(path) : path);
                if (found == reading.Found.end()) continue;
                EXPECT_TRUE(found->second.Content == file.Content) << path << ": content differs";
                if (file.Content.empty()) continue;
                const std::int64_t lba = found->second.Lba;
                const auto key = std::make_pair(path, file.Session);
                if (file.Session == session) {
                    EXPECT_GE(lba, starts[session]) << path << " lies before its session";
                }
                if (!lbas.count(key)) lbas[key] = lba;
                EXPECT_EQ(lba, lbas[key]) << path << " of session " << file.Session << " moved";
            }
        }
    }

    std::vector<TTree> trees;
    std::map<int, std::int64_t> starts;
    std::map<std::pair<std::string, int>, std::int64_t> lbas;
};

TEST_P(MultisessionRoundTrip, EverySessionShowsItsFilesAndKeepsThoseOfTheSessionsBefore) {
    const TMediumCase& medium = GetParam();
    MakeSources();
    const std::string identity = "--volume-id ROUNDTRIP --preparer 'TEST PREPARER' ";
    const std::string firstPaths =
        Source(1, "/a.txt") + " " + Source(1, "/keep.txt") + " " + Source(1, "/empty.txt") + " " + Source(1, "/Docs");
    switch (medium.First) {
        case TMediumCase::TFirst::Burn:
            Insert({medium.Kind});
            RecordSession(1, "burn -d sr0 " + identity + firstPaths);
            break;
        case TMediumCase::TFirst::BurnAfterErase:
            Insert({medium.Kind});
            RecordSession(1, "burn --erase " + identity + firstPaths);
            break;
        case TMediumCase::TFirst::XorrisoImage: {
            const std::string image = tmp.Path() + "/first.iso";
            const TRun made = Shell("xorriso -as mkisofs -J -V ROUNDTRIP -p 'TEST PREPARER' -o " + Quote(image) + " " +
                                  Quote(work + "/s1"));
            ASSERT_EQ(made.ExitCode, 0) << made.Output;
            Insert({medium.Kind, S::Closed, image});
            starts[1] = 0;
            break;
        }
    }
    if (HasFatalFailure()) return;
    Verify(1);

    RecordSession(2, "continue --verify --replace " + Source(2, "/two.txt") + " " + Source(2, "/a.txt") + " " +
                         Source(2, "/Docs"));
    if (HasFatalFailure()) return;
    Verify(2);

    RecordSession(3, "continue --verify --replace " + Source(3, "/three.txt") + " " + Source(3, "/Docs"));
    if (HasFatalFailure()) return;
    Verify(3);

    // A later session leaves the earlier ones as they were.
    Verify(1);
    Verify(2);
    EXPECT_EQ(Status().Sessions.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, MultisessionRoundTrip,
    ::testing::Values(TMediumCase{"CdR", K::CdR}, TMediumCase{"CdRw", K::CdRw}, TMediumCase{"DvdR", K::DvdR},
                      // A blank DVD-RW is formatted for restricted overwrite by the first recording.
                      TMediumCase{"DvdRwSequential", K::DvdRw},
                      // One already formatted counts as full until it is erased.
                      TMediumCase{"DvdRwRestrictedOverwrite", K::DvdRwRestricted,
                                  TMediumCase::TFirst::BurnAfterErase},
                      // One that holds a closed session grows by sessions.
                      TMediumCase{"DvdRwSequentialSessions", K::DvdRw, TMediumCase::TFirst::XorrisoImage},
                      TMediumCase{"DvdPlusR", K::DvdPlusR}, TMediumCase{"DvdPlusRDualLayer", K::DvdPlusRDl},
                      TMediumCase{"DvdPlusRw", K::DvdPlusRw}, TMediumCase{"DvdRam", K::DvdRam}),
    [](const ::testing::TestParamInfo<TMediumCase>& param) { return std::string(param.param.Name); });

class BurnImage : public CliTest, public ::testing::WithParamInterface<K> {};

TEST_P(BurnImage, ImageMadeByXorrisoReadsBackIdentical) {
    if (!HaveReaders()) GTEST_SKIP() << "xorriso or isoinfo is not installed";
    Write("tree/readme.txt", "an image made elsewhere\n");
    Write("tree/data/noise.bin", Noise(70000, 7));
    const std::string image = tmp.Path() + "/xorriso.iso";
    const TRun made = Shell("xorriso -as mkisofs -J -r -o " + Quote(image) + " " +
                          Quote(work + "/tree"));
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    Insert({GetParam()});

    const TRun run = Cli("burn-image --eject " + Quote(image));
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output, "Record ISO-image to disc\nClosing track...\nRecord finished successfully\n");
    const vdrive::TDriveStatus status = Status();
    EXPECT_TRUE(status.TrayOpen);
    EXPECT_FALSE(status.Locked);

    const std::vector<std::uint8_t> original = ReadAll(image);
    std::vector<std::uint8_t> recorded = ReadAll(ExportSession(1));
    ASSERT_GE(recorded.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin(), original.end(), recorded.begin())) << "the image's sectors differ";
    EXPECT_TRUE(std::all_of(recorded.begin() + static_cast<std::ptrdiff_t>(original.size()), recorded.end(),
                            [](std::uint8_t b) { return b == 0; }))
        << "only zero padding may follow the image";
    const TFoundTree found = ReadWithXorriso(ExportSession(1), tmp.Path());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE(found.at("/data/noise.bin").Content == Noise(70000, 7));
}

INSTANTIATE_TEST_SUITE_P(WrittenAndOverwritten, BurnImage, ::testing::Values(K::CdR, K::DvdPlusRw),
                         [](const ::testing::TestParamInfo<K>& param) {
                             return std::string(param.param == K::CdR ? "CdR" : "DvdPlusRw");
                         });

}  // namespace
}  // namespace sorvane::test
