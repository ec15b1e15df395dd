#pragma once
// A read-only view of every session on a disc with the tree its file system
// holds, for listing sessions and extracting from them. It is read with the
// same walk as the import, into its own nodes, so browsing never touches the
// project.
//
//   std::vector<TDiscSession> sessions = ReadDiscSessions(disc, debug);
//   const TDiscNode* node = FindDiscNode(sessions[1].Root, "/docs/readme.txt");
//   TSessionExtractor extractor(disc, debug);
//   extractor.Cancel = &stopFlag;
//   TExtractReport report = extractor.ExtractNode(*node, "/home/me/out");

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/iso/directory_record_reader.h"
#include "engine/iso/directory_walker.h"
#include "engine/iso/disc_source.h"
#include "engine/iso/session_locator.h"
#include "engine/rtl/component.h"

namespace sorvane {

struct TDiscNode {
    std::string Name;                 // as recorded, UTF-8, without ";1"; empty for a session's root
    bool Directory = false;
    std::uint64_t Size = 0;           // files: bytes of data; directories: bytes of their extent
    TDateTime DateTime = 0;           // recorded local time
    bool Hidden = false;
    std::uint32_t Extent = 0;         // first sector (absolute)
    std::vector<TExtentPart> Parts;   // files: where the data lies
    std::vector<TDiscNode> Children;  // directories: entries in recorded order
};

struct TDiscSession {
    int Number = 0;                   // 1-based
    bool TrackKnown = false;
    TSessionTrack Track;
    bool FileSystemFound = false;
    TTreeKind Tree = TTreeKind::Joliet;  // the tree that was read
    bool Truncated = false;           // part of the tree was left out (see Problems)
    TDiscNode Root;
    std::vector<std::string> Problems;  // the file-system messages posted while reading it

    std::uint64_t SizeBytes() const { return std::uint64_t{Track.TrackSize} * TDiscSource::kSectorBytes; }
    // "Session  001 - 12.34 Mb": how the session is shown, and the name of
    // the folder it is extracted into.
    std::string Caption() const;
};

// Reads every session of the disc, 1 to the last; empty when the disc has
// none. A session whose track or file system cannot be found is listed with
// FileSystemFound false and an empty root.
std::vector<TDiscSession> ReadDiscSessions(TDiscSource& disc, const TDebugSink& debug, TWalkLimits limits = {});
TDiscSession ReadDiscSession(TDiscSource& disc, int session, const TDebugSink& debug, TWalkLimits limits = {});

// The node at `path` below `root`: names separated by "/" or "\", matched
// exactly first and then without regard to case; a name that ends in a dot
// also finds the one without ("README." finds README). "" or "/" is the root.
const TDiscNode* FindDiscNode(const TDiscNode& root, std::string_view path);

// Orders every directory's entries as a file manager shows them: folders
// first, then names without regard to case.
void SortForDisplay(TDiscNode& node);

struct TExtractReport {
    int Files = 0;                       // files written completely
    int Folders = 0;                     // folders created or reused
    std::uint64_t Bytes = 0;
    std::vector<std::string> Failures;   // one text per file or folder not extracted
    std::vector<std::string> Renamed;    // disc names saved under another local name
    bool Cancelled = false;

    bool Ok() const { return Failures.empty() && !Cancelled; }
};

// Copies files, folders (with everything below them) and whole sessions into
// a local folder. Every local name goes through SafeLocalName and a
// TLocalNameSet per folder, so nothing lands outside the chosen folder and no
// two entries of one disc directory end up as one file.
class TSessionExtractor {
public:
    TSessionExtractor(TDiscSource& disc, TDebugSink debug);

    // Checked before every file and between reads; the files completed so
    // far stay, the one in progress is removed.
    const std::atomic<bool>* Cancel = nullptr;
    // Told of every folder that could not be created, with why, when it
    // happens; its content is skipped and the walk goes on with its siblings.
    std::function<void(const std::string& path, const std::string& error)> OnFolderNotCreated;

    // A file becomes `folder`/name, a directory `folder`/name/... .
    TExtractReport ExtractNode(const TDiscNode& node, const std::string& folder);
    // The session becomes the folder `folder`/Caption().
    TExtractReport ExtractSession(const TDiscSession& session, const std::string& folder);

private:
    void ExtractInto(int folderFd, const std::string& folderPath, const TDiscNode& node, const std::string& localName,
                     TExtractReport& report);
    void ExtractChildren(int folderFd, const std::string& folderPath, const TDiscNode& dir, TExtractReport& report);
    TExtractReport ExtractAs(const TDiscNode& node, const std::string& name, const std::string& folder);
    bool Cancelled() const { return Cancel && Cancel->load(); }
    void Post(const std::string& message, int mType) const;

    TDiscSource& disc_;
    TDebugSink debug_;
};

}  // namespace sorvane
