// The state folder: a default drive on first use, media kept between runs,
// and one process at a time.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/vdrive/vdrive_fixture.h"

namespace sorvane::vdrive::test {
namespace {

namespace fs = std::filesystem;

class PersistenceTest : public VDriveTest {
protected:
    PersistenceTest() : folder(fs::temp_directory_path() / ("vdrive-state-" + std::to_string(::getpid()))) {
        fs::remove_all(folder);
    }
    ~PersistenceTest() override {
        host.UseMemory();
        fs::remove_all(folder);
    }
    void Open() {
        std::string error;
        ASSERT_TRUE(host.UseStateFolder(folder.string(), &error)) << error;
        host.SetCompletion(TCompletion::Synchronous);
        host.SetTimeScale(0);
        drive = 0;
    }
    fs::path folder;
};

TEST_F(PersistenceTest, FirstUseCreatesAWriterWithABlankCdR) {
    Open();
    ASSERT_EQ(host.DriveCount(), 1u);
    TDriveStatus s = host.Status(0);
    EXPECT_EQ(s.Model, "dvd-multi");
    EXPECT_EQ(s.Kind, TMediumKind::CdR);
    EXPECT_EQ(s.State, "blank");
    EXPECT_EQ(s.BackingFile, (folder / "drive0.img").string());
    EXPECT_TRUE(fs::exists(folder / "state"));
}

TEST_F(PersistenceTest, RecordedSessionsSurviveARestart) {
    Open();
    ASSERT_EQ(Check(cdb::TestUnitReady()), kGood);  // no medium change at power-on
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kGood);
    ASSERT_EQ(Write(0, Sectors(300, 0x5A)), kGood);
    ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(cdb::TClose::Session, 0)), kGood);
    host.UseMemory();  // saves and lets the folder go

    Open();
    TDriveStatus s = host.Status(0);
    EXPECT_EQ(s.State, "appendable");
    ASSERT_EQ(s.Sessions.size(), 1u);
    EXPECT_EQ(s.Sessions[0].Length, 300u);
    EXPECT_EQ(Nwa(), 302u + 11400u);
    EXPECT_EQ(ReadBack(299, 1).at(1), 0x5A);
    // The backing file is sparse: only what was written takes room.
    EXPECT_EQ(fs::file_size(folder / "drive0.img"), 300u * 2048);
}

TEST_F(PersistenceTest, DamageToTheDiscSurfaceSurvivesARestartButCountingFaultsDoNot) {
    Open();
    TFaults faults;
    faults.MediumErrorLbas = std::make_pair(1u, 2u);
    faults.CorruptedLbas = std::make_pair(30u, 40u);
    faults.UnreadableAfterWriteLbas = std::make_pair(50u, 60u);
    faults.BusyCommands = 3;
    host.SetFaults(0, faults);
    host.UseMemory();

    Open();
    const TFaults kept = host.Faults(0);
    EXPECT_EQ(kept.MediumErrorLbas, faults.MediumErrorLbas);
    EXPECT_EQ(kept.CorruptedLbas, faults.CorruptedLbas);
    EXPECT_EQ(kept.UnreadableAfterWriteLbas, faults.UnreadableAfterWriteLbas);
    EXPECT_EQ(kept.BusyCommands, 0);
}

TEST_F(PersistenceTest, AFolderInUseByAnotherProcessIsRefused) {
    fs::create_directories(folder);
    int fd = ::open((folder / "lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another open file description holds it
    std::string error;
    EXPECT_FALSE(host.UseStateFolder(folder.string(), &error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    ::close(fd);
    EXPECT_TRUE(host.UseStateFolder(folder.string(), &error)) << error;
}

TEST_F(PersistenceTest, PressedDiscIsReadFromItsImage) {
    Open();
    fs::path image = folder / "pressed.iso";
    {
        std::ofstream out(image, std::ios::binary);
        std::vector<char> data(2048 * 20 + 100, 'P');
        out.write(data.data(), std::streamsize(data.size()));
    }
    std::string error;
    EXPECT_FALSE(host.Insert(0, {TMediumKind::CdRom}, &error));  // needs its image
    ASSERT_TRUE(host.Insert(0, {TMediumKind::CdRom, TMediumState::Blank, image.string()}, &error)) << error;
    ASSERT_EQ(Check(cdb::TestUnitReady()), kMediumChanged);
    EXPECT_EQ(Send(cdb::ReadCapacity()).Be32(0), 20u);  // 21 sectors, the last one padded
    auto last = ReadBack(20, 1);
    EXPECT_EQ(last.at(99), 'P');
    EXPECT_EQ(last.at(100), 0);
    EXPECT_EQ(Write(21, 1), kCannotWriteMedium);
    host.UseMemory();
    Open();
    EXPECT_EQ(host.Status(0).Kind, TMediumKind::CdRom);
    EXPECT_EQ(host.Status(0).BackingFile, image.string());
}

}  // namespace
}  // namespace sorvane::vdrive::test
