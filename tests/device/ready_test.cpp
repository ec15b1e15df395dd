// Waiting for a drive that is busy: a storm of long-write answers, a blank
// running in the background, slow models and DVD-RAM.

#include <gtest/gtest.h>

#include "engine/rtl/sync_queue.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::VdriveTest;
using K = vdrive::TMediumKind;

class Ready : public VdriveTest {
protected:
    void Insert(K medium) {
        AddDrive(vdrive::MultiFormatWriter(), {medium});
        OpenAndSelect();
        // The pauses pass on the recorder's clock, not on the wall clock.
        burner.Sleep = [this](int ms) {
            pauses.push_back(ms);
            host.AdvanceClock(ms / 1000.0);
        };
    }
    std::vector<int> pauses;
};

TEST_F(Ready, DriveFinishingALongWriteIsWaitedFor) {
    Insert(K::CdR);
    vdrive::TFaults faults;
    faults.LongWriteStorm = 3;
    host.SetFaults(0, faults);
    EXPECT_TRUE(burner.WaitUntilReady(30000, 5000));
    EXPECT_EQ(pauses, (std::vector<int>{5000, 5000, 5000, 5000}));
    EXPECT_EQ(Logged(0x51).size(), 4u);
}

TEST_F(Ready, DriveThatStaysBusyRunsOutTheTime) {
    Insert(K::CdR);
    vdrive::TFaults faults;
    faults.LongWriteStorm = 100;
    host.SetFaults(0, faults);
    EXPECT_FALSE(burner.WaitUntilReady(10000, 5000));
    EXPECT_EQ(pauses, (std::vector<int>{5000, 5000}));
    host.SetFaults(0, {});
}

TEST_F(Ready, BlankRunningInTheBackgroundIsWaitedForUntilItEnds) {
    Insert(K::CdRw);
    ASSERT_TRUE(burner.Blank(1)) << burner.LastError;  // quick blank, immediate
    EXPECT_FALSE(burner.TestUnitReady(5000));
    EXPECT_EQ(burner.SenseData[12], 0x04);
    EXPECT_TRUE(burner.WaitUntilReady(600000, 1000));
    EXPECT_GT(pauses.size(), 1u);
    EXPECT_TRUE(burner.TestUnitReady(5000));
    EXPECT_EQ(burner.GetDiscStatus(), 0);
}

TEST_F(Ready, SlowModelsArePolledWithTestUnitReadyFirst) {
    Insert(K::CdR);
    burner.ExtraReadyPolling = true;
    vdrive::TFaults faults;
    faults.LongWriteStorm = 2;
    host.SetFaults(0, faults);
    EXPECT_TRUE(burner.WaitUntilReady(30000, 5000));
    // Two refused TEST UNIT READYs and the one that passes, then the check.
    EXPECT_EQ(pauses, (std::vector<int>{1500, 1500, 1500, 5000}));
    const auto log = host.Log();
    ASSERT_GE(log.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(log[i].Cdb[0], 0x00);
    EXPECT_EQ(log[3].Cdb[0], 0x51);
}

// A window that waits for the drive keeps answering, and its Stop ends the
// wait at once: the ready check pauses through the component's own Sleep.
TEST_F(Ready, WaitOnTheOwnersThreadKeepsItsEventsComingAndEndsAtAbort) {
    AddDrive(vdrive::MultiFormatWriter(), {K::CdR});
    OpenAndSelect();
    TSyncQueue::Main().ClaimOwnership();
    vdrive::TFaults faults;
    faults.LongWriteStorm = 1000000;
    host.SetFaults(0, faults);
    int ran = 0;
    TSyncQueue::Main().Post([&] {
        ++ran;
        burner.Abort();
    });
    EXPECT_FALSE(burner.WaitUntilReady(600000, 5000));
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(Logged(0x51).empty()) << "nothing is asked once aborted";
    // The next wait is not aborted.
    host.SetFaults(0, {});
    EXPECT_TRUE(burner.WaitUntilReady(1000, 10));
}

TEST_F(Ready, DvdRamIsAskedThroughRequestSense) {
    Insert(K::DvdRam);
    burner.CurrentDiscKind = kind::kDvdRam;
    EXPECT_TRUE(burner.WaitUntilReady(30000, 5000));
    EXPECT_TRUE(Logged(0x51).empty());
    EXPECT_EQ(Logged(0x03).size(), 1u);
}

}  // namespace
}  // namespace sorvane
