// The session reader on the emulated recorder, through the component's own
// command code: what a continued or browsed disc really costs in commands.

#include <filesystem>

#include "engine/drive_disc_source.h"
#include "engine/iso/session_browser.h"
#include "engine/iso/session_reader.h"
#include "tests/device/vdrive_fixture.h"
#include "tests/iso/disc_images.h"

namespace sorvane::test {
namespace {

constexpr int kRead10 = 0x28;

class DriveSourceTest : public VdriveTest {
protected:
    void SetUp() override { Load(vdrive::MultiFormatWriter(), vdrive::TMediumKind::CdR, vdrive::TMediumState::Closed); }
    // The first session of ThreeSessionDisc() on a disc of `kind` in a drive
    // of `model`.
    void Load(const vdrive::TDriveModel& model, vdrive::TMediumKind kind, vdrive::TMediumState state) {
        const std::string image = tmp.Path() + "/s1.iso";
        WriteAll(image, ThreeSessionDisc().Sessions[0]);
        AddDrive(model, {kind, state, image});
        OpenAndSelect();
    }
    TDebugSink Sink() {
        return [this](const std::string& message, int mType) { messages.emplace_back(message, mType); };
    }

    TTempDir tmp;
};

TEST_F(DriveSourceTest, LastSessionIsImportedAndAFileCopiedBackThroughReadTen) {
    TDriveDiscSource disc(burner);
    TSessionReader reader(disc, burner.Project(), Sink());
    ASSERT_TRUE(reader.ImportSession(255));
    EXPECT_FALSE(reader.ImportIncomplete);
    const TFEntry* big = burner.Project().FindFile(burner.Project().Root(), "big.bin");
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->Imported);
    ASSERT_NE(burner.Project().FindDir("\\Docs"), nullptr);

    ClearLog();
    const std::string dest = tmp.Path() + "/big.bin";
    ASSERT_TRUE(reader.ExtractFile(*big, dest));
    EXPECT_EQ(ReadAll(dest), BigFileContent());
    const auto reads = Logged(kRead10);
    ASSERT_EQ(reads.size(), 2u);
    // READ(10): transfer length in bytes 7-8.
    EXPECT_EQ(reads[0].Cdb[7] << 8 | reads[0].Cdb[8], 31);
    EXPECT_EQ(reads[1].Cdb[7] << 8 | reads[1].Cdb[8], 18);
}

TEST_F(DriveSourceTest, SessionsAreListedAndExtractedFromTheDrive) {
    TDriveDiscSource disc(burner);
    const std::vector<TDiscSession> sessions = ReadDiscSessions(disc, Sink());
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_TRUE(sessions[0].FileSystemFound);
    EXPECT_NE(FindDiscNode(sessions[0].Root, std::string("Docs/") + kLongName), nullptr);

    TSessionExtractor extractor(disc, Sink());
    const TExtractReport report = extractor.ExtractNode(*FindDiscNode(sessions[0].Root, "Docs"), tmp.Path());
    EXPECT_TRUE(report.Ok());
    EXPECT_TRUE(std::filesystem::is_regular_file(tmp.Path() + "/Docs/" + kLongName));
}

// Reading drives of old and some USB bridges know no READ DISC INFORMATION
// nor READ TRACK INFORMATION: the session's place comes from the TOC.
class ReadingDriveSourceTest : public DriveSourceTest {
protected:
    void SetUp() override {
        Load(vdrive::UsbBridgeReader(), vdrive::TMediumKind::CdRom, vdrive::TMediumState::Blank);
        sectors = static_cast<std::uint32_t>(ThreeSessionDisc().Sessions[0].size() / 2048);
    }
    std::uint32_t sectors = 0;
};

TEST_F(ReadingDriveSourceTest, PressedDiscIsListedImportedAndExtractedFromItsToc) {
    TDriveDiscSource disc(burner);
    const std::vector<TDiscSession> sessions = ReadDiscSessions(disc, Sink());
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_TRUE(sessions[0].TrackKnown);
    EXPECT_EQ(sessions[0].Track.TrackStart, 0u);
    EXPECT_EQ(sessions[0].Track.TrackSize, sectors);
    ASSERT_TRUE(sessions[0].FileSystemFound);
    const TDiscNode* big = FindDiscNode(sessions[0].Root, "big.bin");
    ASSERT_NE(big, nullptr);
    TSessionExtractor extractor(disc, Sink());
    ASSERT_TRUE(extractor.ExtractNode(*big, tmp.Path()).Ok());
    EXPECT_EQ(ReadAll(tmp.Path() + "/big.bin"), BigFileContent());

    TSessionReader reader(disc, burner.Project(), Sink());
    ASSERT_TRUE(reader.ImportSession(255));
    EXPECT_NE(burner.Project().FindFile(burner.Project().Root(), "big.bin"), nullptr);

    // What the disc holds, as READ CAPACITY tells it.
    EXPECT_EQ(burner.GetDiscCapacity(), sectors);
    EXPECT_EQ(burner.GetUsedSectors(), sectors);
}

// An overwritable disc is one track from end to end; its session is as
// large as the volume on it.
class OverwritableDriveSourceTest : public DriveSourceTest {
protected:
    void SetUp() override {
        Load(vdrive::MultiFormatWriter(), vdrive::TMediumKind::DvdPlusRw, vdrive::TMediumState::Closed);
    }
};

TEST_F(OverwritableDriveSourceTest, SessionIsAsLargeAsItsVolumeNotAsTheFormattedDisc) {
    TDriveDiscSource disc(burner);
    const std::vector<TDiscSession> sessions = ReadDiscSessions(disc, Sink());
    ASSERT_EQ(sessions.size(), 1u);
    ASSERT_TRUE(sessions[0].FileSystemFound);
    EXPECT_EQ(sessions[0].Track.TrackStart, 0u);
    EXPECT_EQ(sessions[0].Track.TrackSize, burner.FindVolumeSpaceSize());
    EXPECT_LT(sessions[0].SizeBytes(), 2u * 1048576) << sessions[0].Caption();
}

}  // namespace
}  // namespace sorvane::test
