#include "engine/record/disc_format.h"

#include "engine/device/erase.h"
#include "engine/device/scsi_device.h"
#include "engine/device/sense.h"

namespace sorvane::disc {
namespace {

constexpr int kQuickFormatPollMs = 5000;
constexpr int kFormatWaitMs = 30 * 60 * 1000;

}  // namespace

// Header byte 1: FOV and Immed, with DCRT (no certification) for the new
// format; descriptor: blocks, format type in bits 7-2 of byte 8, and the
// type's parameter (16, the ECC block).
TQuickFormatList QuickFormatList(TDiscKind kind) {
    if (kind == kind::kDvdRwSequential) return {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00, 0x03, 0xE8, 0x15 << 2, 0x00, 0x00, 0x10};
    return {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x13 << 2, 0x00, 0x00, 0x10};
}

TQuickFormatList QuickFormatFallbackList() {
    return {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x15 << 2, 0x00, 0x00, 0x10};
}

bool QuickFormatDvdRw(TSCSIDevice& device, TDiscKind kind, TFormatScope scope) {
    const bool keep = scope == TFormatScope::KeepData;
    // Formatting a sequential disc anew erases it.
    if (keep && kind == kind::kDvdRwSequential) return false;
    const TQuickFormatList list = QuickFormatList(kind);
    bool formatted = device.FormatUnit(erase::kFormatFlags, list.data(), static_cast<std::uint32_t>(list.size()));
    if (!formatted && !keep) {
        const TQuickFormatList fallback = QuickFormatFallbackList();
        formatted = device.FormatUnit(erase::kFormatFlags, fallback.data(), static_cast<std::uint32_t>(fallback.size()));
    }
    WaitWhileFormatting(device, kQuickFormatPollMs);
    return formatted;
}

bool WaitWhileFormatting(TSCSIDevice& device, int pollMs, const std::atomic<bool>* abortFlag) {
    for (int waited = 0; waited < kFormatWaitMs; waited += pollMs) {
        if (abortFlag && *abortFlag) return false;
        device.Sleep(pollMs);
        device.RefreshDiscInformation();
        if (ParseSense(device.SenseData).Asc != asc::kNotReady) break;
    }
    return true;
}

}  // namespace sorvane::disc
