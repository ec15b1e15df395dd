#pragma once
// Named values of the SCSI primary and multimedia command sets that the drive
// layer uses: operation codes, profiles, features, mode pages, disc kinds and
// the drive capability bits. Logic elsewhere never spells these as numbers.

#include <cstddef>
#include <cstdint>

namespace sorvane {

// Operation codes (SPC-3 and MMC-5).
namespace op {
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRezeroUnit = 0x01;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kFormatUnit = 0x04;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kStartStopUnit = 0x1B;
inline constexpr std::uint8_t kPreventAllowMediumRemoval = 0x1E;
inline constexpr std::uint8_t kReadFormatCapacities = 0x23;
inline constexpr std::uint8_t kReadCapacity = 0x25;
inline constexpr std::uint8_t kRead10 = 0x28;
inline constexpr std::uint8_t kWrite10 = 0x2A;
inline constexpr std::uint8_t kSynchronizeCache = 0x35;
inline constexpr std::uint8_t kReadTocPmaAtip = 0x43;
inline constexpr std::uint8_t kGetConfiguration = 0x46;
inline constexpr std::uint8_t kGetEventStatusNotification = 0x4A;
inline constexpr std::uint8_t kReadDiscInformation = 0x51;
inline constexpr std::uint8_t kReadTrackInformation = 0x52;
inline constexpr std::uint8_t kReserveTrack = 0x53;
inline constexpr std::uint8_t kSendOpcInformation = 0x54;
inline constexpr std::uint8_t kModeSelect10 = 0x55;
inline constexpr std::uint8_t kModeSense10 = 0x5A;
inline constexpr std::uint8_t kCloseTrackSession = 0x5B;
inline constexpr std::uint8_t kReadBufferCapacity = 0x5C;
inline constexpr std::uint8_t kBlank = 0xA1;
inline constexpr std::uint8_t kSetStreaming = 0xB6;
inline constexpr std::uint8_t kSetCdSpeed = 0xBB;
inline constexpr std::uint8_t kSendDvdStructure = 0xBF;
}  // namespace op

// INQUIRY peripheral device types (SPC-3 6.4.2).
namespace peripheral {
inline constexpr std::uint8_t kWriteOnce = 0x04;
inline constexpr std::uint8_t kCdDvd = 0x05;
inline constexpr std::uint8_t kNone = 0x7F;  // also the value while no drive is selected
}  // namespace peripheral

// MMC profiles (MMC-5 5.3.1).
namespace profile {
inline constexpr std::uint16_t kNonRemovableDisk = 0x0001;
inline constexpr std::uint16_t kRemovableDisk = 0x0002;
inline constexpr std::uint16_t kMoErasable = 0x0003;
inline constexpr std::uint16_t kMoWriteOnce = 0x0004;
inline constexpr std::uint16_t kAsMo = 0x0005;
inline constexpr std::uint16_t kCdRom = 0x0008;
inline constexpr std::uint16_t kCdR = 0x0009;
inline constexpr std::uint16_t kCdRw = 0x000A;
inline constexpr std::uint16_t kDvdRom = 0x0010;
inline constexpr std::uint16_t kDvdRSequential = 0x0011;
inline constexpr std::uint16_t kDvdRam = 0x0012;
inline constexpr std::uint16_t kDvdRwRestrictedOverwrite = 0x0013;
inline constexpr std::uint16_t kDvdRwSequential = 0x0014;
inline constexpr std::uint16_t kDvdPlusRw = 0x001A;
inline constexpr std::uint16_t kDvdPlusR = 0x001B;
inline constexpr std::uint16_t kDdcdRom = 0x0020;
inline constexpr std::uint16_t kDdcdR = 0x0021;
inline constexpr std::uint16_t kDdcdRw = 0x0022;
inline constexpr std::uint16_t kDvdPlusRDualLayer = 0x002B;
}  // namespace profile

// MMC feature codes (MMC-5 5.3).
namespace feature {
inline constexpr std::uint16_t kProfileList = 0x0000;
inline constexpr std::uint16_t kDvdPlusRw = 0x002A;
inline constexpr std::uint16_t kDvdRWrite = 0x002F;
inline constexpr std::uint16_t kDvdPlusRDualLayer = 0x003B;
}  // namespace feature

// GET CONFIGURATION request types (MMC-5 6.6.2.2).
namespace rt {
inline constexpr std::uint8_t kAll = 0;
inline constexpr std::uint8_t kCurrent = 1;
inline constexpr std::uint8_t kOne = 2;
}  // namespace rt

// Mode pages (MMC-5 7).
namespace page {
inline constexpr std::uint8_t kWriteParameters = 0x05;
inline constexpr std::uint8_t kCapabilities = 0x2A;
inline constexpr std::uint8_t kVendor30 = 0x30;
inline constexpr std::uint8_t kPageCodeMask = 0x3F;
inline constexpr std::uint8_t kDefaultValues = 0x80;  // page control 10b in MODE SENSE byte 2
}  // namespace page

// READ TOC/PMA/ATIP formats (MMC-5 6.26.2.5).
namespace toc {
inline constexpr std::uint8_t kFormattedToc = 0;
inline constexpr std::uint8_t kSessionInfo = 1;
inline constexpr std::uint8_t kAtip = 4;
}  // namespace toc

// Write types of the write parameters page (MMC-5 7.5.4.3).
namespace wt {
inline constexpr std::uint8_t kIncremental = 0;
inline constexpr std::uint8_t kTrackAtOnce = 1;
inline constexpr std::uint8_t kSessionAtOnce = 2;
inline constexpr std::uint8_t kRaw = 3;
}  // namespace wt

// Sense keys the classification of sense data tells apart (SPC-3 4.5.6).
namespace sense_key {
inline constexpr std::uint8_t kUnitAttention = 0x06;
}  // namespace sense_key

// Additional sense codes and qualifiers the classification of sense data
// reacts to (SPC-3 table 28). Only sense_class.cpp compares them.
namespace asc {
inline constexpr std::uint8_t kNoAdditionalSense = 0x00;
inline constexpr std::uint8_t kNotReady = 0x04;
inline constexpr std::uint8_t kCauseNotReportable = 0x00;   // ASCQ under kNotReady
inline constexpr std::uint8_t kBecomingReady = 0x01;        // ASCQ under kNotReady
inline constexpr std::uint8_t kLongWriteInProgress = 0x08;  // ASCQ under kNotReady
inline constexpr std::uint8_t kMediumMayHaveChanged = 0x28;
inline constexpr std::uint8_t kPowerOnOrReset = 0x29;
// MEDIUM NOT FORMATTED and its kin.
inline constexpr std::uint8_t kIncompatibleMedium = 0x30;
inline constexpr std::uint8_t kMediumNotPresent = 0x3A;
}  // namespace asc

// The REQUEST SENSE reply the ready checks ask for. Some drives answer F0h in
// byte 0 while they are busy.
namespace sense_reply {
inline constexpr std::uint8_t kLength = 40;
inline constexpr std::uint8_t kBusyResponse = 0xF0;
}  // namespace sense_reply

// FORMAT UNIT parameter list (MMC-5 6.5.3): the header's byte 1 (format
// options valid, disable certification, immediate) and the format types of
// its descriptor (MMC-5 6.5.4).
namespace format_list {
inline constexpr std::uint8_t kFov = 0x80;
inline constexpr std::uint8_t kDcrt = 0x20;
inline constexpr std::uint8_t kImmed = 0x02;
inline constexpr std::uint8_t kFull = 0x00;
inline constexpr std::uint8_t kQuickGrowLastSession = 0x13;
inline constexpr std::uint8_t kQuick = 0x15;
inline constexpr std::uint8_t kDvdPlusRwFull = 0x26;
}  // namespace format_list

// CLOSE TRACK/SESSION close functions (MMC-5 6.3.2.3).
namespace close_fn {
inline constexpr std::uint8_t kCloseTrack = 1;
inline constexpr std::uint8_t kCloseSession = 2;
// On a DVD+RW: stop the background format, which leaves a disc every drive
// reads.
inline constexpr std::uint8_t kStopBackgroundFormat = 3;
inline constexpr std::uint8_t kCloseSessionFinalize = 5;
inline constexpr std::uint8_t kFinalizeDisc = 6;
// Track number FFh: the incomplete track, or on DVD+R the open session.
inline constexpr int kIncompleteTrack = 0xFF;
}  // namespace close_fn

// Command time-outs shared by the drive layer and the recording.
namespace timeout {
inline constexpr int kTestUnitReadyMs = 5000;
}  // namespace timeout

// GET CONFIGURATION reply length asked for one feature.
inline constexpr std::uint16_t kFeatureReplyLength = 114;

// Disc kinds, the engine's own numbering of the media it records. Kinds
// below kDvdRom are CDs.
using TDiscKind = std::uint8_t;
namespace kind {
inline constexpr TDiscKind kUnknown = 0;
inline constexpr TDiscKind kCdRom = 1;
inline constexpr TDiscKind kCdR = 2;
inline constexpr TDiscKind kCdRw = 3;
inline constexpr TDiscKind kDvdRom = 4;
inline constexpr TDiscKind kDvdR = 5;
inline constexpr TDiscKind kDvdRam = 6;
inline constexpr TDiscKind kDvdRw = 7;  // never produced by detection
inline constexpr TDiscKind kDvdRwRestrictedOverwrite = 8;
inline constexpr TDiscKind kDvdRwSequential = 9;
inline constexpr TDiscKind kDvdPlusRw = 10;
inline constexpr TDiscKind kDvdPlusR = 11;
inline constexpr TDiscKind kDvdPlusRDualLayer = 12;
inline constexpr TDiscKind kDdcdRom = 13;
inline constexpr TDiscKind kDdcdR = 14;
inline constexpr TDiscKind kDdcdRw = 15;
inline constexpr int kCount = 16;
}  // namespace kind

// The drive capability set, built from mode page 2Ah, GET CONFIGURATION and
// model quirks.
namespace cap {
inline constexpr std::uint32_t kReadCdR = 0x00000001;
inline constexpr std::uint32_t kReadCdRw = 0x00000002;
inline constexpr std::uint32_t kReadMethod2 = 0x00000004;
inline constexpr std::uint32_t kReadDvdRom = 0x00000008;
inline constexpr std::uint32_t kReadDvdR = 0x00000010;
inline constexpr std::uint32_t kReadDvdRw = 0x00000020;
inline constexpr std::uint32_t kReadDvdRam = 0x00000040;
inline constexpr std::uint32_t kReadDvdPlusR = 0x00000080;
inline constexpr std::uint32_t kReadDvdPlusRDualLayer = 0x00000100;
inline constexpr std::uint32_t kReadDvdPlusRw = 0x00000200;
inline constexpr std::uint32_t kWriteCdR = 0x00000400;
inline constexpr std::uint32_t kWriteCdRw = 0x00000800;
inline constexpr std::uint32_t kTestWrite = 0x00001000;
inline constexpr std::uint32_t kWriteDvdR = 0x00002000;
inline constexpr std::uint32_t kWriteDvdRw = 0x00004000;
inline constexpr std::uint32_t kWriteDvdRam = 0x00008000;
inline constexpr std::uint32_t kWriteDvdPlusR = 0x00010000;
inline constexpr std::uint32_t kWriteDvdPlusRDualLayer = 0x00020000;
inline constexpr std::uint32_t kWriteDvdPlusRw = 0x00040000;
inline constexpr std::uint32_t kUnderrunProtection = 0x00100000;
}  // namespace cap

// One speed step ("1x") in kB/s.
inline constexpr double kCdSpeedUnit = 176.4;
inline constexpr double kDvdSpeedUnit = 1385.0;

inline constexpr std::uint32_t kSectorSize = 2048;
// A DVD's error correction block, the unit its formats and restricted
// overwrite recordings are laid out in.
inline constexpr std::uint32_t kDvdEccBlockSectors = 16;

}  // namespace sorvane
