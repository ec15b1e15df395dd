// The built-in SG_IO layer against made-up kernel answers: the scan and its
// numbering, the drives it may not open, the requests it builds, and how the
// kernel's outcome becomes the request block's status.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "engine/device/drive_access.h"
#include "engine/device/scsi_device.h"
#include "engine/device/sense.h"
#include "engine/device/transport.h"
#include "tests/device/fake_kernel.h"

namespace sorvane {
namespace {

using test::TFakeKernel;
using test::TFakeNode;

SRB_ExecSCSICmd Request(std::uint8_t ha, std::uint8_t target, std::uint8_t opcode, std::uint8_t flags,
                        std::uint8_t* buffer = nullptr, std::uint32_t length = 0) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = ha;
    srb.SRB_Target = target;
    srb.SRB_Flags = flags;
    srb.SRB_BufPointer = buffer;
    srb.SRB_BufLen = length;
    srb.SRB_SenseLen = 24;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = opcode;
    return srb;
}

class PassThrough : public ::testing::Test {
protected:
    void TearDown() override { TTransport::Instance().Close(); }
    TFakeKernel kernel;
    TPassThroughLayer& layer = PassThroughLayer();
};

TEST_F(PassThrough, DrivesAreNumberedByKernelHostAndAddresslessOnesGoOnAnExtraAdapter) {
    kernel.AddDrive(0).Address = {5, 0, 0, 0};
    kernel.AddDrive(1).HasAddress = false;
    kernel.AddDrive(2).Address = {2, 0, 1, 0};
    kernel.AddDrive(4).Address = {5, 0, 3, 2};
    kernel.AddDrive(6).HasAddress = false;
    ASSERT_EQ(layer.Scan(), 5);
    EXPECT_EQ(layer.DeviceName(0, 0, 0), "sr2");  // host 2 comes first
    EXPECT_EQ(layer.DeviceName(1, 0, 0), "sr0");
    EXPECT_EQ(layer.DeviceName(1, 1, 0), "sr4");  // LUN 2 of the kernel becomes LUN 0
    EXPECT_EQ(layer.DeviceName(2, 0, 0), "sr1");  // no address: extra adapter, targets in device order
    EXPECT_EQ(layer.DeviceName(2, 1, 0), "sr6");
    EXPECT_EQ(layer.DeviceName(3, 0, 0), "");
    EXPECT_EQ(layer.AdapterCount(), 3);
    EXPECT_EQ(layer.SupportInfo(), 0x0103u);
    // The scan runs once until the layer is reset.
    EXPECT_EQ(layer.Scan(), 0);
    EXPECT_EQ(kernel.OpenHandles(), 0);
}

TEST_F(PassThrough, NinthDriveOfOneHostSpillsOntoTheNextAdapter) {
    for (int i = 0; i < 9; ++i) kernel.AddDrive(i).Address = {0, 0, static_cast<std::uint8_t>(i), 0};
    ASSERT_EQ(layer.Scan(), 9);
    EXPECT_EQ(layer.DeviceName(0, 7, 0), "sr7");
    EXPECT_EQ(layer.DeviceName(1, 0, 0), "sr8");
}

TEST_F(PassThrough, NoDrivesMeansNoAdapters) {
    EXPECT_EQ(layer.Scan(), 0);
    EXPECT_EQ(layer.SupportInfo(), 0xE800u);
    EXPECT_EQ(kernel.Opens.size(), 2u * TPassThroughLayer::kMaxDrives);
}

TEST_F(PassThrough, ScanOpensReadWriteThenReadOnlyAndSendsTheStandardInquiry) {
    kernel.AddDrive(0).ReadWrite = false;
    ASSERT_EQ(layer.Scan(), 1);
    ASSERT_GE(kernel.Opens.size(), 2u);
    EXPECT_EQ(kernel.Opens[0], std::make_pair(std::string("/fake/sr0"), O_RDWR | O_NONBLOCK));
    EXPECT_EQ(kernel.Opens[1], std::make_pair(std::string("/fake/sr0"), O_RDONLY | O_NONBLOCK));
    ASSERT_EQ(kernel.Requests.size(), 1u);
    const test::TSgRequest& inquiry = kernel.Requests[0];
    EXPECT_EQ(inquiry.Cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0x60, 0}));
    EXPECT_EQ(inquiry.Direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(inquiry.DataLength, 96u);
    EXPECT_EQ(inquiry.SenseLength, 24);
    EXPECT_EQ(inquiry.Timeout, 120000u);
    EXPECT_EQ(kernel.OpenHandles(), 0);
}

