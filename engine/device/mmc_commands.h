#pragma once
// The builders of every SCSI command the component sends (SPC-3 and MMC-5),
// each with its CDB layout, data phase and time-out. The wrappers of
// TSCSIDevice hand them to the executor.

#include <cstdint>

#include "engine/device/scsi_command.h"

namespace sorvane::mmc {

// Reply sizes the component asks for.
inline constexpr std::uint32_t kInquiryLength = 128;
inline constexpr std::uint32_t kFormatCapacitiesLength = 248;
inline constexpr std::uint32_t kReadCapacityLength = 8;
inline constexpr std::uint32_t kTrackInformationLength = 40;
inline constexpr std::uint32_t kBufferCapacityLength = 32;

TScsiCommand TestUnitReady(int timeoutMs);
TScsiCommand RezeroUnit();
TScsiCommand RequestSense(void* buffer, std::uint8_t length);
TScsiCommand FormatUnit(std::uint8_t formatFlags, const void* data, std::uint32_t length);
TScsiCommand Inquiry(void* buffer);  // kInquiryLength bytes
TScsiCommand StartStopUnit(bool eject);
TScsiCommand PreventAllowMediumRemoval(bool allow);
TScsiCommand ReadFormatCapacities(void* buffer);  // kFormatCapacitiesLength bytes
TScsiCommand ReadCapacity(void* buffer);          // kReadCapacityLength bytes
TScsiCommand Read10(std::uint32_t lba, std::uint16_t count, std::uint32_t length, void* buffer);
TScsiCommand Write10(std::uint32_t lba, std::uint16_t count, std::uint8_t flags, std::uint32_t length,
                     const void* buffer);
TScsiCommand SynchronizeCache(int timeoutMs, bool immediate);
TScsiCommand ReadTocPmaAtip(std::uint8_t format, void* buffer, std::uint8_t control, bool msf,
                            std::uint8_t trackSession, std::uint8_t length);
TScsiCommand GetConfiguration(std::uint8_t requestType, std::uint16_t startFeature, std::uint16_t length,
                              void* buffer);
TScsiCommand ReadDiscInformation(void* buffer, std::uint8_t length);
TScsiCommand ReadTrackInformation(std::uint8_t track, void* buffer);  // kTrackInformationLength bytes
TScsiCommand ReserveTrack(std::uint32_t size);
TScsiCommand SendOpcInformation();
TScsiCommand ModeSelect10(const void* data, std::uint16_t length);
// pageByte carries the page control bits as well as the page code.
TScsiCommand ModeSense10(std::uint8_t pageByte, void* buffer, std::uint16_t length);
TScsiCommand CloseTrackSession(bool immediate, std::uint8_t closeFunction, std::uint8_t byte3, std::uint8_t byte4,
                               std::uint8_t byte5);
TScsiCommand ReadBufferCapacity(void* buffer);  // kBufferCapacityLength bytes
TScsiCommand Blank(std::uint8_t blankType);
TScsiCommand SetStreaming(const void* data, std::uint16_t length);
TScsiCommand SetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps);
TScsiCommand SendDvdStructure(std::uint8_t format, const void* data, std::uint16_t length);

}  // namespace sorvane::mmc
