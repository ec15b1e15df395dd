// Every command wrapper as the drive receives it (CDB bytes and parameter
// data, from the emulated recorder's log), and the decoding of its replies.

#include <gtest/gtest.h>

#include <functional>

#include "engine/rtl/date_time.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::VdriveTest;

class Commands : public VdriveTest {
protected:
    void SetUp() override {
        AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
        OpenAndSelect();
    }
};

TEST_F(Commands, EachWrapperSendsItsCdb) {
    std::uint8_t buffer[2048] = {};
    const std::uint8_t parameters[60] = {};
    struct Row {
        const char* Name;
        std::function<void()> Call;
        Bytes Cdb;
    };
    const Row rows[] = {
        {"TestUnitReady", [&] { burner.TestUnitReady(5000); }, {0x00, 0, 0, 0, 0, 0}},
        {"RezeroUnit", [&] { burner.RezeroUnit(); }, {0x01, 0, 0, 0, 0, 0}},
        {"RequestSense", [&] { burner.RequestSense(buffer, 18); }, {0x03, 0, 0, 0, 18, 0}},
        {"FormatUnit", [&] { burner.FormatUnit(0x11, parameters, 12); }, {0x04, 0x11, 0, 0, 0, 0}},
        {"Inquiry", [&] { burner.Inquiry(); }, {0x12, 0, 0, 0, 0x80, 0}},
        {"LoadUnload eject", [&] { burner.LoadUnload(true); }, {0x1B, 0, 0, 0, 0x02, 0}},
        {"LoadUnload load", [&] { burner.LoadUnload(false); }, {0x1B, 0, 0, 0, 0x03, 0}},
        {"AllowMediumRemoval no", [&] { burner.AllowMediumRemoval(false); }, {0x1E, 0, 0, 0, 0x01, 0}},
        {"AllowMediumRemoval yes", [&] { burner.AllowMediumRemoval(true); }, {0x1E, 0, 0, 0, 0x00, 0}},
        {"ReadFormatCapacities",
         [&] {
             std::uint32_t a, b;
             burner.ReadFormatCapacities(a, b);
         },
         {0x23, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0}},
        {"ReadCapacity",
         [&] {
             std::uint32_t a, b;
             burner.ReadCapacity(a, b);
         },
         {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"ReadSectors", [&] { burner.ReadSectors(0x12345678, 0x0203, 2048, buffer); },
         {0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0x02, 0x03, 0}},
        {"WriteSectors", [&] { burner.WriteSectors(0x1000, 1, 0x50, 2048, buffer); },
         {0x2A, 0, 0, 0, 0x10, 0, 0, 0, 1, 0}},
        {"SynchronizeCache", [&] { burner.SynchronizeCache(1000, true); }, {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"ReadTocPmaAtip", [&] { burner.ReadTocPmaAtip(4, buffer, 0x40, true, 2, 26); },
         {0x43, 0x02, 0x04, 0, 0, 0, 0x02, 0, 26, 0x40}},
        {"GetConfiguration", [&] { burner.GetConfiguration(2, 0x2A, 114, buffer); },
         {0x46, 0x02, 0, 0x2A, 0, 0, 0, 0, 114, 0}},
        {"ReadDiscInformation", [&] { burner.ReadDiscInformation(buffer, 56); },
         {0x51, 0, 0, 0, 0, 0, 0, 0, 56, 0}},
        {"ReadTrackInformation", [&] { burner.ReadTrackInformation(255); },
         {0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, 0x28, 0}},
        {"ReserveTrack", [&] { burner.ReserveTrack(0x00012345); },
         {0x53, 0, 0, 0, 0, 0, 0x01, 0x23, 0x45, 0, 0, 0}},
        {"PerformOpcCommand", [&] { burner.PerformOpcCommand(); }, {0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"ModeSelect", [&] { burner.ModeSelect(parameters, 60); }, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}},
        {"ModeSense defaults", [&] { burner.ModeSense(0x2A, buffer, true, 255, 254); },
         {0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 0xFF, 0}},
        {"ModeSense current", [&] { burner.ModeSense(0x05, buffer, false, 512, 511); },
         {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0x00, 0}},
        {"CloseTrackOrSession track", [&] { burner.CloseTrackOrSession(true, false, false); },
         {0x5B, 0, 0x01, 0, 0, 0xFF, 0, 0, 0, 0}},
        {"CloseTrackOrSession session", [&] { burner.CloseTrackOrSession(false, true, false); },
         {0x5B, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0}},
        {"CloseTrackOrSession finalize", [&] { burner.CloseTrackOrSession(false, false, true); },
         {0x5B, 0, 0x05, 0, 0, 0, 0, 0, 0, 0}},
        {"CloseTrackSession", [&] { burner.CloseTrackSession(true, 0x06, 1, 2, 3); },
         {0x5B, 0x01, 0x06, 1, 2, 3, 0, 0, 0, 0}},
        {"ReadBufferCapacity",
         [&] {
             std::uint32_t a, b;
             burner.ReadBufferCapacity(a, b);
         },
         {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}},
        {"Blank", [&] { burner.Blank(1); }, {0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"SetStreaming", [&] { burner.SetStreaming(parameters, 28); },
         {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}},
        {"SetSpeed maximum", [&] { burner.SetSpeed(0, 0); }, {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"SetSpeed", [&] { burner.SetSpeed(1764, 706); }, {0xBB, 0, 0x06, 0xE4, 0x02, 0xC2, 0, 0, 0, 0, 0, 0}},
        {"SendDvdStructure", [&] { burner.SendDvdStructure(0x0F, parameters, 22); },
         {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}},
    };
    for (const Row& row : rows) {
        ClearLog();
        row.Call();
        // Closing the tray on its disc leaves a unit attention, which the
        // executor takes note of by sending the next command again.
        auto log = host.Log();
        std::erase_if(log, [](const vdrive::TLogEntry& entry) { return entry.SenseKey == 6 && entry.Asc == 0x28; });
        ASSERT_EQ(log.size(), 1u) << row.Name;
        EXPECT_EQ(log[0].Cdb, row.Cdb) << row.Name;
    }
}

TEST_F(Commands, ParameterDataReachesTheDriveAsBuilt) {
    burner.SetStreamingSpeed(0x100, 0x2000, 22160, 11080, 1000, 1000);
    EXPECT_EQ(LastLogged().DataOut, (Bytes{0, 0, 0, 0, 0, 0, 0x01, 0x00, 0, 0, 0x20, 0x00, 0, 0, 0x56, 0x90,
                                           0, 0, 0x03, 0xE8, 0, 0, 0x2B, 0x48, 0, 0, 0x03, 0xE8}));
    EXPECT_EQ(LastLogged().Cdb[10], 28);

    TScopedClock clock(*TryEncodeDateTime({2024, 3, 1, 14, 5, 9, 0}), 0);
    burner.SendTimeStamp(Now());
    const Bytes stamp = {0x00, 0x14, 0, 0, 0, 0, 0, 0, '2', '0', '2', '4', '0', '3', '0', '1', '1', '4', '0', '5', '0', '9'};
    EXPECT_EQ(LastLogged().DataOut, stamp);
    EXPECT_EQ(LastLogged().Cdb[7], 0x0F);
}

TEST_F(Commands, BufferCapacityIsDecodedAndFailureEmptiesTheFreeSize) {
    std::uint32_t size = 0, free = 0;
    ASSERT_TRUE(burner.ReadBufferCapacity(size, free));
    EXPECT_EQ(size, 2048u * 1024);
    EXPECT_EQ(burner.DeviceBufferSize(), size);
    EXPECT_EQ(burner.DeviceFreeBufferSize(), free);
    EXPECT_GT(free, 0u);

    vdrive::TFaults faults;
    faults.BusyCommands = 1;
    host.SetFaults(0, faults);
    std::uint32_t keptSize = 7, keptFree = 7;
    EXPECT_FALSE(burner.ReadBufferCapacity(keptSize, keptFree));
    EXPECT_EQ(keptSize, 7u);
    EXPECT_EQ(burner.DeviceFreeBufferSize(), 0u);
    EXPECT_EQ(burner.DeviceBufferSize(), size);
    EXPECT_TRUE(burner.TargetBusy);
}

TEST_F(Commands, TrackInformationOfABlankDiscIsInHostOrder) {
    ASSERT_TRUE(burner.ReadTrackInformation(1));
    EXPECT_EQ(burner.TrackInfo.TrackNumber, 1);
    EXPECT_EQ(burner.TrackInfo.SessionNumber, 1);
    EXPECT_EQ(burner.TrackInfo.TrackStart, 0u);
    EXPECT_EQ(burner.TrackInfo.NextWritable, 0u);
    EXPECT_EQ(burner.TrackInfo.FreeBlocks, host.Status(0).Capacity);
    EXPECT_GE(burner.TrackInfo.DataLength, 0x22);
}

TEST_F(Commands, VendorPage30IsFoundOnlyOnDrivesThatHaveIt) {
    EXPECT_FALSE(burner.HasVendorPage30());
    host.UseMemory();
    AddDrive(vdrive::CdRwWriter(), {vdrive::TMediumKind::CdR});
    OpenAndSelect();
    EXPECT_TRUE(burner.HasVendorPage30());  // behind a block descriptor
}

TEST_F(Commands, ModeSenseClearsTheCallersBufferAndCopiesOnlyOnSuccess) {
    std::uint8_t buffer[300];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    EXPECT_FALSE(burner.ModeSense(0x30, buffer, false, 128, 127));  // no vendor page here
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[127], 0);
    EXPECT_EQ(buffer[128], 0xEE);
    EXPECT_EQ(burner.LastError, "ILLEGAL REQUEST (INVALID FIELD IN CDB)");
    ASSERT_TRUE(burner.ModeSense(0x2A, buffer, false, 128, 127));
    EXPECT_EQ(buffer[8] & 0x3F, 0x2A);
}

}  // namespace
}  // namespace sorvane
