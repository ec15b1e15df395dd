#include "engine/rtl/search_rec.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {
namespace {

std::string BaseName(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?[") != std::string::npos; }

}  // namespace

// The record of an entry named `name` that `st` describes; `writable`
// answers whether the entry may be written to, asked only when no write
// permission bit is set.
template <typename Writable>
void FillSearchRec(const std::string& name, const struct stat& st, Writable writable, TSearchRec& rec) {
    rec = TSearchRec{};
    rec.Name = name;
    rec.Time = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    if (S_ISDIR(st.st_mode)) {
        rec.Attr |= faDirectory;
    } else {
        rec.Size = static_cast<std::int64_t>(st.st_size);
        rec.Attr |= faArchive;
    }
    if (!rec.Name.empty() && rec.Name[0] == '.') rec.Attr |= faHidden;
    if ((st.st_mode & 0222) == 0 && !writable()) rec.Attr |= faReadOnly;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) rec.Attr |= faSysFile;
}

bool StatToSearchRec(const std::string& path, TSearchRec& rec) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    FillSearchRec(BaseName(path), st, [&] { return ::access(path.c_str(), W_OK) == 0; }, rec);
    return true;
}

bool StatAtToSearchRec(int dirFd, const std::string& name, TSearchRec& rec, struct stat& st) {
    if (::fstatat(dirFd, name.c_str(), &st, 0) != 0) return false;
    FillSearchRec(name, st, [&] { return ::faccessat(dirFd, name.c_str(), W_OK, 0) == 0; }, rec);
    return true;
}

TFileSearch::~TFileSearch() { FindClose(); }

void TFileSearch::FindClose() {
    if (dir_) ::closedir(dir_);
    dir_ = nullptr;
}

bool TFileSearch::Accepts(const TSearchRec& rec) const {
    constexpr int kSpecial = faHidden | faSysFile | faDirectory;
    return (rec.Attr & kSpecial & ~attrMask_) == 0;
}

bool TFileSearch::FindFirst(const std::string& pattern, int attrMask, TSearchRec& rec) {
    FindClose();
    attrMask_ = attrMask;
    const auto slash = pattern.rfind('/');
    const std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (!HasWildcard(last)) {
        // One file or folder: describe it, the way a search for an exact
        // name finds exactly that entry.
        return StatToSearchRec(pattern, rec) && Accepts(rec);
    }
    folder_ = slash == std::string::npos ? "." : pattern.substr(0, slash == 0 ? 1 : slash);
    wildcard_ = last;
    dir_ = ::opendir(folder_.c_str());
    if (!dir_) return false;
    return FindNext(rec);
}

bool TFileSearch::FindNext(TSearchRec& rec) {
    if (!dir_) return false;
    while (const dirent* entry = ::readdir(dir_)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        // A wildcard matches names that start with "." too, as a folder listing
        // of the other platform does; the attribute mask decides about them.
        if (::fnmatch(wildcard_.c_str(), name.c_str(), 0) != 0) continue;
        const std::string path = folder_ == "/" ? "/" + name : folder_ + "/" + name;
        if (!StatToSearchRec(path, rec)) continue;  // vanished, or a dangling link
        if (Accepts(rec)) return true;
    }
    FindClose();
    return false;
}

}  // namespace sorvane
