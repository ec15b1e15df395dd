#include "engine/iso/image_layout.h"

#include <sys/stat.h>

#include <utility>

#include "engine/iso/dir_order.h"
#include "engine/iso/directory_records.h"
#include "engine/iso/image_file.h"
#include "engine/iso/path_table_record.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

// Records every extent opens with: "." and "..".
constexpr std::size_t kDotRecordsLength = 2 * IsoRecordLength(1);
constexpr std::uint32_t kImplausibleStart = 0xFF000000;

template <typename Names, typename LengthOf>
std::int64_t ExtentSize(const Names& names, LengthOf lengthOf) {
    TRecordPacker packer;
    packer.Place(kDotRecordsLength / 2);
    packer.Place(kDotRecordsLength / 2);
    for (const auto& name : names) packer.Place(lengthOf(name));
    return packer.ExtentSize();
}

// Sizes the extent of every directory of one tree and places the extents
// one after the other in table order; sectors count from the start of the
// tree's directory area. The result is the area's length in bytes.
template <typename NamesOf, typename LengthOf>
std::int64_t PlaceDirExtents(const TProjectTree& project, int TDEntry::*sector, std::int64_t TDEntry::*size,
                             NamesOf namesOf, LengthOf lengthOf) {
    std::int64_t total = 0;
    const auto& table = project.DirTable();
    for (std::size_t d = 0; d < table.size(); ++d) {
        TDEntry* dir = table[d].get();
        dir->*size = ExtentSize(namesOf(d), lengthOf);
        dir->*sector = static_cast<int>(total / 2048);
        total += dir->*size;
    }
    return total;
}

// Size in bytes of a regular file, or -1 when there is none.
std::int64_t RegularFileSize(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

}  // namespace

TImageLayout::TImageLayout(TProjectTree& project, const TVolumeProperties& volume, bool& doDebug, TDebugSink debug)
    : project_(project), volume_(volume), doDebug_(doDebug), debug_(std::move(debug)) {}

void TImageLayout::Debug(const std::string& message, int mType) const {
    if (debug_) debug_(message, mType);
}

void TImageLayout::Reset() {
    HeaderStream.Clear();
    Plan.clear();
    names_ = TRecordedNames();
    LastForImageFile = true;
    LastImportInto = nullptr;
}

std::int64_t TImageLayout::GetImageSize() const {
    return volume_.WritePostGap && ImageSectors < kMinImageSectors ? kMinImageSectors : ImageSectors;
}

std::string TImageLayout::BootImageRefusal() const {
    // A boot image that does not exist switches the volume's boot record
    // off at layout, as it always has.
    if (!MakeBootable || RegularFileSize(BootImageFile) < 0) return {};
    const std::int64_t bytes = ReadableFileSize(BootImageFile);
    if (bytes < 0) return CantOpenText(BootImageFile);
    if (bytes == 0) return EmptyBootImageText(BootImageFile);
    return {};
}

int TImageLayout::LayoutFileSystem(bool ForImageFile, TDEntry* ImportInto) {
    if (RegularFileSize(BootImageFile) < 0) MakeBootable = false;
    // Drive commands of the disc steps below would otherwise flood the
    // debug channel; the build turns it back on.
    doDebug_ = false;
    StartAddress = 0;
    now_ = Now();

    if (!ForImageFile) {
        if (DiscHooks.DiscKind) DiscKind = DiscHooks.DiscKind();
        if (Building) {
            const bool found = DiscHooks.GetNextWritableAddress && DiscHooks.GetNextWritableAddress(StartAddress);
            if (!found) {
                StartAddress = 0;
                Debug(">>> ERROR GETTING NEXT WRITABLE ADDRESS", mtError);
            }
        }
        if (static_cast<std::uint32_t>(StartAddress) > kImplausibleStart) StartAddress = 0;
        if (ImportSessionNumber != 0 && DiscHooks.ImportSession)
            DiscHooks.ImportSession(ImportSessionNumber & 0xFF, ImportInto);
    }

    // Names first: the order of the directories depends on them.
    names_.Build(project_, debug_, volume_.JolietFileSystem);
    const auto isoName = [this](const TDEntry* d) -> const std::string& { return names_.Of(d).IsoName; };
    // Joliet names sort by their recorded UCS-2 bytes.
    std::unordered_map<const TDEntry*, std::string> jolietKeys;
    jolietKeys.reserve(project_.DirTable().size());
    for (const auto& d : project_.DirTable()) jolietKeys.emplace(d.get(), JolietBytes(names_.Of(d.get()).JolietName));
    const auto jolietName = [&jolietKeys](const TDEntry* d) -> const std::string& { return jolietKeys.at(d); };
    OrderDirectories(project_, isoName, jolietName, debug_);

    PlanAreas();
    return 1;
}

