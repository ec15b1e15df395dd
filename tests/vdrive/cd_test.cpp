// Recordable CDs: track-at-once writing at the next writable address,
// sessions with their lead-in/lead-out overhead, finalizing, the ATIP and
// blanking a CD-RW.

#include "tests/vdrive/vdrive_fixture.h"

namespace sorvane::vdrive::test {
namespace {

using cdb::TAddress;
using cdb::TClose;
using cdb::TTocFormat;

class CdTest : public VDriveTest {
protected:
    // One track-at-once session of `sectors`, closed as the engine closes it.
    void RecordSession(std::uint32_t sectors, std::uint8_t multiSession = 3) {
        ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, multiSession)), kGood);
        std::uint32_t nwa = Nwa();
        ASSERT_EQ(Write(nwa, sectors), kGood);
        ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
        ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 0)), kGood);
    }
};

TEST_F(CdTest, BlankCdRDescribesItselfAsEmptyWithItsAtip) {
    Load(TMediumKind::CdR);
    TDiscInfo disc = DiscInfo();
    EXPECT_EQ(disc.Status, 0);
    EXPECT_EQ(disc.LastSessionState, 0);
    EXPECT_EQ(disc.Sessions, 1);
    EXPECT_FALSE(disc.Erasable);
    EXPECT_EQ(disc.LastLeadOut, 0x004F3B4Au);  // 79:59:74

    TTrackInfo invisible = TrackInfo(TAddress::Track, 0xFF);
    EXPECT_TRUE(invisible.Blank);
    EXPECT_EQ(invisible.Nwa, 0u);
    EXPECT_EQ(invisible.Free, 359849u);

    TResult atip = Send(cdb::ReadToc(TTocFormat::Atip, true, 0, 28));
    ASSERT_TRUE(atip.Good());
    EXPECT_EQ(atip.Data[6] & 0xC0, 0x80);  // CD-R
    EXPECT_EQ(atip.Data[12] * 4500 + atip.Data[13] * 75 + atip.Data[14], 359999);
    EXPECT_EQ(Check(cdb::ReadToc(TTocFormat::Toc, false)), kInvalidFieldInCdb);  // no complete session yet
}

// What a recording killed mid-track leaves: an open track in an open
// session. The drive goes on with that track at its next writable address
// (its track-at-once buffer simply ran dry), offers no other place to
// write, and closing the track and then the session leaves a disc that
// takes new sessions after the usual gap.
TEST_F(CdTest, TrackLeftOpenIsContinuedAtItsNextWritableAddressAndClosedWithItsSession) {
    Load(TMediumKind::CdR, TMediumState::Open);
    EXPECT_EQ(DiscInfo().Status, 1);
    EXPECT_EQ(DiscInfo().LastSessionState, 1);
    TTrackInfo open = TrackInfo(TAddress::Track, 1);
    EXPECT_FALSE(open.Blank);
    ASSERT_TRUE(open.NwaValid);
    EXPECT_EQ(open.Nwa, 300u);
    EXPECT_EQ(Check(cdb::ReadTrackInformation(TAddress::Track, 2)), kInvalidFieldInCdb) << "no track after it";

    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kGood);
    EXPECT_EQ(Write(302 + 150, 16), kInvalidAddressForWrite) << "no new track while one is open";
    ASSERT_EQ(Write(300, 16), kGood);
    EXPECT_EQ(TrackInfo(TAddress::Track, 1).Nwa, 316u) << "the same track grew";

    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Track, 1)), kGood);
    EXPECT_FALSE(TrackInfo(TAddress::Track, 1).NwaValid);
    EXPECT_EQ(DiscInfo().LastSessionState, 1) << "the session is still open";
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 0)), kGood);
    EXPECT_EQ(DiscInfo().Status, 1);
    EXPECT_EQ(DiscInfo().LastSessionState, 0);
    EXPECT_EQ(Nwa(), 316u + 2 + 6750 + 4500 + 150);
}

TEST_F(CdTest, TrackAtOnceWritesOnlyAtTheNextWritableAddress) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kGood);
    EXPECT_EQ(Write(5, 32), kInvalidAddressForWrite);
    ASSERT_EQ(Write(0, Sectors(400, 0x11)), kGood);
    EXPECT_EQ(Nwa(), 400u);
    EXPECT_EQ(Write(0, 16), kInvalidAddressForWrite);  // no rewriting a CD-R
    EXPECT_EQ(Write(401, 16), kInvalidAddressForWrite);
    EXPECT_EQ(DiscInfo().Status, 1);
    EXPECT_EQ(DiscInfo().LastSessionState, 1);

    auto back = ReadBack(399, 1);
    ASSERT_EQ(back.size(), 2048u);
    EXPECT_EQ(back[0], std::uint8_t(399));
    EXPECT_EQ(back[1], 0x11);
    TSenseCode sense;
    ReadBack(400, 1, &sense);
    EXPECT_EQ(sense, kLbaOutOfRange);  // nothing recorded there
}

TEST_F(CdTest, SynchronizingATrackAtOnceTrackAddsItsRunOut) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kGood);
    ASSERT_EQ(Write(0, 300), kGood);
    ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
    TTrackInfo track = TrackInfo(TAddress::Track, 1);
    EXPECT_FALSE(track.NwaValid);
    EXPECT_EQ(track.Size, 302u);
    TSenseCode sense;
    ReadBack(300, 1, &sense);
    EXPECT_EQ(sense, kIllegalMode);
    // The next track follows after its pre-gap.
    EXPECT_EQ(TrackInfo(TAddress::Track, 0xFF).Nwa, 302u + 150u);
    EXPECT_EQ(Check(cdb::CloseTrackSession(TClose::Track, 1)), kGood);  // already closed: nothing to do
}

