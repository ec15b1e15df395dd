// The checks before a recording, the finalize rule and the speed list, on
// the emulated recorder through the component's own drive commands.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/rtl/owner_wait.h"
#include "engine/rtl/sync_queue.h"
#include "tasks/erase_process.h"
#include "tasks/record_checks.h"
#include "tasks/record_speeds.h"
#include "tests/device/vdrive_fixture.h"
#include "tests/iso/disc_images.h"

namespace sorvane::tasks {
namespace {

using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;
using sorvane::test::TTempDir;
using sorvane::test::VdriveTest;

constexpr std::int64_t kSector = 2048;
constexpr std::uint8_t kSetCdSpeed = 0xBB;

class RecordChecks : public VdriveTest {
protected:
    void Load(const vdrive::TMediumRequest& medium, const vdrive::TDriveModel& model = vdrive::MultiFormatWriter()) {
        AddDrive(model, medium);
        OpenAndSelect();
    }
    // A project of one file of `bytes`, for the task; its data is never
    // read, so a large one costs nothing.
    std::int64_t Project(std::int64_t bytes, TRecordTask task = TRecordTask::RecordNew) {
        const std::string path = tmp.Path() + "/file.bin";
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(bytes));
        burner.BeginProject(task == TRecordTask::ContinueDisc ? TOrvoBurner::TProjectTask::ContinueDisc
                                                               : TOrvoBurner::TProjectTask::RecordNew);
        EXPECT_TRUE(burner.InsertFile("\\", path, false));
        return bytes;
    }
    TCheckResult Check(TRecordTask task, std::int64_t bytes) {
        return AddFiles(burner, task, Project(bytes, task), nullptr, choices, ask);
    }
    bool TrayOpen() { return host.Status(0).TrayOpen; }

