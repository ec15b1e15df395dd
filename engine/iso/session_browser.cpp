#include "engine/iso/session_browser.h"

#include <algorithm>

#include "engine/iso/file_extractor.h"
#include "engine/iso/local_file.h"
#include "engine/iso/local_name.h"
#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

TDiscNode NodeOf(const TDiscRecord& record) {
    TDiscNode node;
    node.Name = record.Name;
    node.Directory = record.IsDirectory();
    node.Size = record.Length;
    node.DateTime = record.DateTime;
    node.Hidden = record.IsHidden();
    node.Extent = record.Extent;
    if (!node.Directory) node.Parts = record.Parts;
    return node;
}

// Builds the node tree. A pointer to the directory being filled stays valid:
// while the walk is inside it, only that directory's own children grow.
class TBrowseVisitor : public TDirectoryVisitor {
public:
    explicit TBrowseVisitor(TDiscNode& root) { stack_.push_back(&root); }

    bool EnterDirectory(const TDiscRecord& record) override {
        TDiscNode* parent = stack_.back();
        parent->Children.push_back(NodeOf(record));
        stack_.push_back(&parent->Children.back());
        return true;
    }
    void LeaveDirectory() override { stack_.pop_back(); }
    void VisitFile(const TDiscRecord& record) override { stack_.back()->Children.push_back(NodeOf(record)); }

private:
    std::vector<TDiscNode*> stack_;
};

bool WalkInto(TDiscSource& disc, TTreeKind kind, const TVolumeRoot& root, const TDebugSink& sink,
              const TWalkLimits& limits, TDiscSession& session) {
    session.Root = TDiscNode{};
    session.Root.Directory = true;
    session.Root.Extent = root.Extent;
    session.Root.Size = root.Length;
    TBrowseVisitor visitor(session.Root);
    TDirectoryWalker walker(disc, kind, sink, limits);
    if (!walker.Walk(root.Extent, root.Length, visitor)) return false;
    session.Tree = kind;
    session.Truncated = walker.Truncated();
    return true;
}

bool SameTextCaseless(std::string_view a, std::string_view b) { return UpperCase(a) == UpperCase(b); }

}  // namespace

std::string TDiscSession::Caption() const {
    return "Session  " + IntToStrPad(3, "0", Number) + " - " +
           FormatFloat("0.00 Mb", static_cast<double>(SizeBytes()) / 1048576.0);
}

TDiscSession ReadDiscSession(TDiscSource& disc, int number, const TDebugSink& debug, TWalkLimits limits) {
    TDiscSession session;
    session.Root.Directory = true;
    const TDebugSink sink = [&](const std::string& message, int mType) {
        if (mType == mtFileSystem) session.Problems.push_back(message);
        if (debug) debug(message, mType);
    };
    const TSessionLocation location = LocateSession(disc, number, sink);
    session.Number = location.Number;
    session.TrackKnown = location.TrackKnown;
    session.Track = location.Track;
    if (location.JolietRoot && WalkInto(disc, TTreeKind::Joliet, *location.JolietRoot, sink, limits, session))
        session.FileSystemFound = true;
    else if (location.PrimaryRoot && WalkInto(disc, TTreeKind::Iso, *location.PrimaryRoot, sink, limits, session))
        session.FileSystemFound = true;
    else if (location.FileSystemFound())
        sink(">>> " + Format("ERROR IMPORTING SESSION %d (ROOT DIRECTORY UNREADABLE)", location.Number), mtFileSystem);
    return session;
}

std::vector<TDiscSession> ReadDiscSessions(TDiscSource& disc, const TDebugSink& debug, TWalkLimits limits) {
    std::vector<TDiscSession> sessions;
    const int count = disc.GetLastSession();
    // A session number is one byte on the disc; a drive answering more is
    // not describing a disc.
    for (int s = 1; s <= std::min(count, 254); ++s) sessions.push_back(ReadDiscSession(disc, s, debug, limits));
    return sessions;
}

const TDiscNode* FindDiscNode(const TDiscNode& root, std::string_view path) {
    const TDiscNode* node = &root;
    std::size_t pos = 0;
    while (pos < path.size()) {
        const std::size_t end = std::min(path.find_first_of("/\\", pos), path.size());
        const std::string_view name = path.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty()) continue;
        const auto& children = node->Children;
        auto it = std::find_if(children.begin(), children.end(), [&](const TDiscNode& c) { return c.Name == name; });
        if (it == children.end())
            it = std::find_if(children.begin(), children.end(),
                              [&](const TDiscNode& c) { return SameTextCaseless(c.Name, name); });
        // A name without extension as the disc records it ("README."),
        // which the reader shows without its dot.
        if (it == children.end() && name.size() > 1 && name.back() == '.') {
            const std::string_view bare = name.substr(0, name.size() - 1);
            it = std::find_if(children.begin(), children.end(),
                              [&](const TDiscNode& c) { return SameTextCaseless(c.Name, bare); });
        }
        if (it == children.end()) return nullptr;
        node = &*it;
    }
    return node;
}

