#include "engine/iso/volume_descriptor_reader.h"

#include <cstring>

#include "engine/rtl/text.h"

namespace sorvane {
namespace {

// Joliet's escape sequences: "%/@", "%/C" and "%/E", UCS-2 levels 1 to 3.
constexpr std::uint8_t kJolietLevels[] = {0x40, 0x43, 0x45};

template <typename T>
std::optional<T> Trusted(const BothEndian<T>& field) {
    if (!field.Consistent()) return std::nullopt;
    return static_cast<T>(field);
}

template <typename Char>
bool IsPadding(Char c) {
    return c == Char(' ') || c == Char(0);
}

}  // namespace

std::optional<TReadVolumeDescriptor> TReadVolumeDescriptor::From(std::span<const std::uint8_t> sector) {
    if (sector.size() < sizeof(TVolumeDescriptor)) return std::nullopt;
    TReadVolumeDescriptor read;
    std::memcpy(&read.fields_, sector.data(), sizeof read.fields_);
    if (std::memcmp(read.fields_.StandardId, kStandardId, sizeof kStandardId) != 0) return std::nullopt;
    return read;
}

bool TReadVolumeDescriptor::IsJoliet() const {
    if (Type() != kSupplementaryType) return false;
    const std::uint8_t* escape = fields_.EscapeSequences;
    if (escape[0] != kJolietEscape[0] || escape[1] != kJolietEscape[1]) return false;
    for (std::uint8_t level : kJolietLevels)
        if (escape[2] == level) return true;
    return false;
}

std::optional<std::uint32_t> TReadVolumeDescriptor::VolumeSpaceSize() const {
    if (!NamesAVolume()) return std::nullopt;
    return Trusted(fields_.VolumeSpaceSize);
}

std::optional<TVolumeRoot> TReadVolumeDescriptor::Root() const {
    if (!NamesAVolume()) return std::nullopt;
    const std::optional<std::uint32_t> extent = Trusted(fields_.RootRecord.Extent);
    const std::optional<std::uint32_t> length = Trusted(fields_.RootRecord.DataLength);
    if (!extent || !length) return std::nullopt;
    return TVolumeRoot{*extent, *length};
}

std::string TReadVolumeDescriptor::VolumeLabel() const {
    if (IsPrimary()) return DescriptorText(fields_.VolumeId);
    if (!IsJoliet()) return {};
    std::u16string label;
    for (std::size_t i = 0; i + 1 < sizeof fields_.VolumeId; i += 2)
        label += static_cast<char16_t>(ReadMsb<std::uint16_t>(&fields_.VolumeId[i]));
    while (!label.empty() && IsPadding(label.back())) label.pop_back();
    return Utf16ToUtf8(label);
}

std::string DescriptorText(std::span<const std::uint8_t> field) {
    std::string text(reinterpret_cast<const char*>(field.data()), field.size());
    while (!text.empty() && IsPadding(text.back())) text.pop_back();
    return text;
}

}  // namespace sorvane
