// Waiting for a drive to be ready for the disc: after loading, while it
// finishes a long write or a format, before erasing and before the disc
// record is read.

#include <array>

#include "engine/device/scsi_device.h"

namespace sorvane {
namespace {

constexpr int kReadyTimeoutMs = 5000;
constexpr int kSlowDrivePauseMs = 1500;
constexpr std::size_t kSenseReplyLength = 40;
constexpr std::size_t kAscByte = 12;
// Some drives answer REQUEST SENSE with this first byte while busy.
constexpr std::uint8_t kBusySenseResponse = 0xF0;

}  // namespace

bool TSCSIDevice::SenseSaysNotReady() const { return SenseData[kAscByte] == asc::kNotReady; }

bool TSCSIDevice::WaitUntilReady(int TotalMs, int IntervalMs) {
    alignas(8) std::array<std::uint8_t, kSenseReplyLength> reply{};
    int elapsed = 0;
    // Spends one pause of the budget; false when the budget is gone.
    auto pause = [&](int ms) {
        if (elapsed >= TotalMs) return false;
        Sleep(ms);
        elapsed += ms;
        return true;
    };

    if (SlowReadyDrive || ExtraReadyPolling) {
        do {
            if (!pause(kSlowDrivePauseMs)) break;
            TestUnitReady(kReadyTimeoutMs);
        } while (SenseSaysNotReady());
    }

    if (CurrentDiscKind == kind::kDvdRam) {
        // DVD-RAM reports its background formatting only through REQUEST
        // SENSE, so the check below must ask for it.
        reply[kAscByte] = asc::kNotReady;
    } else {
        do {
            if (!pause(IntervalMs)) return false;
            RefreshDiscInformation();
        } while (SenseSaysNotReady());
    }

    if (TestUnitReady(kReadyTimeoutMs) && reply[kAscByte] == 0) return true;

    do {
        if (!pause(IntervalMs)) return false;
        TestUnitReady(kReadyTimeoutMs);
    } while (SenseSaysNotReady());

    for (;;) {
        if (elapsed >= TotalMs) return false;
        elapsed += IntervalMs;
        reply.fill(0);
        RequestSense(reply.data(), kSenseReplyLength);
        const std::uint8_t code = reply[0] == kBusySenseResponse ? asc::kNotReady : reply[kAscByte];
        if (code == 0) return true;
        if (code == asc::kNotReady) Sleep(IntervalMs);
    }
}

}  // namespace sorvane
