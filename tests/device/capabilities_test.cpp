// What a drive can read and write and how fast, from mode page 2Ah, vendor
// page 30h and the DVD features of GET CONFIGURATION.

#include <gtest/gtest.h>

#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::VdriveTest;
using K = vdrive::TMediumKind;

class Capabilities : public VdriveTest {
protected:
    void Select(const vdrive::TDriveModel& model, K medium) {
        host.UseMemory();
        AddDrive(model, {medium});
        OpenAndSelect();
    }
};

constexpr std::uint32_t kPageReads = cap::kReadCdR | cap::kReadCdRw | cap::kReadMethod2 | cap::kReadDvdRom |
                                     cap::kReadDvdR | cap::kReadDvdRw | cap::kReadDvdRam;
constexpr std::uint32_t kPageWrites = cap::kWriteCdR | cap::kWriteCdRw | cap::kTestWrite | cap::kWriteDvdR |
                                      cap::kWriteDvdRw | cap::kWriteDvdRam;
constexpr std::uint32_t kFeatureReads = cap::kReadDvdPlusR | cap::kReadDvdPlusRw | cap::kReadDvdPlusRDualLayer;

constexpr std::uint32_t kFeatureWrites = cap::kWriteDvdPlusR | cap::kWriteDvdPlusRw | cap::kWriteDvdPlusRDualLayer;

TEST_F(Capabilities, PageBitsFeatureBitsAndUnderrunProtectionOfAMultiFormatWriter) {
    Select(vdrive::MultiFormatWriter(), K::CdR);
    EXPECT_EQ(burner.Capabilities,
              kPageReads | kPageWrites | kFeatureReads | kFeatureWrites | cap::kUnderrunProtection);
}

// The Current bit of a feature says only what disc is loaded: a writer
// writes DVD+R whatever disc is in it, and a reader never does.
TEST_F(Capabilities, PlusWriteBitsComeFromTheFeaturesWriteBitWhateverDiscIsLoaded) {
    for (const K medium : {K::None, K::CdR, K::DvdR, K::DvdPlusR, K::DvdPlusRw, K::DvdPlusRDl}) {
        SCOPED_TRACE(vdrive::MediumKindName(medium));
        Select(vdrive::MultiFormatWriter(), medium);
        EXPECT_TRUE(burner.Can(cap::kWriteDvdPlusRw));
        EXPECT_TRUE(burner.Can(cap::kWriteDvdPlusR));  // one feature stands for both
        EXPECT_TRUE(burner.Can(cap::kWriteDvdPlusRDualLayer));
        EXPECT_TRUE(burner.Can(cap::kWriteDvdR));
    }

    // A feature descriptor with a version writes all the same.
    vdrive::TDriveModel versioned = Model("VERSIONED");
    versioned.FeatureVersions = {{0x002A, 1}};
    Select(versioned, K::CdR);
    EXPECT_TRUE(burner.Can(cap::kWriteDvdPlusRw));

    // A reader reports the features with their Write bit clear.
    Select(vdrive::UsbBridgeReader(), K::DvdPlusRw);
    EXPECT_TRUE(burner.Can(cap::kReadDvdPlusRw));
    EXPECT_TRUE(burner.Can(cap::kReadDvdPlusRDualLayer));
    EXPECT_FALSE(burner.Can(cap::kWriteDvdPlusRw));
    EXPECT_FALSE(burner.Can(cap::kWriteDvdPlusR));
    EXPECT_FALSE(burner.Can(cap::kWriteDvdPlusRDualLayer));
}

TEST_F(Capabilities, ReaderWithoutGetConfigurationHasPageBitsOnlyAndDvdOneXWriteSpeed) {
    Select(vdrive::DvdRomReader(), K::CdR);
    EXPECT_EQ(burner.Capabilities,
              cap::kReadCdR | cap::kReadCdRw | cap::kReadMethod2 | cap::kReadDvdRom | cap::kReadDvdR | cap::kReadDvdRw);
    // The page reports no write speed at all; 1385 kB/s stands in for it.
    EXPECT_EQ(burner.CapabilitiesPage.MaxWriteSpeed, 1385);
    EXPECT_EQ(burner.CapabilitiesPage.CurrentWriteSpeed, 1385);
    EXPECT_EQ(burner.DeviceMaxWriteSpeed(), 1385);
    EXPECT_EQ(burner.GetCurrentWriteSpeed(), 1385);
}

TEST_F(Capabilities, UnderrunProtectionFromTheVendorPageBehindABlockDescriptor) {
    vdrive::TDriveModel model = vdrive::CdRwWriter();
    model.BufferUnderrunFree = false;
    Select(model, K::CdR);
    EXPECT_TRUE(burner.Can(cap::kUnderrunProtection));
    EXPECT_TRUE(burner.Can(cap::kWriteCdRw));
    EXPECT_FALSE(burner.Can(cap::kWriteDvdR));
    model.VendorPage30 = false;
    Select(model, K::CdR);
    EXPECT_FALSE(burner.Can(cap::kUnderrunProtection));
    EXPECT_TRUE(burner.Can(cap::kWriteCdRw));
}

TEST_F(Capabilities, SpeedsOfThePageAreKeptInHostOrderForTheMediumInTheTray) {
    Select(vdrive::MultiFormatWriter(), K::CdR);
    EXPECT_EQ(burner.DeviceMaxWriteSpeed(), 8467);
    EXPECT_EQ(burner.DeviceMaxReadSpeed(), 8467);
    EXPECT_EQ(burner.CapabilitiesPage.BufferSize, 2048);
    EXPECT_EQ(burner.GetMaxWriteSpeed(), 8467);
    EXPECT_EQ(burner.GetMaxReadSpeed(), 8467);

    burner.ReadSpeed = 0;
    burner.SetWriteSpeed(2822);
    EXPECT_EQ(burner.WriteSpeed(), 2822);
    const auto sent = Logged(0xBB);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Cdb, (std::vector<std::uint8_t>{0xBB, 0, 0xFF, 0xFF, 0x0B, 0x06, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(burner.GetCurrentWriteSpeed(), 2822);

    Select(vdrive::MultiFormatWriter(), K::DvdPlusR);
    EXPECT_EQ(burner.GetMaxWriteSpeed(), 22160);
    EXPECT_EQ(burner.GetMaxReadSpeed(), 22160);
}

TEST_F(Capabilities, RejectedSpeedIsStillKeptAndFailedQueriesAnswerZero) {
    Select(vdrive::MultiFormatWriter(), K::CdR);
    vdrive::TFaults faults;
    faults.BusyCommands = 100;
    host.SetFaults(0, faults);
    burner.SetWriteSpeed(706);
    EXPECT_EQ(burner.WriteSpeed(), 706);
    EXPECT_FALSE(burner.ReadCapabilities());
    EXPECT_EQ(burner.Capabilities, 0u);
    EXPECT_EQ(burner.DeviceMaxWriteSpeed(), 0);
    EXPECT_EQ(burner.DeviceMaxReadSpeed(), 0);
    EXPECT_EQ(burner.GetMaxWriteSpeed(), 0);
    EXPECT_EQ(burner.GetCurrentWriteSpeed(), 0);
    host.SetFaults(0, {});
}

}  // namespace
}  // namespace sorvane
