#include "engine/device/mmc_commands.h"

#include "engine/device/scsi_constants.h"

namespace sorvane::mmc {
namespace {

using D = TDataDirection;
using L = TCdbLength;

constexpr int kSeconds = 1000;

}  // namespace

TScsiCommand TestUnitReady(int timeoutMs) { return TScsiCommand(op::kTestUnitReady, L::Six, D::None, timeoutMs); }

TScsiCommand RezeroUnit() { return TScsiCommand(op::kRezeroUnit, L::Six, D::None, 10 * kSeconds); }

TScsiCommand RequestSense(void* buffer, std::uint8_t length) {
    return TScsiCommand(op::kRequestSense, L::Six, D::In, 10 * kSeconds).Set(4, length).Data(buffer, length);
}

TScsiCommand FormatUnit(std::uint8_t formatFlags, const void* data, std::uint32_t length) {
    return TScsiCommand(op::kFormatUnit, L::Six, D::Out, 10 * kSeconds).Set(1, formatFlags).Data(data, length);
}

TScsiCommand Inquiry(void* buffer) {
    return TScsiCommand(op::kInquiry, L::Six, D::In, 10 * kSeconds)
        .Set(4, kInquiryLength)
        .Data(buffer, kInquiryLength);
}

TScsiCommand StartStopUnit(bool eject) {
    // LoEj with Start cleared ejects; LoEj with Start set loads and spins up.
    return TScsiCommand(op::kStartStopUnit, L::Six, D::None, 20 * kSeconds).Set(4, eject ? 0x02 : 0x03);
}

TScsiCommand PreventAllowMediumRemoval(bool allow) {
    return TScsiCommand(op::kPreventAllowMediumRemoval, L::Six, D::None, 10 * kSeconds).Set(4, allow ? 0x00 : 0x01);
}

TScsiCommand ReadFormatCapacities(void* buffer) {
    return TScsiCommand(op::kReadFormatCapacities, L::Ten, D::In, 10 * kSeconds)
        .Set(8, kFormatCapacitiesLength)
        .Data(buffer, kFormatCapacitiesLength);
}

TScsiCommand ReadCapacity(void* buffer) {
    return TScsiCommand(op::kReadCapacity, L::Ten, D::In, 10 * kSeconds).Data(buffer, kReadCapacityLength);
}

TScsiCommand Read10(std::uint32_t lba, std::uint16_t count, std::uint32_t length, void* buffer) {
    return TScsiCommand(op::kRead10, L::Ten, D::In, 10 * kSeconds).SetBe32(2, lba).SetBe16(7, count).Data(buffer, length);
}

TScsiCommand Write10(std::uint32_t lba, std::uint16_t count, std::uint8_t flags, std::uint32_t length,
                     const void* buffer) {
    return TScsiCommand(op::kWrite10, L::Ten, D::Out, 120 * kSeconds)
        .SetBe32(2, lba)
        .SetBe16(7, count)
        .Data(buffer, length)
        .Flags(flags);
}

TScsiCommand SynchronizeCache(int timeoutMs, bool immediate) {
    TScsiCommand command(op::kSynchronizeCache, L::Ten, D::None, timeoutMs);
    if (immediate) command.Set(1, 0x02);
    return command;
}

TScsiCommand ReadTocPmaAtip(std::uint8_t format, void* buffer, std::uint8_t control, bool msf,
                            std::uint8_t trackSession, std::uint8_t length) {
    return TScsiCommand(op::kReadTocPmaAtip, L::Ten, D::In, 10 * kSeconds)
        .Set(1, msf ? 0x02 : 0x00)
        .Set(2, format)
        .Set(6, trackSession)
        .Set(8, length)
        .Set(9, control)
        .Data(buffer, length);
}

TScsiCommand GetConfiguration(std::uint8_t requestType, std::uint16_t startFeature, std::uint16_t length,
                              void* buffer) {
    // Only the low bytes of the starting feature and the allocation length
    // are sent: every feature and reply the component asks for is below 256.
    return TScsiCommand(op::kGetConfiguration, L::Ten, D::In, 30 * kSeconds)
        .Set(1, requestType)
        .Set(3, static_cast<std::uint8_t>(startFeature))
        .Set(8, static_cast<std::uint8_t>(length))
        .Data(buffer, length);
}

TScsiCommand ReadDiscInformation(void* buffer, std::uint8_t length) {
    return TScsiCommand(op::kReadDiscInformation, L::Ten, D::In, 10 * kSeconds).Set(8, length).Data(buffer, length);
}

TScsiCommand ReadTrackInformation(std::uint8_t track, void* buffer) {
    // Address type 01b: the address field holds a track number.
    return TScsiCommand(op::kReadTrackInformation, L::Ten, D::In, 60 * kSeconds)
        .Set(1, 0x01)
        .Set(5, track)
        .Set(8, kTrackInformationLength)
        .Data(buffer, kTrackInformationLength);
}

TScsiCommand ReserveTrack(std::uint32_t size) {
    return TScsiCommand(op::kReserveTrack, L::Twelve, D::None, 10 * kSeconds).SetBe32(5, size);
}

TScsiCommand SendOpcInformation() {
    return TScsiCommand(op::kSendOpcInformation, L::Ten, D::None, 150 * kSeconds).Set(1, 0x01);
}

TScsiCommand ModeSelect10(const void* data, std::uint16_t length) {
    // PF: the parameter list holds pages in the standard format.
    return TScsiCommand(op::kModeSelect10, L::Ten, D::Out, 10 * kSeconds)
        .Set(1, 0x10)
        .Set(8, static_cast<std::uint8_t>(length))
        .Data(data, length);
}

TScsiCommand ModeSense10(std::uint8_t pageByte, void* buffer, std::uint16_t length) {
    return TScsiCommand(op::kModeSense10, L::Ten, D::In, 20 * kSeconds)
        .Set(2, pageByte)
        .SetBe16(7, length)
        .Data(buffer, length);
}

TScsiCommand CloseTrackSession(bool immediate, std::uint8_t closeFunction, std::uint8_t byte3, std::uint8_t byte4,
                               std::uint8_t byte5) {
    return TScsiCommand(op::kCloseTrackSession, L::Ten, D::None, 180 * kSeconds)
        .Set(1, immediate ? 0x01 : 0x00)
        .Set(2, closeFunction)
        .Set(3, byte3)
        .Set(4, byte4)
        .Set(5, byte5);
}

TScsiCommand ReadBufferCapacity(void* buffer) {
    return TScsiCommand(op::kReadBufferCapacity, L::Ten, D::In, 10 * kSeconds)
        .Set(8, kBufferCapacityLength)
        .Data(buffer, kBufferCapacityLength);
}

TScsiCommand Blank(std::uint8_t blankType) {
    // Immediate: the drive answers at once and blanks in the background, and
    // the erase thread follows its progress.
    return TScsiCommand(op::kBlank, L::Twelve, D::None, 4800 * kSeconds)
        .Set(1, static_cast<std::uint8_t>(blankType + 0x10));
}

TScsiCommand SetStreaming(const void* data, std::uint16_t length) {
    return TScsiCommand(op::kSetStreaming, L::Twelve, D::Out, 10 * kSeconds).SetBe16(9, length).Data(data, length);
}

TScsiCommand SetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps) {
    // FFFFh asks for the drive's maximum.
    constexpr std::uint16_t kMaximum = 0xFFFF;
    return TScsiCommand(op::kSetCdSpeed, L::Twelve, D::None, 10 * kSeconds)
        .SetBe16(2, readKBps ? readKBps : kMaximum)
        .SetBe16(4, writeKBps ? writeKBps : kMaximum);
}

TScsiCommand SendDvdStructure(std::uint8_t format, const void* data, std::uint16_t length) {
    return TScsiCommand(op::kSendDvdStructure, L::Twelve, D::Out, 10 * kSeconds)
        .Set(7, format)
        .SetBe16(8, length)
        .Data(data, length);
}

}  // namespace sorvane::mmc
