#include "engine/project/project_tree.h"

#include <algorithm>
#include <unordered_set>

#include "engine/project/short_name.h"
#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

constexpr char kRootPath[] = "\\";

std::string JoinPath(const std::string& parentPath, const std::string& name) {
    return parentPath == kRootPath ? kRootPath + name : parentPath + kRootPath + name;
}

// The alternate name of a search record up to its first NUL, or the
// upper-cased long name when there is none.
std::string ShortNameOf(const TSearchRec& sr, const std::string& longName) {
    std::string alternate = sr.AlternateName.substr(0, sr.AlternateName.find('\0'));
    return alternate.empty() ? UpperCase(longName) : alternate;
}

TDateTime DateOf(const TSearchRec& sr) { return FileDateToDateTime(sr.Time).value_or(Now()); }

}  // namespace

TProjectTree::TProjectTree(TObject& sender, TDebugSink debug) : sender_(sender), debug_(std::move(debug)) {
    ResetProject();
}

TProjectTree::~TProjectTree() = default;

void TProjectTree::Debug(const std::string& message, int mType) const {
    if (debug_) debug_(message, mType);
}

bool TProjectTree::ClearProject(int maxFiles, int maxDirs) {
    TimeZoneOffset = static_cast<std::int16_t>(-LocalTimeZoneBias() / 15);

    // Free in one go: the entries point at each other, so nothing may be
    // looked up while the tables are half gone.
    isoDirOrder_.clear();
    jolietDirOrder_.clear();
    dirsByPath_.clear();
    fileTable_.clear();
    dirTable_.clear();
    LastAddedEntry = nullptr;
    nextListOrder_ = 0;

    maxFiles_ = std::max(0, maxFiles);
    maxDirs_ = std::max(1, maxDirs);
    // Reserve what is cheap to reserve; the file table grows on demand so
    // that a large limit costs nothing until it is used.
    dirTable_.reserve(static_cast<std::size_t>(std::min(maxDirs_, kDefaultMaxDirs)));
    isoDirOrder_.reserve(dirTable_.capacity());
    jolietDirOrder_.reserve(dirTable_.capacity());

    TDEntry* root = AllocateDir();
    root->Path = kRootPath;
    root->ShortName = "CD_ROOT";
    root->LongName = "CD Root Directory";
    root->Level = 1;
    root->Parent = root;
    return true;
}

bool TProjectTree::RoomForDir() const {
    if (static_cast<int>(dirTable_.size()) < maxDirs_) return true;
    Debug(">>> " + Format("MAXIMUM DIRECTORIES CAN BE %d", maxDirs_), mtTable);
    return false;
}

bool TProjectTree::RoomForEntry() const {
    if (static_cast<int>(fileTable_.size()) < maxFiles_) return true;
    Debug(Format("MAXIMUM FILES CAN BE %d", maxFiles_), mtTable);
    return false;
}

TDEntry* TProjectTree::AllocateDir() {
    if (!RoomForDir()) return nullptr;
    dirTable_.push_back(std::make_unique<TDEntry>());
    TDEntry* dir = dirTable_.back().get();
    isoDirOrder_.push_back(dir);
    jolietDirOrder_.push_back(dir);
    return dir;
}

TFEntry* TProjectTree::AllocateEntry() {
    if (!RoomForEntry()) return nullptr;
    fileTable_.push_back(std::make_unique<TFEntry>());
    return fileTable_.back().get();
}

void TProjectTree::AppendToList(TDEntry* dir, TFEntry* entry) {
    entry->Next = nullptr;
    entry->ListOrder = nextListOrder_++;
    if (dir->LastEntry)
        dir->LastEntry->Next = entry;
    else
        dir->FirstEntry = entry;
    dir->LastEntry = entry;
    dir->EntriesByName.emplace(UpperCase(entry->LongName), entry);
}

