// Later sessions: where the layout starts them, what the drive is sent for
// them, and what stays readable; the discs and projects a recording refuses.

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/rtl/endian.h"
#include "engine/rtl/search_rec.h"
#include "tests/record/burn_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;
using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

struct TRecordedFile {
    std::string Name;
    std::int64_t Size;
    int Sector;       // absolute
};

class BurnSessions : public BurnTest {
protected:
    // The files of the recording just made, with the sectors they lie at.
    std::vector<TRecordedFile> RecordedFiles() {
        std::vector<TRecordedFile> recorded;
        const int first = burner.Layout().FirstFileSector;
        for (const auto& entry : burner.Project().FileTable()) {
            if (entry->IsDirectory()) continue;
            const int sector = entry->Imported ? entry->IsoSector : entry->IsoSize ? first + entry->IsoSector : 0;
            recorded.push_back({entry->LongName, entry->IsoSize, sector});
        }
        return recorded;
    }

    // A new project holding the files of the session before as imported
    // entries (as the import of that session makes them), in the root.
    void ImportByHand(const std::vector<TRecordedFile>& previous) {
        burner.ResetProject();
        for (const auto& file : previous) {
            TSearchRec rec;
            rec.Name = file.Name;
            rec.Size = file.Size;
            rec.Attr = 0x20;
            rec.Time = 1700000000;
            ASSERT_TRUE(burner.AddFile(burner.FindDir("\\"), rec, file.Sector, "")) << file.Name;
        }
    }

    // The volume space size of the descriptors at sector 16 of the disc.
    std::uint32_t VolumeAtTheStart() {
        std::vector<std::uint8_t> sector(2048);
        EXPECT_TRUE(burner.ReadSectors(16, 1, 2048, sector.data())) << burner.LastError;
        return ReadLsb<std::uint32_t>(&sector[80]);
    }
};

class SecondSession : public BurnSessions, public ::testing::WithParamInterface<K> {};

TEST_P(SecondSession, StartsAtTheNextWritableAddressAndKeepsTheFirstReadable) {
    const K medium = GetParam();
    Insert({medium});
    AddFile("\\", "alpha.txt", 5000, 1);
    AddFile("\\", "big.bin", 300000, 2);
    burner.PrepareImage(false, nullptr);
    ASSERT_EQ(Burn(), "");
    const std::map<std::string, TBytes> first = files;
    const std::int64_t firstEnd = burner.EndAddress();
    const auto previous = RecordedFiles();

    ImportByHand(previous);
    files.clear();
    AddFile("\\", "second.txt", 9000, 9);
    burner.PrepareImage(false, nullptr);
    ASSERT_EQ(Burn(), "");

    const auto status = host.Status(0);
    ASSERT_EQ(status.Sessions.size(), 2u);
    EXPECT_EQ(static_cast<std::int64_t>(status.Sessions[1].Start), burner.StartAddress());
    if (medium == K::DvdPlusRw) {
        // The new session follows the volume; its descriptors now lead the
        // disc, and what lay behind the old ones was written back.
        EXPECT_EQ(burner.StartAddress(), firstEnd);
        EXPECT_EQ(RecordingSteps()[6], "READ 0+32");
        EXPECT_EQ(VolumeAtTheStart(), static_cast<std::uint32_t>(burner.EndAddress()));
    } else {
        EXPECT_GT(burner.StartAddress(), firstEnd);
    }

    std::map<std::string, TBytes> both = first;
    both.insert(files.begin(), files.end());
    ExpectSessionHolds(2, both);
    ExpectSessionHolds(1, first);
    // The verification reads the new session, and on media overwritten in
    // place also the descriptors repeated at sector 0, which make it seen.
    const std::optional<TVerifyReport> verified = burner.VerifyRecording({});
    ASSERT_TRUE(verified);
    EXPECT_TRUE(verified->Confirmed());
    EXPECT_EQ(verified->SectorsToRead > static_cast<std::uint64_t>(burner.ImageSectors()), medium == K::DvdPlusRw);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SecondSession, ::testing::Values(K::CdR, K::DvdPlusR, K::DvdPlusRw),
                         [](const ::testing::TestParamInfo<K>& row) { return MediumTestName(row.param); });

