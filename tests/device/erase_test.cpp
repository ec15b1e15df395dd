// Erasing rewritable discs on the emulated recorder. The erase thread's
// pauses pass on the recorder's simulated clock, so a full erase takes
// milliseconds while the engine still finds the drive busy and polls it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/device/erase.h"
#include "engine/device/transport.h"
#include "engine/rtl/endian.h"
#include "engine/rtl/sync_queue.h"
#include "engine/rtl/thread.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::VdriveTest;
using K = vdrive::TMediumKind;
using S = vdrive::TMediumState;

constexpr std::uint8_t kBlank = 0xA1, kFormatUnit = 0x04, kWrite10 = 0x2A, kSynchronizeCache = 0x35,
                       kCloseTrackSession = 0x5B, kRezeroUnit = 0x01, kPreventAllow = 0x1E;

struct TDone {
    bool WithError = false;
    bool OnOwnerThread = false;
    bool ErasingInHandler = true;
};

// What the erase thread saw at one of its pauses.
struct TPause {
    int Ms = 0;
    double Elapsed = 0;  // simulated seconds since the erase started
    int Progress = 0;
    bool Erasing = false;
    bool AfterBusyAnswer = false;  // the command before it found the drive busy (ASC 04h)
    int DriveSays = -1;            // the percentage the drive's sense gave, -1 when none
};

// The progress indication of fixed-format sense data, in percent.
int ProgressInSense(const std::array<std::uint8_t, ASPI_SENSE_LEN>& sense) {
    if (sense[12] != 0x04 || !(sense[15] & 0x80)) return -1;
    return static_cast<int>(std::lround((sense[16] << 8 | sense[17]) / 655.36));
}

class Erase : public VdriveTest {
protected:
    void SetUp() override { TSyncQueue::Main().ClaimOwnership(); }
    void TearDown() override {
        burner.WaitForEraseThreads();
        TThread::WaitForFreeOnTerminateThreads();
        host.SetLogSink({});
        TSCSIDevice::CurrentDiscKind = 0;
    }

    void Insert(const vdrive::TMediumRequest& medium, const vdrive::TDriveModel& model = vdrive::MultiFormatWriter()) {
        AddDrive(model, medium);
        OpenAndSelect();
        burner.Sleep = [this](int ms) {
            pauses.push_back({ms, host.Now() - start, burner.GetEraseProgress(), burner.Erasing(),
                              burner.SenseData[12] == 0x04, ProgressInSense(burner.SenseData)});
            if (onPause) onPause(pauses.size());
            if (clockRuns) host.AdvanceClock(ms / 1000.0);
        };
        burner.OnEraseDone = [this](TSCSIDevice& sender, bool withError) {
            EXPECT_EQ(&sender, &burner);
            done.push_back({withError, TSyncQueue::Main().IsOwnerThread(), burner.Erasing()});
        };
        // The progress each command was sent with, on the thread that sent it.
        host.SetLogSink([this](const vdrive::TLogEntry& entry) {
            std::lock_guard lock(sentMutex);
            sent.emplace_back(entry.Cdb[0], burner.GetEraseProgress());
        });
    }

    // Starts the erase and waits for its end event.
    bool Run(std::uint8_t blankType) {
        start = host.Now();
        const bool started = burner.EraseDisc(blankType);
        if (started) {
            EXPECT_TRUE(TSyncQueue::Main().PumpUntil([this] { return !done.empty(); }, 60000)) << "no end event";
        }
        TThread::WaitForFreeOnTerminateThreads();
        TSyncQueue::Main().Pump();
        return started;
    }

    std::vector<std::uint8_t> Sector(std::uint32_t lba) {
        std::vector<std::uint8_t> data(2048, 0xEE);
        EXPECT_TRUE(burner.ReadSectors(lba, 1, 2048, data.data())) << burner.LastError;
        return data;
    }
    static bool Zeros(const std::vector<std::uint8_t>& data) {
        return std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0; });
    }
    std::vector<vdrive::TLogEntry> Writes() const { return Logged(kWrite10); }

    std::vector<TPause> pauses;
    std::vector<TDone> done;
    std::function<void(std::size_t count)> onPause;
    bool clockRuns = true;
    double start = 0;
    std::mutex sentMutex;
    std::vector<std::pair<std::uint8_t, int>> sent;
};

