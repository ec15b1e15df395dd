// The drive as a unit: readiness and unit attention, tray and lock, identity,
// mode pages, GET CONFIGURATION, speeds and the buffer.

#include "tests/vdrive/vdrive_fixture.h"

namespace sorvane::vdrive::test {
namespace {

using cdb::TPageControl;
using cdb::TRequestType;

class UnitTest : public VDriveTest {};

TEST_F(UnitTest, InsertedDiscIsAnnouncedOnceByUnitAttention) {
    ASSERT_TRUE(host.Insert(drive, {TMediumKind::CdR}));
    // INQUIRY and GET CONFIGURATION pass a pending unit attention untouched.
    EXPECT_TRUE(Send(cdb::Inquiry()).Good());
    EXPECT_TRUE(Send(cdb::GetConfiguration(TRequestType::One, 0)).Good());
    EXPECT_EQ(Check(cdb::ReadDiscInformation()), kMediumChanged);
    EXPECT_EQ(Check(cdb::ReadDiscInformation()), kGood);

    ASSERT_TRUE(host.Insert(drive, {TMediumKind::DvdR}));
    TResult sense = Send(cdb::RequestSense());  // reports and clears it
    ASSERT_TRUE(sense.Good());
    EXPECT_EQ(sense.Data[2], 0x06);
    EXPECT_EQ(sense.Data[12], 0x28);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kGood);
}

TEST_F(UnitTest, MissingDiscIsReportedWithTheTrayPosition) {
    ASSERT_TRUE(host.Insert(drive, {TMediumKind::None}));
    EXPECT_EQ(Check(cdb::TestUnitReady()), kMediumChanged);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kNoMediumTrayClosed);
    EXPECT_EQ(Check(cdb::StartStopUnit(cdb::TTray::Eject)), kGood);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kNoMediumTrayOpen);
    TResult sense = Send(cdb::RequestSense());
    EXPECT_EQ(sense.Data[12], 0x3A);
    EXPECT_EQ(sense.Data[13], 0x02);
    EXPECT_EQ(Check(cdb::ReadCapacity()), kNoMediumTrayOpen);
}

TEST_F(UnitTest, LockedTrayRefusesEjectFromHostAndButton) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(Check(cdb::PreventAllowRemoval(true)), kGood);
    EXPECT_EQ(Check(cdb::StartStopUnit(cdb::TTray::Eject)), kRemovalPrevented);
    std::string error;
    EXPECT_FALSE(host.Eject(drive, &error));
    EXPECT_NE(error.find("locked"), std::string::npos);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kGood);

    ASSERT_EQ(Check(cdb::PreventAllowRemoval(false)), kGood);
    EXPECT_EQ(Check(cdb::StartStopUnit(cdb::TTray::Eject)), kGood);
    EXPECT_TRUE(host.Status(drive).TrayOpen);
    // Closing the tray over the disc loads it again: a medium change.
    EXPECT_EQ(Check(cdb::StartStopUnit(cdb::TTray::Load)), kGood);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kMediumChanged);
    EXPECT_EQ(Check(cdb::TestUnitReady()), kGood);
}

TEST_F(UnitTest, UnknownCommandsAndFieldsAreRefused) {
    Load(TMediumKind::CdR);
    EXPECT_EQ(Check(cdb::Opcode(0xA8)), kInvalidOpcode);  // READ(12) is not offered
    EXPECT_EQ(Check(cdb::Opcode(0x5D)), kInvalidOpcode);  // nor SEND CUE SHEET
    EXPECT_EQ(Check(cdb::RequestSense(18, true)), kInvalidFieldInCdb);
    EXPECT_EQ(Check(cdb::ModeSense10(0x0E)), kInvalidFieldInCdb);
    EXPECT_EQ(Check(cdb::ModeSense10(0x2A, TPageControl::Saved)), (TSenseCode{5, 0x39, 0x00}));
    EXPECT_EQ(Check(cdb::Inquiry(96, true, 0x83)), kInvalidFieldInCdb);
    EXPECT_EQ(Check(cdb::GetConfiguration(TRequestType(3), 0)), kInvalidFieldInCdb);
}

TEST_F(UnitTest, InquiryCarriesTheModelIdentity) {
    TResult r = Send(cdb::Inquiry(36));
    ASSERT_TRUE(r.Good());
    ASSERT_EQ(r.Data.size(), 36u);
    EXPECT_EQ(r.Data[0], 0x05);
    EXPECT_EQ(r.Data[1], 0x80);
    EXPECT_EQ(std::string(r.Data.begin() + 8, r.Data.begin() + 36), "VIRTUAL DVD-RW VR-1650  1.02");
}

