#include "engine/device/format_list.h"

#include "engine/device/scsi_device.h"
#include "engine/rtl/endian.h"

namespace sorvane::format_list {
namespace {

// FORMAT UNIT byte 1: format data follows (FmtData) with format code 001b.
constexpr std::uint8_t kCdbFlags = 0x11;
constexpr std::uint16_t kDescriptorLength = 8;

}  // namespace

TList Make(std::uint8_t headerFlags, std::uint32_t blocks, std::uint8_t formatType, std::uint32_t parameter) {
    TList list{};
    list[1] = headerFlags;
    WriteMsb(&list[2], kDescriptorLength);
    WriteMsb(&list[4], blocks);
    list[8] = static_cast<std::uint8_t>(formatType << 2);
    list[9] = static_cast<std::uint8_t>(parameter >> 16);
    list[10] = static_cast<std::uint8_t>(parameter >> 8);
    list[11] = static_cast<std::uint8_t>(parameter);
    return list;
}

bool Send(TSCSIDevice& device, const TList& list) {
    return device.FormatUnit(kCdbFlags, list.data(), static_cast<std::uint32_t>(list.size()));
}

}  // namespace sorvane::format_list
