#include "engine/device/mmc_replies.h"

#include "engine/rtl/endian.h"

namespace sorvane {
namespace {

std::uint8_t At(std::span<const std::uint8_t> bytes, std::size_t index) {
    return index < bytes.size() ? bytes[index] : 0;
}

bool BlockLength2048(const std::uint8_t* descriptorTail) {
    return descriptorTail[0] == 0x00 && descriptorTail[1] == 0x00 && descriptorTail[2] == 0x08 &&
           descriptorTail[3] == 0x00;
}

}  // namespace

TTrackInfo DecodeTrackInfo(std::span<const std::uint8_t, 40> reply) {
    const std::uint8_t* r = reply.data();
    TTrackInfo info;
    info.DataLength = ReadMsb<std::uint16_t>(r);
    info.TrackNumber = r[2];
    info.SessionNumber = r[3];
    info.TrackMode = r[5];
    info.DataMode = r[6];
    info.ValidFlags = r[7];
    info.TrackStart = ReadMsb<std::uint32_t>(r + 8);
    info.NextWritable = ReadMsb<std::uint32_t>(r + 12);
    info.FreeBlocks = ReadMsb<std::uint32_t>(r + 16);
    info.FixedPacketSize = ReadMsb<std::uint32_t>(r + 20);
    info.TrackSize = ReadMsb<std::uint32_t>(r + 24);
    info.LastRecorded = ReadMsb<std::uint32_t>(r + 28);
    return info;
}

TBufferCapacity DecodeBufferCapacity(std::span<const std::uint8_t, 32> reply) {
    return {ReadMsb<std::uint32_t>(reply.data() + 4), ReadMsb<std::uint32_t>(reply.data() + 8)};
}

TReadCapacity DecodeReadCapacity(std::span<const std::uint8_t, 8> reply) {
    return {ReadMsb<std::uint32_t>(reply.data()), ReadMsb<std::uint32_t>(reply.data() + 4)};
}

std::uint32_t SelectFormatCapacity(std::span<const std::uint8_t, 248> reply) {
    // Descriptors of 8 bytes follow the 4-byte list header; each begins with
    // its number of blocks, and its last 3 bytes hold the block length (or
    // the type-dependent parameter) after the descriptor type / format byte.
    const std::uint8_t* r = reply.data();
    const std::uint32_t current = ReadMsb<std::uint32_t>(r + 4);
    if (BlockLength2048(r + 8)) return current;
    constexpr std::uint8_t kFormatTypeDvdPlusRw = 0x26 << 2;
    if (BlockLength2048(r + 16) || (r[16] == kFormatTypeDvdPlusRw && r[17] == 0 && r[18] == 0 && r[19] == 0))
        return ReadMsb<std::uint32_t>(r + 12);
    if (BlockLength2048(r + 24)) return ReadMsb<std::uint32_t>(r + 20);
    return current;
}

std::size_t LocateModePage(std::span<const std::uint8_t> reply, std::uint8_t pageCode) {
    // The PS bit shares the byte with the page code, so only the low six
    // bits are compared.
    auto holds = [&](std::size_t index) { return (At(reply, index) & 0x3F) == pageCode; };
    if (holds(16)) return 16;
    if (holds(8)) return 8;
    if (holds(7)) return 7;
    return 8;
}

std::uint32_t AtipLeadOutStart(std::span<const std::uint8_t> reply) {
    return At(reply, 12) * 4500u + At(reply, 13) * 75u + At(reply, 14);
}

TFeatureReply DecodeFeatureReply(std::span<const std::uint8_t> reply) {
    TFeatureReply feature;
    if (reply.size() >= 8) feature.CurrentProfile = ReadMsb<std::uint16_t>(reply.data() + 6);
    if (reply.size() >= 11) {
        feature.FeatureCode = ReadMsb<std::uint16_t>(reply.data() + 8);
        feature.FeatureFlags = reply[10];
    }
    if (reply.size() >= 13 && reply[11] > 0) feature.FirstData = reply[12];
    return feature;
}

}  // namespace sorvane