TEST_F(CdTest, ClosedSessionsMoveTheNextStartBySessionOverhead) {
    Load(TMediumKind::CdR);
    RecordSession(1000);
    TDiscInfo disc = DiscInfo();
    EXPECT_EQ(disc.Status, 1);
    EXPECT_EQ(disc.LastSessionState, 0);
    EXPECT_EQ(disc.Sessions, 2);
    EXPECT_EQ(disc.FirstTrackInLast, 2);
    std::uint32_t end1 = 1002;  // data and run-out
    EXPECT_EQ(Nwa(), end1 + 11400);

    RecordSession(500);
    std::uint32_t start2 = end1 + 11400, end2 = start2 + 502;
    EXPECT_EQ(Nwa(), end2 + 6900);
    EXPECT_EQ(DiscInfo().Sessions, 3);

    TResult toc = Send(cdb::ReadToc(TTocFormat::Toc, false));
    ASSERT_TRUE(toc.Good());
    EXPECT_EQ(toc.Data[2], 1);
    EXPECT_EQ(toc.Data[3], 2);
    EXPECT_EQ(toc.Be32(4 + 4), 0u);
    EXPECT_EQ(toc.Data[4 + 8 + 2], 2);
    EXPECT_EQ(toc.Be32(4 + 8 + 4), start2);
    EXPECT_EQ(toc.Data[4 + 16 + 2], 0xAA);
    EXPECT_EQ(toc.Be32(4 + 16 + 4), end2);

    TResult sessions = Send(cdb::ReadToc(TTocFormat::SessionInfo, true));
    ASSERT_TRUE(sessions.Good());
    EXPECT_EQ(sessions.Data[3], 2);  // last complete session
    std::uint32_t msf = start2 + 150;
    EXPECT_EQ(sessions.Data[9], msf / 4500);
    EXPECT_EQ(sessions.Data[10], msf / 75 % 60);
    EXPECT_EQ(sessions.Data[11], msf % 75);

    TResult capacity = Send(cdb::ReadCapacity());
    EXPECT_EQ(capacity.Be32(0), end2 - 1);
}

TEST_F(CdTest, FinalizedDiscRefusesEveryWrite) {
    Load(TMediumKind::CdR);
    RecordSession(300, 0);  // multi-session 00b: no next session
    TDiscInfo disc = DiscInfo();
    EXPECT_EQ(disc.Status, 2);
    EXPECT_EQ(disc.LastSessionState, 3);
    EXPECT_EQ(disc.LeadInStart, 0xFFFFFFFFu);
    EXPECT_EQ(Check(cdb::ReadTrackInformation(TAddress::Track, 0xFF)), kInvalidFieldInCdb);
    EXPECT_EQ(Write(302 + 11400, 32), kInvalidAddressForWrite);
    EXPECT_EQ(Write(0, 32), kInvalidAddressForWrite);
}

TEST_F(CdTest, SessionAtOnceWithoutCueSheetAndAudioBlocksAreRefused) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(2, 3)), kGood);
    EXPECT_EQ(Write(0, 32), kSequenceError);
    auto audio = WriteParametersList(1, 3, false, 0);
    audio[8 + 4] = 0x00;  // 2352-byte audio blocks
    ASSERT_EQ(SelectWriteParameters(audio), kGood);
    EXPECT_EQ(Write(0, 32), kIllegalMode);
}

TEST_F(CdTest, TestWriteRecordsNothing) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3, true)), kGood);
    ASSERT_EQ(Write(0, 64), kGood);
    ASSERT_EQ(Write(64, 64), kGood);
    ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 0)), kGood);
    EXPECT_EQ(DiscInfo().Status, 0);
    EXPECT_EQ(Nwa(), 0u);
}

TEST_F(CdTest, BlankingACdRwReportsProgressUntilDone) {
    Load(TMediumKind::CdRw, TMediumState::Finalized);
    EXPECT_TRUE(DiscInfo().Erasable);
    ASSERT_EQ(Check(cdb::Blank(cdb::TBlank::Minimal)), kGood);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kOperationInProgress);
    EXPECT_EQ(Check(cdb::ReadDiscInformation()), kOperationInProgress);
    auto progress = WaitWhileBusy(5, kOperationInProgress);
    ASSERT_GE(progress.size(), 10u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_LT(progress.front(), progress.back());
    EXPECT_EQ(Check(cdb::TestUnitReady()), kGood);
    EXPECT_EQ(DiscInfo().Status, 0);
    EXPECT_EQ(Nwa(), 0u);

    ASSERT_EQ(Check(cdb::Blank(cdb::TBlank::Full)), kGood);
    auto full = WaitWhileBusy(10, kOperationInProgress);
    EXPECT_GT(full.size(), progress.size());  // a full blank rewrites the whole disc
}

TEST_F(CdTest, BlankingACdRIsRefused) {
    Load(TMediumKind::CdR);
    EXPECT_EQ(Check(cdb::Blank(cdb::TBlank::Full)), kIncompatibleMedium);
    Load(TMediumKind::CdRw);
    EXPECT_EQ(Check(cdb::Blank(cdb::TBlank::Track)), kInvalidFieldInCdb);
}

}  // namespace
}  // namespace sorvane::vdrive::test
