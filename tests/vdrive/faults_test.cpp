// Injected faults, each seen by the host as the sense (or status) a real
// drive gives for it.

#include "tests/vdrive/vdrive_fixture.h"

extern "C" std::uint32_t SendASPI32Command(void* srb);

namespace sorvane::vdrive::test {
namespace {

class FaultTest : public VDriveTest {
protected:
    void Arm(const TFaults& faults) { host.SetFaults(drive, faults); }
};

TEST_F(FaultTest, BusyTargetAnswersWithBusyStatusForNCommands) {
    Load(TMediumKind::CdR);
    TFaults f;
    f.BusyCommands = 2;
    Arm(f);
    for (int i = 0; i < 2; ++i) {
        TResult r = Send(cdb::TestUnitReady());
        EXPECT_EQ(r.Status, SS_ERR);
        EXPECT_EQ(r.TargetStatus, STATUS_BUSY);
    }
    EXPECT_TRUE(Send(cdb::TestUnitReady()).Good());
}

TEST_F(FaultTest, LongWriteStormSparesInquiryAndRequestSense) {
    Load(TMediumKind::CdR);
    TFaults f;
    f.LongWriteStorm = 3;
    Arm(f);
    EXPECT_TRUE(Send(cdb::Inquiry()).Good());
    EXPECT_EQ(Check(cdb::TestUnitReady()), kLongWrite);
    EXPECT_EQ(Check(cdb::ReadDiscInformation()), kLongWrite);
    EXPECT_EQ(Check(cdb::Write10(0, 1), Sectors(1, 0)), kLongWrite);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kGood);
}

TEST_F(FaultTest, MediumErrorRangeFailsReadsAndWritesThere) {
    Load(TMediumKind::DvdPlusRw, TMediumState::Closed);
    TFaults f;
    f.MediumErrorLbas = std::pair<std::uint32_t, std::uint32_t>{100, 109};
    Arm(f);
    TSenseCode sense;
    ReadBack(90, 11, &sense);
    EXPECT_EQ(sense, kReadError);
    ReadBack(90, 10, &sense);
    EXPECT_EQ(sense, kGood);
    EXPECT_EQ(Write(109, 1), kWriteError);
    EXPECT_EQ(Write(110, 1), kGood);
}

TEST_F(FaultTest, CorruptedAndFadingRangesTakeWritesThatDoNotReadBackAsWritten) {
    Load(TMediumKind::DvdPlusRw, TMediumState::Closed);
    TFaults f;
    f.CorruptedLbas = std::pair<std::uint32_t, std::uint32_t>{101, 102};
    f.UnreadableAfterWriteLbas = std::pair<std::uint32_t, std::uint32_t>{200, 201};
    Arm(f);
    ASSERT_EQ(Write(100, 4, 0x5A), kGood);
    const std::vector<std::uint8_t> back = ReadBack(100, 4);
    ASSERT_EQ(back.size(), 4u * 2048);
    // One byte of each sector in the range differs, nothing else.
    std::vector<std::uint8_t> expected = Sectors(4, 0x5A);
    expected[1 * 2048] ^= 0xFF;
    expected[2 * 2048] ^= 0xFF;
    EXPECT_EQ(back, expected);

    ASSERT_EQ(Write(199, 4, 0x5A), kGood);
    TSenseCode sense;
    ReadBack(199, 2, &sense);
    EXPECT_EQ(sense, kReadError);
    EXPECT_EQ(ReadBack(202, 1).at(1), 0x5A);  // past the range: read as written
}

TEST_F(FaultTest, FailingCalibrationAndFullCalibrationArea) {
    Load(TMediumKind::CdR);
    TFaults f;
    f.OpcFails = true;
    Arm(f);
    EXPECT_EQ(Check(cdb::SendOpcInformation()), kPcaError);
    f = {};
    f.PcaFull = true;
    Arm(f);
    EXPECT_EQ(Check(cdb::SendOpcInformation()), kPcaFull);
    EXPECT_EQ(Write(0, 32), kPcaFull);
    Arm({});
    EXPECT_EQ(Check(cdb::SendOpcInformation()), kGood);
}

TEST_F(FaultTest, HungCommandNeverCompletesNorSignals) {
    Load(TMediumKind::CdR);
    TFaults f;
    f.HangOpcode = 0x35;
    Arm(f);
    struct TEvent : AspiCompletionEvent {
        int Signals = 0;
    } event;
    event.Signal = [](AspiCompletionEvent* self) { ++static_cast<TEvent*>(self)->Signals; };
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Flags = SRB_EVENT_NOTIFY;
    srb.SRB_CDBLen = 10;
    srb.SRB_SenseLen = 24;
    srb.SRB_PostProc = &event;
    srb.CDBByte[0] = 0x35;
    EXPECT_EQ(SendASPI32Command(&srb), SS_PENDING);
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);
    EXPECT_EQ(event.Signals, 0);
    EXPECT_EQ(host.Log().back().SrbStatus, SS_PENDING);
    EXPECT_EQ(Check(cdb::SynchronizeCache(false)), kGood);  // only the next one hangs
}

TEST_F(FaultTest, TrayPulledOpenDuringWriteDamagesTheTrack) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kGood);
    TFaults f;
    f.TrayOpensAfterWrites = 2;
    Arm(f);
    ASSERT_EQ(Write(0, 64), kGood);  // two commands of 32
    EXPECT_EQ(Write(64, 32), kNoMediumTrayOpen);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kNoMediumTrayOpen);
    ASSERT_TRUE(host.CloseTray(drive));
    EXPECT_EQ(Check(cdb::TestUnitReady()), kMediumChanged);
    TTrackInfo track = TrackInfo(cdb::TAddress::Track, 1);
    EXPECT_TRUE(track.Damaged);
    EXPECT_FALSE(track.NwaValid);
    EXPECT_EQ(DiscInfo().LastSessionState, 2);
    EXPECT_EQ(Write(64, 32), kInvalidAddressForWrite);
}

}  // namespace
}  // namespace sorvane::vdrive::test
