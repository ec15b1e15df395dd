// Recordings that do not go to plan: a busy drive, a medium error, the
// user's abort, a tray pulled open, a drive that never finishes, failed
// closing, and the settings that make a recording write or close less.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "engine/record/disc_checks.h"
#include "engine/record/disc_close.h"
#include "engine/rtl/sync_queue.h"
#include "tests/record/burn_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;
using K = vdrive::TMediumKind;

bool Has(const std::vector<std::string>& steps, const std::string& prefix) {
    return std::any_of(steps.begin(), steps.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
}

std::size_t CountOf(const std::vector<vdrive::TLogEntry>& log, std::uint8_t opcode) {
    return static_cast<std::size_t>(
        std::count_if(log.begin(), log.end(), [&](const auto& e) { return e.Cdb[0] == opcode; }));
}

class BurnFaults : public BurnTest {
protected:
    // A recording that ended with an error: the cache was synchronised, but
    // nothing was closed and the drive was not given back (the tray stays
    // locked for the front end to unlock).
    void ExpectLeftAsIs(const std::vector<std::string>& steps) {
        EXPECT_GT(CountOf(RecordingLog(), 0x35), 0u) << "the cache is synchronised";
        EXPECT_FALSE(Has(steps, "CLOSE"));
        EXPECT_FALSE(Has(steps, "SPEED w=2"));
        EXPECT_FALSE(Has(steps, "UNLOCK"));
        EXPECT_TRUE(host.Status(0).Locked);
        EXPECT_EQ(finalizing, 0) << "no closing is announced after a failure";
        EXPECT_FALSE(burner.Writing());
    }
    // Burns with Abort pressed as the `count`th WRITE goes out; `writes`
    // gets the WRITEs sent in all.
    std::string BurnAbortedAfterWrites(int count, int& writes) {
        std::atomic<int> sent{0};
        host.SetLogSink([&](const vdrive::TLogEntry& entry) {
            if (entry.Cdb[0] == 0x2A && ++sent == count) burner.Abort();
        });
        const std::string outcome = Burn();
        host.SetLogSink({});
        writes = sent;
        return outcome;
    }
};

// --- A busy drive ----------------------------------------------------------------------

TEST_F(BurnFaults, BusyWriteIsRepeatedEvery600MsUntilTheDriveTakesIt) {
    Insert({K::CdR});
    AddProject();
    onStart = [this] {
        vdrive::TFaults faults;
        faults.BusyCommands = 3;
        host.SetFaults(0, faults);
    };
    ASSERT_EQ(Burn(), "");
    const auto writes = Logged(0x2A);
    ASSERT_GE(writes.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(writes[i].Cdb, writes[0].Cdb) << "the same write, attempt " << i + 1;
    EXPECT_EQ(writes[3].SrbStatus, 1);
    const auto sleeps = Sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 600), 3);
    ExpectSessionHolds(1, files);
}

TEST_F(BurnFaults, DriveBusyThrough10000AttemptsEndsWithWriterBusy) {
#if defined(__SANITIZE_THREAD__)
    // Ten thousand commands take seconds under ThreadSanitizer; the threads
    // meet exactly as in the shorter busy tests above and below.
    GTEST_SKIP() << "too slow under ThreadSanitizer";
#endif
    Insert({K::DvdPlusR});
    AddProject();
    onStart = [this] {
        vdrive::TFaults faults;
        faults.LongWriteStorm = 10000;  // NOT READY, LONG WRITE IN PROGRESS
        host.SetFaults(0, faults);
    };
    EXPECT_EQ(Burn(), "WRITER BUSY/BUFFER FULL");
    EXPECT_EQ(CountOf(RecordingLog(), 0x2A), 10000u);
    const auto sleeps = Sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 600), 10000);
    ExpectLeftAsIs(RecordingSteps());
}