TEST_F(PassThrough, InquiryIsAnsweredFromTheScanWithinTheCallersBuffer) {
    kernel.AddDrive(0);
    ASSERT_EQ(layer.Scan(), 1);
    const std::size_t requestsAfterScan = kernel.Requests.size();

    std::uint8_t reply[128];
    std::memset(reply, 0xAB, sizeof reply);
    SRB_ExecSCSICmd srb = Request(0, 0, 0x12, SRB_DIR_IN, reply, 128);
    EXPECT_EQ(layer.SendCommand(&srb), SS_COMP);
    EXPECT_EQ(std::memcmp(reply, kernel.Nodes[0].Inquiry.data(), 36), 0);
    EXPECT_EQ(reply[36], 0xAB);  // only the 36 standard bytes are handed out

    // A buffer shorter than the kept answer receives only its own length.
    std::uint8_t shortReply[12];
    std::memset(shortReply, 0xCD, sizeof shortReply);
    SRB_ExecSCSICmd small = Request(0, 0, 0x12, SRB_DIR_IN, shortReply, 8);
    EXPECT_EQ(layer.SendCommand(&small), SS_COMP);
    EXPECT_EQ(shortReply[0], 0x05);
    EXPECT_EQ(shortReply[8], 0xCD);

    EXPECT_EQ(kernel.Requests.size(), requestsAfterScan);  // the drive was never asked
    SRB_ExecSCSICmd absent = Request(0, 1, 0x12, SRB_DIR_IN, reply, 128);
    EXPECT_EQ(layer.SendCommand(&absent), SS_NO_DEVICE);
}

TEST_F(PassThrough, RequestCarriesTheBlocksCdbDirectionBufferAndSenseLengthWithTheFixedTimeout) {
    kernel.AddDrive(0);
    ASSERT_EQ(layer.Scan(), 1);
    std::uint8_t data[32] = {1, 2, 3};
    struct Row {
        std::uint8_t Flags;
        std::uint32_t Length;
        int Direction;
        unsigned SentLength;
    };
    const Row rows[] = {{SRB_EVENT_NOTIFY | SRB_DIR_IN, 32, SG_DXFER_FROM_DEV, 32},
                        {SRB_EVENT_NOTIFY | SRB_DIR_OUT, 3, SG_DXFER_TO_DEV, 3},
                        {SRB_EVENT_NOTIFY, 0, SG_DXFER_NONE, 0},
                        {SRB_EVENT_NOTIFY, 32, SG_DXFER_TO_FROM_DEV, 32}};
    for (const Row& row : rows) {
        kernel.Requests.clear();
        SRB_ExecSCSICmd srb = Request(0, 0, 0x2A, row.Flags, row.Length ? data : nullptr, row.Length);
        srb.SRB_CDBLen = 12;
        srb.SRB_SenseLen = 18;
        srb.CDBByte[11] = 0x77;
        EXPECT_EQ(layer.SendCommand(&srb), SS_COMP);
        ASSERT_EQ(kernel.Requests.size(), 1u);
        const test::TSgRequest& sent = kernel.Requests[0];
        EXPECT_EQ(sent.Direction, row.Direction) << int(row.Flags);
        EXPECT_EQ(sent.DataLength, row.SentLength);
        EXPECT_EQ(sent.Cdb.size(), 12u);
        EXPECT_EQ(sent.Cdb[11], 0x77);
        EXPECT_EQ(sent.SenseLength, 18);
        EXPECT_EQ(sent.Timeout, 120000u);
    }
    EXPECT_EQ(kernel.Requests.back().Cdb[0], 0x2A);
}