TEST_F(UnitTest, ModeSenseFindsThePageAfterTheOptionalBlockDescriptor) {
    Load(TMediumKind::CdR);
    TResult plain = Send(cdb::ModeSense10(0x2A));
    ASSERT_TRUE(plain.Good());
    EXPECT_EQ(plain.Be16(6), 0u);
    EXPECT_EQ(plain.Data[8], 0x2A);
    EXPECT_EQ(plain.Data[8 + 1] + 2u, 32u + 4 * 7);  // seven CD-R write speeds

    host.UseMemory();
    drive = host.AddDrive(CdRwWriter());
    Load(TMediumKind::CdR);
    TResult withDescriptor = Send(cdb::ModeSense10(0x05));
    ASSERT_TRUE(withDescriptor.Good());
    EXPECT_EQ(withDescriptor.Be16(6), 8u);
    EXPECT_EQ(withDescriptor.Data[16], 0x05);
    EXPECT_EQ(Send(cdb::ModeSense10(0x05, TPageControl::Current, 512, true)).Data[8], 0x05);
    TResult vendor = Send(cdb::ModeSense10(0x30));
    ASSERT_TRUE(vendor.Good());
    EXPECT_EQ(vendor.Data[16], 0x30);
}

TEST_F(UnitTest, CapabilitiesPageFollowsModelAndMedium) {
    Load(TMediumKind::DvdPlusR);
    TResult defaults = Send(cdb::ModeSense10(0x2A, TPageControl::Default, 255));
    ASSERT_TRUE(defaults.Good());
    const std::uint8_t* p = &defaults.Data[8];
    EXPECT_EQ(p[2] & 0x3B, 0x3B);  // reads CD-R, CD-RW, DVD-ROM, DVD-R, DVD-RAM
    EXPECT_EQ(p[3] & 0x37, 0x37);  // writes CD-R, CD-RW, DVD-R, DVD-RAM, test write
    EXPECT_EQ(p[4] & 0x80, 0x80);  // buffer under-run free
    EXPECT_EQ(ReadMsb<std::uint16_t>(p + 12), 2048);
    EXPECT_EQ(ReadMsb<std::uint16_t>(p + 18), 22160);  // 16x DVD+R
    EXPECT_EQ(ReadMsb<std::uint16_t>(p + 8), 22160);   // DVD read speed with a DVD inside

    host.UseMemory();
    drive = host.AddDrive(DvdRomReader());
    TResult reader = Send(cdb::ModeSense10(0x2A, TPageControl::Current, 255));
    ASSERT_TRUE(reader.Good());
    EXPECT_EQ(reader.Data[16 + 3], 0);  // writes nothing
    EXPECT_EQ(reader.Data[16 + 4] & 0x80, 0);
    EXPECT_EQ(ReadMsb<std::uint16_t>(&reader.Data[16 + 18]), 0);
}

TEST_F(UnitTest, SetCdSpeedGrantsTheNearestSupportedSpeed) {
    Load(TMediumKind::CdR);
    auto currentWrite = [&] { return Send(cdb::ModeSense10(0x2A)).Be16(8 + 28); };
    EXPECT_EQ(currentWrite(), 8467);  // FFFFh asks for the fastest
    ASSERT_EQ(Check(cdb::SetCdSpeed(0xFFFF, 5000)), kGood);
    EXPECT_EQ(currentWrite(), 5645);
    ASSERT_EQ(Check(cdb::SetCdSpeed(0xFFFF, 1000)), kGood);
    EXPECT_EQ(currentWrite(), 706);
    ASSERT_EQ(Check(cdb::SetCdSpeed(0xFFFF, 0xFFFF)), kGood);
    EXPECT_EQ(currentWrite(), 8467);
    // SET STREAMING asks in kilobytes per time on DVD media.
    Load(TMediumKind::DvdR);
    auto list = StreamingDescriptor(2298495, 0, 11000);
    ASSERT_EQ(Check(cdb::SetStreaming(), list), kGood);
    EXPECT_EQ(currentWrite(), 11080);
    list[27] = 0;
    list[26] = 0;  // a write time of 0 makes no rate
    EXPECT_EQ(Check(cdb::SetStreaming(), list), kInvalidFieldInList);
}

