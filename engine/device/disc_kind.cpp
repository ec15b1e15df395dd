#include "engine/device/disc_kind.h"

#include <string_view>

namespace sorvane {
namespace {

constexpr TDiscKindTraits kKinds[kind::kCount] = {
    {.Name = "UNKNOWN", .Cd = true},
    {.Name = "CD-ROM", .Profile = profile::kCdRom, .Cd = true, .Pressed = true},
    {.Name = "CD-R", .Profile = profile::kCdR, .Cd = true, .CanTestWrite = true, .CdBlocks = true},
    {.Name = "CD-RW", .Profile = profile::kCdRw, .Cd = true, .Erasable = true, .CanTestWrite = true,
     .CdBlocks = true},
    {.Name = "DVD-ROM", .Profile = profile::kDvdRom, .Dvd = true, .Pressed = true},
    {.Name = "DVD-R", .Profile = profile::kDvdRSequential, .Dvd = true, .CanTestWrite = true,
     .FlushesInBackground = true, .TakesStreamingSpeed = true},
    {.Name = "DVD-RAM", .Profile = profile::kDvdRam, .Dvd = true, .Erasable = true, .OverwrittenInPlace = true,
     .KeepsNoSessions = true, .RandomAccess = true},
    // A DVD-RW of no known recording mode: detection never gives it.
    {.Name = "DVD-RW", .Dvd = true, .Erasable = true},
    {.Name = "DVD-RW", .Profile = profile::kDvdRwRestrictedOverwrite, .Dvd = true, .Erasable = true,
     .OverwrittenInPlace = true, .NeedsFormat = true, .FlushesInBackground = true, .TakesStreamingSpeed = true},
    {.Name = "DVD-RW", .Profile = profile::kDvdRwSequential, .Dvd = true, .Erasable = true, .NeedsFormat = true,
     .FlushesInBackground = true, .TakesStreamingSpeed = true},
    {.Name = "DVD+RW", .Profile = profile::kDvdPlusRw, .Dvd = true, .Erasable = true, .OverwrittenInPlace = true,
     .KeepsNoSessions = true, .TakesStreamingSpeed = true},
    {.Name = "DVD+R", .Profile = profile::kDvdPlusR, .Dvd = true, .TakesStreamingSpeed = true},
    {.Name = "DVD+R DL", .Profile = profile::kDvdPlusRDualLayer, .Dvd = true, .TakesStreamingSpeed = true},
    {.Name = "DDCD-ROM", .Profile = profile::kDdcdRom, .Pressed = true},
    {.Name = "DDCD-R", .Profile = profile::kDdcdR},
    {.Name = "DDCD-RW", .Profile = profile::kDdcdRw, .Erasable = true},
};

// The wizard's two ways of telling CDs from DVDs, by number and by name, are
// the table's: CDs are the kinds below DVD-ROM, DVDs those named so.
constexpr bool TableKeepsItsRules() {
    for (int k = 0; k < kind::kCount; ++k) {
        if (kKinds[k].Cd != (k < kind::kDvdRom)) return false;
        if (kKinds[k].Dvd != (std::string_view(kKinds[k].Name).find("DVD") != std::string_view::npos)) return false;
    }
    return true;
}
static_assert(TableKeepsItsRules());

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

const TDiscKindTraits& KindTraits(int discKind) {
    if (discKind < 0 || discKind >= kind::kCount) return kKinds[kind::kUnknown];
    return kKinds[discKind];
}

const char* DiscKindName(int discKind) { return KindTraits(discKind).Name; }

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

}  // namespace sorvane
