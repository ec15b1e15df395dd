// Mode page 05h as the drive receives it for every disc kind, and how test
// writing, underrun protection, finalizing and the drive's abilities change
// it.

#include <gtest/gtest.h>

#include "engine/rtl/endian.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::VdriveTest;

struct TPage {
    std::uint8_t Byte2, Byte3, LinkSize;
    std::uint32_t PacketSize;
};

class WriteParameters : public VdriveTest {
protected:
    void Select(const vdrive::TDriveModel& model) {
        host.UseMemory();
        AddDrive(model, {vdrive::TMediumKind::CdR});
        OpenAndSelect();
    }
    // The page of the last MODE SELECT, after its 8-byte header.
    Bytes SentPage(int kind, bool testWrite, bool underrun, bool openNextSession) {
        ClearLog();
        burner.SetWriteParameters(testWrite, underrun, openNextSession, kind);
        const auto selects = Logged(0x55);
        if (selects.size() != 1) {
            ADD_FAILURE() << "kind " << kind << ": " << selects.size() << " MODE SELECTs";
            return {};
        }
        const vdrive::TLogEntry& sent = selects[0];
        EXPECT_EQ(sent.Cdb[8], 60) << kind;
        EXPECT_EQ(sent.DataOut.size(), 60u) << kind;
        EXPECT_EQ(Bytes(sent.DataOut.begin(), sent.DataOut.begin() + 8), Bytes(8, 0)) << kind;
        return Bytes(sent.DataOut.begin() + 8, sent.DataOut.end());
    }
    void Expect(int kind, const TPage& expected, bool testWrite, bool underrun, bool openNextSession) {
        const Bytes page = SentPage(kind, testWrite, underrun, openNextSession);
        ASSERT_EQ(page.size(), 52u) << kind;
        EXPECT_EQ(page[0] & 0x3F, 0x05) << kind;
        EXPECT_EQ(page[1], 0x32) << kind;
        EXPECT_EQ(page[2], expected.Byte2) << "kind " << kind;
        EXPECT_EQ(page[3], expected.Byte3) << "kind " << kind;
        EXPECT_EQ(page[4], 0x08) << kind;
        EXPECT_EQ(page[5], expected.LinkSize) << kind;
        EXPECT_EQ(Bytes(page.begin() + 6, page.begin() + 10), Bytes(4, 0)) << kind;
        EXPECT_EQ(ReadMsb<std::uint32_t>(&page[10]), expected.PacketSize) << kind;
        EXPECT_EQ(ReadMsb<std::uint16_t>(&page[14]), 150) << kind;
    }
};

// The kinds recorded track at once, with the CD settings.
constexpr int kTrackAtOnceKinds[] = {0, 1, 2, 3, 4, 13, 14, 15};

TEST_F(WriteParameters, PageOfEveryKindWithUnderrunProtectionOnADriveThatHasIt) {
    Select(vdrive::MultiFormatWriter());
    for (int kind : kTrackAtOnceKinds) Expect(kind, {0x41, 0xC4, 0, 0}, false, true, true);
    Expect(5, {0x60, 0xE5, 16, 16}, false, true, true);   // incremental, fixed packets
    Expect(8, {0x60, 0xC5, 16, 0}, false, true, true);    // incremental, variable packets
    Expect(9, {0x60, 0xC5, 16, 0}, false, true, true);
    Expect(10, {0x62, 0x04, 16, 0}, false, true, true);   // session at once, never multi-session
    Expect(11, {0x62, 0xC4, 0, 16}, false, true, true);
    Expect(12, {0x62, 0xC4, 0, 0}, false, true, true);
    Expect(12, {0x62, 0x04, 0, 0}, false, true, false);   // the last session of a DL disc
}

TEST_F(WriteParameters, TestWriteWithoutUnderrunProtection) {
    Select(vdrive::MultiFormatWriter());
    for (int kind : kTrackAtOnceKinds) Expect(kind, {0x11, 0x04, 0, 0}, true, false, true);
    Expect(5, {0x30, 0xE5, 16, 16}, true, false, true);
    Expect(8, {0x20, 0xC5, 16, 0}, true, false, true);  // DVD-RW never test-writes
    Expect(9, {0x20, 0xC5, 16, 0}, true, false, true);
    Expect(10, {0x32, 0x04, 16, 0}, true, false, true);
    Expect(11, {0x32, 0xC4, 0, 16}, true, false, true);
    Expect(12, {0x32, 0xC4, 0, 0}, true, false, true);
}