TEST_F(UnitTest, GetConfigurationReportsCurrentProfileAndFeatures) {
    Load(TMediumKind::DvdPlusRw);
    TResult one = Send(cdb::GetConfiguration(TRequestType::One, 0x002A));
    ASSERT_TRUE(one.Good());
    EXPECT_EQ(one.Be16(6), 0x001A);
    EXPECT_EQ(one.Be16(8), 0x002A);
    EXPECT_EQ(one.Data[10], 0x01);  // version 0, current
    EXPECT_EQ(one.Data[12] & 1, 1);  // writes DVD+RW
    TResult dash = Send(cdb::GetConfiguration(TRequestType::One, 0x002F));
    EXPECT_EQ(dash.Data[10], 0x04);  // version 1, not current with a DVD+RW

    TResult current = Send(cdb::GetConfiguration(TRequestType::Current, 0));
    ASSERT_TRUE(current.Good());
    std::vector<std::uint16_t> codes;
    for (std::size_t at = 8; at + 4 <= current.Data.size() && at < 8 + current.Be32(0) - 4; at += 4 + current.Data[at + 3])
        codes.push_back(current.Be16(at));
    EXPECT_NE(std::find(codes.begin(), codes.end(), 0x002A), codes.end());
    EXPECT_EQ(std::find(codes.begin(), codes.end(), 0x002B), codes.end());

    ASSERT_TRUE(host.Insert(drive, {TMediumKind::None}));
    EXPECT_EQ(Send(cdb::GetConfiguration(TRequestType::One, 0)).Be16(6), 0x0000);
}

TEST_F(UnitTest, OlderDriveKnowsNoGetConfigurationAndRecordsNothing) {
    host.UseMemory();
    drive = host.AddDrive(DvdRomReader());
    Load(TMediumKind::DvdR, TMediumState::Closed);
    EXPECT_EQ(Check(cdb::GetConfiguration(TRequestType::One, 0)), kInvalidOpcode);
    EXPECT_EQ(Write(0, 16), kInvalidOpcode);
    EXPECT_EQ(Check(cdb::Blank(cdb::TBlank::Full)), kInvalidOpcode);
    EXPECT_EQ(Check(cdb::ModeSense10(0x05)), kInvalidFieldInCdb);
    EXPECT_EQ(ReadBack(0, 1).size(), 2048u);
}

TEST_F(UnitTest, UsbBridgeReaderAnswersOnlyTheQueriesOfReadingDrives) {
    host.UseMemory();
    drive = host.AddDrive(UsbBridgeReader());
    Load(TMediumKind::CdR, TMediumState::Closed);
    EXPECT_EQ(Check(cdb::ReadTrackInformation(cdb::TAddress::Track, 1)), kInvalidOpcode);
    EXPECT_EQ(Check(cdb::ReadDiscInformation()), kInvalidOpcode);
    EXPECT_EQ(Check(cdb::ReadFormatCapacities()), kInvalidOpcode);
    EXPECT_EQ(Check(cdb::ReadBufferCapacity()), kInvalidOpcode);
    EXPECT_EQ(Write(0, 16), kInvalidOpcode);
    // What the disc's sessions are learnt from instead.
    TResult toc = Send(cdb::ReadToc(cdb::TTocFormat::Toc, false));
    ASSERT_TRUE(toc.Good());
    EXPECT_EQ(toc.Data[3], 1);  // last track
    ASSERT_TRUE(Send(cdb::ReadToc(cdb::TTocFormat::SessionInfo, false)).Good());
    EXPECT_GT(Send(cdb::ReadCapacity()).Be32(0), 0u);
    EXPECT_EQ(Send(cdb::GetConfiguration(TRequestType::One, 0)).Be16(6), 0x0009);  // CD-R
    EXPECT_EQ(ReadBack(16, 1).size(), 2048u);
}

TEST_F(UnitTest, BufferFillsWithWritesAndEmptiesOnSynchronize) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kGood);
    TResult empty = Send(cdb::ReadBufferCapacity());
    ASSERT_TRUE(empty.Good());
    EXPECT_EQ(empty.Be32(4), 2048u * 1024);
    EXPECT_EQ(empty.Be32(8), 2048u * 1024);
    ASSERT_EQ(Write(0, 320), kGood);
    EXPECT_EQ(Send(cdb::ReadBufferCapacity()).Be32(8), 2048u * 1024 - 320 * 2048);
    host.AdvanceClock(0.05);  // 48x drains about 420 KB in that time
    std::uint32_t drained = Send(cdb::ReadBufferCapacity()).Be32(8);
    EXPECT_GT(drained, 2048u * 1024 - 320 * 2048);
    ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
    EXPECT_EQ(Send(cdb::ReadBufferCapacity()).Be32(8), 2048u * 1024);
}

TEST_F(UnitTest, ThrottledWritesWaitForTheBuffer) {
    Load(TMediumKind::DvdPlusRw, TMediumState::Closed);
    host.SetThrottle(drive, true);
    ASSERT_EQ(Check(cdb::SetCdSpeed(0xFFFF, 3324)), kGood);  // 2.4x
    double start = host.Now();
    ASSERT_EQ(Write(0, 32 * 64), kGood);  // 4 MiB through a 2 MiB buffer
    double spent = host.Now() - start;
    EXPECT_NEAR(spent, (4.0 - 2.0) * 1048576 / 3324000, 0.05);
}

}  // namespace
}  // namespace sorvane::vdrive::test