TDEntry* TProjectTree::FindDir(const std::string& path) const {
    if (path.empty() || path == kRootPath) return Root();
    std::string key = path;
    if (key.back() == '\\') key.pop_back();
    auto it = dirsByPath_.find(UpperCase(key));
    return it == dirsByPath_.end() ? nullptr : it->second;
}

TFEntry* TProjectTree::FindFile(const TDEntry* dir, const std::string& longName) const {
    if (!dir) return nullptr;
    // Several entries may share a name after a rename; the first in list
    // order is the one a walk of the list would meet.
    auto [first, last] = dir->EntriesByName.equal_range(UpperCase(longName));
    TFEntry* found = nullptr;
    for (auto it = first; it != last; ++it)
        if (!found || it->second->ListOrder < found->ListOrder) found = it->second;
    return found;
}

TDEntry* TProjectTree::ForceDir(const std::string& path) {
    if (TDEntry* dir = FindDir(path)) return dir;
    const auto slash = path.rfind('\\');
    const std::string parentPath = slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // The parent path is strictly shorter, so the recursion ends.
    if (!FindDir(parentPath)) ForceDir(parentPath);
    if (name.empty()) return nullptr;
    TDEntry* parent = FindDir(parentPath);
    return parent ? AddDirByName(parent, name, faDirectory) : nullptr;
}

TDEntry* TProjectTree::AddDirByName(TDEntry* parent, const std::string& name, int attr) {
    std::string bare = name;
    if (!bare.empty() && bare.front() == '\\') bare.erase(0, 1);
    if (!bare.empty() && bare.back() == '\\') bare.pop_back();
    TSearchRec sr;
    sr.Name = bare;
    sr.AlternateName = ShortNameForm(bare);
    sr.Attr = attr;
    sr.Time = DateTimeToFileDate(Now()).value_or(0);
    return AddDir(parent, sr);
}

TDEntry* TProjectTree::AddDir(TDEntry* parent, const TSearchRec& sr) {
    if (!parent) return nullptr;
    // "\" separates the levels of a project path, so a folder name of this
    // platform that contains one would be read as two levels.
    std::string name = sr.Name;
    if (name.find('\\') != std::string::npos) {
        std::replace(name.begin(), name.end(), '\\', '_');
        Debug(">>> " + Format("DIRECTORY NAME \"%s\" RECORDED AS \"%s\"", sr.Name.c_str(), name.c_str()), mtInfo);
    }
    const std::string path = JoinPath(parent->Path, name);
    if (TDEntry* existing = FindDir(path)) return existing;

    // Check both limits before allocating either record, so that a refused
    // directory never leaves half of itself in the tables.
    if (!RoomForDir() || !RoomForEntry()) return nullptr;
    TDEntry* dir = AllocateDir();
    TFEntry* item = AllocateEntry();

    const std::string shortName = UpperCase(ShortNameOf(sr, name));
    dir->ShortName = item->ShortName = shortName;
    dir->LongName = item->LongName = name;
    dir->Parent = parent;
    dir->Path = UpperCase(path);
    dirsByPath_.emplace(dir->Path, dir);

    item->Attr = sr.Attr;
    item->Dir = dir;
    item->DateTime = DateOf(sr);
    AppendToList(parent, item);
    return dir;
}