// --- Every rewritable kind, quick and full ------------------------------------------------

struct TEraseCase {
    const char* Name;
    vdrive::TMediumRequest Medium;
    std::uint8_t BlankType;
    TDiscKind Kind;
    int Duration;
    double UnitsPerSecond;  // how fast the estimate grows while the drive is busy; 0: never busy
    int StartByte1;         // BLANK byte 1; -1: no BLANK
    std::vector<std::uint8_t> FormatList;  // empty: no FORMAT UNIT
    int Writes;             // zero writes of 32 sectors
    bool DriveTellsProgress = false;  // the progress follows the drive's indication
};

void PrintTo(const TEraseCase& row, std::ostream* out) { *out << row.Name; }

const std::vector<std::uint8_t> kDvdPlusRwList = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40,
                                                  0x98, 0x00, 0x00, 0x00};
const std::vector<std::uint8_t> kDvdRamList = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22, 0x21, 0x20,
                                               0x00, 0x00, 0x08, 0x00};

std::vector<TEraseCase> Cases() {
    const std::string image = VdriveTest::MakeImage(5000, "erase.iso");
    return {
        {"CdRwQuick", {K::CdRw, S::Closed, image}, 1, kind::kCdRw, 150, 1, 0x11, {}, 0, true},
        {"CdRwFull", {K::CdRw, S::Closed, image}, 0, kind::kCdRw, 4500, 1, 0x10, {}, 0, true},
        {"DvdRwSequentialQuick", {K::DvdRw, S::Closed, image}, 1, kind::kDvdRwSequential, 600, 0.5, 0x11, {}, 0,
         true},
        {"DvdRwSequentialFull", {K::DvdRw, S::Open, image}, 0, kind::kDvdRwSequential, 4440, 0.5, 0x10, {}, 0,
         true},
        {"DvdRwRestrictedQuick", {K::DvdRwRestricted, S::Closed, image}, 1, kind::kDvdRwRestrictedOverwrite, 600,
         0.5, 0x11, {}, 0, true},
        {"DvdRwRestrictedFull", {K::DvdRwRestricted, S::Closed, image}, 0, kind::kDvdRwRestrictedOverwrite, 4440,
         0.5, 0x10, {}, 0, true},
        {"DvdPlusRwQuick", {K::DvdPlusRw, S::Closed, image}, 1, kind::kDvdPlusRw, 600, 1, -1, kDvdPlusRwList, 65},
        {"DvdPlusRwFull", {K::DvdPlusRw, S::Closed, image}, 0, kind::kDvdPlusRw, 4440, 1, -1, kDvdPlusRwList, 71001},
        {"DvdRamQuick", {K::DvdRam, S::Closed, image}, 1, kind::kDvdRam, 600, 0, -1, {}, 11 + 65},
        {"DvdRamFull", {K::DvdRam, S::Closed, image}, 0, kind::kDvdRam, 4440, 1, -1, kDvdRamList, 0, true},
    };
}

class EraseEveryKind : public Erase, public ::testing::WithParamInterface<TEraseCase> {};

