#pragma once
// File search records: what the project tree learns about a file or folder
// of the local disk. A name that starts with "." counts as hidden, the way
// file managers on this platform treat it. No 8.3 alternate name exists here,
// so AlternateName stays empty unless a caller supplies one.

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

enum : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

struct TSearchRec {
    std::string Name;           // the entry's name, without its folder
    std::string AlternateName;  // 8.3 name; empty on this platform
    std::int64_t Size = 0;
    int Attr = 0;
    std::int64_t Time = 0;      // modification time, seconds since the Unix epoch
};

// Describes one path without listing anything. False when it does not exist.
bool StatToSearchRec(const std::string& path, TSearchRec& rec);
// The same for `name` inside the open folder `dirFd`, which costs one name
// lookup instead of a walk of the whole path: the way to describe every
// entry of a large folder tree. `st` receives the system's description.
bool StatAtToSearchRec(int dirFd, const std::string& name, TSearchRec& rec, struct stat& st);

// Lists a folder, or describes one file. `pattern` is either a path to one
// file or folder, or a folder followed by "/" and a shell wildcard ("/a/*").
// Entries whose hidden, system or directory attribute is not in `attrMask`
// are skipped, as are "." and "..". The handle closes when the object dies.
class TFileSearch {
public:
    TFileSearch() = default;
    ~TFileSearch();
    TFileSearch(const TFileSearch&) = delete;
    TFileSearch& operator=(const TFileSearch&) = delete;

    bool FindFirst(const std::string& pattern, int attrMask, TSearchRec& rec);
    bool FindNext(TSearchRec& rec);
    void FindClose();

private:
    bool Accepts(const TSearchRec& rec) const;

    DIR* dir_ = nullptr;  // owned; closed by FindClose
    std::string folder_;
    std::string wildcard_;
    int attrMask_ = 0;
};

}  // namespace sorvane