bool TProjectTree::AddFile(TDEntry* dir, const TSearchRec& sr, int oldAddress, const std::string& sourcePath) {
    // A directory needs its TDEntry; only AddDir makes one.
    if (!dir || (sr.Attr & faDirectory)) return false;
    if (sr.Size > kMaxFileSize) {
        Debug(">>> " + Format("FILE \"%s\" IS 4 GB OR LARGER, ISO 9660 CANNOT RECORD IT", sourcePath.empty()
                                                                                              ? sr.Name.c_str()
                                                                                              : sourcePath.c_str()),
              mtFileSystem);
        return false;
    }

    std::string longName = sr.Name;
    if (longName.find('.') == std::string::npos) longName += '.';
    TFEntry* existing = FindFile(dir, longName);
    std::string shortName = ShortNameOf(sr, longName);
    TDateTime dateTime = DateOf(sr);
    bool skip = Utf16Length(longName) > kMaxLongName;
    const bool replace = existing && ReplaceFile;

    if (OnAddFile) OnAddFile(sender_, sourcePath, longName, shortName, dateTime, sr.Attr, sr.Size, skip);
    if (skip) return false;

    TFEntry* entry;
    if (replace) {
        // Replacing a directory item by a file would orphan the directory.
        if (existing->IsDirectory()) return false;
        entry = existing;
    } else if (existing) {
        return false;
    } else {
        entry = AllocateEntry();
        if (!entry) return false;
        entry->LongName = longName;
        AppendToList(dir, entry);
    }

    if (entry->LongName != longName) {
        // The handler renamed a replaced entry: keep the name index true.
        auto [first, last] = dir->EntriesByName.equal_range(UpperCase(entry->LongName));
        for (auto it = first; it != last; ++it)
            if (it->second == entry) {
                dir->EntriesByName.erase(it);
                break;
            }
        dir->EntriesByName.emplace(UpperCase(longName), entry);
    }
    entry->ShortName = UpperCase(shortName);
    entry->LongName = longName;
    entry->IsoSize = entry->JolietSize = sr.Size;
    entry->Attr = sr.Attr;
    entry->DateTime = dateTime;
    entry->SourcePath = sourcePath;
    if (oldAddress != 0) {
        entry->IsoSector = entry->JolietSector = oldAddress;
        entry->Imported = true;
    } else {
        entry->Imported = false;
    }
    LastAddedEntry = entry;
    return true;
}

bool TProjectTree::InsertFile(const std::string& destPath, const std::string& sourceFile, bool keepSourcePath) {
    TDEntry* target;
    if (!keepSourcePath) {
        target = FindDir(destPath);
    } else {
        // The source's folder becomes the project folder: "/data/pics/x.jpg"
        // goes to "\data\pics\".
        const auto slash = sourceFile.rfind('/');
        std::string folder = slash == std::string::npos ? std::string() : sourceFile.substr(0, slash + 1);
        std::replace(folder.begin(), folder.end(), '/', '\\');
        if (folder.empty() || folder.front() != '\\') folder.insert(folder.begin(), '\\');
        ForceDir(folder);
        target = FindDir(folder);
    }
    if (!target) {
        Debug("INVALID DESTINATION PATH", mtFileSystem);
        return false;
    }
    TFileSearch search;
    TSearchRec sr;
    if (!search.FindFirst(sourceFile, faAnyFile, sr)) return false;
    AddFile(target, sr, 0, sourceFile);
    return true;
}

bool TProjectTree::RenameEntry(const std::string& dirPath, const std::string& name, const std::string& newLongName,
                               const std::string& newShortName) {
    TDEntry* dir = FindDir(dirPath);
    TFEntry* entry = FindFile(dir, name);
    if (!entry) return false;

    auto [first, last] = dir->EntriesByName.equal_range(UpperCase(entry->LongName));
    for (auto it = first; it != last; ++it)
        if (it->second == entry) {
            dir->EntriesByName.erase(it);
            break;
        }
    entry->LongName = newLongName;
    dir->EntriesByName.emplace(UpperCase(newLongName), entry);

    const std::string shortName = newShortName.empty() ? newLongName : newShortName;
    if (Utf16Length(shortName) > 13) return false;
    entry->ShortName = UpperCase(shortName);
    return true;
}

void TProjectTree::CollectSubtree(TFEntry* entry, std::vector<TFEntry*>& entries, std::vector<TDEntry*>& dirs) const {
    // Iterative, so that a deep tree cannot exhaust the stack.
    std::vector<TFEntry*> pending{entry};
    while (!pending.empty()) {
        TFEntry* e = pending.back();
        pending.pop_back();
        entries.push_back(e);
        if (TDEntry* d = e->Dir) {
            dirs.push_back(d);
            for (TFEntry* child = d->FirstEntry; child; child = child->Next) pending.push_back(child);
        }
    }
}