TEST_F(PassThrough, CheckConditionTimeoutAndRefusedIoctlAreErrorsWithTheirReasons) {
    kernel.AddDrive(0);
    ASSERT_EQ(layer.Scan(), 1);
    TFakeNode& node = kernel.Nodes[0];

    node.Answer = [](sg_io_hdr_t& request) {
        request.status = 0x02;
        request.driver_status = 0x08;
        const std::uint8_t sense[18] = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01};
        std::memcpy(request.sbp, sense, sizeof sense);
        request.sb_len_wr = sizeof sense;
        return 0;
    };
    SRB_ExecSCSICmd checkCondition = Request(0, 0, 0x00, SRB_EVENT_NOTIFY);
    EXPECT_EQ(layer.SendCommand(&checkCondition), SS_ERR);
    EXPECT_EQ(checkCondition.SRB_TargStat, 0x02);
    EXPECT_EQ(checkCondition.SenseArea[12], 0x3A);
    EXPECT_EQ(DescribeFailure(checkCondition).Text, "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)");

    node.Answer = [](sg_io_hdr_t& request) {
        request.host_status = 0x03;  // the kernel gave up waiting
        return 0;
    };
    SRB_ExecSCSICmd timedOut = Request(0, 0, 0x00, SRB_EVENT_NOTIFY);
    EXPECT_EQ(layer.SendCommand(&timedOut), SS_ERR);
    EXPECT_EQ(DescribeFailure(timedOut).Text, "COMMAND TIMEOUT");

    node.Answer = [](sg_io_hdr_t&) { return -1; };
    SRB_ExecSCSICmd refused = Request(0, 0, 0x00, SRB_EVENT_NOTIFY);
    EXPECT_EQ(layer.SendCommand(&refused), SS_ERR);
    EXPECT_EQ(refused.SRB_TargStat, 0);

    node.Answer = nullptr;
    kernel.Nodes[0].ReadWrite = false;
    node.ReadWrite = false;
    SRB_ExecSCSICmd good = Request(0, 0, 0x00, SRB_EVENT_NOTIFY);
    EXPECT_EQ(layer.SendCommand(&good), SS_COMP);
}

TEST_F(PassThrough, HandleStaysOpenUnlessReleaseHandleIsSet) {
    kernel.AddDrive(0);
    ASSERT_EQ(layer.Scan(), 1);
    const std::size_t opensAfterScan = kernel.Opens.size();
    layer.SetReleaseHandle(false);
    for (int i = 0; i < 3; ++i) {
        SRB_ExecSCSICmd srb = Request(0, 0, 0x00, SRB_EVENT_NOTIFY);
        layer.SendCommand(&srb);
    }
    EXPECT_EQ(kernel.Opens.size(), opensAfterScan + 1);
    EXPECT_EQ(kernel.OpenHandles(), 1);

    layer.SetReleaseHandle(true);
    for (int i = 0; i < 2; ++i) {
        SRB_ExecSCSICmd srb = Request(0, 0, 0x00, SRB_EVENT_NOTIFY);
        layer.SendCommand(&srb);
        EXPECT_EQ(kernel.OpenHandles(), 0);
    }
    EXPECT_EQ(kernel.Opens.size(), opensAfterScan + 2);
    layer.SetReleaseHandle(false);
}

TEST_F(PassThrough, AdapterInquiryDeviceTypeAndOtherRequests) {
    kernel.AddDrive(3).Address = {0, 0, 0, 0};
    ASSERT_EQ(layer.Scan(), 1);

    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    EXPECT_EQ(layer.SendCommand(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 1);
    EXPECT_EQ(inquiry.HA_SCSI_ID, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier)), "SGIO 0");
    EXPECT_EQ(inquiry.HA_Unique[0], 0x07);
    EXPECT_EQ(inquiry.HA_Unique[3], 8);
    EXPECT_EQ(inquiry.HA_Unique[6], 0xFF);
    inquiry.SRB_HaId = 1;
    EXPECT_EQ(layer.SendCommand(&inquiry), SS_INVALID_HA);

    SRB_GDEVBlock type{};
    type.SRB_Cmd = SC_GET_DEV_TYPE;
    EXPECT_EQ(layer.SendCommand(&type), SS_COMP);
    EXPECT_EQ(type.SRB_DeviceType, 5);
    type.SRB_Target = 1;
    EXPECT_EQ(layer.SendCommand(&type), SS_NO_DEVICE);
    EXPECT_EQ(type.SRB_DeviceType, 0x1F);

    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    EXPECT_EQ(layer.SendCommand(&disk), SS_PENDING);
    SRB_GDEVBlock other{};
    other.SRB_Cmd = SC_RESET_DEV;
    EXPECT_EQ(layer.SendCommand(&other), SS_ERR);
}

