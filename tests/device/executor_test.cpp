// The executor: what it adds to every request, how long it waits, what it
// reports, and that a request the library completes late can never write
// into memory the caller has given up.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "engine/device/owned_request.h"
#include "engine/device/scsi_device.h"
#include "engine/device/transport.h"
#include "tests/device/fake_library.h"

namespace sorvane {
namespace {

using test::SetSense;
using test::TFakeLibrary;

// Shortens the executor's minimum wait for one test.
class TScopedMinimumWait {
public:
    explicit TScopedMinimumWait(int ms) : saved_(TSCSIDevice::MinimumCompletionWaitMs) {
        TSCSIDevice::MinimumCompletionWaitMs = ms;
    }
    ~TScopedMinimumWait() { TSCSIDevice::MinimumCompletionWaitMs = saved_; }

private:
    int saved_;
};

class Executor : public ::testing::Test {
protected:
    void SetUp() override {
        // The device enumerated the fake library's adapter when it was made,
        // which also spent its one error report.
        Fresh(device);
        device.HaId = 1;
        device.TargetId = 2;
        device.Lun = 3;
        device.OnDebugMessage = [this](TSCSIDevice&, const std::string& message, int type) {
            messages.emplace_back(message, type);
        };
    }
    void Fresh(TSCSIDevice& d) {
        library.Log.clear();
        d.ErrorReported = false;
    }
    TFakeLibrary library;
    TSCSIDevice device;
    std::vector<std::pair<std::string, int>> messages;
};

TEST_F(Executor, RequestCarriesTheSelectedAddressLunBitsAndTwentyFourSenseBytes) {
    ASSERT_TRUE(device.TestUnitReady(5000));
    ASSERT_EQ(library.Log.size(), 1u);
    const SRB_ExecSCSICmd& sent = library.Log[0].Srb;
    EXPECT_EQ(sent.SRB_Cmd, SC_EXEC_SCSI_CMD);
    EXPECT_EQ(sent.SRB_HaId, 1);
    EXPECT_EQ(sent.SRB_Target, 2);
    EXPECT_EQ(sent.SRB_Lun, 3);
    EXPECT_EQ(sent.SRB_SenseLen, 24);
    EXPECT_EQ(sent.SRB_CDBLen, 6);
    EXPECT_EQ(sent.CDBByte[1], 3 << 5);
    EXPECT_EQ(sent.SRB_Flags & SRB_EVENT_NOTIFY, SRB_EVENT_NOTIFY);
    const AspiCompletionEvent* postProc = sent.SRB_PostProc;
    EXPECT_NE(postProc, nullptr);
}

TEST_F(Executor, WithoutTransportOrSelectedDriveNothingIsSentAndNothingSaid) {
    device.HaId = TSCSIDevice::kNoAddress;
    EXPECT_FALSE(device.TestUnitReady(5000));
    TTransport::Instance().Close();
    device.HaId = 1;
    EXPECT_FALSE(device.TestUnitReady(5000));
    // A write that was never sent is not a successful write.
    const std::uint8_t block[2048] = {};
    EXPECT_FALSE(device.WriteSectors(0, 1, 0x50, sizeof block, block));
    EXPECT_FALSE(device.Blank(1));
    EXPECT_TRUE(library.Log.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(device.LastError, "");
}

TEST_F(Executor, DataGoesOutAndComesBackThroughTheCallersBuffers) {
    library.Execute = [](SRB_ExecSCSICmd& srb) {
        if (srb.SRB_Flags & SRB_DIR_IN) srb.SRB_BufPointer[1] = 0x5A;  // the drive fills byte 1 only
        srb.SRB_Status = SS_COMP;
        return SS_COMP;
    };
    std::uint8_t in[4] = {9, 9, 9, 9};
    ASSERT_TRUE(device.ReadSectors(7, 1, sizeof in, in));
    EXPECT_EQ(in[0], 9);
    EXPECT_EQ(in[1], 0x5A);
    const std::uint8_t out[3] = {1, 2, 3};
    ASSERT_TRUE(device.ModeSelect(out, sizeof out));
    EXPECT_EQ(library.Log.back().DataOut, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(Executor, FailureIsDecodedIntoLastErrorSenseDataAndBusyFlag) {
    library.Execute = [](SRB_ExecSCSICmd& srb) {
        srb.SRB_TargStat = STATUS_CHKCOND;
        SetSense(srb, 0x02, 0x3A, 0x00);
        srb.SRB_Status = SS_ERR;
        return SS_ERR;
    };
    EXPECT_FALSE(device.TestUnitReady(5000));
    EXPECT_EQ(device.LastError, "NOT READY (MEDIUM NOT PRESENT)");
    EXPECT_EQ(device.SenseData[12], 0x3A);
    EXPECT_FALSE(device.TargetBusy);

    library.Execute = [](SRB_ExecSCSICmd& srb) {
        srb.SRB_TargStat = STATUS_BUSY;
        srb.SRB_Status = SS_ERR;
        return SS_ERR;
    };
    EXPECT_FALSE(device.TestUnitReady(5000));
    EXPECT_EQ(device.LastError, "TARGET BUSY");
    EXPECT_TRUE(device.TargetBusy);
    EXPECT_EQ(device.SenseData[12], 0);

    // The next request starts clean.
    library.Execute = nullptr;
    EXPECT_TRUE(device.TestUnitReady(5000));
    EXPECT_EQ(device.LastError, "");
    EXPECT_FALSE(device.TargetBusy);
}

TEST_F(Executor, ErrorReportLineHasItsExactLayout) {
    device.HaId = 1;
    device.TargetId = 0xB;
    device.Lun = 0;
    library.Execute = [](SRB_ExecSCSICmd& srb) {
        srb.SRB_TargStat = STATUS_CHKCOND;
        SetSense(srb, 0x05, 0x21, 0x00);
        srb.SRB_Status = SS_ERR;
        return SS_ERR;
    };
    alignas(4) const std::uint8_t data[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_FALSE(device.WriteSectors(0x1234, 2, 0x50, sizeof data, data));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, 0);
    EXPECT_EQ(messages[0].first,
              "<<< WRITE (10)             (2A) {50|0A} - 1:B:0 <04> [00004] "
              "00 00 00 12 34 00 00 02 00 00 00 00 00 00 00  |DE AD BE EF "
              "= 00 02 70 05 ASC:21,ASQ:00 ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)");
}

TEST_F(Executor, ErrorReportIsOnlyEverWrittenForTheFirstRequestOfTheDevice) {
    auto fail = [](std::uint8_t asc, std::uint8_t ascq) {
        return [=](SRB_ExecSCSICmd& srb) -> std::uint32_t {
            SetSense(srb, 0x02, asc, ascq);
            srb.SRB_TargStat = STATUS_CHKCOND;
            srb.SRB_Status = SS_ERR;
            return SS_ERR;
        };
    };
    alignas(4) const std::uint8_t block[16] = {};
    library.Execute = fail(0x0C, 0x00);
    EXPECT_FALSE(device.WriteSectors(0, 1, 0x50, sizeof block, block));
    EXPECT_FALSE(device.WriteSectors(0, 1, 0x50, sizeof block, block));
    EXPECT_EQ(messages.size(), 1u);

    // A quiet command spends the one report without writing it.
    TSCSIDevice quiet;
    Fresh(quiet);
    quiet.HaId = 0;
    int quietLines = 0;
    quiet.OnDebugMessage = [&](TSCSIDevice&, const std::string&, int) { ++quietLines; };
    EXPECT_FALSE(quiet.TestUnitReady(5000));
    EXPECT_TRUE(quiet.ErrorReported);
    EXPECT_FALSE(quiet.WriteSectors(0, 1, 0x50, sizeof block, block));
    EXPECT_EQ(quietLines, 0);

    // A drive busy with a long write is not an error worth reporting.
    TSCSIDevice busy;
    Fresh(busy);
    busy.HaId = 0;
    int busyLines = 0;
    busy.OnDebugMessage = [&](TSCSIDevice&, const std::string&, int) { ++busyLines; };
    library.Execute = fail(0x04, 0x08);
    EXPECT_FALSE(busy.WriteSectors(0, 1, 0x50, sizeof block, block));
    EXPECT_EQ(busyLines, 0);
}

// A unit attention says the drive did not run the command; reported as a
// failure it would make a disc just put in look absent.
TEST_F(Executor, UnitAttentionIsTakenNoteOfAndTheCommandSentAgain) {
    std::vector<std::pair<std::uint8_t, std::uint8_t>> answers = {{0x29, 0x00}, {0x28, 0x00}};
    library.Execute = [&](SRB_ExecSCSICmd& srb) -> std::uint32_t {
        if (answers.empty()) return srb.SRB_Status = SS_COMP;
        SetSense(srb, 0x06, answers.front().first, answers.front().second);
        answers.erase(answers.begin());
        srb.SRB_TargStat = STATUS_CHKCOND;
        return srb.SRB_Status = SS_ERR;
    };
    EXPECT_TRUE(device.TestUnitReady(5000));
    EXPECT_EQ(library.Log.size(), 3u);
    EXPECT_EQ(device.LastError, "");

    // A drive that reports nothing else is not asked for ever.
    library.Log.clear();
    answers.assign(10, {0x28, 0x00});
    EXPECT_FALSE(device.TestUnitReady(5000));
    EXPECT_EQ(library.Log.size(), 4u);
    EXPECT_EQ(device.LastFailureClass(), TSenseClass::MediumChanged);
}

TEST_F(Executor, BufferNotOnAFourByteBoundaryIsReported) {
    device.ErrorReported = true;
    alignas(4) std::uint8_t buffer[16] = {};
    ASSERT_TRUE(device.ReadSectors(0, 1, 8, buffer + 1));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "aaaa" + std::to_string(reinterpret_cast<std::uintptr_t>(buffer + 1)));
    EXPECT_TRUE(device.ReadSectors(0, 1, 8, buffer));
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(Executor, RangeErrorsAreRefusedBeforeAnythingIsSent) {
    std::uint8_t buffer[300];
    EXPECT_FALSE(device.ReadTocPmaAtip(0, buffer, 0, false, 0, 256));
    EXPECT_EQ(device.LastError, "RANGE CHECK ERROR");
    EXPECT_FALSE(device.ReadTrackInformation(256));
    EXPECT_TRUE(library.Log.empty());
}

// A library that leaves every request pending and completes it when the
// test says so, on a thread of its own.
class TLateLibrary {
public:
    explicit TLateLibrary(TFakeLibrary& library) {
        library.Execute = [this](SRB_ExecSCSICmd& srb) {
            std::lock_guard lock(mutex_);
            pending_ = &srb;
            arrived_.notify_all();
            return SS_PENDING;
        };
    }
    // Completes the pending request from another thread: fills its buffer
    // and sense with 0xAA, sets the status and signals.
    void CompleteLater(std::chrono::milliseconds delay) {
        worker_ = std::thread([this, delay] {
            SRB_ExecSCSICmd* srb;
            {
                std::unique_lock lock(mutex_);
                arrived_.wait(lock, [this] { return pending_ != nullptr; });
                srb = pending_;
            }
            std::this_thread::sleep_for(delay);
            if (srb->SRB_BufPointer) std::memset(srb->SRB_BufPointer, 0xAA, srb->SRB_BufLen);
            srb->SRB_Status = SS_COMP;
            srb->SRB_PostProc->Signal(srb->SRB_PostProc);
        });
    }
    void Join() {
        if (worker_.joinable()) worker_.join();
    }
    ~TLateLibrary() { Join(); }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    SRB_ExecSCSICmd* pending_ = nullptr;
    std::thread worker_;
};

TEST_F(Executor, ShortTimeoutStillWaitsTheMinimumForACompletionEvent) {
    TScopedMinimumWait minimum(3000);
    TLateLibrary late(library);
    late.CompleteLater(std::chrono::milliseconds(200));
    // Asks for 10 ms, is given the minimum, and so sees the completion.
    EXPECT_TRUE(device.SynchronizeCache(10, false));
    late.Join();

    TLateLibrary late2(library);
    late2.CompleteLater(std::chrono::milliseconds(200));
    std::uint8_t buffer[8] = {};
    EXPECT_TRUE(device.ReadSectors(0, 1, sizeof buffer, buffer));
    late2.Join();
    EXPECT_EQ(buffer[0], 0xAA);  // data of a late completion reaches the caller
}

TEST_F(Executor, TimedOutRequestNeverWritesIntoTheCallersBufferWhenItCompletesLate) {
    TScopedMinimumWait minimum(100);
    const std::size_t outstandingBefore = OutstandingRequestCount();
    TLateLibrary late(library);
    {
        std::vector<std::uint8_t> buffer(64, 0x11);
        SRB_ExecSCSICmd srb{};
        srb.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
        srb.SRB_BufPointer = buffer.data();
        srb.SRB_BufLen = static_cast<std::uint32_t>(buffer.size());
        srb.SRB_CDBLen = 10;
        srb.CDBByte[0] = 0x28;
        late.CompleteLater(std::chrono::milliseconds(400));
        device.ExecuteCommand(srb, 10);
        EXPECT_EQ(srb.SRB_Status, SS_ERR);
        EXPECT_EQ(srb.SRB_HaStat, HASTAT_TIMEOUT);
        EXPECT_EQ(device.LastError, "");
        EXPECT_EQ(OutstandingRequestCount(), outstandingBefore + 1);
        // The caller's buffer is released here, before the library is done.
    }
    late.Join();
    // The library wrote into the executor's own copy, which it then released.
    EXPECT_EQ(OutstandingRequestCount(), outstandingBefore);
}

TEST_F(Executor, TimedOutRequestLeavesTheCallersBufferAsItWas) {
    TScopedMinimumWait minimum(50);
    TLateLibrary late(library);
    std::uint8_t buffer[16];
    std::memset(buffer, 0x11, sizeof buffer);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
    srb.SRB_BufPointer = buffer;
    srb.SRB_BufLen = sizeof buffer;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = 0x28;
    late.CompleteLater(std::chrono::milliseconds(300));
    device.ExecuteCommand(srb, 10);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    late.Join();
    for (std::uint8_t byte : buffer) EXPECT_EQ(byte, 0x11);
}

}  // namespace
}  // namespace sorvane
