// The burner's session import and copy-back on a three-session CD-R in the
// emulated recorder, the import a layout for a continued disc makes, and a
// new session recorded from that layout read back by our reader and by
// isoinfo.

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "engine/drive_disc_source.h"
#include "engine/iso/local_name.h"
#include "engine/iso/session_browser.h"
#include "tests/device/vdrive_fixture.h"
#include "tests/iso/disc_images.h"
#include "tests/sessions/recorded_disc.h"

namespace sorvane::test {
namespace {

constexpr int kRead10 = 0x28;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> chunk;
    while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe)) out.append(chunk.data(), n);
    ::pclose(pipe);
    return out;
}

class BurnerSessionsTest : public VdriveTest {
protected:
    void SetUp() override {
        drive = AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
        OpenAndSelect();
        ASSERT_EQ(RecordThreeSessions(burner, tmp.Path()).Error, "");
        messages.clear();
        ClearLog();
    }

    bool Posted(const std::string& part, int type) const {
        return std::any_of(messages.begin(), messages.end(), [&](const auto& m) {
            return m.second == type && m.first.find(part) != std::string::npos;
        });
    }
    TFEntry* RootFile(const std::string& name) { return burner.FindFile(burner.FindDir("\\"), name); }
    // The disc as the sessions browser reads it.
    std::vector<TDiscSession> Sessions() {
        TDriveDiscSource disc(burner);
        return ReadDiscSessions(disc, TDebugSink());
    }
    // Extracts `path` of `session` and answers its bytes.
    std::vector<std::uint8_t> ContentOf(const TDiscSession& session, const std::string& path) {
        const TDiscNode* node = FindDiscNode(session.Root, path);
        if (!node) {
            ADD_FAILURE() << path << " not in session " << session.Number;
            return {};
        }
        const std::string folder = tmp.Path() + "/read" + std::to_string(++reads_);
        std::filesystem::create_directory(folder);
        TDriveDiscSource disc(burner);
        TSessionExtractor extractor(disc, TDebugSink());
        EXPECT_TRUE(extractor.ExtractNode(*node, folder).Ok()) << path;
        return ReadAll(folder + "/" + SafeLocalName(node->Name));
    }

    std::size_t drive = 0;
    TTempDir tmp;

private:
    int reads_ = 0;
};

TEST_F(BurnerSessionsTest, ImportSessionReadsTheRequestedSessionFromTheDrive) {
    ASSERT_TRUE(burner.ImportSession(255, nullptr));
    EXPECT_TRUE(Posted(">>> IMPORTING SESSION # 3", mtInfo));
    EXPECT_FALSE(burner.ImportIncomplete());
    EXPECT_NE(RootFile("third.txt"), nullptr);
    EXPECT_NE(burner.FindDir("\\Docs"), nullptr);
    EXPECT_FALSE(Logged(kRead10).empty()) << "the disc is read through READ(10)";

    // A number past the last means the last; an earlier one only what it held.
    for (const std::uint8_t session : {std::uint8_t{9}, std::uint8_t{1}}) {
        ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::RecordNew));
        ASSERT_TRUE(burner.ImportSession(session, nullptr));
        EXPECT_EQ(RootFile("third.txt") != nullptr, session == 9) << int{session};
        EXPECT_EQ(RootFile("second.txt") != nullptr, session == 9) << int{session};
        EXPECT_NE(RootFile("big.bin"), nullptr);
    }

    // Into a folder of the project instead of the root.
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::RecordNew));
    TDEntry* old = burner.CreateDir("\\old");
    ASSERT_NE(old, nullptr);
    ASSERT_TRUE(burner.ImportSession(2, old));
    EXPECT_NE(burner.FindFile(old, "second.txt"), nullptr);
    EXPECT_EQ(RootFile("second.txt"), nullptr);
}

