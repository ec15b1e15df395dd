// Mode page 05h, the write parameters page (MMC-5 7.5): set up for the disc
// kind about to be recorded, and probed once when a drive is selected.

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "engine/device/disc_kind.h"
#include "engine/device/scsi_device.h"
#include "engine/rtl/endian.h"

namespace sorvane {
namespace {

// Byte 2: BUFE, LS_V, Test Write and the write type.
constexpr std::uint8_t kBufe = 0x40;
constexpr std::uint8_t kLinkSizeValid = 0x20;
constexpr std::uint8_t kTestWriteBit = 0x10;
// Byte 3: the multi-session field, FP and the track mode.
constexpr std::uint8_t kMultiSessionNext = 0xC0;  // 11b: a next session is allowed
constexpr std::uint8_t kFixedPacket = 0x20;
constexpr std::uint8_t kTrackModeData = 0x04;           // data, recorded uninterrupted
constexpr std::uint8_t kTrackModeIncrementalData = 0x05;  // data, recorded incrementally
// Byte 4: data block type 8, mode 1 with 2048 user bytes.
constexpr std::uint8_t kDataBlockMode1 = 0x08;

constexpr std::size_t kPageLength = 0x32;
constexpr std::uint16_t kAudioPauseLength = 150;
constexpr std::uint16_t kModeSenseLength = 512;
constexpr std::size_t kModeHeaderLength = 8;

void SetPacketSize(std::uint8_t* page, std::uint32_t blocks) { WriteMsb(page + 10, blocks); }

bool IsIncrementalKind(int kind) {
    return kind == kind::kDvdR || kind == kind::kDvdRw || kind == kind::kDvdRwRestrictedOverwrite ||
           kind == kind::kDvdRwSequential || kind == kind::kDvdPlusR;
}

}  // namespace

bool TSCSIDevice::SetWriteParameters(bool TestWrite, bool Underrun, bool OpenNextSession, int Kind) {
    // DVD-RAM is written like a hard disk; it has no write parameters.
    if (KindTraits(Kind).RandomAccess) return true;

    alignas(8) std::array<std::uint8_t, kModeSenseLength> reply{};
    if (!ModeSense(page::kWriteParameters, reply.data(), false, kModeSenseLength, kModeSenseLength - 1)) return false;
    const std::size_t offset = LocateModePage(reply, page::kWriteParameters);
    std::memcpy(WriteParamsPage.data(), &reply[offset], WriteParamsPage.size());
    std::uint8_t* p = WriteParamsPage.data();

    p[1] = kPageLength;
    if (Kind == kind::kDvdR) {
        p[2] = kBufe | kLinkSizeValid | wt::kIncremental;
        p[3] = kMultiSessionNext | kFixedPacket | kTrackModeIncrementalData;
        p[5] = 16;  // link size
        SetPacketSize(p, 16);
    } else {
        p[2] = wt::kTrackAtOnce;
        p[3] = kTrackModeData;
        p[5] = 0;
        SetPacketSize(p, 0);
    }
    p[4] = kDataBlockMode1;
    if (Kind == kind::kDvdPlusRw || Kind == kind::kDvdPlusR) {
        p[2] = kLinkSizeValid | wt::kSessionAtOnce;
        p[3] |= kMultiSessionNext;
    }
    if (LinkSizeValid) p[2] |= kLinkSizeValid;

    if (IsIncrementalKind(Kind)) {
        p[3] |= kMultiSessionNext | kFixedPacket;
    } else {
        p[3] &= static_cast<std::uint8_t>(~kMultiSessionNext);
        if (!TestWrite && !FinalizeDisc) p[3] |= kMultiSessionNext;
    }

    auto setBit = [&](std::uint8_t bit, bool on) {
        p[2] = static_cast<std::uint8_t>(on ? (p[2] | bit) : (p[2] & ~bit));
    };
    setBit(kBufe, Underrun && Can(cap::kUnderrunProtection));
    setBit(kTestWriteBit, TestWrite && Can(cap::kTestWrite));
    p[6] = p[7] = p[8] = p[9] = 0;  // host application code, session format

    if (Kind == kind::kDvdPlusR) SetPacketSize(p, 16);
    if (KindTraits(Kind).NeedsFormat) {
        p[2] = kLinkSizeValid | wt::kIncremental;
        p[3] = kMultiSessionNext | kTrackModeIncrementalData;
        p[5] = 16;
    }
    if (Kind == kind::kDvdPlusR) p[3] = kMultiSessionNext | kTrackModeData;

    if (Kind == kind::kDvdPlusRDualLayer) {
        // Session at once; LS_V, BUFE and Test Write as decided above.
        p[2] = static_cast<std::uint8_t>((p[2] & 0xF0) | kLinkSizeValid | wt::kSessionAtOnce);
        p[3] = static_cast<std::uint8_t>(((p[3] & 0xF0) | kTrackModeData) & ~kFixedPacket);
        p[5] = 0;
        SetPacketSize(p, 0);
        p[3] = static_cast<std::uint8_t>(OpenNextSession ? (p[3] | kMultiSessionNext) : (p[3] & ~kMultiSessionNext));
    } else if (Underrun && (CapabilitiesPage.Bytes[4] & 0x80)) {
        // The capabilities page's BUF bit: buffer-underrun-free recording.
        p[2] |= kBufe;
    }
    if (Kind == kind::kDvdPlusRw) {
        p[3] = kTrackModeData;
        p[5] = 16;
    }
    WriteMsb(p + 14, kAudioPauseLength);

    // Parameter list: an 8-byte header of zeros, no block descriptor, then
    // the page.
    const std::size_t pageBytes = kPageLength + 2;
    alignas(8) std::array<std::uint8_t, kModeHeaderLength + pageBytes> parameters{};
    std::memcpy(&parameters[kModeHeaderLength], p, pageBytes);
    // Bytes 45 to 51 of a page that followed a block descriptor are sent as
    // zeros; the last of them is the list's last byte.
    const auto page = parameters.begin() + kModeHeaderLength;
    if (offset == 16) std::fill(page + 45, page + 52, 0);
    return ModeSelect(parameters.data(), parameters.size());
}

void TSCSIDevice::ProbeWriteTypes() {
    // Setting each write type in turn makes drives that check the page
    // against the disc settle on their answer; the outcome is not kept and
    // the drive is left with track at once.
    struct TProbe {
        std::uint8_t WriteType, DataBlockType;
    };
    constexpr TProbe kProbes[] = {{wt::kRaw, 1}, {wt::kSessionAtOnce, 0}, {wt::kTrackAtOnce, 0}};
    for (const TProbe& probe : kProbes) {
        alignas(8) std::array<std::uint8_t, kModeSenseLength> reply{};
        if (!ModeSense(page::kWriteParameters, reply.data(), false, kModeSenseLength, kModeSenseLength - 1)) continue;
        const std::size_t offset = LocateModePage(reply, page::kWriteParameters);
        std::uint8_t* p = &reply[offset];
        p[2] = static_cast<std::uint8_t>((p[2] & 0xF0) | probe.WriteType);
        p[3] = 0;
        p[4] = probe.DataBlockType;
        p[8] = p[9] = 0;
        WriteMsb(p + 14, kAudioPauseLength);
        const std::size_t pageBytes = std::min<std::size_t>(p[1] + 2u, kModeSenseLength - offset);
        std::vector<std::uint8_t> parameters(kModeHeaderLength + pageBytes, 0);
        std::memcpy(&parameters[kModeHeaderLength], p, pageBytes);
        ModeSelect(parameters.data(), static_cast<std::uint16_t>(parameters.size()));
    }
}

}  // namespace sorvane
