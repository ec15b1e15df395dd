#include "engine/record/disc_format.h"

#include "engine/device/scsi_device.h"

namespace sorvane::disc {
namespace {

constexpr int kQuickFormatPollMs = 5000;
constexpr int kFormatWaitMs = 30 * 60 * 1000;
constexpr std::uint32_t kNewFormatBlocks = 1000;

}  // namespace

// FOV and Immed, with DCRT (no certification) for the new format; the
// type's parameter is 16, the ECC block.
format_list::TList QuickFormatList(TDiscKind kind) {
    using namespace format_list;
    if (kind == kind::kDvdRwSequential)
        return Make(kFov | kDcrt | kImmed, kNewFormatBlocks, kQuick, kDvdEccBlockSectors);
    return Make(kFov | kImmed, 0, kQuickGrowLastSession, kDvdEccBlockSectors);
}

format_list::TList QuickFormatFallbackList() {
    return format_list::Make(format_list::kFov | format_list::kImmed, 0, format_list::kQuick, kDvdEccBlockSectors);
}

bool QuickFormatDvdRw(TSCSIDevice& device, TDiscKind kind, TFormatScope scope, const std::function<bool()>& stopped) {
    const bool keep = scope == TFormatScope::KeepData;
    // Formatting a sequential disc anew erases it.
    if (keep && kind == kind::kDvdRwSequential) return false;
    bool formatted = format_list::Send(device, QuickFormatList(kind));
    if (!formatted && !keep) formatted = format_list::Send(device, QuickFormatFallbackList());
    WaitWhileFormatting(device, kQuickFormatPollMs, stopped);
    return formatted;
}

bool WaitWhileFormatting(TSCSIDevice& device, int pollMs, const std::function<bool()>& stopped) {
    for (int waited = 0; waited < kFormatWaitMs; waited += pollMs) {
        if (stopped && stopped()) return false;
        device.Sleep(pollMs);
        device.RefreshDiscInformation();
        if (!MeansNotReady(device.LastFailureClass())) break;
    }
    return true;
}

}  // namespace sorvane::disc
