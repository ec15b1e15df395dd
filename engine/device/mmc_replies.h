#pragma once
// Decoders of the drive's replies into host-order values. Every field on the
// wire is big-endian (MMC-5); nothing above this file reads reply bytes by
// hand except through the named offsets below.

#include <array>
#include <cstdint>
#include <span>

namespace sorvane {

// READ TRACK INFORMATION reply (MMC-5 6.27.3), host order.
struct TTrackInfo {
    std::uint16_t DataLength = 0;
    std::uint8_t TrackNumber = 0;
    std::uint8_t SessionNumber = 0;
    std::uint8_t TrackMode = 0;   // byte 5: damage, copy, track mode
    std::uint8_t DataMode = 0;    // byte 6: RT, blank, packet, FP, data mode
    std::uint8_t ValidFlags = 0;  // byte 7: LRA_V, NWA_V (kNwaValid)
    std::uint32_t TrackStart = 0;
    std::uint32_t NextWritable = 0;
    std::uint32_t FreeBlocks = 0;
    std::uint32_t FixedPacketSize = 0;
    std::uint32_t TrackSize = 0;
    std::uint32_t LastRecorded = 0;
};
TTrackInfo DecodeTrackInfo(std::span<const std::uint8_t, 40> reply);
// ValidFlags bit 0: the next writable address is valid.
inline constexpr std::uint8_t kNwaValid = 0x01;

// READ BUFFER CAPACITY reply (MMC-5 6.23.3): buffer length and blank length.
struct TBufferCapacity {
    std::uint32_t Size = 0;
    std::uint32_t Free = 0;
};
TBufferCapacity DecodeBufferCapacity(std::span<const std::uint8_t, 32> reply);

// READ CAPACITY reply (MMC-5 6.21.3).
struct TReadCapacity {
    std::uint32_t LastLba = 0;
    std::uint32_t BlockLength = 0;
};
TReadCapacity DecodeReadCapacity(std::span<const std::uint8_t, 8> reply);

// The number of blocks the component takes from a READ FORMAT CAPACITIES
// reply (MMC-5 6.24.3): the current descriptor when it states 2048-byte
// blocks, else the first format descriptor with 2048-byte blocks or of
// format type 26h (DVD+RW), else the second one with 2048-byte blocks, else
// the current descriptor whatever it says.
std::uint32_t SelectFormatCapacity(std::span<const std::uint8_t, 248> reply);

// Where a mode page starts in a MODE SENSE(10) reply: after the 8-byte header
// (byte 8), after a block descriptor (byte 16), or at byte 7 for drives that
// send a header one byte short. Byte 8 when the page code is nowhere.
std::size_t LocateModePage(std::span<const std::uint8_t> reply, std::uint8_t pageCode);

// The lead-out start of an ATIP reply (MMC-5 6.26.3.6) in sectors, as
// M x 4500 + S x 75 + F, from a reply read with MSF addressing.
std::uint32_t AtipLeadOutStart(std::span<const std::uint8_t> reply);

// GET CONFIGURATION reply header (MMC-5 6.6.3) and first feature descriptor.
struct TFeatureReply {
    std::uint16_t CurrentProfile = 0;
    std::uint16_t FeatureCode = 0;
    std::uint8_t FeatureFlags = 0;  // version, persistent, current
    std::uint8_t FirstData = 0;     // the first byte after the feature's header, 0 when it has none
};
TFeatureReply DecodeFeatureReply(std::span<const std::uint8_t> reply);

// Named bytes of the READ DISC INFORMATION reply (MMC-5 6.22.3).
namespace discinfo {
inline constexpr std::size_t kLength = 56;
inline constexpr std::size_t kStatusByte = 2;  // erasable, last session state, disc status
inline constexpr std::size_t kSessionCount = 4;  // number of sessions, LSB
inline constexpr std::size_t kLastTrackInLastSession = 6;  // LSB
inline constexpr std::uint8_t kErasable = 0x10;
inline constexpr std::uint8_t kDiscStatusMask = 0x03;
inline constexpr std::uint8_t kLastSessionStateMask = 0x0C;
inline constexpr int kLastSessionStateShift = 2;
inline constexpr std::uint8_t kStatusEmpty = 0;
inline constexpr std::uint8_t kStatusIncomplete = 1;
inline constexpr std::uint8_t kStatusComplete = 2;
inline constexpr std::uint8_t kSessionEmpty = 0;
inline constexpr std::uint8_t kSessionIncomplete = 1;
inline constexpr std::uint8_t kSessionDamaged = 2;
}  // namespace discinfo

}  // namespace sorvane