TEST_F(BurnFaults, AbortWhileTheDriveIsBusyStopsTheRetriesAtOnce) {
    Insert({K::DvdR});
    AddProject();
    onStart = [this] {
        vdrive::TFaults faults;
        faults.BusyCommands = 50;
        host.SetFaults(0, faults);
    };
    std::atomic<int> pauses{0};
    burner.Sleep = [&](int ms) {
        if (ms == 600 && ++pauses == 5) burner.Abort();
        host.AdvanceClock(ms / 1000.0);
    };
    EXPECT_EQ(Burn(), "OPERATION ABORTED BY USER");
    EXPECT_EQ(pauses, 5);
    EXPECT_EQ(CountOf(RecordingLog(), 0x2A), 5u) << "no attempt after the abort";
    ExpectLeftAsIs(RecordingSteps());
}

// --- Errors and the user's abort ----------------------------------------------------------

TEST_F(BurnFaults, MediumErrorEndsWithWriterErrorAndTheTextOfTheDrive) {
    Insert({K::CdR});
    AddProject();
    vdrive::TFaults faults;
    faults.MediumErrorLbas = std::make_pair(100u, 100u);
    host.SetFaults(0, faults);
    const std::string error = Burn();
    EXPECT_EQ(error.rfind("WRITER ERROR [MEDIUM ERROR", 0), 0u) << error;
    EXPECT_EQ(error.back(), ']');
    // The failed write is not repeated and nothing follows it.
    const auto writes = Logged(0x2A);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back().SrbStatus, 4);
    EXPECT_EQ(std::count_if(writes.begin(), writes.end(), [](const auto& w) { return w.SrbStatus != 1; }), 1);
    ExpectLeftAsIs(RecordingSteps());
    EXPECT_LT(burner.BytesWritten(), burner.GetImageSize() * 2048);
}

TEST_F(BurnFaults, AbortMidBurnStopsWritingAndLeavesTheDriveLocked) {
    Insert({K::DvdPlusR});
    AddProject();
    int writes = 0;
    EXPECT_EQ(BurnAbortedAfterWrites(4, writes), "OPERATION ABORTED BY USER");
    EXPECT_EQ(writes, 4);
    EXPECT_EQ(burner.BytesWritten(), 4 * 65536);
    ExpectLeftAsIs(RecordingSteps());
    // An abort before the next recording starts belongs to nobody.
    burner.Abort();
    Swap({K::DvdPlusR});
    AddProject(7);
    EXPECT_EQ(Burn(), "");
}

// An interrupted recording leaves its session open (on a CD its track is
// closed by the cache synchronisation, elsewhere the track stays open too).
// A recording onto it would be added to that session, inside a volume that
// starts where the interrupted one does, and never be seen: it is refused
// before anything is written. Closing the session makes the disc appendable.
class InterruptedRecording : public BurnFaults, public ::testing::WithParamInterface<K> {};

TEST_P(InterruptedRecording, LeavesASessionOpenThatIsRefusedUntilClosedAndThenContinued) {
    Insert({GetParam()});
    AddProject();
    int writes = 0;
    ASSERT_EQ(BurnAbortedAfterWrites(4, writes), "OPERATION ABORTED BY USER");
    burner.AllowMediumRemoval(true);
    EXPECT_EQ(host.Status(0).State, "incomplete (last session open)");

    burner.ResetProject();
    files.clear();
    AddProject(5);
    EXPECT_EQ(Burn(), kSessionLeftOpenText);
    EXPECT_EQ(CountOf(host.Log(), 0x2A), 0u) << "nothing is written";
    EXPECT_TRUE(disc::LastSessionLeftOpen(burner, burner.GetDiscType()));

    ASSERT_EQ(disc::CloseOpenSession(burner, burner.GetDiscType(), false), "");
    EXPECT_FALSE(disc::LastSessionLeftOpen(burner, burner.GetDiscType()));
    const vdrive::TDriveStatus status = host.Status(0);
    EXPECT_EQ(status.State, "appendable");
    ASSERT_EQ(status.Sessions.size(), 1u);
    EXPECT_TRUE(status.Sessions[0].Closed);

    ASSERT_EQ(Burn(), "");
    ASSERT_EQ(host.Status(0).Sessions.size(), 2u);
    ExpectSessionHolds(2, files);
}