TEST_P(EraseEveryKind, SendsTheRightCommandsLeavesTheDiscEmptyAndReportsTheEndOnce) {
    const TEraseCase& c = GetParam();
    Insert(c.Medium);
    ASSERT_FALSE(Zeros(Sector(16))) << "the disc must hold a volume to erase";
    ClearLog();
    sent.clear();

    ASSERT_TRUE(Run(c.BlankType)) << burner.LastError;
    EXPECT_EQ(TSCSIDevice::CurrentDiscKind, c.Kind);

    // The start command.
    const auto blanks = Logged(kBlank);
    if (c.StartByte1 >= 0) {
        ASSERT_EQ(blanks.size(), 1u);
        EXPECT_EQ(blanks[0].Cdb[1], c.StartByte1);
    } else {
        EXPECT_TRUE(blanks.empty());
    }
    const auto formats = Logged(kFormatUnit);
    if (!c.FormatList.empty()) {
        ASSERT_EQ(formats.size(), 1u);
        EXPECT_EQ(formats[0].Cdb[1], 0x11);
        EXPECT_EQ(formats[0].DataOut, c.FormatList);
    } else {
        EXPECT_TRUE(formats.empty());
    }

    // The overwrite: 32 zero sectors per write, from sector 0 on.
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), static_cast<std::size_t>(c.Writes));
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const std::uint32_t lba = ReadMsb<std::uint32_t>(&writes[i].Cdb[2]);
        const std::size_t pass = c.Kind == kind::kDvdRam && i >= 11 ? i - 11 : i;
        ASSERT_EQ(lba, pass * 32) << "write " << i;
        ASSERT_EQ(ReadMsb<std::uint16_t>(&writes[i].Cdb[7]), 32);
        ASSERT_EQ(writes[i].DataOutLength, 65536u);
        ASSERT_TRUE(std::all_of(writes[i].DataOut.begin(), writes[i].DataOut.end(), [](auto b) { return b == 0; }));
    }
    const auto closes = Logged(kCloseTrackSession);
    if (c.Kind == kind::kDvdPlusRw) {
        // Closing stops the background format after the last zeros are on the disc.
        ASSERT_EQ(closes.size(), 1u);
        EXPECT_EQ(closes[0].Cdb[2] & 0x07, 3);
        EXPECT_GT(closes[0].SimTime, writes.back().SimTime);
        ASSERT_FALSE(Logged(kSynchronizeCache).empty());
    } else {
        EXPECT_TRUE(closes.empty());
    }

    // The end: once, on the owner's thread, not erasing any more.
    ASSERT_EQ(done.size(), 1u);
    EXPECT_FALSE(done[0].WithError) << burner.LastEraseError();
    EXPECT_TRUE(done[0].OnOwnerThread);
    EXPECT_FALSE(done[0].ErasingInHandler);
    EXPECT_FALSE(burner.Erasing());
    EXPECT_EQ(burner.GetEraseProgress(), 0);
    EXPECT_EQ(burner.LastEraseError(), "");

    // While the drive was busy the progress was the drive's own word where
    // it gave one (it moves with the work: no jump to 100 at the end), and
    // the estimate against this kind's duration where it did not.
    int busy = 0;
    int lastSaid = -1;
    for (const TPause& pause : pauses) {
        EXPECT_TRUE(pause.Erasing);
        if (!pause.AfterBusyAnswer || (pause.Ms != 2000 && pause.Ms != 5000)) continue;
        ++busy;
        if (pause.DriveSays >= 0 && c.Kind != kind::kDvdPlusRw) {
            EXPECT_NEAR(pause.Progress, std::min(99, pause.DriveSays), 1) << "at " << pause.Elapsed << " s";
            lastSaid = pause.Progress;
            continue;
        }
        const double expected = 100.0 * pause.Elapsed * c.UnitsPerSecond / c.Duration;
        EXPECT_NEAR(pause.Progress, expected, 1.01) << "at " << pause.Elapsed << " s";
    }
    if (c.UnitsPerSecond > 0) {
        EXPECT_GE(busy, 1) << "the drive was never found busy";
    } else {
        EXPECT_TRUE(pauses.empty());
    }
    if (c.DriveTellsProgress) {
        EXPECT_GE(lastSaid, 90) << "the last look before the end";
    }
    // The drive's settings were put back with the estimate at 100.
    {
        std::lock_guard lock(sentMutex);
        const auto unlock = std::find_if(sent.rbegin(), sent.rend(), [](auto& s) { return s.first == kPreventAllow; });
        ASSERT_NE(unlock, sent.rend());
        EXPECT_EQ(unlock->second, 100);
    }
    const std::string announced = ">>> STARTING ERASE PROCESS ON " + std::string(c.Kind == kind::kCdRw ? "CD-RW" :
                                                                                c.Kind == kind::kDvdPlusRw ? "DVD+RW" :
                                                                                c.Kind == kind::kDvdRam ? "DVD-RAM" :
                                                                                "DVD-RW") + " AT ";
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [&](auto& m) {
        return m.first.starts_with(announced) && m.first.ends_with(" KB/s)") && m.second == 1;
    }));

    // The disc is empty now: blank again, or overwritable with its volume gone.
    EXPECT_EQ(burner.GetUsedSectors(), 0u);
    if (c.Kind == kind::kDvdPlusRw || c.Kind == kind::kDvdRam) {
        EXPECT_TRUE(Zeros(Sector(16))) << "the volume descriptor survived";
    } else {
        EXPECT_EQ(burner.GetDiscStatus(), 0);
        EXPECT_EQ(host.Status(0).State, "blank");
    }
}

