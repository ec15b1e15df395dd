#pragma once
// Walks files and folders of the local disk for a project, the way every
// front end must: symbolic links are followed, a link that leads back into a
// folder being walked is a loop and is left out, and only regular files this
// process may read and folders are taken (reading a FIFO, a socket or a device at recording time
// would hang or never end). Whatever is left out is named with the reason:
// nothing disappears silently.

#include <sys/types.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/rtl/search_rec.h"

namespace sorvane::tasks {

// One file or folder found on the local disk.
struct TLocalItem {
    std::string Path;  // as given, or the folder's path joined with the name
    TSearchRec Rec;    // Name is the last part of Path
    dev_t Device = 0;
    ino_t Inode = 0;
    bool IsFolder() const { return (Rec.Attr & faDirectory) != 0; }
};

// The line that names an entry left out: "'/a/b' left out: the reason".
std::string LeftOutText(const std::string& path, const std::string& why);

class TLocalWalk {
public:
    // `leaveOut` receives the path and the reason of every entry left out.
    using TLeaveOut = std::function<void(const std::string& path, const std::string& why)>;
    explicit TLocalWalk(TLeaveOut leaveOut) : leaveOut_(std::move(leaveOut)) {}

    // Leaves out the file at `path` (if it exists) wherever the walk meets
    // it, with `why` as the reason: the image being written, for one.
    void Exclude(const std::string& path, std::string why);

    // Describes a path the user gave; false, reported, when it cannot be
    // added.
    bool Describe(const std::string& path, TLocalItem& item);

    // The entries of `folder` that can be added, listed as the project page
    // lists siblings (see SortAsListed). False, reported, when the folder is
    // a loop back into one being walked or cannot be listed.
    bool List(const TLocalItem& folder, std::vector<TLocalItem>& children);

    // Brackets the walk of a folder's children, so that a link back into it
    // is known for a loop.
    void Enter(const TLocalItem& folder) { ancestors_.emplace_back(folder.Device, folder.Inode); }
    void Leave() { ancestors_.pop_back(); }

    // Folders first, then by name without regard to ASCII case; names equal
    // that way are ordered by their bytes, so that the order is total.
    static void SortAsListed(std::vector<TLocalItem>& items);
    static bool ListedBefore(const std::string& a, const std::string& b);

    void LeaveOut(const std::string& path, const std::string& why) { leaveOut_(path, why); }

private:
    bool DescribeAt(int dirFd, const std::string& name, const std::string& path, TLocalItem& item);

    TLeaveOut leaveOut_;
    std::vector<std::pair<dev_t, ino_t>> ancestors_;
    std::vector<std::pair<std::pair<dev_t, ino_t>, std::string>> excluded_;
};

}  // namespace sorvane::tasks