void TProjectTree::RemoveAll(const std::vector<TFEntry*>& entries, const std::vector<TDEntry*>& dirs) {
    const std::unordered_set<const TFEntry*> goneEntries(entries.begin(), entries.end());
    const std::unordered_set<const TDEntry*> goneDirs(dirs.begin(), dirs.end());
    if (goneEntries.count(LastAddedEntry)) LastAddedEntry = nullptr;
    for (const TDEntry* d : dirs) dirsByPath_.erase(d->Path);
    const auto isGoneDir = [&](const TDEntry* d) { return goneDirs.count(d) != 0; };
    std::erase_if(isoDirOrder_, isGoneDir);
    std::erase_if(jolietDirOrder_, isGoneDir);
    std::erase_if(fileTable_, [&](const std::unique_ptr<TFEntry>& e) { return goneEntries.count(e.get()) != 0; });
    std::erase_if(dirTable_, [&](const std::unique_ptr<TDEntry>& d) { return goneDirs.count(d.get()) != 0; });
}

// Takes `entry` out of `dir`'s list and name index.
static void Unlink(TDEntry* dir, TFEntry* entry) {
    TFEntry* previous = nullptr;
    for (TFEntry* e = dir->FirstEntry; e && e != entry; e = e->Next) previous = e;
    (previous ? previous->Next : dir->FirstEntry) = entry->Next;
    if (dir->LastEntry == entry) dir->LastEntry = previous;
    auto [first, last] = dir->EntriesByName.equal_range(UpperCase(entry->LongName));
    for (auto it = first; it != last; ++it)
        if (it->second == entry) {
            dir->EntriesByName.erase(it);
            break;
        }
}

bool TProjectTree::RemoveEntry(const std::string& dirPath, const std::string& name) {
    TDEntry* dir = FindDir(dirPath);
    TFEntry* entry = FindFile(dir, name);
    if (!entry) return false;
    std::vector<TFEntry*> entries;
    std::vector<TDEntry*> dirs;
    CollectSubtree(entry, entries, dirs);
    Unlink(dir, entry);
    RemoveAll(entries, dirs);
    return true;
}

bool TProjectTree::RemoveEmptyDirs() {
    // Removing empty directories until none is left removes exactly the
    // directories whose subtree holds no file, so find those in one pass:
    // a child is always created after its parent, so walking the table
    // backwards sees every child before its parent.
    std::unordered_set<const TDEntry*> holdsFile;
    for (auto it = dirTable_.rbegin(); it != dirTable_.rend(); ++it) {
        TDEntry* d = it->get();
        if (!holdsFile.count(d))
            for (TFEntry* e = d->FirstEntry; e; e = e->Next)
                if (!e->IsDirectory()) {
                    holdsFile.insert(d);
                    break;
                }
        if (holdsFile.count(d)) holdsFile.insert(d->Parent);
    }

    std::vector<TFEntry*> entries;
    std::vector<TDEntry*> dirs;
    for (std::size_t i = 1; i < dirTable_.size(); ++i) {
        TDEntry* d = dirTable_[i].get();
        TDEntry* parent = d->Parent;
        if (holdsFile.count(d) || !(parent == Root() || holdsFile.count(parent))) continue;
        // The topmost empty directory of a branch: unlink its item from the
        // surviving parent, then drop the whole branch.
        TFEntry* item = parent->FirstEntry;
        while (item && item->Dir != d) item = item->Next;
        if (!item) continue;
        Unlink(parent, item);
        CollectSubtree(item, entries, dirs);
    }
    RemoveAll(entries, dirs);
    return true;
}

}  // namespace sorvane
