#include "engine/device/disc_kind.h"

#include <string_view>

namespace sorvane {
namespace {

struct TKindEntry {
    const char* Name;
    std::uint16_t Profile;  // 0: no profile maps to the kind
};

constexpr TKindEntry kKinds[kind::kCount] = {
    {"UNKNOWN", 0},
    {"CD-ROM", profile::kCdRom},
    {"CD-R", profile::kCdR},
    {"CD-RW", profile::kCdRw},
    {"DVD-ROM", profile::kDvdRom},
    {"DVD-R", profile::kDvdRSequential},
    {"DVD-RAM", profile::kDvdRam},
    {"DVD-RW", 0},
    {"DVD-RW", profile::kDvdRwRestrictedOverwrite},
    {"DVD-RW", profile::kDvdRwSequential},
    {"DVD+RW", profile::kDvdPlusRw},
    {"DVD+R", profile::kDvdPlusR},
    {"DVD+R DL", profile::kDvdPlusRDualLayer},
    {"DDCD-ROM", profile::kDdcdRom},
    {"DDCD-R", profile::kDdcdR},
    {"DDCD-RW", profile::kDdcdRw},
};

struct TProfileEntry {
    std::uint16_t Profile;
    TProfileText Text;
};

constexpr TProfileEntry kProfileTexts[] = {
    {profile::kNonRemovableDisk, {"Non-removable disk", false}},
    {profile::kRemovableDisk, {"Removable disk", false}},
    {profile::kMoErasable, {"MO Eraseable", true}},
    {profile::kMoWriteOnce, {"MO Write Once", false}},
    {profile::kAsMo, {"AS-MO", false}},
    {profile::kCdRom, {"CD-ROM", false}},
    {profile::kCdR, {"CD-R", false}},
    {profile::kCdRw, {"CD-RW", true}},
    {profile::kDvdRom, {"DVD-ROM", false}},
    {profile::kDvdRSequential, {"DVD-R", false}},
    {profile::kDvdRam, {"DVD-RAM", false}},
    {profile::kDvdRwRestrictedOverwrite, {"DVD-RW Restricted Overwrite", true}},
    {profile::kDvdRwSequential, {"DVD-RW Sequential Recording", true}},
    {profile::kDvdPlusRw, {"DVD+RW", true}},
    {profile::kDvdPlusR, {"DVD+R", false}},
    {profile::kDdcdRom, {"DDCD-ROM", false}},
    {profile::kDdcdR, {"DDCD-R", false}},
    {profile::kDdcdRw, {"DDCD-RW", true}},
};

}  // namespace

const char* DiscKindName(int discKind) {
    if (discKind < 0 || discKind >= kind::kCount) return kKinds[kind::kUnknown].Name;
    return kKinds[discKind].Name;
}

TDiscKind DiscKindOfProfile(std::uint16_t profileNumber) {
    if (profileNumber == 0) return kind::kUnknown;
    for (int k = 0; k < kind::kCount; ++k)
        if (kKinds[k].Profile == profileNumber) return static_cast<TDiscKind>(k);
    return kind::kUnknown;
}

TProfileText ProfileText(std::uint16_t profileNumber) {
    for (const TProfileEntry& entry : kProfileTexts)
        if (entry.Profile == profileNumber) return entry.Text;
    return {"???????", false};
}

bool IsDvdKind(int discKind) { return std::string_view(DiscKindName(discKind)).find("DVD") != std::string_view::npos; }

bool IsPressedKind(int discKind) {
    return discKind == kind::kCdRom || discKind == kind::kDvdRom || discKind == kind::kDdcdRom;
}

}  // namespace sorvane
