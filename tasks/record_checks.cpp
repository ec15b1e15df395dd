#include "tasks/record_checks.h"

#include <algorithm>
#include <cmath>

#include "engine/device/disc_kind.h"
#include "engine/record/disc_close.h"
#include "tasks/local_paths.h"

namespace sorvane::tasks {
namespace {

constexpr std::uint8_t kLastSession = 255;
// The project page's limits for the tree it loads.
constexpr int kPageMaxFiles = 65535;
constexpr int kPageMaxDirs = 8191;
constexpr std::int64_t kSectorBytes = 2048;
constexpr std::int64_t kMb = 1048576;
constexpr std::uint32_t kPageCacheSize = 33554432;
constexpr char kProgramName[] = "Sorvane";

// Refuses what no recording can use, and opens the tray for another disc.
TCheckResult RefuseDisc(TOrvoBurner& burner, std::string text) {
    burner.LoadUnload(true);
    return TCheckResult::Refuse(std::move(text));
}

// No disc, a pressed disc, and for "Continue" a CD that takes no more
// sessions; what both pages check first.
TCheckResult CheckDiscKind(TOrvoBurner& burner, TRecordTask task) {
    const TDiscKind discKind = burner.GetDiscType();
    if (discKind == kind::kUnknown) return RefuseDisc(burner, "No disc or unknown type.");
    if (KindTraits(discKind).Pressed)
        return RefuseDisc(burner, std::string("Record on ") + DiscKindName(discKind) + " is impossible.");
    if (task == TRecordTask::ContinueDisc && burner.GetDiscStatus() == discinfo::kStatusComplete &&
        !KindTraits(discKind).Dvd)
        return RefuseDisc(burner, "Disc is finalized.");
    return TCheckResult::Pass();
}

// A recording that was interrupted leaves its session open: whatever is
// recorded next would land inside it and never be seen. Said in one
// sentence with what can be done about it.
std::string SessionLeftOpenText(TDiscKind discKind) {
    return IsRewritableKind(discKind) ? kSessionLeftOpenErasable : kSessionLeftOpen;
}

// The erase question, for a disc the project would fit once erased. A
// complete CD that cannot be erased is only finalized; asking would lead to
// an erase that is bound to fail.
TCheckResult AskToErase(TOrvoBurner& burner, TRecordChoices& choices, const TAskQuestion& askErase) {
    if (!IsRewritableKind(burner.GetDiscType())) return RefuseDisc(burner, "Disc is finalized.");
    if (!askErase || !askErase({kEraseQuestion, kConfirmErase})) return TCheckResult::Decline();
    choices.EraseFirst = true;
    return TCheckResult::Pass();
}

}  // namespace

std::int64_t NewFilesBytes(const TOrvoBurner& burner) {
    std::int64_t bytes = 0;
    for (const auto& entry : burner.Project().FileTable())
        if (!entry->Imported && !entry->IsDirectory()) bytes += entry->IsoSize;
    return bytes;
}

bool IsRewritableKind(int discKind) {
    // The rewritable kinds are the ones the engine can erase. A number
    // outside the kinds is none of them, rather than one it wraps onto.
    return KindTraits(discKind).Erasable;
}

bool LeavesTooLittleRoom(std::int64_t freeSectorsAfter) { return freeSectorsAfter * kSectorBytes < 2 * kMb; }

void DecideFinalizeDisc(TOrvoBurner& burner, bool erasedFirst) {
    const std::int64_t p = burner.GetImageSize();
    const std::int64_t c = burner.GetDiscCapacity();
    const std::int64_t u = erasedFirst ? 0 : burner.GetUsedSectors();
    burner.FinalizeDisc = LeavesTooLittleRoom(c - u - p);
}

TCheckResult AddFiles(TOrvoBurner& burner, TRecordTask task, std::int64_t projectBytes,
                      const std::function<void()>& loadProject, TRecordChoices& choices, const TAskQuestion& askErase) {
    if (projectBytes == 0) return TCheckResult::Refuse("Project is empty.");
    if (TCheckResult disc = CheckDiscKind(burner, task); !disc.Passed) return disc;

    if (loadProject) {
        burner.ClearProject(kPageMaxFiles, kPageMaxDirs);
        loadProject();
        burner.RemoveEmptyDirs();
    }
    // A rewritable disc can be erased for a new recording; otherwise a
    // session left open ends it here, before anything is laid out.
    const bool leftOpen = disc::LastSessionLeftOpen(burner, burner.GetDiscType());
    const bool eraseCures = task == TRecordTask::RecordNew && IsRewritableKind(burner.GetDiscType());
    if (leftOpen && !eraseCures) return RefuseDisc(burner, SessionLeftOpenText(burner.GetDiscType()));

    // Laid out for the disc: a continued disc's last session is imported
    // again, so that the size counts the directories that repeat it.
    burner.PrepareImage(false, nullptr);

    const std::int64_t p = burner.GetImageSize();
    const std::int64_t c = burner.GetDiscCapacity();
    const std::int64_t u = burner.GetUsedSectors();
    const TDiscKind discKind = burner.GetDiscType();
    const bool completeCd = burner.GetDiscStatus() == discinfo::kStatusComplete && !KindTraits(discKind).Dvd;
    const bool fitsOnlyErased = c - u < p && p <= c;
    if ((task == TRecordTask::RecordNew && (fitsOnlyErased || leftOpen) && p <= c && IsRewritableKind(discKind)) ||
        (p <= c && completeCd)) {
        TCheckResult asked = AskToErase(burner, choices, askErase);
        if (asked.Passed) burner.FinalizeDisc = LeavesTooLittleRoom(c - p);
        return asked;
    }
    if (c - u < p) return TCheckResult::Refuse("Project size overreached free disc space.");
    burner.FinalizeDisc = LeavesTooLittleRoom(c - u - p);
    return TCheckResult::Pass();
}

TCheckResult CheckBurn(TOrvoBurner& burner, TRecordTask task, std::int64_t sectors, TRecordChoices& choices,
                       const TAskQuestion& askErase) {
    if (!burner.TestUnitReady(timeout::kTestUnitReadyMs)) return TCheckResult::Refuse("Device is not ready.");
    if (TCheckResult disc = CheckDiscKind(burner, task); !disc.Passed) return disc;

    const std::int64_t p = sectors;
    const std::int64_t c = burner.GetDiscCapacity();
    const std::int64_t u = burner.GetUsedSectors();
    if (p <= c && choices.EraseFirst) return TCheckResult::Pass();
    // An image recorded after a session would keep addresses that count
    // from the disc's first sector: a disc that holds data is erased first
    // or not recorded at all.
    if (task == TRecordTask::RecordImage && p <= c && ImageNeedsErase(burner))
        return AskToErase(burner, choices, askErase);
    if (task != TRecordTask::RecordImage && disc::LastSessionLeftOpen(burner, burner.GetDiscType()))
        return RefuseDisc(burner, SessionLeftOpenText(burner.GetDiscType()));
    // An image's own addresses count from the disc's first sector. A
    // rewritable disc that holds data is offered the erase below.
    if (task == TRecordTask::RecordImage && !IsRewritableKind(burner.GetDiscType()) &&
        !KindTraits(burner.GetDiscType()).OverwrittenInPlace) {
        const int status = burner.GetDiscStatus();
        if (status > discinfo::kStatusEmpty && status != discinfo::kStatusComplete)
            return RefuseDisc(burner, "The disc is not empty: an image is recorded from the disc's first sector, "
                                      "so it needs a blank disc.");
    }
    const TDiscKind discKind = burner.GetDiscType();
    const bool mayErase = task == TRecordTask::RecordNew || task == TRecordTask::RecordImage;
    if (mayErase && c - u < p && p <= c && IsRewritableKind(discKind)) return AskToErase(burner, choices, askErase);
    if (p > c || choices.EraseFirst || burner.GetDiscStatus() != discinfo::kStatusComplete ||
        KindTraits(discKind).Dvd) {
        if (c - u < p) return TCheckResult::Refuse("Project size overreached free disc space.");
        return TCheckResult::Pass();
    }
    // The project fits the disc once it is empty, and the disc is a
    // complete CD.
    return AskToErase(burner, choices, askErase);
}

bool ImageFileSectors(const TOrvoBurner& burner, const std::string& path, std::int64_t& sectors) {
    std::int64_t bytes = 0;
    sectors = 0;
    if (!IsReadableFile(path, &bytes)) return false;
    sectors = TOrvoBurner::SectorsOf(bytes);
    if (burner.WritePostGap) sectors = std::max(sectors, TImageLayout::kMinImageSectors);
    return true;
}

bool ImageNeedsErase(TOrvoBurner& burner) {
    return burner.GetUsedSectors() != 0 && IsRewritableKind(burner.GetDiscType());
}

bool BeginContinueProject(TOrvoBurner& burner, bool& incomplete) {
    burner.BeginProject(TOrvoBurner::TProjectTask::ContinueDisc);
    const bool imported = burner.ImportSession(kLastSession, nullptr);
    incomplete = burner.ImportIncomplete();
    return imported;
}

void DefaultSettings(TOrvoBurner& burner) {
    burner.PerformOPC = true;
    burner.SetCacheSize(kPageCacheSize);
    burner.JolietFileSystem = true;
    burner.Layout().MakeBootable = false;
    burner.DateCreation = std::floor(Now());
    burner.IdApplication = kProgramName;
}

}  // namespace sorvane::tasks
