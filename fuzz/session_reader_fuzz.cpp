// libFuzzer target for everything that parses a disc: the session locator,
// the directory walk of both trees (import into a project and the sessions
// browser) and the local names extraction derives from disc names.
//
// The input describes a disc:
//   byte 0        bits 0-1: number of sessions (0-3); bits 2-4: sessions
//                 whose READ TRACK INFORMATION fails
//   per session   3 bytes, little-endian: the track start
//   then chunks   3 bytes lba, 2 bytes length (at most 2048), the bytes of
//                 that sector (the rest of it zero)
// Sectors no chunk names cannot be read, as on a real disc.
//
// The same entry point replays the seed corpus in the ordinary test run.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "engine/iso/local_name.h"
#include "engine/iso/memory_disc.h"
#include "engine/iso/session_browser.h"
#include "engine/iso/session_reader.h"
#include "engine/project/project_tree.h"

namespace {

using namespace sorvane;

std::uint32_t Le24(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16); }

void Check(bool condition) {
    if (!condition) std::abort();
}

TMemoryDisc DiscFrom(const std::uint8_t* data, std::size_t size) {
    TMemoryDisc disc;
    if (size == 0) return disc;
    const int sessions = data[0] & 0x03;
    const int failing = (data[0] >> 2) & 0x07;
    std::size_t pos = 1;
    for (int s = 0; s < sessions && pos + 3 <= size; ++s, pos += 3) {
        disc.AddSession({Le24(data + pos), 1000});
        if (failing & (1 << s)) disc.FailTrackInformation(s + 1);
    }
    while (pos + 5 <= size) {
        const std::uint32_t lba = Le24(data + pos);
        std::size_t length = data[pos + 3] | (data[pos + 4] << 8);
        pos += 5;
        length = std::min({length, std::size_t{TDiscSource::kSectorBytes}, size - pos});
        disc.SetSector(lba, {data + pos, length});
        pos += length;
    }
    return disc;
}

// A disc name must turn into exactly one entry inside the target folder.
void CheckLocalNames(const TDiscNode& dir) {
    TLocalNameSet claimed;
    std::set<std::string> seen;
    for (const TDiscNode& child : dir.Children) {
        const std::string local =
            SafeLocalName(child.Name, child.Directory ? TLocalNameKind::Folder : TLocalNameKind::File);
        Check(!local.empty() && local != "." && local != ".." && local.size() <= kMaxLocalNameBytes);
        Check(local.find('/') == std::string::npos && local.find('\0') == std::string::npos);
        Check(seen.insert(claimed.Claim(local)).second);
        if (child.Directory) CheckLocalNames(child);
    }
}

// The project's invariants after an import: every directory reachable once,
// every entry in exactly one list.
void CheckProject(const TProjectTree& tree) {
    std::size_t listed = 0;
    for (const auto& dir : tree.DirTable())
        for (const TFEntry* e = dir->FirstEntry; e; e = e->Next) {
            ++listed;
            Check(listed <= tree.FileTable().size());
            Check(!e->LongName.empty() && e->LongName != "." && e->LongName != "..");
        }
    Check(listed == tree.FileTable().size());
}

// Extracts a few files of the first session into a private folder, then
// checks that nothing but regular files appeared there.
void ExtractSome(TDiscSource& disc, const TDiscSession& session) {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "sorvane-fuzz-XXXXXX").string();
        Check(::mkdtemp(pattern.data()) != nullptr);
        return pattern;
    }();
    TSessionExtractor extractor(disc, nullptr);
    int extracted = 0;
    for (const TDiscNode& child : session.Root.Children) {
        if (child.Directory || child.Size > (1u << 20) || ++extracted > 4) continue;
        extractor.ExtractNode(child, folder);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        Check(entry.is_regular_file() && !entry.is_symlink());
        std::filesystem::remove(entry.path());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryDisc disc = DiscFrom(data, size);
    TObject sender;

    {
        TProjectTree tree(sender, nullptr);
        TSessionReader reader(disc, tree, nullptr);
        reader.ImportSession(kLastSession);
        reader.ImportSession(kLastSession);  // the layout imports again each time
        CheckProject(tree);
    }
    // Both trees of every session, whichever the import would prefer.
    for (int s = 1; s <= disc.GetLastSession(); ++s) {
        const TSessionLocation location = LocateSession(disc, s, nullptr);
        TProjectTree tree(sender, nullptr);
        TSessionReader reader(disc, tree, nullptr);
        if (location.JolietRoot)
            reader.ImportJolietDirectory(location.JolietRoot->Extent, location.JolietRoot->Length, tree.Root());
        if (location.PrimaryRoot)
            reader.ImportIsoDirectory(location.PrimaryRoot->Extent, location.PrimaryRoot->Length, tree.Root());
        CheckProject(tree);
    }

    const std::vector<TDiscSession> sessions = ReadDiscSessions(disc, nullptr);
    for (const TDiscSession& session : sessions) CheckLocalNames(session.Root);
    if (!sessions.empty()) ExtractSome(disc, sessions.front());
    return 0;
}
