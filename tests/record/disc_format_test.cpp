// Waiting for a format the drive runs in the background: the wait ends when
// the drive takes commands again, gives up after half an hour on a drive
// that never does, and sends nothing more once the recording is aborted.

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "engine/record/disc_format.h"
#include "tests/device/vdrive_fixture.h"

namespace sorvane {
namespace {

using test::VdriveTest;
using K = vdrive::TMediumKind;

constexpr std::uint8_t kReadDiscInformation = 0x51;
constexpr int kPollMs = 2000;

class FormatWait : public VdriveTest {
protected:
    void SetUp() override {
        AddDrive(vdrive::MultiFormatWriter(), {K::DvdPlusRw});
        OpenAndSelect();
        burner.Sleep = [this](int ms) { pauses.push_back(ms); };
    }
    void TearDown() override { host.SetFaults(0, {}); }
    void KeepNotReadyFor(int commands) {
        vdrive::TFaults faults;
        faults.LongWriteStorm = commands;
        host.SetFaults(0, faults);
    }
    std::vector<int> pauses;
};

TEST_F(FormatWait, EndsAtTheFirstAnswerThatIsNotNotReady) {
    KeepNotReadyFor(3);
    EXPECT_TRUE(disc::WaitWhileFormatting(burner, kPollMs));
    EXPECT_EQ(pauses, std::vector<int>(4, kPollMs));
    EXPECT_EQ(Logged(kReadDiscInformation).size(), 4u);
}

TEST_F(FormatWait, DriveThatNeverFinishesIsGivenUpAfterHalfAnHour) {
    KeepNotReadyFor(1000000);
    EXPECT_TRUE(disc::WaitWhileFormatting(burner, kPollMs));
    EXPECT_EQ(pauses, std::vector<int>(30 * 60 * 1000 / kPollMs, kPollMs));
}

TEST_F(FormatWait, AbortStopsTheWaitBeforeTheNextPoll) {
    KeepNotReadyFor(1000000);
    std::atomic<bool> abortFlag{false};
    burner.Sleep = [&](int ms) {
        pauses.push_back(ms);
        if (pauses.size() == 2) abortFlag = true;
    };
    EXPECT_FALSE(disc::WaitWhileFormatting(burner, kPollMs, [&] { return abortFlag.load(); }));
    EXPECT_EQ(pauses.size(), 2u);
    EXPECT_EQ(Logged(kReadDiscInformation).size(), 2u) << "nothing is sent once aborted";
}

}  // namespace
}  // namespace sorvane
