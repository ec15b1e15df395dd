#pragma once
// The project: the directories and files that the next recording (or image)
// will contain, and the tables that the layout sorts and walks. Files are
// referenced by their source path and read only when recording; entries
// imported from a disc's previous session carry their disc address instead.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/project/entries.h"
#include "engine/rtl/component.h"
#include "engine/rtl/search_rec.h"

namespace sorvane {

// Raised before AddFile adds or replaces an entry; the handler may change the
// names and the date, and set or clear Skip.
using TAddFileEvent =
    std::function<void(TObject& Sender, const std::string& FullPath, std::string& LongFileName,
                       std::string& ShortFileName, TDateTime& DateTime, int Attr, std::int64_t FileSize, bool& Skip)>;
// Declared for a directory event that nothing raises.
using TAddDirEvent = std::function<void(TObject& Sender, std::string& LongName, std::string& ShortName, bool& Skip)>;

class TProjectTree {
public:
    static constexpr int kDefaultMaxFiles = 65535;
    static constexpr int kDefaultMaxDirs = 8191;
    // Longest long name added without the handler's consent, in UTF-16 units.
    static constexpr std::size_t kMaxLongName = 109;
    // ISO 9660 records a file's data length in 32 bits.
    static constexpr std::int64_t kMaxFileSize = 0xFFFFFFFFLL;

    // `sender` is passed to OnAddFile; `debug` receives the tree's messages.
    TProjectTree(TObject& sender, TDebugSink debug);
    ~TProjectTree();
    TProjectTree(const TProjectTree&) = delete;
    TProjectTree& operator=(const TProjectTree&) = delete;

    bool ClearProject(int maxFiles, int maxDirs);
    bool ResetProject() { return ClearProject(kDefaultMaxFiles, kDefaultMaxDirs); }

    TDEntry* FindDir(const std::string& path) const;
    TDEntry* ForceDir(const std::string& path);
    TDEntry* CreateDir(const std::string& path) { return ForceDir(path); }
    TDEntry* AddDirByName(TDEntry* parent, const std::string& name, int attr);
    TDEntry* AddDir(TDEntry* parent, const TSearchRec& sr);
    bool AddFile(TDEntry* dir, const TSearchRec& sr, int oldAddress, const std::string& sourcePath);
    bool InsertFile(const std::string& destPath, const std::string& sourceFile, bool keepSourcePath);
    TFEntry* FindFile(const TDEntry* dir, const std::string& longName) const;
    bool RenameEntry(const std::string& dirPath, const std::string& name, const std::string& newLongName,
                     const std::string& newShortName);
    bool RemoveEntry(const std::string& dirPath, const std::string& name);
    bool RemoveEmptyDirs();
    // Directories without the root.
    int DirCount() const { return static_cast<int>(dirTable_.size()) - 1; }

    // Tables: DirTable in creation order (index 0 the root); IsoDirOrder and
    // JolietDirOrder hold the same directories, re-sorted by the layout;
    // FileTable holds every entry in creation order.
    const std::vector<std::unique_ptr<TDEntry>>& DirTable() const { return dirTable_; }
    std::vector<TDEntry*>& IsoDirOrder() { return isoDirOrder_; }
    std::vector<TDEntry*>& JolietDirOrder() { return jolietDirOrder_; }
    const std::vector<TDEntry*>& IsoDirOrder() const { return isoDirOrder_; }
    const std::vector<TDEntry*>& JolietDirOrder() const { return jolietDirOrder_; }
    const std::vector<std::unique_ptr<TFEntry>>& FileTable() const { return fileTable_; }
    int FileCount() const { return static_cast<int>(fileTable_.size()); }
    TDEntry* Root() const { return dirTable_.empty() ? nullptr : dirTable_.front().get(); }
    int MaxFiles() const { return maxFiles_; }
    int MaxDirs() const { return maxDirs_; }

    // Replace an entry of the same long name instead of refusing the new one.
    bool ReplaceFile = false;
    TAddFileEvent OnAddFile;
    // The entry most recently added or replaced.
    TFEntry* LastAddedEntry = nullptr;
    // Offset of recorded dates in 15-minute units east of UTC; the low byte
    // is what directory records carry.
    std::int16_t TimeZoneOffset = 0;

private:
    // False, with the limit's message posted, when the table is full.
    bool RoomForDir() const;
    bool RoomForEntry() const;
    TDEntry* AllocateDir();
    TFEntry* AllocateEntry();
    void AppendToList(TDEntry* dir, TFEntry* entry);
    // Collects `entry` and, for a directory item, everything below it.
    void CollectSubtree(TFEntry* entry, std::vector<TFEntry*>& entries, std::vector<TDEntry*>& dirs) const;
    // Unlinks and frees the given entries and directories in one pass over
    // the tables, keeping the order of what remains.
    void RemoveAll(const std::vector<TFEntry*>& entries, const std::vector<TDEntry*>& dirs);
    void Debug(const std::string& message, int mType) const;

    TObject& sender_;
    TDebugSink debug_;
    int maxFiles_ = kDefaultMaxFiles;
    int maxDirs_ = kDefaultMaxDirs;
    std::uint64_t nextListOrder_ = 0;
    std::vector<std::unique_ptr<TDEntry>> dirTable_;
    std::vector<TDEntry*> isoDirOrder_;
    std::vector<TDEntry*> jolietDirOrder_;
    std::vector<std::unique_ptr<TFEntry>> fileTable_;
    // Directories other than the root by their (upper-case) Path.
    std::unordered_map<std::string, TDEntry*> dirsByPath_;
};

}  // namespace sorvane
