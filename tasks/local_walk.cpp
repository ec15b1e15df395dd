#include "tasks/local_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "tasks/local_paths.h"

namespace sorvane::tasks {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

struct TDirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::string LeftOutText(const std::string& path, const std::string& why) { return "'" + path + "' left out: " + why; }

bool TLocalWalk::ListedBefore(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i])), y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

void TLocalWalk::SortAsListed(std::vector<TLocalItem>& items) {
    std::sort(items.begin(), items.end(), [](const TLocalItem& a, const TLocalItem& b) {
        if (a.IsFolder() != b.IsFolder()) return a.IsFolder();
        return ListedBefore(a.Rec.Name, b.Rec.Name);
    });
}

void TLocalWalk::Exclude(const std::string& path, std::string why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) excluded_.emplace_back(std::make_pair(st.st_dev, st.st_ino), std::move(why));
}

bool TLocalWalk::Describe(const std::string& path, TLocalItem& item) { return DescribeAt(AT_FDCWD, path, path, item); }

bool TLocalWalk::DescribeAt(int dirFd, const std::string& name, const std::string& path, TLocalItem& item) {
    item.Path = path;
    struct stat st {};
    // Looked up inside the open folder: one name to resolve, not a whole
    // path, which is what a tree of many thousand entries spends its time on.
    if (!StatAtToSearchRec(dirFd, name, item.Rec, st)) {
        const int code = errno;
        struct stat link {};
        if (::fstatat(dirFd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode))
            LeaveOut(path, "symbolic link to nothing");
        else
            LeaveOut(path, std::strerror(code));
        return false;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        LeaveOut(path, "not a regular file or folder");
        return false;
    }
    for (const auto& [key, why] : excluded_)
        if (key == std::make_pair(st.st_dev, st.st_ino)) {
            LeaveOut(path, why);
            return false;
        }
    item.Rec.Name = BaseName(path);
    item.Device = st.st_dev;
    item.Inode = st.st_ino;
    if (S_ISREG(st.st_mode) && ::faccessat(dirFd, name.c_str(), R_OK, 0) != 0) {
        LeaveOut(path, std::strerror(EACCES));
        return false;
    }
    return true;
}

bool TLocalWalk::List(const TLocalItem& folder, std::vector<TLocalItem>& children) {
    children.clear();
    const auto key = std::make_pair(folder.Device, folder.Inode);
    if (std::find(ancestors_.begin(), ancestors_.end(), key) != ancestors_.end()) {
        LeaveOut(folder.Path, "symbolic link loop");
        return false;
    }
    std::unique_ptr<DIR, TDirCloser> listing(::opendir(folder.Path.c_str()));
    if (!listing) {
        LeaveOut(folder.Path, std::string("cannot list the folder: ") + std::strerror(errno));
        return false;
    }
    while (const dirent* entry = ::readdir(listing.get())) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
        TLocalItem child;
        if (DescribeAt(::dirfd(listing.get()), entry->d_name, Join(folder.Path, entry->d_name), child))
            children.push_back(std::move(child));
    }
    SortAsListed(children);
    return true;
}

}  // namespace sorvane::tasks
