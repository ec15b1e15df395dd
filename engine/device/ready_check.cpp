// Waiting for a drive to be ready for the disc: after loading, while it
// finishes a long write or a format, before erasing and before the disc
// record is read; and the idle settings it is left in once a recording or
// an erase is over.

#include <array>

#include "engine/device/disc_kind.h"
#include "engine/device/scsi_device.h"

namespace sorvane {
namespace {

constexpr int kSlowDrivePauseMs = 1500;

constexpr std::uint16_t kIdleWriteSpeed = 2;  // kB/s: the slowest the drive has

}  // namespace

TSenseClass TSCSIDevice::AskSense() {
    alignas(8) std::array<std::uint8_t, sense_reply::kLength> reply{};
    RequestSense(reply.data(), sense_reply::kLength);
    return ClassifySenseReply(reply);
}

bool TSCSIDevice::WaitUntilReady(int TotalMs, int IntervalMs) {
    const TWaitTicket ticket = WaitTicket();
    int elapsed = 0;
    // Spends one pause of the budget; false when the budget is gone or the
    // wait was aborted.
    auto pause = [&](int ms) {
        if (elapsed >= TotalMs || ticket.Aborted()) return false;
        Sleep(ms);
        elapsed += ms;
        return !ticket.Aborted();
    };

    if (SlowReadyDrive || ExtraReadyPolling) {
        do {
            if (!pause(kSlowDrivePauseMs)) break;
            TestUnitReady(timeout::kTestUnitReadyMs);
        } while (MeansNotReady(LastFailureClass()));
    }

    // DVD-RAM reports its background formatting only through REQUEST SENSE,
    // so the check below must ask for it.
    const bool askSense = KindTraits(CurrentDiscKind).RandomAccess;
    if (!askSense) {
        do {
            if (!pause(IntervalMs)) return false;
            RefreshDiscInformation();
        } while (MeansNotReady(LastFailureClass()));
    }

    if (TestUnitReady(timeout::kTestUnitReadyMs) && !askSense) return true;

    do {
        if (!pause(IntervalMs)) return false;
        TestUnitReady(timeout::kTestUnitReadyMs);
    } while (MeansNotReady(LastFailureClass()));

    for (;;) {
        if (elapsed >= TotalMs || ticket.Aborted()) return false;
        elapsed += IntervalMs;
        const TSenseClass sense = AskSense();
        if (sense == TSenseClass::None) return true;
        if (MeansNotReady(sense)) Sleep(IntervalMs);
    }
}

void TSCSIDevice::RestoreIdleSettings() {
    SetWriteParameters(false, false, false, kind::kCdRom);
    SetSpeed(GetMaxReadSpeed(), kIdleWriteSpeed);
    RezeroUnit();
    AllowMediumRemoval(true);
    LoadUnload(false);
    RezeroUnit();
    TestUnitReady(timeout::kTestUnitReadyMs);
}

}  // namespace sorvane