TEST_F(PassThrough, OnlyNodesThatRefuseThisUserAreCountedAsDeniedAndAResetForgetsThem) {
    kernel.AddDrive(0).MayOpen = false;
    kernel.AddDrive(1).ReadWrite = false;  // opens read-only: usable
    kernel.AddDrive(3);
    TFakeNode& optical = kernel.AddDrive(5);
    optical.MayOpen = false;
    optical.Group = "optical";
    ASSERT_EQ(layer.Scan(), 2);
    // Missing nodes (sr2, sr4 ...) are no drives at all.
    ASSERT_EQ(layer.DeniedDrives().size(), 2u);
    EXPECT_EQ(layer.DeniedDrives()[0].Path, "/fake/sr0");
    EXPECT_EQ(layer.DeniedDrives()[0].Group, "cdrom");
    EXPECT_EQ(layer.DeniedDrives()[1].Path, "/fake/sr5");
    EXPECT_EQ(layer.DeniedDrives()[1].Group, "optical");
    layer.Reset();
    EXPECT_TRUE(layer.DeniedDrives().empty());
}

TEST(DriveAccess, MessageNamesTheDrivesTheirGroupsAndTheRemedyInOneSentence) {
    EXPECT_EQ(DriveAccessMessage({}), "");
    const TDeniedDrive sr0{"/dev/sr0", "cdrom"}, sr1{"/dev/sr1", "cdrom"}, sr2{"/dev/sr2", "optical"};
    const TDeniedDrive unknown{"/dev/sr3", ""};
    EXPECT_EQ(DriveAccessMessage(std::vector{sr0}),
              "No permission to use the drive /dev/sr0: join the group \"cdrom\" that owns it "
              "(sudo usermod -aG cdrom $USER), then log in again.");
    EXPECT_EQ(DriveAccessMessage(std::vector{sr0, sr1}),
              "No permission to use the drives /dev/sr0 and /dev/sr1: join the group \"cdrom\" that owns them "
              "(sudo usermod -aG cdrom $USER), then log in again.");
    EXPECT_EQ(DriveAccessMessage(std::vector{sr0, sr2, unknown}),
              "No permission to use the drives /dev/sr0, /dev/sr2 and /dev/sr3: join the groups \"cdrom\" and "
              "\"optical\" that own them (sudo usermod -aG cdrom,optical $USER), then log in again.");
    EXPECT_EQ(DriveAccessMessage(std::vector{unknown}),
              "No permission to use the drive /dev/sr3: ask for access to it, then log in again.");
}

TEST_F(PassThrough, ComponentListsAndSelectsDrivesByDeviceName) {
    kernel.AddDrive(0, "DVD RECORDER").Address = {1, 0, 0, 0};
    kernel.AddDrive(1, "CD READER").HasAddress = false;
    TSCSIDevice device;
    ASSERT_TRUE(device.InitializeTransport(true, ""));
    EXPECT_EQ(TSCSIDevice::TransportName(), "SGPASSTH");
    EXPECT_EQ(device.Devices, (std::vector<std::string>{"0:0:0,sr0: FAKEVENDDVD RECORDER    1.00",
                                                        "1:0:0,sr1: FAKEVENDCD READER       1.00"}));
    device.SelectDevice(device.Devices[1]);
    EXPECT_EQ(device.GetDriveLetter(), "sr1");
    EXPECT_EQ(device.Identity, "FAKEVEND CD READER        1.00");
    // Commands after the selection go to the drive through SG_IO.
    kernel.Requests.clear();
    EXPECT_TRUE(device.TestUnitReady(5000));
    ASSERT_EQ(kernel.Requests.size(), 1u);
    EXPECT_EQ(kernel.Requests[0].Node, 1);
    EXPECT_EQ(kernel.Requests[0].Cdb, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace sorvane