TEST_F(WriteParameters, FinalizingClosesTheMultiSessionFieldOfTrackAtOnceKinds) {
    Select(vdrive::MultiFormatWriter());
    burner.FinalizeDisc = true;
    for (int kind : kTrackAtOnceKinds) Expect(kind, {0x41, 0x04, 0, 0}, false, true, true);
    Expect(5, {0x60, 0xE5, 16, 16}, false, true, true);
    Expect(11, {0x62, 0xC4, 0, 16}, false, true, true);
}

TEST_F(WriteParameters, DriveWithoutTestWriteOrUnderrunProtectionGetsNeither) {
    vdrive::TDriveModel model = Model("PLAIN WRITER");
    model.TestWrite = false;
    model.BufferUnderrunFree = false;
    Select(model);
    ASSERT_FALSE(burner.Can(cap::kTestWrite));
    ASSERT_FALSE(burner.Can(cap::kUnderrunProtection));
    for (int kind : kTrackAtOnceKinds) Expect(kind, {0x01, 0x04, 0, 0}, true, true, true);
    Expect(5, {0x20, 0xE5, 16, 16}, true, true, true);
    Expect(12, {0x22, 0xC4, 0, 0}, true, true, true);
}

TEST_F(WriteParameters, UnderrunFreeRecordingOfThePageSetsBufeEvenWithoutTheCapabilityBit) {
    // Page 2Ah reports BUF, but the capability bit is taken from the default
    // values: rule B2 reads the current page.
    Select(vdrive::MultiFormatWriter());
    burner.Capabilities &= ~cap::kUnderrunProtection;
    Expect(2, {0x41, 0xC4, 0, 0}, false, true, true);
    Expect(12, {0x22, 0xC4, 0, 0}, false, true, true);  // DL takes rule B only
}

TEST_F(WriteParameters, LinkSizeQuirkSetsLinkSizeValidForEveryKind) {
    Select(Model("CRX175E"));
    ASSERT_TRUE(burner.LinkSizeValid);
    Expect(2, {0x61, 0xC4, 0, 0}, false, true, true);
    Expect(10, {0x62, 0x04, 16, 0}, false, true, true);
}

TEST_F(WriteParameters, DvdRamSendsNothingAndAReaderRefuses) {
    Select(vdrive::MultiFormatWriter());
    ClearLog();
    EXPECT_TRUE(burner.SetWriteParameters(false, true, true, kind::kDvdRam));
    EXPECT_TRUE(host.Log().empty());

    Select(vdrive::DvdRomReader());
    EXPECT_FALSE(burner.SetWriteParameters(false, true, true, kind::kCdR));
    EXPECT_TRUE(Logged(0x55).empty());
}

TEST_F(WriteParameters, TailOfThePageIsClearedOnlyBehindABlockDescriptor) {
    // Put vendor bytes into the drive's page, then let the component rebuild it.
    auto withTail = [&] {
        Bytes parameters(60, 0);
        parameters[8] = 0x05;
        parameters[9] = 0x32;
        parameters[10] = 0x01;
        parameters[11] = 0x04;
        parameters[12] = 0x08;
        parameters[8 + 15] = 150;
        for (int i = 45; i <= 51; ++i) parameters[8 + i] = static_cast<std::uint8_t>(i);
        ASSERT_TRUE(burner.ModeSelect(parameters.data(), 60)) << burner.LastError;
    };
    Select(vdrive::MultiFormatWriter());
    withTail();
    Bytes page = SentPage(2, false, true, true);
    ASSERT_EQ(page.size(), 52u);
    EXPECT_EQ(page[45], 45);
    EXPECT_EQ(page[51], 51);

    Select(vdrive::CdRwWriter());
    withTail();
    page = SentPage(2, false, true, true);
    ASSERT_EQ(page.size(), 52u);
    EXPECT_EQ(Bytes(page.begin() + 45, page.end()), Bytes(7, 0));
    EXPECT_EQ(page[2], 0x41);  // found behind the descriptor all the same
}

}  // namespace
}  // namespace sorvane