TEST_F(BurnerSessionsTest, ExtractFileCopiesTheDataAndReportsAnUnreadableSector) {
    ASSERT_TRUE(burner.ImportSession(255, nullptr));
    const TFEntry* big = RootFile("big.bin");
    // The project records a name without extension with a dot.
    const TFEntry* readme = RootFile("README.");
    ASSERT_NE(big, nullptr);
    ASSERT_NE(readme, nullptr);
    ASSERT_TRUE(burner.ExtractFile(*big, tmp.Path() + "/big.bin"));
    EXPECT_EQ(ReadAll(tmp.Path() + "/big.bin"), BigFileContent());
    ASSERT_TRUE(burner.ExtractFile(*readme, tmp.Path() + "/README"));
    EXPECT_EQ(ReadAll(tmp.Path() + "/README"), Bytes("readme of session two\n")) << "session 2 replaced it";

    vdrive::TFaults faults;
    const auto sector = static_cast<std::uint32_t>(big->IsoSector) + 40;
    faults.MediumErrorLbas = std::make_pair(sector, sector);
    host.SetFaults(drive, faults);
    messages.clear();
    EXPECT_FALSE(burner.ExtractFile(*big, tmp.Path() + "/damaged.bin"));
    EXPECT_NE(burner.LastError.find("ERROR EXTRACTING FILE big.bin"), std::string::npos) << burner.LastError;
    EXPECT_TRUE(Posted("ERROR EXTRACTING FILE big.bin", mtFileSystem));
    EXPECT_FALSE(std::filesystem::exists(tmp.Path() + "/damaged.bin")) << "no file of garbage is left";
}

TEST_F(BurnerSessionsTest, ImportThatLeavesPartOfTheTreeOutWarnsThatANewSessionWouldHideIt) {
    const std::vector<TDiscSession> sessions = Sessions();
    ASSERT_EQ(sessions.size(), 3u);
    const TDiscNode* docs = FindDiscNode(sessions[2].Root, "Docs");
    ASSERT_NE(docs, nullptr);
    vdrive::TFaults faults;
    faults.MediumErrorLbas = std::make_pair(docs->Extent, docs->Extent);
    host.SetFaults(drive, faults);

    EXPECT_TRUE(burner.ImportSession(255, nullptr)) << "the rest of the tree is still imported";
    EXPECT_TRUE(burner.ImportIncomplete());
    EXPECT_TRUE(Posted(">>> WARNING: SESSION 3 WAS NOT IMPORTED COMPLETELY", mtFileSystem));
    EXPECT_NE(RootFile("big.bin"), nullptr);

    // The warning belongs to that import alone.
    host.SetFaults(drive, {});
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::ContinueDisc));
    ASSERT_TRUE(burner.ImportSession(255, nullptr));
    EXPECT_FALSE(burner.ImportIncomplete());
}

TEST_F(BurnerSessionsTest, RecordNewAfterContinueInTheSameProcessImportsNothing) {
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::ContinueDisc));
    EXPECT_EQ(burner.ImportSessionNumber(), 0xFFFF);
    burner.LayoutFileSystem(false, nullptr);
    ASSERT_NE(RootFile("third.txt"), nullptr) << "a layout for a continued disc imports its last session";

    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::RecordNew));
    EXPECT_EQ(burner.ImportSessionNumber(), 0);
    ClearLog();
    burner.LayoutFileSystem(false, nullptr);
    EXPECT_EQ(RootFile("third.txt"), nullptr);
    EXPECT_EQ(RootFile("big.bin"), nullptr);
    EXPECT_TRUE(Logged(kRead10).empty()) << "nothing of the disc is read for a new disc";

    // ResetProject is the project of a new component, which imports nothing
    // either; an image file never imports.
    burner.SetImportSessionNumber(0xFFFF);
    ASSERT_TRUE(burner.ResetProject());
    EXPECT_EQ(burner.ImportSessionNumber(), 0);
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::ContinueDisc));
    burner.LayoutFileSystem(true, nullptr);
    EXPECT_EQ(RootFile("big.bin"), nullptr);
}