INSTANTIATE_TEST_SUITE_P(WriteOnce, InterruptedRecording, ::testing::Values(K::CdR, K::DvdR, K::DvdPlusR),
                         [](const ::testing::TestParamInfo<K>& param) { return MediumTestName(param.param); });

TEST_F(BurnFaults, TrackLeftOpenByAKilledRecordingIsClosedWithItsSession) {
    // What a recording killed mid-track leaves: an open track in an open session.
    Insert({K::CdR, vdrive::TMediumState::Open, MakeImage(5000, "killed.iso")});
    AddProject();
    EXPECT_EQ(Burn(), kSessionLeftOpenText);
    ASSERT_EQ(disc::CloseOpenSession(burner, kind::kCdR, false), "");
    EXPECT_EQ(host.Status(0).State, "appendable");
    ASSERT_EQ(Burn(), "");
    ExpectSessionHolds(2, files);
}

TEST_F(BurnFaults, TrayPulledOpenMidBurnEndsWithWriterErrorWithoutWaitingForTheDisc) {
    Insert({K::DvdR});
    AddProject();
    vdrive::TFaults faults;
    faults.TrayOpensAfterWrites = 3;
    host.SetFaults(0, faults);
    const std::string error = Burn();
    EXPECT_EQ(error.rfind("WRITER ERROR [", 0), 0u) << error;
    EXPECT_NE(error.find("MEDIUM NOT PRESENT"), std::string::npos) << error;
    ExpectLeftAsIs(RecordingSteps());
    // The flush wait gives up on a drive without its disc at once.
    const auto log = RecordingLog();
    const auto failed = std::find_if(log.begin(), log.end(), [](const auto& e) { return e.Cdb[0] == 0x2A && e.Asc; });
    ASSERT_NE(failed, log.end());
    EXPECT_LE(CountOf({failed, log.end()}, 0x51), 1u);
    EXPECT_TRUE(host.Status(0).TrayOpen);
}

TEST_F(BurnFaults, SourceFileDeletedAfterLayoutFailsBeforeStartingWithItsPath) {
    Insert({K::CdR});
    AddProject();
    std::string source;
    for (const auto& entry : burner.Project().FileTable())
        if (entry->LongName == "big.bin") source = entry->SourcePath;
    ASSERT_FALSE(source.empty());
    std::filesystem::remove(source);
    EXPECT_EQ(Burn(), "CAN'T OPEN FILE \"" + source + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_FALSE(burner.Writing());
    EXPECT_EQ(CountOf(host.Log(), 0x2A), 0u);
    EXPECT_EQ(CountOf(host.Log(), 0x5C), 0u) << "the write thread never started";
}

TEST_F(BurnFaults, EmptyBootImageIsRefusedBeforeTheDiscIsTouched) {
    Insert({K::DvdRw});  // a disc the recording would format first
    AddProject();
    const std::string boot = tmp.Path() + "/empty.img";
    WriteFile(boot, {});
    burner.Layout().BootImageFile = boot;
    burner.Layout().MakeBootable = true;
    EXPECT_EQ(Burn(), "BOOT IMAGE \"" + boot + "\" IS EMPTY");
    EXPECT_EQ(CountOf(host.Log(), 0x04), 0u) << "no FORMAT UNIT";
    EXPECT_EQ(CountOf(host.Log(), 0x2A), 0u) << "no WRITE";
}

// --- The end of the data ------------------------------------------------------------------

TEST_F(BurnFaults, DriveThatNeverFinishesFlushingIsGivenUpAfterHalfAnHour) {
    Insert({K::DvdR});
    AddProject();
    std::size_t sleepsBefore = 0;
    burner.OnFinalizingTrack = [&](TOrvoBurner&) {
        sleepsBefore = Sleeps().size();
        vdrive::TFaults faults;
        faults.LongWriteStorm = 1000000;
        host.SetFaults(0, faults);
    };
    const std::string error = Burn();
    host.SetFaults(0, vdrive::TFaults{});
    EXPECT_EQ(error.rfind("SYNCHRONIZE CACHE ERROR [", 0), 0u) << error;
    const auto sleeps = Sleeps();
    EXPECT_EQ(std::count(sleeps.begin() + static_cast<std::ptrdiff_t>(sleepsBefore), sleeps.end(), 1000), 1800);
    EXPECT_FALSE(Has(RecordingSteps(), "CLOSE"));
}

TEST_F(BurnFaults, CloseTheDriveRefusesIsReportedAndTheDriveStillReleased) {
    // The disc is swapped for a pressed one while the drive closes: the
    // session close is refused for good.
    Insert({K::CdR});
    AddProject();
    const std::string pressed = MakeImage(400, "pressed.iso");
    burner.OnFinalizingTrack = [&](TOrvoBurner&) { host.Insert(0, {K::CdRom, vdrive::TMediumState::Closed, pressed}); };
    const std::string error = Burn();
    EXPECT_EQ(error.rfind("CLOSE TRACK/SESSION ERROR [", 0), 0u) << error;
    const auto steps = RecordingSteps();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "CLOSE IMMED 2 0"), 2) << "sent once more after a refusal";
    EXPECT_TRUE(Has(steps, "UNLOCK"));
    EXPECT_FALSE(host.Status(0).Locked);
}

