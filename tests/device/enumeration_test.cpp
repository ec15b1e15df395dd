// Finding and selecting drives through a run-time-loaded library: the
// library search, the Devices lines, selection by line, and what selecting a
// drive learns and sets.

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/device/transport.h"
#include "tests/device/fake_library.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::VdriveTest;

class Enumeration : public VdriveTest {};

TEST_F(Enumeration, EveryDriveIsListedWithItsDeviceNameAndRawInquiryFields) {
    AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
    AddDrive(vdrive::DvdRomReader());
    burner.DoDebug = true;
    ASSERT_TRUE(burner.InitializeTransport(false, test::VdriveLibraryPath()));
    EXPECT_TRUE(burner.ASPIInitialized());
    EXPECT_EQ(TSCSIDevice::TransportName(), "libsorvane_vdrive.so");
    EXPECT_EQ(burner.Devices, (std::vector<std::string>{"0:0:0,sr0: VIRTUAL DVD-RW VR-1650  1.02",
                                                        "0:1:0,sr1: VIRTUAL DVD-ROM VR-16   0.98"}));
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0].first, ">>> libsorvane_vdrive.so");
    EXPECT_EQ(messages[1].first, ">>> SORVANE VDRIVE   (VDRIVE 0)");
    // Enumeration probes every target and LUN of the adapter, and puts the
    // selection back as it was.
    EXPECT_EQ(Logged(0x12).size(), 2u);  // the recorder logs only what reaches a drive
    EXPECT_EQ(burner.HaId, TSCSIDevice::kNoAddress);
    EXPECT_EQ(burner.LastError, "");
}

TEST_F(Enumeration, SelectingALineReadsTheIdentityAndLeavesTheDriveWritingTrackAtOnce) {
    AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
    AddDrive(vdrive::CdRwWriter(), {vdrive::TMediumKind::CdRw});
    ASSERT_TRUE(burner.InitializeTransport(false, test::VdriveLibraryPath()));
    int changes = 0;
    burner.OnDeviceChange = [&](TSCSIDevice& sender) {
        EXPECT_EQ(&sender, &burner);
        ++changes;
    };
    ClearLog();
    burner.SelectDevice(burner.Devices[1]);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(burner.DeviceId, burner.Devices[1]);
    EXPECT_EQ(burner.Identity, "VIRTUAL  CD-RW VR-5232    2.10");
    EXPECT_EQ(burner.PeripheralType, 5);
    EXPECT_EQ(burner.TargetId, 1);
    EXPECT_EQ(burner.GetDriveLetter(), "sr1");

    // Capabilities are read before the identity, then the write types are
    // tried: raw, session at once, track at once, the last one kept.
    const auto log = Logged();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().Cdb[0], 0x5A);
    const auto selects = Logged(0x55);
    ASSERT_EQ(selects.size(), 3u);
    const int expected[3][2] = {{3, 1}, {2, 0}, {1, 0}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_GE(selects[i].DataOut.size(), 8u + 16);
        EXPECT_EQ(selects[i].DataOut[8 + 2] & 0x0F, expected[i][0]);
        EXPECT_EQ(selects[i].DataOut[8 + 4], expected[i][1]);
        EXPECT_EQ(selects[i].DataOut[8 + 14], 0);
        EXPECT_EQ(selects[i].DataOut[8 + 15], 150);
    }
}

TEST_F(Enumeration, EmptyIdResetsSilentlyShortIdResetsWithAMessage) {
    AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
    OpenAndSelect();
    burner.SelectDevice("");
    EXPECT_EQ(burner.HaId, TSCSIDevice::kNoAddress);
    EXPECT_EQ(burner.TargetId, TSCSIDevice::kNoAddress);
    EXPECT_EQ(burner.Lun, TSCSIDevice::kNoAddress);
    EXPECT_EQ(burner.PeripheralType, 127);
    EXPECT_EQ(burner.DeviceId, "");
    EXPECT_EQ(burner.Identity, "");
    EXPECT_TRUE(messages.empty());

    for (const std::string id : {"0:0:", "0:0", "x:0:0,sr0: abc"}) {
        OpenAndSelect();
        burner.SelectDevice(id);
        EXPECT_EQ(burner.HaId, TSCSIDevice::kNoAddress) << id;
        EXPECT_EQ(burner.DeviceId, "") << id;
        ASSERT_EQ(messages.size(), 1u) << id;
        EXPECT_EQ(messages[0], std::make_pair(std::string("INVALID DEVICE ID / NOT A CD OR DVD DRIVE"), 0));
    }
}