TEST_F(BurnSessions, DvdRReservesTheSessionRoundedUpTo32SectorsPostGapIncluded) {
    Insert({K::DvdR, S::Closed, MakeImage(400, "first.iso")});
    for (bool postGap : {false, true}) {
        SCOPED_TRACE(postGap ? "post-gap" : "no post-gap");
        Swap({K::DvdR, S::Closed, MakeImage(400, "first.iso")});
        burner.WritePostGap = postGap;
        // 25 sectors of file system and one file of 75: 100 sectors.
        AddFile("\\", "data.bin", 75 * 2048, 5);
        burner.PrepareImage(false, nullptr);
        ASSERT_EQ(Burn(), "");
        ASSERT_EQ(burner.ImageSectors(), 100);
        const std::int64_t reserved = postGap ? 320 : 128;
        const auto steps = RecordingSteps();
        const std::int64_t start = burner.StartAddress();
        EXPECT_NE(std::find(steps.begin(), steps.end(), "RESERVE " + std::to_string(reserved)), steps.end());
        EXPECT_NE(std::find(steps.begin(), steps.end(), "WRITES " + std::to_string(start) + ".." +
                                                            std::to_string(start + reserved) + "/32"),
                  steps.end());
        // The session's track is the second: its closing names tracks 2, 3, 4.
        EXPECT_NE(std::find(steps.begin(), steps.end(), "CLOSE IMMED 2 4"), steps.end());
        EXPECT_EQ(burner.BytesWritten(), burner.GetImageSize() * 2048) << "never more than the image";
        ExpectSessionHolds(2, files);
    }
}

TEST_F(BurnSessions, ContinuedSequentialDvdRwIsNotFormattedAndGrowsBySessions) {
    const std::string image = MakeImage(400, "first.iso");
    Insert({K::DvdRw, S::Closed, image});
    burner.Layout().ImportSessionNumber = 0xFFFF;
    AddProject();
    ASSERT_EQ(Burn(), "");
    EXPECT_TRUE(Logged(0x04).empty()) << "formatting a sequential DVD-RW erases it";
    const auto status = host.Status(0);
    ASSERT_EQ(status.Sessions.size(), 2u);
    EXPECT_EQ(static_cast<std::int64_t>(status.Sessions[1].Start), burner.StartAddress());
    ExpectSessionHolds(2, files);
    const TBytes firstSession = ReadFile(ExportSession(1));
    const TBytes original = ReadFile(image);
    EXPECT_TRUE(firstSession == original) << "the first session changed";
}

TEST_F(BurnSessions, ContinuedDvdRwFormattedToItsEndGrowsAfterItsVolume) {
    Insert({K::DvdRwRestricted, S::Closed, MakeImage(410, "first.iso")});
    burner.Layout().ImportSessionNumber = 0xFFFF;
    AddProject();
    ASSERT_EQ(Burn(), "");
    // The quick grow is refused on a disc formatted to its end, and the
    // format that would erase it is not tried.
    ASSERT_EQ(Logged(0x04).size(), 1u);
    EXPECT_EQ(Logged(0x04)[0].DataOut[8], 0x13 << 2);
    EXPECT_EQ(burner.StartAddress(), 416) << "the volume's end, in whole ECC blocks";
    EXPECT_EQ(VolumeAtTheStart(), static_cast<std::uint32_t>(burner.EndAddress()));
    ExpectSessionHolds(2, files);
}

// --- Continuing a disc with the session import ------------------------------------------------

class ContinueDisc : public BurnSessions, public ::testing::WithParamInterface<K> {
protected:
    // The absolute sector of a root file's data as the last layout placed it.
    int SectorOf(const std::string& name) {
        const TFEntry* entry = burner.FindFile(burner.FindDir("\\"), name);
        if (!entry) return -1;
        return entry->Imported ? entry->IsoSector : burner.Layout().FirstFileSector + entry->IsoSector;
    }
};