std::string CaseName(const ::testing::TestParamInfo<TEraseCase>& row) { return row.param.Name; }
INSTANTIATE_TEST_SUITE_P(Kinds, EraseEveryKind, ::testing::ValuesIn(Cases()), CaseName);

// --- Starts that do not happen ---------------------------------------------------------------

TEST_F(Erase, DriveWithoutADiscIsRefusedWithoutAnEvent) {
    Insert({K::None});
    EXPECT_FALSE(Run(1));
    EXPECT_TRUE(done.empty());
    EXPECT_FALSE(burner.Erasing());
    EXPECT_NE(burner.LastError, "");
    EXPECT_TRUE(Logged(kBlank).empty());
    EXPECT_TRUE(Logged(kFormatUnit).empty());
}

TEST_F(Erase, WriteOnceAndPressedDiscsAreRefusedBeforeAnythingIsSent) {
    const std::string image = MakeImage(400, "pressed.iso");
    for (const auto& [medium, name] : std::vector<std::pair<vdrive::TMediumRequest, std::string>>{
             {{K::CdR}, "CD-R"},
             {{K::DvdPlusR}, "DVD+R"},
             {{K::DvdR, S::Closed, image}, "DVD-R"},
             {{K::CdRom, S::Finalized, image}, "CD-ROM"}}) {
        SCOPED_TRACE(name);
        TTransport::Instance().Close();
        host.UseMemory();
        done.clear();
        Insert(medium);
        EXPECT_FALSE(Run(1));
        ASSERT_EQ(done.size(), 1u);
        EXPECT_TRUE(done[0].WithError);
        EXPECT_EQ(burner.LastError, name + " DISC CANNOT BE ERASED");
        EXPECT_EQ(burner.LastEraseError(), burner.LastError);
        EXPECT_TRUE(Logged(kBlank).empty());
        EXPECT_TRUE(Logged(kFormatUnit).empty());
        EXPECT_TRUE(Writes().empty());
    }
}

TEST_F(Erase, RefusedBlankEndsWithAnErrorEvent) {
    vdrive::TDriveModel model = vdrive::MultiFormatWriter();
    std::erase(model.Writes, K::CdRw);  // reads CD-RW, cannot blank it
    Insert({K::CdRw, S::Closed}, model);
    EXPECT_FALSE(Run(1));
    EXPECT_EQ(Logged(kBlank).size(), 1u);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].WithError);
    EXPECT_TRUE(done[0].OnOwnerThread);
    EXPECT_FALSE(burner.Erasing());
    EXPECT_NE(burner.LastEraseError(), "");
}