TEST_F(Enumeration, SelectingAnAddressWithoutADriveAfterARealOneClearsTheSelection) {
    AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
    OpenAndSelect();
    burner.SelectDevice("0:5:0,sr5: GONE");
    EXPECT_EQ(burner.HaId, TSCSIDevice::kNoAddress);
    EXPECT_EQ(burner.PeripheralType, 127);
    EXPECT_EQ(burner.Identity, "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "INVALID DEVICE ID / NOT A CD OR DVD DRIVE");
    EXPECT_FALSE(burner.TestUnitReady(5000));
}

TEST_F(Enumeration, ModelQuirksFollowTheProductAndVendor) {
    struct Row {
        std::string Vendor, Product;
        bool ForceUnderrun, LinkSize, ExtraPolling, SlowReady, CloseImmediate;
    };
    const Row rows[] = {
        {"VIRTUAL", "DVD-RW VR-1650", false, false, false, false, true},
        {"VIRTUAL", "CD-W512EB", true, false, false, false, true},
        {"VIRTUAL", "CRX175E", false, true, false, false, true},
        {"VIRTUAL", "CD-RW  CRX800E", false, true, false, false, true},
        {"VIRTUAL", "UJDA750", false, false, true, false, true},
        {"TDK", "CDRW4800B", false, false, true, false, true},
        {"VIRTUAL", "DVD-RW  DVR-104", false, false, false, true, true},
        {"VIRTUAL", "CDRW321040X", false, false, false, false, false},
    };
    for (const Row& row : rows) {
        host.UseMemory();
        vdrive::TDriveModel model = Model(row.Product);
        model.Vendor = row.Vendor;
        model.BufferUnderrunFree = false;
        AddDrive(model, {vdrive::TMediumKind::CdR});
        OpenAndSelect();
        EXPECT_EQ(burner.ForceUnderrunProtection, row.ForceUnderrun) << row.Product;
        EXPECT_EQ(burner.LinkSizeValid, row.LinkSize) << row.Product;
        EXPECT_EQ(burner.ExtraReadyPolling.load(), row.ExtraPolling) << row.Product;
        EXPECT_EQ(burner.SlowReadyDrive, row.SlowReady) << row.Product;
        EXPECT_EQ(burner.CloseImmediate.load(), row.CloseImmediate) << row.Product;
        // The forced protection shows in the capabilities once the drive is
        // selected again, since they are read before the identity.
        burner.SelectDevice(burner.Devices[0]);
        EXPECT_EQ(burner.Can(cap::kUnderrunProtection), row.ForceUnderrun) << row.Product;
        TTransport::Instance().Close();
    }
}

TEST_F(Enumeration, LibraryIsFoundThroughTheEnvironmentAndReopenedWithTheSamePreference) {
    AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
    ::setenv("SORVANE_ASPI_LIBRARY", test::VdriveLibraryPath().c_str(), 1);
    EXPECT_TRUE(burner.InitializeTransport(false, "/nonexistent/libnothing.so"));
    ::unsetenv("SORVANE_ASPI_LIBRARY");
    EXPECT_EQ(burner.Devices.size(), 1u);
    // Without a path the library beside the executable is found.
    EXPECT_TRUE(burner.ReinitializeTransport());
    EXPECT_EQ(TSCSIDevice::TransportName(), "libsorvane_vdrive.so");
    burner.SelectDevice(burner.Devices[0]);
    EXPECT_EQ(burner.PeripheralType, 5);
}

TEST_F(Enumeration, LibraryWithoutTheEntryPointsFailsTheTransport) {
    EXPECT_FALSE(burner.InitializeTransport(false, "libm.so.6"));
    EXPECT_FALSE(burner.ASPIInitialized());
    EXPECT_TRUE(burner.Devices.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first.rfind("Assertion failure", 0), 0u) << messages[0].first;
}

TEST(EnumerationOfAdapters, NoAdaptersReportedMeansSevenAreScanned) {
    test::TFakeLibrary library;
    library.Adapters = 0;
    TSCSIDevice device;
    library.Log.clear();
    device.InquireAdapter(0);
    EXPECT_EQ(device.AdapterCountSeen, 7);
    device.EnumerateDevices();
    EXPECT_EQ(library.Log.size(), 7u * 64);
    EXPECT_EQ(library.Log.back().Srb.SRB_HaId, 6);
}

TEST(EnumerationOfAdapters, FailedAdapterInquiryScansNothing) {
    TTransport::Instance().Close();
    TSCSIDevice device;
    device.InquireAdapter(0);
    EXPECT_EQ(device.AdapterCountSeen, 255);
    device.EnumerateDevices();
    EXPECT_TRUE(device.Devices.empty());
}

}  // namespace
}  // namespace sorvane