void TImageLayout::PlanAreas() {
    const bool joliet = volume_.JolietFileSystem;
    Plan.clear();
    std::int64_t pos = static_cast<std::int64_t>(StartAddress) + 16;
    const auto place = [&](TArea area, std::int64_t sectors, const char* label) {
        const std::int64_t first = pos;
        Plan.push_back({area, first, sectors});
        if (label && doDebug_) Debug(label + IntToStrPad(8, "0", first), mtInfo);
        pos += sectors;
        return static_cast<int>(first);
    };

    place(TArea::PrimaryDescriptor, 1, " Primary Volume Descriptor Location   :");
    if (MakeBootable) place(TArea::BootRecordDescriptor, 1, " Boot Record    Descriptor Location   :");
    if (joliet) place(TArea::JolietDescriptor, 1, " Joliet Volume Descriptor Location    :");
    place(TArea::Terminator, 1, " Terminator Vol Descriptor Location   :");

    IsoPathTableSize = ComputeIsoPathTableSize();
    PathTableL = place(TArea::IsoPathTableL, SectorsOf(IsoPathTableSize), " Path Table Records Location (Least)  :");
    PathTableM = place(TArea::IsoPathTableM, SectorsOf(IsoPathTableSize), " Path Table Records Location (Most)   :");
    JolietPathTableSize = JolietPathTableL = JolietPathTableM = 0;
    if (joliet) {
        JolietPathTableSize = ComputeJolietPathTableSize();
        JolietPathTableL = place(TArea::JolietPathTableL, SectorsOf(JolietPathTableSize),
                                 " Path Table Records Location (Least) J:");
        JolietPathTableM = place(TArea::JolietPathTableM, SectorsOf(JolietPathTableSize),
                                 " Path Table Records Location (Most)  J:");
    }

    DirArea = place(TArea::IsoDirectories, SectorsOf(ComputeIsoDirSizes()), " File and Directory Record Location   :");
    JolietDirArea = 0;
    if (joliet) {
        JolietDirArea = place(TArea::JolietDirectories, SectorsOf(ComputeJolietDirSizes()),
                              " File and Directory Record Location  J:");
    } else {
        for (const auto& d : project_.DirTable()) d->JolietSize = d->JolietSector = 0;
    }

    BootCatalogSector = BootImageSector = BootImageSectors = 0;
    if (MakeBootable) {
        BootCatalogSector = place(TArea::BootCatalog, 1, nullptr);
        BootImageSectors = static_cast<int>(SectorsOf(RegularFileSize(BootImageFile)));
        BootImageSector = place(TArea::BootImage, BootImageSectors, nullptr);
    }

    // The first file never starts below sector 150; only a session that
    // starts at sector 0 can need the zero pad.
    PadSectors = kMinFirstFileSector - pos;
    if (pos < kMinFirstFileSector) {
        place(TArea::Pad, PadSectors, nullptr);
        FirstFileSector = static_cast<int>(kMinFirstFileSector);
    } else {
        FirstFileSector = static_cast<int>(pos);
    }
    if (doDebug_) Debug(" First File Location                  :" + IntToStrPad(8, "0", FirstFileSector), mtInfo);

    const std::int64_t fileSectors = AllocateFileExtents();
    Plan.push_back({TArea::FileData, FirstFileSector, fileSectors});
    EndAddress = FirstFileSector + fileSectors;
    ImageSectors = EndAddress - StartAddress;
}

std::int64_t TImageLayout::ComputeIsoDirSizes() {
    return PlaceDirExtents(
        project_, &TDEntry::IsoSector, &TDEntry::IsoSize,
        [&](std::size_t d) -> const auto& { return names_.At(d).IsoNames; },
        [](const std::string& n) { return IsoRecordLength(n.size()); });
}

std::int64_t TImageLayout::ComputeJolietDirSizes() {
    return PlaceDirExtents(
        project_, &TDEntry::JolietSector, &TDEntry::JolietSize,
        [&](std::size_t d) -> const auto& { return names_.At(d).JolietNames; },
        [](const std::u16string& n) { return JolietRecordLength(n.size()); });
}

int TImageLayout::ComputeIsoPathTableSize() const {
    std::size_t size = PathTableRecordLength(1);
    const auto& table = project_.DirTable();
    for (std::size_t d = 1; d < table.size(); ++d) size += PathTableRecordLength(names_.At(d).IsoName.size());
    return static_cast<int>(size);
}

int TImageLayout::ComputeJolietPathTableSize() const {
    std::size_t size = PathTableRecordLength(1);
    const auto& table = project_.DirTable();
    for (std::size_t d = 1; d < table.size(); ++d) size += PathTableRecordLength(2 * names_.At(d).JolietName.size());
    return static_cast<int>(size);
}

std::int64_t TImageLayout::AllocateFileExtents() {
    std::int64_t total = 0;
    for (const auto& entry : project_.FileTable()) {
        TFEntry* e = entry.get();
        if (e->Imported) continue;  // its data is on the disc already
        if (e->IsDirectory()) {
            e->IsoSector = e->Dir->IsoSector;
            e->JolietSector = e->Dir->JolietSector;
            e->IsoSize = e->Dir->IsoSize;
            e->JolietSize = e->Dir->JolietSize;
        } else if (e->IsoSize != 0) {
            e->JolietSize = e->IsoSize;
            e->IsoSector = e->JolietSector = static_cast<int>(total);
            total += SectorsOf(e->IsoSize);
        } else {
            e->IsoSector = e->JolietSector = 0;
            e->IsoSize = e->JolietSize = 0;
        }
    }
    return total;
}

}  // namespace sorvane