TEST_F(Erase, DvdPlusRwFormatIsTriedOnceMoreAfterARezero) {
    Insert({K::DvdPlusRw, S::Closed});
    // The drive turns the first FORMAT UNIT away.
    burner.OnDebugMessage = [this](TSCSIDevice&, const std::string& message, int) {
        if (message.starts_with(">>> STARTING ERASE")) {
            vdrive::TFaults faults;
            faults.BusyCommands = 1;
            host.SetFaults(0, faults);
        }
    };
    ASSERT_TRUE(Run(1)) << burner.LastError;
    const auto log = Logged();
    const auto first = std::find_if(log.begin(), log.end(), [](auto& e) { return e.Cdb[0] == kFormatUnit; });
    ASSERT_NE(first, log.end());
    ASSERT_GE(log.end() - first, 3);
    EXPECT_EQ(first[1].Cdb[0], kRezeroUnit);
    EXPECT_EQ(first[2].Cdb[0], kFormatUnit);
    EXPECT_EQ(pauses.front().Ms, 1000);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_FALSE(done[0].WithError);

    // Turned away twice, the erase fails.
    TTransport::Instance().Close();
    host.UseMemory();
    done.clear();
    vdrive::TDriveModel model = vdrive::MultiFormatWriter();
    std::erase(model.Writes, K::DvdPlusRw);
    Insert({K::DvdPlusRw, S::Closed}, model);
    EXPECT_FALSE(Run(1));
    EXPECT_EQ(Logged(kFormatUnit).size(), 2u);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].WithError);
}

TEST_F(Erase, SecondEraseWhileOneRunsIsRefused) {
    Insert({K::CdRw, S::Closed});
    std::atomic<bool> paused{false}, tried{false};
    onPause = [&](std::size_t count) {
        if (count != 1) return;
        paused = true;
        while (!tried) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    start = host.Now();
    ASSERT_TRUE(burner.EraseDisc(0));
    while (!paused) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(burner.EraseDisc(1));
    EXPECT_EQ(burner.LastError, "AN ERASE IS ALREADY RUNNING");
    tried = true;
    EXPECT_TRUE(TSyncQueue::Main().PumpUntil([this] { return !done.empty(); }, 60000));
    TThread::WaitForFreeOnTerminateThreads();
    EXPECT_EQ(Logged(kBlank).size(), 1u);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_FALSE(done[0].WithError);
}

// --- Drives that do not come back ------------------------------------------------------------

TEST_F(Erase, DriveThatNeverStopsReportingBusyEndsWhenTheEstimateRunsOut) {
    for (const auto& [medium, duration] : std::vector<std::pair<K, double>>{{K::CdRw, 150}, {K::DvdRw, 600}}) {
        SCOPED_TRACE(vdrive::MediumKindName(medium));
        TTransport::Instance().Close();
        host.UseMemory();
        done.clear();
        pauses.clear();
        Insert({medium, S::Closed});
        clockRuns = false;  // the blank never ends
        ASSERT_TRUE(Run(1)) << burner.LastError;
        ASSERT_EQ(done.size(), 1u);
        EXPECT_FALSE(done[0].WithError);
        ASSERT_FALSE(pauses.empty());
        EXPECT_EQ(pauses.back().Progress, 0) << "the drive said all along that none of the work was done";
        // Polling stopped soon after the estimate ran out.
        double waited = 0;
        for (const TPause& pause : pauses) waited += pause.Ms / 1000.0;
        const double unitsPerSecond = medium == K::CdRw ? 1 : 0.5;
        EXPECT_LE(waited * unitsPerSecond, 2 * duration + 20);
        clockRuns = true;
    }
}

TEST_F(Erase, DvdPlusRwThatNeverBecomesReadyIsAFailureNotAHang) {
    Insert({K::DvdPlusRw, S::Closed});
    clockRuns = false;  // the format's lead-in is never done
    ASSERT_TRUE(Run(1)) << burner.LastError;
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].WithError);
    EXPECT_LE(pauses.size(), 600u / 2 + 200);
    EXPECT_LE(Writes().size(), 1u);
    EXPECT_NE(burner.LastEraseError().find("SECTOR 0"), std::string::npos) << burner.LastEraseError();
}

// --- Overwrites that fail --------------------------------------------------------------------

