// DVD media: incremental DVD-R/-RW with borders, DVD+R sessions and
// finalizing, DVD-RW formatting and blanking, and the overwritable DVD+RW,
// DVD-RAM and restricted-overwrite DVD-RW with their format states.

#include "tests/vdrive/vdrive_fixture.h"

namespace sorvane::vdrive::test {
namespace {

using cdb::TAddress;
using cdb::TClose;

class DvdTest : public VDriveTest {
protected:
    std::vector<std::uint8_t> Incremental(std::uint8_t multiSession = 3) {
        return WriteParametersList(0, multiSession, false, 5, true, 16, 16);
    }
    std::vector<std::uint8_t> SessionAtOnce(std::uint8_t multiSession = 3) {
        return WriteParametersList(2, multiSession, false, 4, false, 16);
    }
};

TEST_F(DvdTest, DashRRecordsIncrementallyInFixedPacketsAndClosesBorders) {
    Load(TMediumKind::DvdR);
    EXPECT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kInvalidFieldInList);  // no track at once on DVD
    ASSERT_EQ(SelectWriteParameters(Incremental()), kGood);
    ASSERT_EQ(Check(cdb::ReserveTrack(100)), kGood);  // rounded up to an ECC block
    TTrackInfo reserved = TrackInfo(TAddress::Track, 1);
    EXPECT_TRUE(reserved.Reserved);
    EXPECT_EQ(reserved.Size, 112u);
    EXPECT_EQ(reserved.PacketSize, 16u);
    EXPECT_EQ(Write(0, 20), kInvalidFieldInCdb);  // not a whole packet
    ASSERT_EQ(Write(0, 112), kGood);
    EXPECT_EQ(Write(96, 16), kInvalidAddressForWrite);  // the reserved track is full
    ASSERT_EQ(Check(cdb::SynchronizeCache(true)), kGood);
    EXPECT_EQ(Check(cdb::ReadDiscInformation()), kLongWrite);
    host.AdvanceClock(5);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Track, 1, true)), kGood);
    host.AdvanceClock(5);
    EXPECT_EQ(Check(cdb::CloseTrackSession(TClose::Track, 2, true)), kGood);  // the empty invisible track
    host.AdvanceClock(5);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 3, true)), kGood);
    EXPECT_FALSE(WaitWhileBusy(1, kLongWrite).empty());
    TDiscInfo disc = DiscInfo();
    EXPECT_EQ(disc.Status, 1);
    EXPECT_EQ(disc.Sessions, 2);
    EXPECT_EQ(Nwa(), 112u + 16384u);  // after the first border zone

    ASSERT_EQ(Write(Nwa(), 32), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 0)), kGood);
    EXPECT_EQ(Nwa(), 112u + 16384u + 32 + 3072);  // later border zones are smaller
}

TEST_F(DvdTest, DashRDiscAtOnceNeedsAReservedTrack) {
    Load(TMediumKind::DvdR);
    ASSERT_EQ(SelectWriteParameters(SessionAtOnce(0)), kGood);
    EXPECT_EQ(Write(0, 32), kSequenceError);
    ASSERT_EQ(Check(cdb::ReserveTrack(64)), kGood);
    ASSERT_EQ(Write(0, 64), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 0)), kGood);
    EXPECT_EQ(DiscInfo().Status, 2);  // multi-session 00b: the disc is closed
    EXPECT_EQ(Write(64 + 16384, 16), kInvalidAddressForWrite);
}

TEST_F(DvdTest, TimestampIsAcceptedOnlyOnDashMediaAndOnlyWhenADate) {
    Load(TMediumKind::DvdR);
    std::vector<std::uint8_t> list(22, 0);
    list[1] = 0x14;
    std::string when = "20240229235959";
    std::copy(when.begin(), when.end(), list.begin() + 8);
    EXPECT_EQ(Check(cdb::SendDvdStructure(0x0F, 22), list), kGood);
    list[12] = '1';
    list[13] = '3';  // month 13
    EXPECT_EQ(Check(cdb::SendDvdStructure(0x0F, 22), list), kInvalidFieldInList);
    Load(TMediumKind::DvdPlusR);
    EXPECT_EQ(Check(cdb::SendDvdStructure(0x0F, 22), list), kInvalidFieldInCdb);
}

TEST_F(DvdTest, PlusRRefusesTrackAtOnceAndSimulationButKeepsSessions) {
    Load(TMediumKind::DvdPlusR);
    EXPECT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kInvalidFieldInList);
    EXPECT_EQ(SelectWriteParameters(WriteParametersList(2, 3, true)), kInvalidFieldInList);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(2, 3, false, 4, false, 16)), kGood);
    ASSERT_EQ(Write(0, 50), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Track, 1)), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 255)), kGood);
    EXPECT_EQ(TrackInfo(TAddress::Track, 1).Size, 64u);  // padded to an ECC block
    EXPECT_EQ(Nwa(), 64u + 6144u);
    EXPECT_EQ(DiscInfo().Status, 1);
    ASSERT_EQ(Write(Nwa(), 32), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::FinalizeMinimal, 0)), kGood);
    EXPECT_EQ(DiscInfo().Status, 2);
    EXPECT_EQ(DiscInfo().Sessions, 2);
    EXPECT_EQ(Write(64 + 6144 + 32, 16), kInvalidAddressForWrite);
}

