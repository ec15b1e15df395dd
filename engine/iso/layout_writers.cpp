// The structure writers of the layout and the build of the header stream.
// Every address they record was decided by the plan; they only encode.

#include <algorithm>
#include <cstring>

#include "engine/iso/boot_catalog.h"
#include "engine/iso/descriptors.h"
#include "engine/iso/directory_records.h"
#include "engine/iso/image_layout.h"
#include "engine/iso/iso_text.h"
#include "engine/iso/path_tables.h"

namespace sorvane {
namespace {

template <typename T>
void Append(TMemoryStream& out, const T& structure) {
    static_assert(sizeof(T) % kSectorSize == 0);
    out.Write(&structure, sizeof structure);
}

void PadToSector(TMemoryStream& out, std::size_t length) {
    out.WriteZeros((kSectorSize - length % kSectorSize) % kSectorSize);
}

// A recorded sector: a relative sector plus its base, in 32 bits. Summed in
// 64 bits, so that a project too large to address cannot overflow here; the
// image save refuses such a project.
std::uint32_t Sector32(std::int64_t relative, std::int64_t base) { return static_cast<std::uint32_t>(relative + base); }

// Which tree a directory writer works on.
struct TTreeView {
    int TDEntry::*Sector;
    std::int64_t TDEntry::*DirSize;
    int TFEntry::*EntrySector;
    std::int64_t TFEntry::*EntrySize;
};

constexpr TTreeView kIsoView{&TDEntry::IsoSector, &TDEntry::IsoSize, &TFEntry::IsoSector, &TFEntry::IsoSize};
constexpr TTreeView kJolietView{&TDEntry::JolietSector, &TDEntry::JolietSize, &TFEntry::JolietSector,
                                &TFEntry::JolietSize};

// Writes one path table (ECMA-119 9.4), little- or big-endian: the root,
// then every directory in the tree's order, each naming its parent by its
// number in that order.
template <typename NameOf>
void WritePathTable(TMemoryStream& out, bool bigEndian, const std::vector<TDEntry*>& order, const TTreeView& view,
                    int dirBase, NameOf nameOf) {
    const TPathTableType type = bigEndian ? TPathTableType::M : TPathTableType::L;
    const std::size_t start = out.Size();
    const char rootName = static_cast<char>(kSelfName);
    AppendPathTableRecord(out, type, Sector32(order[0]->*view.Sector, dirBase), 1, std::string_view(&rootName, 1));
    for (std::size_t i = 1; i < order.size(); ++i) {
        const TDEntry* d = order[i];
        AppendPathTableRecord(out, type, Sector32(d->*view.Sector, dirBase),
                              static_cast<std::uint16_t>(d->Parent->Number), nameOf(d));
    }
    PadToSector(out, out.Size() - start);
}

// Writes one directory extent: "." and "..", then one record per entry in
// list order, each placed by the same rule the sizing used.
template <typename Names, typename Encode>
void WriteExtent(TMemoryStream& out, const TDEntry* dir, const Names& names, const TTreeView& view, int dirBase,
                 int fileBase, TDateTime now, std::int16_t timeZone, Encode encode) {
    TRecordPacker packer;
    const auto dirRecord = [&](const TDEntry* d) {
        TRecordFields f;
        f.Extent = Sector32(d->*view.Sector, dirBase);
        f.DataLength = static_cast<std::uint32_t>(d->*view.DirSize);
        f.Date = SetRecordDate(now, timeZone);
        f.Flags = kFlagDirectory;
        return f;
    };
    const char self = static_cast<char>(kSelfName), parent = static_cast<char>(kParentName);
    out.WriteZeros(packer.Place(IsoRecordLength(1)));
    AppendDirectoryRecord(out, dirRecord(dir), std::string_view(&self, 1));
    out.WriteZeros(packer.Place(IsoRecordLength(1)));
    AppendDirectoryRecord(out, dirRecord(dir->Parent), std::string_view(&parent, 1));

    std::size_t i = 0;
    // The names were made for this list; a list changed since the layout
    // ends the extent rather than reading past them.
    for (const TFEntry* e = dir->FirstEntry; e && i < names.size(); e = e->Next, ++i) {
        const std::string name = encode(names[i]);
        out.WriteZeros(packer.Place(IsoRecordLength(name.size())));
        TRecordFields f;
        f.Date = SetRecordDate(e->DateTime, timeZone);
        f.DataLength = static_cast<std::uint32_t>(e->*view.EntrySize);
        f.Flags = (e->Attr & faHidden) ? kFlagHidden : 0;
        if (e->IsDirectory()) {
            f.Extent = Sector32(e->Dir->*view.Sector, dirBase);
            f.Flags |= kFlagDirectory;
        } else if (e->*view.EntrySize == 0) {
            f.Extent = 0;
        } else {
            f.Extent = Sector32(e->*view.EntrySector, e->Imported ? 0 : fileBase);
        }
        AppendDirectoryRecord(out, f, name);
    }
    out.WriteZeros(packer.Tail());
}

}  // namespace

void TImageLayout::WritePrimaryDescriptor() {
    const TDEntry* root = project_.Root();
    TTreeAddresses tree;
    tree.VolumeSpaceSize = static_cast<std::uint32_t>(EndAddress);
    tree.PathTableSize = static_cast<std::uint32_t>(IsoPathTableSize);
    tree.PathTableL = static_cast<std::uint32_t>(PathTableL);
    tree.PathTableM = static_cast<std::uint32_t>(PathTableM);
    tree.RootExtent = Sector32(root->IsoSector, DirArea);
    tree.RootSize = static_cast<std::uint32_t>(root->IsoSize);
    Append(HeaderStream, EncodePrimaryDescriptor(volume_, tree, now_));
}

void TImageLayout::WriteBootRecordDescriptor() {
    Append(HeaderStream, EncodeBootRecordDescriptor(static_cast<std::uint32_t>(BootCatalogSector)));
}

void TImageLayout::WriteJolietDescriptor() {
    const TDEntry* root = project_.Root();
    TTreeAddresses tree;
    tree.VolumeSpaceSize = static_cast<std::uint32_t>(EndAddress);
    tree.PathTableSize = static_cast<std::uint32_t>(JolietPathTableSize);
    tree.PathTableL = static_cast<std::uint32_t>(JolietPathTableL);
    tree.PathTableM = static_cast<std::uint32_t>(JolietPathTableM);
    tree.RootExtent = Sector32(root->JolietSector, JolietDirArea);
    tree.RootSize = static_cast<std::uint32_t>(root->JolietSize);
    Append(HeaderStream, EncodeJolietDescriptor(volume_, tree));
}

void TImageLayout::WriteTerminatorDescriptor() { Append(HeaderStream, EncodeTerminatorDescriptor()); }

void TImageLayout::WriteIsoPathTable(int DirBase, bool BigEndian) {
    WritePathTable(HeaderStream, BigEndian, project_.IsoDirOrder(), kIsoView, DirBase,
                   [&](const TDEntry* d) -> const std::string& { return names_.Of(d).IsoName; });
}

void TImageLayout::WriteJolietPathTable(int DirBase, bool BigEndian) {
    WritePathTable(HeaderStream, BigEndian, project_.JolietDirOrder(), kJolietView, DirBase,
                   [&](const TDEntry* d) { return JolietBytes(names_.Of(d).JolietName); });
}

void TImageLayout::WriteIsoDirectory(const TDEntry* Dir, int DirBase, int FileBase) {
    WriteExtent(HeaderStream, Dir, names_.Of(Dir).IsoNames, kIsoView, DirBase, FileBase, now_,
                project_.TimeZoneOffset, [](const std::string& n) -> const std::string& { return n; });
}

void TImageLayout::WriteJolietDirectory(const TDEntry* Dir, int DirBase, int FileBase) {
    WriteExtent(HeaderStream, Dir, names_.Of(Dir).JolietNames, kJolietView, DirBase, FileBase, now_,
                project_.TimeZoneOffset, [](const std::u16string& n) { return JolietBytes(n); });
}

void TImageLayout::WriteIsoDirectories(int DirBase, int FileBase) {
    for (const auto& d : project_.DirTable()) WriteIsoDirectory(d.get(), DirBase, FileBase);
}

void TImageLayout::WriteJolietDirectories(int DirBase, int FileBase) {
    for (const auto& d : project_.DirTable()) WriteJolietDirectory(d.get(), DirBase, FileBase);
}

void TImageLayout::WriteBootCatalog() {
    Append(HeaderStream, EncodeBootCatalog(BootImageSectors, static_cast<std::uint32_t>(BootImageSector)));
}

bool TImageLayout::BuildFileSystemStream(bool ForImageFile, TDEntry* ImportInto) {
    LastForImageFile = ForImageFile;
    LastImportInto = ImportInto;
    now_ = Now();
    const bool joliet = volume_.JolietFileSystem;

    HeaderStream.Clear();
    HeaderStream.Reserve(static_cast<std::size_t>(FirstFileSector - StartAddress) * kSectorSize);
    HeaderStream.WriteZeros(16 * kSectorSize);  // the system area
    WritePrimaryDescriptor();
    if (MakeBootable) WriteBootRecordDescriptor();
    if (joliet) WriteJolietDescriptor();
    WriteTerminatorDescriptor();

    HeaderBuffer.assign(kHeaderBufferSize, 0xFF);
    HeaderBufferLength = static_cast<int>(HeaderStream.Size());
    std::memcpy(HeaderBuffer.data(), HeaderStream.Data(), std::min(HeaderStream.Size(), kHeaderBufferSize));

    WriteIsoPathTable(DirArea, false);
    WriteIsoPathTable(DirArea, true);
    if (joliet) {
        WriteJolietPathTable(JolietDirArea, false);
        WriteJolietPathTable(JolietDirArea, true);
    }
    WriteIsoDirectories(DirArea, FirstFileSector);
    if (joliet) WriteJolietDirectories(JolietDirArea, FirstFileSector);
    // A bootable volume's pad follows the boot image, which is not part of
    // the header stream.
    if (MakeBootable)
        WriteBootCatalog();
    else if (PadSectors > 0)
        HeaderStream.WriteZeros(static_cast<std::size_t>(PadSectors) * kSectorSize);

    ImageSectors = EndAddress - StartAddress;
    doDebug_ = true;
    return true;
}

}  // namespace sorvane