void SortForDisplay(TDiscNode& node) {
    std::stable_sort(node.Children.begin(), node.Children.end(), [](const TDiscNode& a, const TDiscNode& b) {
        if (a.Directory != b.Directory) return a.Directory;
        return UpperCase(a.Name) < UpperCase(b.Name);
    });
    for (TDiscNode& child : node.Children) SortForDisplay(child);
}

// --- Extraction ----------------------------------------------------------------

TSessionExtractor::TSessionExtractor(TDiscSource& disc, TDebugSink debug) : disc_(disc), debug_(std::move(debug)) {}

void TSessionExtractor::Post(const std::string& message, int mType) const {
    if (debug_) debug_(message, mType);
}

TExtractReport TSessionExtractor::ExtractNode(const TDiscNode& node, const std::string& folder) {
    const auto kind = node.Directory ? TLocalNameKind::Folder : TLocalNameKind::File;
    return ExtractAs(node, SafeLocalName(node.Name, kind), folder);
}

TExtractReport TSessionExtractor::ExtractSession(const TDiscSession& session, const std::string& folder) {
    if (!session.FileSystemFound) {
        TExtractReport report;
        report.Failures.push_back(Format("ERROR EXTRACTING SESSION %d: NO FILE SYSTEM FOUND IN IT", session.Number));
        Post(">>> " + report.Failures.back(), mtFileSystem);
        return report;
    }
    return ExtractAs(session.Root, SafeLocalName(session.Caption(), TLocalNameKind::Folder), folder);
}

TExtractReport TSessionExtractor::ExtractAs(const TDiscNode& node, const std::string& name,
                                            const std::string& folder) {
    TExtractReport report;
    std::string error;
    const TLocalFd folderFd = OpenFolder(folder, error);
    if (!folderFd.Valid()) {
        report.Failures.push_back(Format("ERROR OPENING FOLDER %s: %s", folder.c_str(), error.c_str()));
        Post(">>> " + report.Failures.back(), mtFileSystem);
        return report;
    }
    if (name != node.Name && name + "." != node.Name && !node.Name.empty()) {
        report.Renamed.push_back(Format("%s SAVED AS %s", PrintableName(node.Name).c_str(), name.c_str()));
        Post(">>> " + report.Renamed.back(), mtInfo);
    }
    ExtractInto(folderFd.Get(), folder, node, name, report);
    return report;
}

void TSessionExtractor::ExtractInto(int folderFd, const std::string& folderPath, const TDiscNode& node,
                                    const std::string& localName, TExtractReport& report) {
    if (Cancelled()) {
        report.Cancelled = true;
        return;
    }
    const std::string path = folderPath + (folderPath.ends_with('/') ? "" : "/") + localName;
    if (node.Directory) {
        std::string error;
        const TLocalFd sub = CreateFolderIn(folderFd, localName, error);
        if (!sub.Valid()) {
            report.Failures.push_back(Format("ERROR CREATING FOLDER %s: %s", path.c_str(), error.c_str()));
            Post(">>> " + report.Failures.back(), mtFileSystem);
            if (OnFolderNotCreated) OnFolderNotCreated(path, error);
            return;
        }
        ++report.Folders;
        ExtractChildren(sub.Get(), path, node, report);
        // After the children, whose creation changes the folder's date.
        SetFileDate(sub.Get(), node.DateTime);
        return;
    }
    Post(">>> " + Format("EXTRACTING FILE %s TO %s", PrintableName(node.Name).c_str(), path.c_str()), mtInfo);
    TDiscFile file;
    file.Name = node.Name;
    file.Parts = node.Parts;
    file.DateTime = node.DateTime;
    const TExtractFileResult result = ExtractDiscFile(disc_, file, folderFd, localName, Cancel);
    if (result.Ok) {
        ++report.Files;
        report.Bytes += result.Bytes;
    } else if (result.Cancelled) {
        report.Cancelled = true;
    } else {
        report.Failures.push_back(Format("ERROR EXTRACTING FILE %s TO %s: %s, NO FILE WRITTEN",
                                         PrintableName(node.Name).c_str(), path.c_str(), result.Error.c_str()));
        Post(">>> " + report.Failures.back(), mtFileSystem);
    }
}

void TSessionExtractor::ExtractChildren(int folderFd, const std::string& folderPath, const TDiscNode& dir,
                                        TExtractReport& report) {
    TLocalNameSet names;
    for (const TDiscNode& child : dir.Children) {
        if (Cancelled()) {
            report.Cancelled = true;
            return;
        }
        const auto kind = child.Directory ? TLocalNameKind::Folder : TLocalNameKind::File;
        const std::string local = names.Claim(SafeLocalName(child.Name, kind));
        // Dropping the dot the project adds to a name without extension is
        // not worth a note.
        if (local != child.Name && local + "." != child.Name) {
            report.Renamed.push_back(
                Format("%s/%s SAVED AS %s", folderPath.c_str(), PrintableName(child.Name).c_str(), local.c_str()));
            Post(">>> " + report.Renamed.back(), mtInfo);
        }
        ExtractInto(folderFd, folderPath, child, local, report);
    }
}

}  // namespace sorvane
