// What the selected drive can read and write, and how fast: mode page 2Ah
// (MMC-5 7.7, C/DVD Capabilities and Mechanical Status) completed by the
// DVD features of GET CONFIGURATION, which the page does not describe.

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/device/scsi_device.h"
#include "engine/rtl/endian.h"

namespace sorvane {
namespace {

struct TPageBit {
    std::size_t Byte;
    std::uint8_t Mask;
    std::uint32_t Capabilities;
};

constexpr TPageBit kPageBits[] = {
    {2, 0x01, cap::kReadCdR},
    {2, 0x02, cap::kReadCdRw},
    {2, 0x04, cap::kReadMethod2},
    {2, 0x08, cap::kReadDvdRom},
    {2, 0x10, cap::kReadDvdR | cap::kReadDvdRw},
    {2, 0x20, cap::kReadDvdRam},
    {3, 0x01, cap::kWriteCdR},
    {3, 0x02, cap::kWriteCdRw},
    {3, 0x04, cap::kTestWrite},
    {3, 0x10, cap::kWriteDvdR | cap::kWriteDvdRw},
    {3, 0x20, cap::kWriteDvdRam},
    {4, 0x80, cap::kUnderrunProtection},
};

// What a drive can do is what it reports as a feature, whatever disc is in
// it: the Current bit of a feature only says that the disc in the tray is of
// that kind. Where the feature covers reading and writing alike, its Write
// bit (MMC-5 5.3.12, 5.3.14: bit 0 of its first data byte) tells which;
// DVD-R/-RW Write (5.3.15) is a feature of writers alone.
struct TFeatureBits {
    std::uint16_t Feature;
    std::uint32_t Read;
    std::uint32_t Write;
    bool WriteBit;  // the feature carries a Write bit; otherwise its presence means writing
};

constexpr TFeatureBits kFeatureBits[] = {
    {feature::kDvdPlusRw, cap::kReadDvdPlusR | cap::kReadDvdPlusRw, cap::kWriteDvdPlusR | cap::kWriteDvdPlusRw, true},
    {feature::kDvdPlusRDualLayer, cap::kReadDvdPlusRDualLayer, cap::kWriteDvdPlusRDualLayer, true},
    {feature::kDvdRWrite, cap::kReadDvdR | cap::kReadDvdRw, cap::kWriteDvdR | cap::kWriteDvdRw, false},
};

constexpr std::uint8_t kWriteBit = 0x01;
constexpr std::uint16_t kDefaultPageLength = 255;
constexpr std::uint16_t kCurrentPageLength = 128;

// Offsets in page 2Ah.
constexpr std::size_t kMaxReadSpeed = 8;
constexpr std::size_t kBufferSize = 12;
constexpr std::size_t kCurrentReadSpeed = 14;
constexpr std::size_t kMaxWriteSpeed = 18;
constexpr std::size_t kCurrentWriteSpeed = 20;

}  // namespace

bool TSCSIDevice::ReadCapabilities() {
    Capabilities = 0;
    deviceMaxWriteSpeed_ = 0;
    deviceMaxReadSpeed_ = 0;
    CapabilitiesPage = TCapabilitiesPage{};

    alignas(8) std::array<std::uint8_t, kDefaultPageLength> defaults{};
    if (ModeSense(page::kCapabilities, defaults.data(), true, kDefaultPageLength, kDefaultPageLength - 1)) {
        const std::uint8_t* p = &defaults[LocateModePage(defaults, page::kCapabilities)];
        for (const TPageBit& bit : kPageBits)
            if (p[bit.Byte] & bit.Mask) Capabilities |= bit.Capabilities;
        if (HasVendorPage30() || ForceUnderrunProtection) Capabilities |= cap::kUnderrunProtection;
        // Drives that only write DVD-RAM may leave the speeds at zero; 1
        // still tells the caller that the drive writes at all.
        const std::uint16_t unknownSpeed = Can(cap::kWriteDvdRam) ? 1 : 0;
        const auto maxWrite = ReadMsb<std::uint16_t>(p + kMaxWriteSpeed);
        const auto maxRead = ReadMsb<std::uint16_t>(p + kMaxReadSpeed);
        deviceMaxWriteSpeed_ = maxWrite ? maxWrite : unknownSpeed;
        deviceMaxReadSpeed_ = maxRead ? maxRead : unknownSpeed;
        for (const TFeatureBits& feature : kFeatureBits) {
            alignas(8) std::array<std::uint8_t, kFeatureReplyLength> reply{};
            GetConfiguration(rt::kOne, feature.Feature, kFeatureReplyLength, reply.data());
            const TFeatureReply answer = DecodeFeatureReply(reply);
            if (answer.FeatureCode != feature.Feature) continue;
            Capabilities |= feature.Read;
            if (!feature.WriteBit || (answer.FirstData & kWriteBit)) Capabilities |= feature.Write;
        }
    }

    alignas(8) std::array<std::uint8_t, kCurrentPageLength> current{};
    if (!ModeSense(page::kCapabilities, current.data(), false, kCurrentPageLength, kCurrentPageLength - 1))
        return false;
    const std::size_t offset = LocateModePage(current, page::kCapabilities);
    std::memcpy(CapabilitiesPage.Bytes.data(), &current[offset], current.size() - offset);
    const std::uint8_t* p = CapabilitiesPage.Bytes.data();
    CapabilitiesPage.MaxReadSpeed = ReadMsb<std::uint16_t>(p + kMaxReadSpeed);
    CapabilitiesPage.BufferSize = ReadMsb<std::uint16_t>(p + kBufferSize);
    CapabilitiesPage.CurrentReadSpeed = ReadMsb<std::uint16_t>(p + kCurrentReadSpeed);
    CapabilitiesPage.MaxWriteSpeed = ReadMsb<std::uint16_t>(p + kMaxWriteSpeed);
    CapabilitiesPage.CurrentWriteSpeed = ReadMsb<std::uint16_t>(p + kCurrentWriteSpeed);
    // A drive that reports no write speed is taken to write at DVD 1x.
    const auto dvdOneX = static_cast<std::uint16_t>(kDvdSpeedUnit);
    if (CapabilitiesPage.CurrentWriteSpeed == 0) CapabilitiesPage.CurrentWriteSpeed = dvdOneX;
    if (CapabilitiesPage.MaxWriteSpeed == 0) CapabilitiesPage.MaxWriteSpeed = dvdOneX;

    deviceMaxWriteSpeed_ = std::max<std::uint16_t>(deviceMaxWriteSpeed_, CapabilitiesPage.MaxWriteSpeed);
    deviceMaxReadSpeed_ = std::max<std::uint16_t>(deviceMaxReadSpeed_, CapabilitiesPage.MaxReadSpeed);
    return true;
}

std::uint16_t TSCSIDevice::GetMaxWriteSpeed() { return ReadCapabilities() ? CapabilitiesPage.MaxWriteSpeed : 0; }

std::uint16_t TSCSIDevice::GetMaxReadSpeed() { return ReadCapabilities() ? CapabilitiesPage.MaxReadSpeed : 0; }

std::uint16_t TSCSIDevice::GetCurrentWriteSpeed() {
    return ReadCapabilities() ? CapabilitiesPage.CurrentWriteSpeed : 0;
}

void TSCSIDevice::SetWriteSpeed(std::uint16_t value) {
    SetSpeed(ReadSpeed, value);
    writeSpeed_ = value;
}

}  // namespace sorvane