TEST_F(Erase, DvdPlusRwOverwriteFailingPartwayIsAFailure) {
    Insert({K::DvdPlusRw, S::Closed});
    vdrive::TFaults faults;
    faults.MediumErrorLbas = {{1000, 1000}};
    host.SetFaults(0, faults);
    ASSERT_TRUE(Run(1)) << burner.LastError;
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].WithError);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 32u) << "the overwrite stops at the first failure";
    EXPECT_EQ(ReadMsb<std::uint32_t>(&writes.back().Cdb[2]), 992u);
    EXPECT_TRUE(Logged(kCloseTrackSession).empty());
    EXPECT_NE(burner.LastEraseError().find("SECTOR 992"), std::string::npos) << burner.LastEraseError();
}

TEST_F(Erase, DvdRamQuickEraseThatCannotWriteIsAFailure) {
    Insert({K::DvdRam, S::Closed});
    vdrive::TFaults faults;
    faults.MediumErrorLbas = {{100, 100}};  // inside the first 352 sectors: the start fails
    host.SetFaults(0, faults);
    EXPECT_FALSE(Run(1));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].WithError);
    EXPECT_EQ(Writes().size(), 4u);

    faults.MediumErrorLbas = {{1000, 1000}};  // in the thread's pass, which goes on past it
    host.SetFaults(0, faults);
    done.clear();
    ClearLog();
    ASSERT_TRUE(Run(1)) << burner.LastError;
    ASSERT_EQ(done.size(), 1u);
    EXPECT_TRUE(done[0].WithError);
    EXPECT_EQ(Writes().size(), 11u + 65u);
    EXPECT_NE(burner.LastEraseError().find("SECTOR 992"), std::string::npos) << burner.LastEraseError();
}

TEST_F(Erase, DiscTakenOutAfterTheDriveFinishedEndsTheWaitAtOnce) {
    Insert({K::DvdRw, S::Closed});
    std::size_t ejectedAt = 0;
    onPause = [&](std::size_t count) {
        // The rest between the two checks of a DVD-RW, once the blank is done.
        if (pauses.back().Ms == 5000 && !ejectedAt) {
            ASSERT_TRUE(host.Eject(0));
            ejectedAt = count;
        }
    };
    ASSERT_TRUE(Run(1)) << burner.LastError;
    ASSERT_NE(ejectedAt, 0u);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_FALSE(done[0].WithError);
    // Not polled on until the 600 units of a quick DVD erase have passed.
    EXPECT_LE(pauses.size() - ejectedAt, 3u);
    EXPECT_FALSE(host.Status(0).TrayOpen) << "the tray is loaded again at the end";
    EXPECT_EQ(burner.GetDiscStatus(), 0);
}

// --- The device going away -------------------------------------------------------------------

TEST_F(Erase, DeviceDestroyedDuringAnEraseWaitsForTheThreadAndRaisesNothing) {
    AddDrive(vdrive::MultiFormatWriter(), {K::CdRw, S::Closed});
    OpenAndSelect();
    auto device = std::make_unique<TSCSIDevice>();
    device->SelectDevice(burner.Devices[0]);
    std::atomic<bool> destroying{false};
    std::atomic<int> polls{0};
    device->Sleep = [&](int) {
        ++polls;
        // Never advances the clock: the drive stays busy for as long as the
        // thread goes on waiting.
        while (!destroying) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    int events = 0;
    device->OnEraseDone = [&](TSCSIDevice&, bool) { ++events; };
    ASSERT_TRUE(device->EraseDisc(0)) << device->LastError;
    while (polls == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ClearLog();

    destroying = true;
    device.reset();
    TThread::WaitForFreeOnTerminateThreads();
    TSyncQueue::Main().Pump();
    EXPECT_EQ(events, 0);
    // It stopped waiting for the drive but still unlocked the tray.
    EXPECT_LT(polls, 200);
    EXPECT_FALSE(Logged(kPreventAllow).empty());
}

}  // namespace
}  // namespace sorvane
