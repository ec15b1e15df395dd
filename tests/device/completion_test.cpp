// Requests the emulated recorder completes on a thread of its own, and one
// it never completes: the executor waits for the event, and gives up on the
// hung request without leaving the recorder anything of the caller's.

#include <gtest/gtest.h>

#include "engine/device/owned_request.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::VdriveTest;

class Completion : public VdriveTest {
protected:
    void SetUp() override {
        AddDrive(vdrive::MultiFormatWriter(), {vdrive::TMediumKind::CdR});
        host.SetCompletion(vdrive::TCompletion::Thread);
        OpenAndSelect();
    }
};

TEST_F(Completion, RequestsCompletedOnTheRecordersThreadReachTheCaller) {
    EXPECT_EQ(burner.GetDiscType(), kind::kCdR);
    EXPECT_TRUE(burner.ReadCapabilities());
    EXPECT_TRUE(burner.Can(cap::kWriteCdR));
    EXPECT_EQ(burner.GetDiscCapacity(), 79u * 4500 + 59 * 75 + 74);
    EXPECT_FALSE(burner.ReadSectors(16, 1, 2048, std::vector<std::uint8_t>(2048).data()));
    EXPECT_EQ(burner.LastError, "ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)");
}

TEST_F(Completion, HungRequestTimesOutAndTheDriveGoesOn) {
    const int savedWait = TSCSIDevice::MinimumCompletionWaitMs;
    TSCSIDevice::MinimumCompletionWaitMs = 200;
    const std::size_t outstanding = OutstandingRequestCount();
    vdrive::TFaults faults;
    faults.HangOpcode = 0x5C;
    host.SetFaults(0, faults);
    {
        std::uint32_t size = 0, free = 0;
        EXPECT_FALSE(burner.ReadBufferCapacity(size, free));
        EXPECT_EQ(burner.LastError, "");
        EXPECT_EQ(burner.DeviceFreeBufferSize(), 0u);
    }
    // The recorder still holds the request: it stays with the executor's copy.
    EXPECT_EQ(OutstandingRequestCount(), outstanding + 1);
    EXPECT_TRUE(burner.TestUnitReady(5000));
    TSCSIDevice::MinimumCompletionWaitMs = savedWait;
}

}  // namespace
}  // namespace sorvane