TEST_P(ContinueDisc, TwiceWithNewAndReplacedFilesEverySessionReadsBack) {
    Insert({GetParam()});
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::RecordNew));
    AddProject(1);
    ASSERT_EQ(Burn(), "");
    const std::map<std::string, TBytes> first = files;
    const int bigSector = SectorOf("big.bin");

    // Session 2: alpha.txt replaced, a new file in the imported folder.
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::ContinueDisc));
    files.clear();
    AddFile("\\", "alpha.txt", 7000, 20);
    AddFile("\\Docs", "second.txt", 4000, 21);
    burner.PrepareImage(false, nullptr);
    ASSERT_EQ(Burn(), "");
    std::map<std::string, TBytes> second = first;
    for (const auto& [path, bytes] : files) second[path] = bytes;
    EXPECT_EQ(SectorOf("big.bin"), bigSector) << "an imported file keeps its sectors";
    const std::int64_t secondStart = burner.StartAddress();

    // Session 3: a new file in the root, the other new one replaced.
    ASSERT_TRUE(burner.BeginProject(TOrvoBurner::TProjectTask::ContinueDisc));
    files.clear();
    AddFile("\\", "third.txt", 2500, 30);
    AddFile("\\Docs", "second.txt", 5000, 31);
    burner.PrepareImage(false, nullptr);
    ASSERT_EQ(Burn(), "");
    std::map<std::string, TBytes> third = second;
    for (const auto& [path, bytes] : files) third[path] = bytes;
    EXPECT_EQ(SectorOf("big.bin"), bigSector);
    EXPECT_GT(burner.StartAddress(), secondStart);

    ASSERT_EQ(host.Status(0).Sessions.size(), 3u);
    ExpectSessionHolds(3, third);
    ExpectSessionHolds(2, second);
    ExpectSessionHolds(1, first);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ContinueDisc,
                         ::testing::Values(K::CdR, K::CdRw, K::DvdR, K::DvdRw, K::DvdRwRestricted, K::DvdPlusR,
                                           K::DvdPlusRDl, K::DvdPlusRw, K::DvdRam),
                         [](const ::testing::TestParamInfo<K>& row) { return MediumTestName(row.param); });

// --- Refusals --------------------------------------------------------------------------------

struct TRefusal {
    const char* Name;
    vdrive::TMediumRequest Medium;
    const char* Error;
};

void PrintTo(const TRefusal& row, std::ostream* out) { *out << row.Name; }

class RefusedDisc : public BurnSessions, public ::testing::WithParamInterface<TRefusal> {};

TEST_P(RefusedDisc, IsReportedBeforeTheCallReturnsAndNothingIsWritten) {
    const TRefusal& row = GetParam();
    vdrive::TMediumRequest medium = row.Medium;
    if (!medium.ImagePath.empty()) medium.ImagePath = MakeImage(400, medium.ImagePath);
    Insert(medium);
    AddProject();
    host.ClearLog();
    const std::size_t before = done.size();
    EXPECT_FALSE(burner.BurnProject());
    ASSERT_EQ(done.size(), before + 1) << "raised from inside the call";
    EXPECT_EQ(done.back(), row.Error);
    EXPECT_TRUE(Logged(0x2A).empty());
    EXPECT_TRUE(Logged(0x5C).empty()) << "no write thread";
    EXPECT_FALSE(burner.Writing());
}

INSTANTIATE_TEST_SUITE_P(
    Discs, RefusedDisc,
    ::testing::Values(TRefusal{"FinalizedCdR", {K::CdR, S::Finalized, "a.iso"}, "DISC IS FINALIZED"},
                      TRefusal{"FinalizedDvdPlusR", {K::DvdPlusR, S::Finalized, "a.iso"}, "DISC IS FINALIZED"},
                      TRefusal{"PressedCd", {K::CdRom, S::Closed, "a.iso"}, "RECORD ON CD-ROM IS IMPOSSIBLE"},
                      TRefusal{"PressedDvd", {K::DvdRom, S::Closed, "a.iso"}, "RECORD ON DVD-ROM IS IMPOSSIBLE"},
                      TRefusal{"EmptyTray", {K::None}, "NO DISC OR UNKNOWN TYPE"}),
    [](const ::testing::TestParamInfo<TRefusal>& row) { return std::string(row.param.Name); });

TEST_F(BurnSessions, ProjectLargerThanTheFreeSpaceIsRefused) {
    Insert({K::CdR, S::Closed, MakeImage(400, "first.iso")});
    const std::string big = tmp / "big.bin";
    WriteFile(big, {});
    ASSERT_EQ(::truncate(big.c_str(), 700LL << 20), 0);  // sparse: nothing is read
    ASSERT_TRUE(burner.InsertFile("\\", big, false));
    burner.PrepareImage(false, nullptr);
    EXPECT_EQ(Burn(), "PROJECT SIZE OVERREACHED FREE DISC SPACE");
    EXPECT_TRUE(Logged(0x2A).empty());
}

TEST_F(BurnSessions, SessionThatWouldOverwriteImportedFilesIsRefused) {
    // An imported file whose data lies where the new session would start:
    // the disc's next writable address was not what the import assumed.
    Insert({K::CdR, S::Closed, MakeImage(400, "first.iso")});
    ImportByHand({{"old.bin", 100000, 20000}});
    AddFile("\\", "new.txt", 1000, 1);
    burner.PrepareImage(false, nullptr);
    EXPECT_EQ(Burn(), "ERROR GETTING NEXT WRITABLE ADDRESS");
    EXPECT_TRUE(Logged(0x2A).empty());
}

}  // namespace
}  // namespace sorvane