TEST_F(BurnFaults, CdSessionCloseBusyThrough1000AttemptsIsGivenUpWithoutAnotherTry) {
    // Only a refusal earns the extra close; a drive still busy after every
    // attempt would only be kept waiting longer.
    Insert({K::CdR});
    AddProject();
    burner.OnFinalizingTrack = [&](TOrvoBurner&) {
        vdrive::TFaults faults;
        faults.BusyCommands = 1000000;
        host.SetFaults(0, faults);
    };
    const std::string error = Burn();
    host.SetFaults(0, vdrive::TFaults{});
    EXPECT_EQ(error.rfind("CLOSE TRACK/SESSION ERROR [", 0), 0u) << error;
    EXPECT_EQ(CountOf(RecordingLog(), 0x5B), 1000u);
}

TEST_F(BurnFaults, SynchronisationWithTheDiscGoneIsReportedNotClosed) {
    Insert({K::CdR});
    AddProject();
    burner.OnFinalizingTrack = [&](TOrvoBurner&) { host.Insert(0, {K::None}); };
    const std::string error = Burn();
    EXPECT_EQ(error.rfind("SYNCHRONIZE CACHE ERROR [", 0), 0u) << error;
    EXPECT_FALSE(Has(RecordingSteps(), "CLOSE"));
}

TEST_F(BurnFaults, DvdRCloseCommandsWaitForTheDriveToFinishTheOneBefore) {
    Insert({K::DvdR});
    AddProject();
    ASSERT_EQ(Burn(), "");
    // Each immediate close keeps the drive busy; the next one was refused
    // as busy at least once and then taken.
    const auto closes = Logged(0x5B);
    EXPECT_GT(closes.size(), 3u);
    EXPECT_TRUE(std::all_of(closes.begin(), closes.end(), [](const auto& c) { return c.SrbStatus == 1 || c.Asc == 4; }));
    const auto status = host.Status(0);
    ASSERT_EQ(status.Sessions.size(), 1u);
    EXPECT_TRUE(status.Sessions[0].Closed);
}

// --- Settings that write or close less -------------------------------------------------------

TEST_F(BurnFaults, TestWriteWritesNothingAndClosesNothing) {
    Insert({K::CdR});
    for (K medium : {K::CdR, K::DvdR}) {
        SCOPED_TRACE(std::string(vdrive::MediumKindName(medium)));
        Swap({medium});
        burner.TestWrite = true;
        AddProject();
        ASSERT_EQ(Burn(), "");
        const auto steps = RecordingSteps();
        ASSERT_GT(steps.size(), 6u);
        const std::string page = medium == K::CdR ? "PAGE wt=1 ms=0 test=1" : "PAGE wt=0 ms=3 test=1";
        EXPECT_EQ(steps[4], page);
        EXPECT_TRUE(Has(steps, "WRITES"));
        EXPECT_FALSE(Has(steps, "OPC"));
        EXPECT_FALSE(Has(steps, "CLOSE"));
        EXPECT_FALSE(Has(steps, "RESERVE"));
        EXPECT_FALSE(Has(steps, "TIMESTAMP"));
        // The drive is still given back, with the test bit cleared.
        EXPECT_EQ(steps[steps.size() - 6], "PAGE wt=1 ms=3 test=0");
        const auto status = host.Status(0);
        EXPECT_EQ(status.State, "blank");
        EXPECT_TRUE(status.Sessions.empty());
    }
}