// The continuation end to end: the layout imports session 3 (its low byte
// 255), the new session is recorded at the drive's next writable address,
// and both readers find the old files at their old sectors next to the new
// one.
TEST_F(BurnerSessionsTest, ContinuedSessionKeepsImportedFilesAtTheirOldSectors) {
    const std::vector<TDiscSession> before = Sessions();
    ASSERT_EQ(before.size(), 3u);
    const TDiscNode* oldBig = FindDiscNode(before[2].Root, "big.bin");
    ASSERT_NE(oldBig, nullptr);

    const std::string source = tmp.Path() + "/fourth.txt";
    WriteAll(source, Bytes("fourth session\n"));
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::ContinueDisc));
    // The user's folder and the imported one of the same name become one.
    ASSERT_NE(burner.CreateDir("\\Docs"), nullptr);
    ASSERT_TRUE(burner.InsertFile("\\Docs", source, false));
    ASSERT_TRUE(burner.ReadTrackInformation(4));
    const std::uint32_t nwa = burner.TrackInfo.NextWritable;
    burner.Layout().DiscHooks.GetNextWritableAddress = [nwa](int& start) {
        start = static_cast<int>(nwa);
        return true;
    };
    burner.Layout().Building = true;
    burner.LayoutFileSystem(false, nullptr);
    ASSERT_TRUE(burner.BuildFileSystemStream(false, nullptr));
    burner.Layout().Building = false;
    ASSERT_EQ(burner.StartAddress(), static_cast<int>(nwa));
    const TFEntry* big = RootFile("big.bin");
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->Imported);
    EXPECT_EQ(big->IsoSector, static_cast<int>(oldBig->Extent));
    EXPECT_LT(burner.ImageSectors(), 60) << "imported data is not written again";

    const std::string image = tmp.Path() + "/s4.iso";
    ASSERT_EQ(burner.Layout().SaveImageFile(image), "");
    std::uint32_t start = 0;
    ASSERT_EQ(RecordSession(burner, ReadAll(image), start), "");
    ASSERT_EQ(start, nwa);

    const std::vector<TDiscSession> after = Sessions();
    ASSERT_EQ(after.size(), 4u);
    const TDiscSession& fourth = after[3];
    ASSERT_TRUE(fourth.FileSystemFound);
    EXPECT_FALSE(fourth.Truncated);
    const TDiscNode* newBig = FindDiscNode(fourth.Root, "big.bin");
    ASSERT_NE(newBig, nullptr);
    EXPECT_EQ(newBig->Extent, oldBig->Extent);
    EXPECT_EQ(ContentOf(fourth, "big.bin"), BigFileContent());
    // The project records a name without extension with a dot, and so
    // does the new session; the reader shows it without, as other readers
    // do, and finds it by either name.
    ASSERT_NE(FindDiscNode(fourth.Root, "README"), nullptr);
    EXPECT_EQ(FindDiscNode(fourth.Root, "README")->Name, "README");
    EXPECT_EQ(ContentOf(fourth, "README"), Bytes("readme of session two\n"));
    EXPECT_EQ(ContentOf(fourth, "README."), Bytes("readme of session two\n"));
    EXPECT_EQ(ContentOf(fourth, "third.txt"), Bytes("third session\n"));
    EXPECT_EQ(ContentOf(fourth, "A/inside.txt"), Bytes("inside A\n"));
    EXPECT_EQ(ContentOf(fourth, "Docs/fourth.txt"), Bytes("fourth session\n"));
    EXPECT_EQ(ContentOf(fourth, std::string("Docs/") + kLongName), Bytes("a long name\n"));

    // An independent reader of the session as a plain image.
    if (Shell("command -v isoinfo").empty()) GTEST_SKIP() << "isoinfo is not installed";
    const std::string exported = tmp.Path() + "/export4.iso";
    std::string error;
    ASSERT_TRUE(host.ExportSession(drive, 4, exported, &error)) << error;
    const std::vector<std::uint8_t> bigContent = BigFileContent();
    // Our Joliet names carry the version, as the ISO 9660 names do.
    EXPECT_TRUE(Shell("isoinfo -J -x '/big.bin;1' -i " + exported) ==
                std::string(bigContent.begin(), bigContent.end()));
    EXPECT_EQ(Shell("isoinfo -J -x '/Docs/fourth.txt;1' -i " + exported), "fourth session\n");
    EXPECT_EQ(Shell("isoinfo -J -x '/second.txt;1' -i " + exported), "second session\n");
    EXPECT_EQ(Shell("isoinfo -J -x '/README.;1' -i " + exported), "readme of session two\n");
}

}  // namespace
}  // namespace sorvane::test
