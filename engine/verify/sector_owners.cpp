#include "engine/verify/sector_owners.h"

#include "engine/rtl/search_rec.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

// A recorded identifier as readers show it: without its ";1" version.
std::string Shown(std::string identifier) { return identifier.substr(0, identifier.find(';')); }

class TProjectNames {
public:
    TProjectNames(const TRecordedNames& names, bool joliet) : names_(names), joliet_(joliet) {}

    // "Docs/2004" for a directory; empty for the root.
    std::string PathOf(const TDEntry* dir) {
        if (!dir || dir->Parent == dir || !dir->Parent) return {};
        if (const auto known = paths_.find(dir); known != paths_.end()) return known->second;
        const TRecordedDir& recorded = names_.Of(dir);
        const std::string own = joliet_ ? Utf16ToUtf8(recorded.JolietName) : recorded.IsoName;
        const std::string parent = PathOf(dir->Parent);
        return paths_[dir] = parent.empty() ? own : parent + "/" + own;
    }

    std::string EntryName(const TDEntry* dir, std::size_t index) const {
        const TRecordedDir& recorded = names_.Of(dir);
        return Shown(joliet_ ? Utf16ToUtf8(recorded.JolietNames.at(index)) : recorded.IsoNames.at(index));
    }

private:
    const TRecordedNames& names_;
    const bool joliet_;
    std::unordered_map<const TDEntry*, std::string> paths_;
};

void AddFiles(const TDiscNode& dir, const std::string& folder, std::vector<TSectorOwner>& owners) {
    for (const TDiscNode& child : dir.Children) {
        const std::string name = folder.empty() ? child.Name : folder + "/" + child.Name;
        if (child.Directory) {
            AddFiles(child, name, owners);
            continue;
        }
        for (const TExtentPart& part : child.Parts) {
            if (part.Length == 0) continue;
            owners.push_back({part.Extent, static_cast<std::uint32_t>(TDiscSource::SectorsFor(part.Length)),
                              TSectorUse::File, name});
        }
    }
}

}  // namespace

std::vector<TSectorOwner> ProjectSectorOwners(const TProjectTree& project, const TImageLayout& layout,
                                              bool jolietNames) {
    std::vector<TSectorOwner> owners;
    if (layout.MakeBootable && layout.BootImageSectors > 0)
        owners.push_back({static_cast<std::uint32_t>(layout.BootImageSector),
                          static_cast<std::uint32_t>(layout.BootImageSectors), TSectorUse::BootImage, {}});
    TProjectNames names(layout.Names(), jolietNames);
    for (const auto& dir : project.DirTable()) {
        std::size_t index = 0;
        for (const TFEntry* entry = dir->FirstEntry; entry; entry = entry->Next, ++index) {
            // What the read-ahead sends, and nothing else.
            if (entry->IsDirectory() || (entry->Attr & faDirectory) || entry->Imported || entry->SourcePath.empty() ||
                entry->IsoSize <= 0)
                continue;
            const std::string folder = names.PathOf(dir.get());
            const std::string name = names.EntryName(dir.get(), index);
            owners.push_back({static_cast<std::uint32_t>(layout.FirstFileSector + entry->IsoSector),
                              static_cast<std::uint32_t>(TImageLayout::SectorsOf(entry->IsoSize)), TSectorUse::File,
                              folder.empty() ? name : folder + "/" + name});
        }
    }
    return owners;
}

std::vector<TSectorOwner> TreeSectorOwners(const TDiscNode& root) {
    std::vector<TSectorOwner> owners;
    AddFiles(root, std::string(), owners);
    return owners;
}

}  // namespace sorvane