TEST_F(BurnFaults, TestWriteOnAKindWithoutSimulationIsRefusedBeforeAnythingIsWritten) {
    Insert({K::CdR});
    const std::pair<K, const char*> cases[] = {
        {K::DvdPlusR, "DVD+R"}, {K::DvdPlusRw, "DVD+RW"}, {K::DvdRam, "DVD-RAM"}, {K::DvdRw, "DVD-RW"}};
    for (const auto& [medium, name] : cases) {
        SCOPED_TRACE(name);
        Swap({medium});
        burner.TestWrite = true;
        AddProject();
        EXPECT_EQ(Burn(), std::string("TEST WRITE IS IMPOSSIBLE ON ") + name);
        EXPECT_EQ(CountOf(host.Log(), 0x2A), 0u);
        EXPECT_EQ(CountOf(host.Log(), 0x04), 0u) << "a simulation never formats the disc";
        EXPECT_FALSE(burner.Writing());
    }
}

TEST_F(BurnFaults, FinalizeTrackOffClosesNothingButReleasesTheDrive) {
    Insert({K::DvdPlusR});
    burner.FinalizeTrack = false;
    AddProject();
    ASSERT_EQ(Burn(), "");
    const auto steps = RecordingSteps();
    EXPECT_FALSE(Has(steps, "CLOSE"));
    EXPECT_TRUE(Has(steps, "UNLOCK"));
    EXPECT_EQ(host.Status(0).State, "incomplete (last session open)");
}

// --- The drive buffer -----------------------------------------------------------------------------

TEST_F(BurnFaults, DriveBufferIsQueriedEveryFifthBlockWhileWriting) {
    Insert({K::DvdPlusR});
    AddProject();
    ASSERT_EQ(Burn(), "");
    const auto log = RecordingLog();
    const auto firstWrite = std::find_if(log.begin(), log.end(), [](const auto& e) { return e.Cdb[0] == 0x2A; });
    const auto lastWrite = std::find_if(log.rbegin(), log.rend(), [](const auto& e) { return e.Cdb[0] == 0x2A; });
    ASSERT_NE(firstWrite, log.end());
    const std::vector<vdrive::TLogEntry> writing(firstWrite, lastWrite.base());
    const std::size_t blocks = CountOf(writing, 0x2A);
    ASSERT_GT(blocks, 10u);
    EXPECT_EQ(CountOf(writing, 0x5C), (blocks - 1) / 5);
}

TEST_F(BurnFaults, DriveRefusingReadBufferCapacityIsNeverAskedWhileWriting) {
    vdrive::TDriveModel model = vdrive::MultiFormatWriter();
    model.Name = "no-buffer-query";
    model.ReadBufferCapacity = false;
    Insert({K::DvdPlusR}, model);
    AddProject();
    std::uint32_t fillAtFinalizing = 1;
    burner.OnFinalizingTrack = [&](TOrvoBurner&) {
        fillAtFinalizing = burner.DeviceBufferSize() - burner.DeviceFreeBufferSize();
    };
    ASSERT_EQ(Burn(), "");
    const auto log = RecordingLog();
    const auto firstWrite = std::find_if(log.begin(), log.end(), [](const auto& e) { return e.Cdb[0] == 0x2A; });
    const auto lastWrite = std::find_if(log.rbegin(), log.rend(), [](const auto& e) { return e.Cdb[0] == 0x2A; });
    EXPECT_EQ(CountOf({firstWrite, lastWrite.base()}, 0x5C), 0u);
    EXPECT_EQ(fillAtFinalizing, 0u);
    EXPECT_EQ(burner.DeviceBufferSize(), 0u);
}

}  // namespace
}  // namespace sorvane