TEST_F(DvdTest, PlusRDoubleLayerHasItsCapacityAndFinalizesWithFunction6) {
    Load(TMediumKind::DvdPlusRDl);
    EXPECT_EQ(TrackInfo(TAddress::Track, 0xFF).Free, 4173824u);
    ASSERT_EQ(Write(0, 32), kGood);
    EXPECT_EQ(Check(cdb::CloseTrackSession(TClose::StopFormat, 0)), kInvalidFieldInCdb);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Finalize, 0)), kGood);
    EXPECT_EQ(DiscInfo().Status, 2);
}

TEST_F(DvdTest, MinimallyBlankedDashRwTakesOnlyDiscAtOnce) {
    Load(TMediumKind::DvdRw, TMediumState::Closed);
    ASSERT_EQ(Check(cdb::Blank(cdb::TBlank::Minimal)), kGood);
    EXPECT_FALSE(WaitWhileBusy(10, kOperationInProgress).empty());
    EXPECT_EQ(DiscInfo().Status, 0);
    EXPECT_EQ(SelectWriteParameters(Incremental()), kInvalidFieldInList);
    EXPECT_EQ(SelectWriteParameters(SessionAtOnce()), kGood);
    ASSERT_EQ(Check(cdb::Blank(cdb::TBlank::Full)), kGood);
    WaitWhileBusy(60, kOperationInProgress);
    EXPECT_EQ(SelectWriteParameters(Incremental()), kGood);
}

TEST_F(DvdTest, DashRwQuickFormatTurnsItIntoRestrictedOverwrite) {
    Load(TMediumKind::DvdRw);
    // The quick grow of a restricted overwrite disc is refused on a sequential one...
    EXPECT_EQ(Check(cdb::FormatUnit(), FormatList(0, 0x13, 16)), kInvalidFieldInList);
    // ...so the quick format follows, as the engine falls back to it.
    ASSERT_EQ(Check(cdb::FormatUnit(), FormatList(1000, 0x15, 16)), kGood);
    auto progress = WaitWhileBusy(2, kFormatting);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(Send(cdb::GetConfiguration(cdb::TRequestType::One, 0)).Be16(6), 0x0013);
    EXPECT_EQ(Write(8, 16), kInvalidAddressForWrite);  // 32 KiB units only
    ASSERT_EQ(Write(0, 1008), kGood);
    ASSERT_EQ(Write(1008, 64), kGood);  // the intermediate session grows at its end
    EXPECT_EQ(Write(2000, 16), kInvalidAddressForWrite);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::Session, 0)), kGood);
    EXPECT_EQ(Write(1072, 16), kInvalidAddressForWrite);  // no longer growing
    EXPECT_EQ(Write(16, 16), kGood);  // but overwritable
    TResult capacities = Send(cdb::ReadFormatCapacities());
    ASSERT_TRUE(capacities.Good());
    EXPECT_EQ(capacities.Be32(4), 1072u);
    EXPECT_EQ(capacities.Data[8] & 3, 2);  // formatted
    ASSERT_EQ(Check(cdb::FormatUnit(), FormatList(0, 0x13, 16)), kGood);  // now the quick grow is offered
    WaitWhileBusy(2, kFormatting);
    EXPECT_EQ(Write(1072, 16), kGood);
}

TEST_F(DvdTest, PlusRwWantsFormattingThenFormatsInTheBackground) {
    Load(TMediumKind::DvdPlusRw);
    EXPECT_EQ(Write(0, 16), kNotFormatted);
    EXPECT_EQ(DiscInfo().Status, 0);
    EXPECT_EQ(Check(cdb::FormatUnit(), FormatList(1000, 0x26, 0)), kInvalidFieldInList);
    ASSERT_EQ(Check(cdb::FormatUnit(), FormatList(2295104, 0x26, 0)), kGood);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kFormatting);
    WaitWhileBusy(1, kFormatting);
    TDiscInfo disc = DiscInfo();
    EXPECT_EQ(disc.Status, 2);
    EXPECT_EQ(disc.BackgroundFormat, 2);  // in progress, the disc is usable
    ASSERT_EQ(Write(2000000, 3), kGood);  // anywhere, any number of sectors
    ASSERT_EQ(Write(7, 1), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(TClose::StopFormat, 255)), kGood);
    EXPECT_EQ(DiscInfo().BackgroundFormat, 1);  // stopped before the end
    ASSERT_EQ(Check(cdb::FormatUnit(), FormatList(0xFFFFFFFF, 0x26, 1)), kGood);  // restart keeps the data
    WaitWhileBusy(1, kFormatting);
    EXPECT_EQ(ReadBack(7, 1).at(1), 0xA5);
    host.AdvanceClock(3600);
    EXPECT_EQ(DiscInfo().BackgroundFormat, 3);
}

TEST_F(DvdTest, DvdRamFullFormatCertifiesForLongWithProgress) {
    Load(TMediumKind::DvdRam, TMediumState::Closed);
    EXPECT_TRUE(DiscInfo().Erasable);
    EXPECT_EQ(Check(cdb::FormatUnit(), FormatList(2236700, 0x00, 2048)), kInvalidFieldInList);
    ASSERT_EQ(Check(cdb::FormatUnit(), FormatList(2236704, 0x00, 2048)), kGood);
    auto progress = WaitWhileBusy(60, kFormatting);
    EXPECT_GT(progress.size(), 20u);
    EXPECT_EQ(ReadBack(0, 1).at(1), 0);  // formatting cleared the disc
    ASSERT_EQ(Write(123457, 1), kGood);
    EXPECT_EQ(Write(2236704, 1), kLbaOutOfRange);
    EXPECT_EQ(Send(cdb::ReadCapacity()).Be32(0), 2236703u);
}

}  // namespace
}  // namespace sorvane::vdrive::test