    TTempDir tmp;
    TRecordChoices choices;
    int asked = 0;
    bool answer = false;
    TAskQuestion ask = [this](const TPageMessage& question) {
        ++asked;
        EXPECT_EQ(question.Text, "Record will be possible after erase only.\nErase disc first?");
        EXPECT_EQ(question.Caption, "Confirm erase");
        return answer;
    };

public:
    RecordChecks() { test::WriteAll(tmp.Path() + "/file.bin", {}); }
};

TEST_F(RecordChecks, EmptyProjectIsRefusedWithoutTouchingTheDisc) {
    Load({K::CdR});
    const TCheckResult result = AddFiles(burner, TRecordTask::RecordNew, 0, nullptr, choices, ask);
    EXPECT_FALSE(result.Passed);
    EXPECT_EQ(result.Message.Text, "Project is empty.");
    EXPECT_EQ(result.Message.Caption, "Record cancelled");
    EXPECT_FALSE(TrayOpen());
}

struct TRefusal {
    const char* Name;
    K Kind;
    S State;
    TRecordTask Task;
    const char* Text;
};

void PrintTo(const TRefusal& row, std::ostream* out) { *out << row.Name; }

class DiscRefusals : public RecordChecks, public ::testing::WithParamInterface<TRefusal> {};

TEST_P(DiscRefusals, EachNamesTheReasonOpensTheTrayAndAsksNothing) {
    const TRefusal& refusal = GetParam();
    const bool pressed = refusal.Kind == K::CdRom || refusal.Kind == K::DvdRom;
    Load({refusal.Kind, refusal.State, pressed || refusal.State != S::Blank ? MakeImage(400) : std::string()});
    const TCheckResult result = Check(refusal.Task, 5000);
    EXPECT_FALSE(result.Passed);
    EXPECT_FALSE(result.Declined);
    EXPECT_EQ(result.Message.Text, refusal.Text);
    EXPECT_EQ(result.Message.Caption, "Record cancelled");
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(TrayOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DiscRefusals,
    ::testing::Values(TRefusal{"NoDisc", K::None, S::Blank, TRecordTask::RecordNew, "No disc or unknown type."},
                      TRefusal{"CdRom", K::CdRom, S::Finalized, TRecordTask::RecordNew,
                               "Record on CD-ROM is impossible."},
                      TRefusal{"DvdRomOnContinue", K::DvdRom, S::Finalized, TRecordTask::ContinueDisc,
                               "Record on DVD-ROM is impossible."},
                      TRefusal{"FinalizedCdOnContinue", K::CdR, S::Finalized, TRecordTask::ContinueDisc,
                               "Disc is finalized."},
                      TRefusal{"FinalizedCdRwOnContinue", K::CdRw, S::Finalized, TRecordTask::ContinueDisc,
                               "Disc is finalized."},
                      // A CD-R cannot be erased: asking to would only lead to
                      // an erase bound to fail.
                      TRefusal{"FinalizedCdROnRecordNew", K::CdR, S::Finalized, TRecordTask::RecordNew,
                               "Disc is finalized."}),
    [](const ::testing::TestParamInfo<TRefusal>& param) { return std::string(param.param.Name); });

TEST_F(RecordChecks, ClosedDvdIsAcceptedOnContinue) {
    // A finalized DVD-R passes the check of its kind; only its room, of
    // which it has none left, stops the recording.
    Load({K::DvdR, S::Finalized, MakeImage(400)});
    ASSERT_EQ(burner.GetDiscStatus(), 2);
    TCheckResult result = Check(TRecordTask::ContinueDisc, 5000);
    EXPECT_EQ(result.Message.Text, "Project size overreached free disc space.");
    EXPECT_FALSE(TrayOpen());

    ASSERT_TRUE(host.Insert(0, {K::DvdPlusRw, S::Closed, MakeImage(400)}));
    burner.TestUnitReady(5000);  // the disc change
    ASSERT_EQ(burner.GetDiscStatus(), 2);
    result = Check(TRecordTask::ContinueDisc, 5000);
    EXPECT_TRUE(result.Passed) << result.Message.Text;
}

TEST_F(RecordChecks, FinalizedCdRwAsksToEraseAndTheAnswerDecides) {
    Load({K::CdRw, S::Finalized, MakeImage(400)});
    answer = false;
    TCheckResult result = Check(TRecordTask::RecordNew, 5000);
    EXPECT_FALSE(result.Passed);
    EXPECT_TRUE(result.Declined);
    EXPECT_EQ(result.Message.Text, kEraseQuestion);
    EXPECT_FALSE(choices.EraseFirst);
    EXPECT_FALSE(TrayOpen()) << "a declined question leaves the disc in";

    answer = true;
    burner.FinalizeDisc = true;
    result = Check(TRecordTask::RecordNew, 5000);
    EXPECT_TRUE(result.Passed);
    EXPECT_TRUE(choices.EraseFirst);
    EXPECT_FALSE(burner.FinalizeDisc) << "the erased disc keeps almost all of its room";
    EXPECT_EQ(asked, 2);
    // The options page then lets it pass without asking again.
    EXPECT_TRUE(CheckBurn(burner, TRecordTask::RecordNew, burner.GetImageSize(), choices, ask).Passed);
    EXPECT_EQ(asked, 2);
}

TEST_F(RecordChecks, ProjectThatFitsOnlyAnErasedDiscAsksForNewButIsTooLargeToContinue) {
    Load({K::CdRw, S::Closed, MakeImage(400)});
    const std::int64_t capacity = burner.GetDiscCapacity(), used = burner.GetUsedSectors();
    ASSERT_GT(used, 0);
    const std::int64_t bytes = (capacity - used / 2) * kSector;

    answer = true;
    EXPECT_TRUE(Check(TRecordTask::RecordNew, bytes).Passed);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(choices.EraseFirst);

    choices = {};
    const TCheckResult result = Check(TRecordTask::ContinueDisc, bytes);
    EXPECT_FALSE(result.Passed);
    EXPECT_EQ(result.Message.Text, "Project size overreached free disc space.");
    EXPECT_EQ(asked, 1) << "a continued disc is never erased";
}

TEST_F(RecordChecks, ProjectLargerThanTheDiscIsRefused) {
    Load({K::CdR});
    const std::int64_t capacity = burner.GetDiscCapacity();
    const TCheckResult result = Check(TRecordTask::RecordNew, (capacity + 10) * kSector);
    EXPECT_FALSE(result.Passed);
    EXPECT_EQ(result.Message.Text, "Project size overreached free disc space.");
    EXPECT_EQ(result.Message.Caption, "Record cancelled");
}

TEST_F(RecordChecks, DiscIsFinalizedWhenLessThanTwoMbWouldRemainFree) {
    Load({K::CdR});
    const std::int64_t capacity = burner.GetDiscCapacity();
    // The file's size for a laid-out project of `sectors`.
    const std::int64_t probe = (capacity - 5000) * kSector;
    ASSERT_TRUE(Check(TRecordTask::RecordNew, probe).Passed);
    const std::int64_t overhead = burner.GetImageSize() - probe / kSector;
    const auto freeAfter = [&](std::int64_t freeSectors) {
        EXPECT_TRUE(Check(TRecordTask::RecordNew, (capacity - freeSectors - overhead) * kSector).Passed);
        EXPECT_EQ(burner.GetDiscCapacity() - burner.GetImageSize(), freeSectors);
        return burner.FinalizeDisc;
    };
    EXPECT_TRUE(freeAfter(1023)) << "just under 2 Mb";
    EXPECT_FALSE(freeAfter(1024)) << "2 Mb";
    EXPECT_TRUE(freeAfter(512)) << "1 Mb";
    EXPECT_FALSE(freeAfter(5000));
}

TEST_F(RecordChecks, OptionsPageRefusesADriveThatIsNotReady) {
    Load({K::None});
    const TCheckResult result = CheckBurn(burner, TRecordTask::RecordImage, 400, choices, ask);
    EXPECT_EQ(result.Message.Text, "Device is not ready.");
}

TEST_F(RecordChecks, ImageIsCheckedAgainstTheFreeSpaceByItsOwnSizeAndNeedsABlankWriteOnceDisc) {
    Load({K::DvdPlusR});
    const std::int64_t capacity = burner.GetDiscCapacity();
    EXPECT_EQ(CheckBurn(burner, TRecordTask::RecordImage, capacity + 1, choices, ask).Message.Text,
              "Project size overreached free disc space.");
    EXPECT_TRUE(CheckBurn(burner, TRecordTask::RecordImage, capacity, choices, ask).Passed);

    // An image's addresses count from the first sector: a DVD+R that holds
    // a session cannot take it, whatever room it has left.
    ASSERT_TRUE(host.Insert(0, {K::DvdPlusR, S::Closed, MakeImage(400)}));
    burner.TestUnitReady(5000);  // the disc change
    EXPECT_EQ(CheckBurn(burner, TRecordTask::RecordImage, 400, choices, ask).Message.Text,
              "The disc is not empty: an image is recorded from the disc's first sector, so it needs a blank disc.");
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(ImageNeedsErase(burner)) << "a DVD+R cannot be erased";
}

TEST_F(RecordChecks, ImageNeedsAnEmptyDiscOnlyWhereOneCanBeHad) {
    Load({K::CdRw, S::Closed, MakeImage(400)});
    EXPECT_TRUE(ImageNeedsErase(burner));
    ASSERT_TRUE(host.Insert(0, {K::CdRw}));
    burner.TestUnitReady(5000);  // the disc change
    EXPECT_FALSE(ImageNeedsErase(burner));
}

TEST_F(RecordChecks, ImageThatFitsBesideASessionStillNeedsTheRewritableDiscErased) {
    // Recorded after the session, the image's addresses would point into
    // the wrong sectors: the disc is erased first or not recorded.
    Load({K::CdRw, S::Closed, MakeImage(400)});
    answer = false;
    TCheckResult result = CheckBurn(burner, TRecordTask::RecordImage, 400, choices, ask);
    EXPECT_FALSE(result.Passed);
    EXPECT_TRUE(result.Declined);
    answer = true;
    EXPECT_TRUE(CheckBurn(burner, TRecordTask::RecordImage, 400, choices, ask).Passed);
    EXPECT_TRUE(choices.EraseFirst);
    EXPECT_EQ(asked, 2);
}

TEST_F(RecordChecks, ImageFileTakesWholeSectorsAndAtLeastThePostGapMinimum) {
    std::int64_t sectors = -1;
    const std::string path = tmp.Path() + "/image.iso";
    test::WriteAll(path, std::vector<std::uint8_t>(1000 * kSector + 1));
    burner.WritePostGap = true;
    ASSERT_TRUE(ImageFileSectors(burner, path, sectors));
    EXPECT_EQ(sectors, 1001) << "a part of a sector takes a whole one";
    test::WriteAll(path, std::vector<std::uint8_t>(10 * kSector));
    ASSERT_TRUE(ImageFileSectors(burner, path, sectors));
    EXPECT_EQ(sectors, 300) << "padded by the post-gap";
    burner.WritePostGap = false;
    ASSERT_TRUE(ImageFileSectors(burner, path, sectors));
    EXPECT_EQ(sectors, 10);
    EXPECT_FALSE(ImageFileSectors(burner, tmp.Path() + "/missing.iso", sectors));
    EXPECT_EQ(sectors, 0);
}

TEST_F(RecordChecks, SpeedListNamesEachGrantedSpeedOnceFastestFirst) {
    vdrive::TDriveModel model = Model("SPEEDS");
    model.WriteSpeeds = {{K::CdR, {7056, 4234, 1764}}};
    Load({K::CdR}, model);
    const std::vector<TWriteSpeed> speeds = ProbeWriteSpeeds(burner);
    std::vector<std::string> list;
    for (const TWriteSpeed& speed : speeds) list.push_back(RecordSpeedText(speed));
    EXPECT_EQ(list, (std::vector<std::string>{"40x (7,056 Kb/sec)", "24x (4,234 Kb/sec)", "10x (1,764 Kb/sec)"}));
    EXPECT_EQ(burner.GetCurrentWriteSpeed(), 7056) << "the fastest is set again";
    // Asked for in steps of 177 kB/s from the fastest down to the last
    // positive request, then the fastest once more.
    const std::vector<vdrive::TLogEntry> requests = Logged(kSetCdSpeed);
    ASSERT_EQ(requests.size(), 41u);
    const auto writeSpeed = [](const vdrive::TLogEntry& e) { return e.Cdb[4] << 8 | e.Cdb[5]; };
    EXPECT_EQ(writeSpeed(requests[0]), 7056);
    EXPECT_EQ(writeSpeed(requests[1]), 6879);
    EXPECT_EQ(writeSpeed(requests[2]), 6702);
    EXPECT_EQ(writeSpeed(requests[39]), 7056 - 39 * 177);
    EXPECT_EQ(writeSpeed(requests[40]), 7056);

    // A text of the list stands for its steps of 177 kB/s on a CD, of
    // 1385 kB/s on a DVD.
    EXPECT_EQ(SpeedFromText(list[1], kind::kCdR), 24 * 177);
    EXPECT_EQ(SpeedFromText("4x (5,540 Kb/sec)", kind::kDvdR), 4 * 1385);
    EXPECT_EQ(SpeedFromText("", kind::kCdR), 0);
    SelectWriteSpeed(burner, speeds[2]);
    EXPECT_EQ(burner.GetCurrentWriteSpeed(), 1764);
}

// Each step of the probing costs the drive several commands: a window keeps
// answering between them, and its Stop ends the probing.
TEST_F(RecordChecks, SpeedProbingKeepsTheOwnersEventsComingAndEndsAtAbort) {
    vdrive::TDriveModel model = Model("SPEEDS");
    model.WriteSpeeds = {{K::CdR, {7056, 4234, 1764}}};
    Load({K::CdR}, model);
    TSyncQueue::Main().ClaimOwnership();
    int handled = 0;
    SetOwnerEventsHook([&] {
        if (++handled == 3) burner.Abort();
    });
    const std::vector<TWriteSpeed> speeds = ProbeWriteSpeeds(burner);
    SetOwnerEventsHook({});
    EXPECT_EQ(handled, 3);
    ASSERT_EQ(speeds.size(), 1u);
    EXPECT_EQ(speeds[0].KBps, 7056);
    EXPECT_EQ(Logged(kSetCdSpeed).size(), 4u) << "three steps, then the fastest again";
}

TEST_F(RecordChecks, EraseListKeepsTheFastestOfEachWholeStepAndCommandLinePicksFromTheList) {
    vdrive::TDriveModel model = Model("SPEEDS");
    // 6968 kB/s is 39.5 steps: shown as 40x, like 7056.
    model.WriteSpeeds = {{K::CdRw, {7056, 6968, 1764}}};
    Load({K::CdRw}, model);
    const std::vector<TWriteSpeed> speeds = ProbeWriteSpeeds(burner);
    ASSERT_EQ(speeds.size(), 3u);
    EXPECT_EQ(RecordSpeedText(speeds[1]), "40x (6,968 Kb/sec)");
    const std::vector<TWriteSpeed> erase = EraseSpeeds(speeds);
    ASSERT_EQ(erase.size(), 2u);
    EXPECT_EQ(EraseSpeedText(erase[0]), "40x");
    EXPECT_EQ(erase[0].KBps, 7056);
    EXPECT_EQ(EraseSpeedText(erase[1]), "10x");
    // Choosing an item asks for what its text stands for.
    EXPECT_EQ(erase[1].Request, SpeedFromText("10x", kind::kCdRw));

    EXPECT_EQ(PickSpeed(speeds, 0).KBps, 7056) << "no speed asked for: the fastest";
    EXPECT_EQ(PickSpeed(speeds, 10).KBps, 1764);
    EXPECT_EQ(PickSpeed(speeds, 24).KBps, 1764) << "the fastest below";
    EXPECT_EQ(PickSpeed(speeds, 4).KBps, 1764) << "nothing below: the slowest";
    EXPECT_EQ(PickSpeed({}, 4).Request, 0) << "an empty list sets the drive's fastest";
}

TEST_F(RecordChecks, ErasePageRefusesWithItsOwnCaptionsAndEjectsWhatCannotBeErased) {
    Load({K::CdR, S::Closed, MakeImage(400)});
    TCheckResult result = CheckErase(burner, true);
    EXPECT_FALSE(result.Passed);
    EXPECT_EQ(result.Message.Text, "Insert RW-disc for erasing...");
    EXPECT_EQ(result.Message.Caption, "Disc is not erasible");
    EXPECT_TRUE(TrayOpen());

    ASSERT_TRUE(host.Insert(0, {K::None}));
    burner.TestUnitReady(5000);  // the disc change
    result = CheckErase(burner, true);
    EXPECT_EQ(result.Message.Text, "Device is not ready");
    EXPECT_EQ(result.Message.Caption, "Erase cancelled");

    ASSERT_TRUE(host.Insert(0, {K::CdRw, S::Closed, MakeImage(400)}));
    burner.TestUnitReady(5000);
    EXPECT_TRUE(CheckErase(burner, false).Passed);
}

}  // namespace
}  // namespace sorvane::tasks
