#include "engine/iso/session_reader.h"

#include <set>
#include <vector>

#include "engine/iso/file_extractor.h"
#include "engine/iso/local_file.h"
#include "engine/iso/local_name.h"
#include "engine/project/short_name.h"
#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

TSearchRec SearchRecOf(const TDiscRecord& record) {
    TSearchRec sr;
    sr.Name = record.Name;
    sr.AlternateName = ShortNameForm(record.Name);
    sr.Size = static_cast<std::int64_t>(record.Length);
    sr.Time = DateTimeToFileDate(record.DateTime).value_or(0);
    sr.Attr = (record.IsHidden() ? faHidden : 0) | (record.IsDirectory() ? faDirectory : 0);
    return sr;
}

// Adds what the walk finds to the project, one level of the tree per
// directory entered.
class TImportVisitor : public TDirectoryVisitor {
public:
    TImportVisitor(TProjectTree& project, TDEntry* into, const TDebugSink& debug) : project_(project), debug_(debug) {
        levels_.push_back({into, {}});
    }

    bool EnterDirectory(const TDiscRecord& record) override {
        TLevel& level = levels_.back();
        if (!level.Names.insert(UpperCase(record.Name)).second)
            Post(">>> " + Format("DIRECTORY %s OF THE DISC SHARES ITS NAME WITH ANOTHER ENTRY (CASE IGNORED), "
                                 "THEIR CONTENTS ARE MERGED",
                                 PrintableName(record.Name).c_str()));
        TDEntry* dir = project_.AddDir(level.Dir, SearchRecOf(record));
        if (!dir) {
            leftOut_ = true;  // the directory table is full, and AddDir said so
            return false;
        }
        levels_.push_back({dir, {}});
        return true;
    }

    void LeaveDirectory() override { levels_.pop_back(); }
    // Something of the disc could not be taken into the project.
    bool LeftOut() const { return leftOut_; }

    void VisitFile(const TDiscRecord& record) override {
        TLevel& level = levels_.back();
        const std::string shown = PrintableName(record.Name);
        if (record.InPieces()) {
            // The project records a file as one extent of at most 4 GiB; a
            // new session would show a truncated file.
            Post(">>> " + Format("FILE %s IS 4 GB OR LARGER (%zu PIECES ON THE DISC), NOT IMPORTED", shown.c_str(),
                                 record.Parts.size()));
            return;
        }
        // The project tells names apart without regard to case, the disc
        // may not: say so rather than let one of them vanish.
        std::string key = UpperCase(record.Name);
        if (key.find('.') == std::string::npos) key += '.';
        if (!level.Names.insert(key).second) {
            Post(">>> " + Format("FILE %s NOT IMPORTED, ANOTHER ENTRY OF ITS DIRECTORY HAS THE SAME NAME "
                                 "(CASE IGNORED)",
                                 shown.c_str()));
            return;
        }
        if (!project_.AddFile(level.Dir, SearchRecOf(record), static_cast<int>(record.Extent), std::string())) {
            // An entry of that name already in the project (one the user
            // added) wins; anything else is a file of the disc left out: a
            // full table (AddFile said so), a handler's skip, or a name too
            // long, which AddFile leaves out without a word.
            if (project_.FindFile(level.Dir, key)) return;
            leftOut_ = true;
            if (Utf16Length(key) > TProjectTree::kMaxLongName)
                Post(">>> " + Format("FILE %s NOT IMPORTED, ITS NAME IS LONGER THAN %zu CHARACTERS", shown.c_str(),
                                     TProjectTree::kMaxLongName));
            return;
        }
        // An empty file is recorded at sector 0, which AddFile takes for "not
        // on the disc"; it is on the disc all the same and has no source.
        if (record.Extent == 0 && project_.LastAddedEntry) {
            project_.LastAddedEntry->Imported = true;
            project_.LastAddedEntry->IsoSector = project_.LastAddedEntry->JolietSector = 0;
        }
    }

private:
    struct TLevel {
        TDEntry* Dir;
        std::set<std::string> Names;  // upper-cased names met in this directory of the disc
    };

    void Post(const std::string& message) {
        leftOut_ = true;
        if (debug_) debug_(message, mtFileSystem);
    }

    TProjectTree& project_;
    const TDebugSink& debug_;
    std::vector<TLevel> levels_;
    bool leftOut_ = false;
};

}  // namespace

TSessionReader::TSessionReader(TDiscSource& disc, TProjectTree& project, TDebugSink debug)
    : disc_(disc), project_(project), debug_(std::move(debug)) {}

void TSessionReader::Post(const std::string& message, int mType) const {
    if (debug_) debug_(message, mType);
}

bool TSessionReader::ImportSession(std::uint8_t session, TDEntry* into) {
    ImportIncomplete = false;
    if (!into) into = project_.Root();
    const TSessionLocation location = LocateSession(disc_, session, debug_);
    if (!location.FileSystemFound()) return false;
    // A Joliet tree that cannot be read still leaves the ISO tree of the
    // same session, with its shorter names, rather than nothing.
    if (location.JolietRoot &&
        ImportJolietDirectory(location.JolietRoot->Extent, location.JolietRoot->Length, into))
        return true;
    if (location.PrimaryRoot && ImportIsoDirectory(location.PrimaryRoot->Extent, location.PrimaryRoot->Length, into))
        return true;
    Post(">>> " + Format("ERROR IMPORTING SESSION %d (ROOT DIRECTORY UNREADABLE)", location.Number), mtFileSystem);
    return false;
}

bool TSessionReader::ImportDirectory(TTreeKind kind, std::uint32_t extent, std::uint32_t length, TDEntry* into) {
    if (!into) return false;
    TImportVisitor visitor(project_, into, debug_);
    TDirectoryWalker walker(disc_, kind, debug_, Limits);
    const bool read = walker.Walk(extent, length, visitor);
    ImportIncomplete = walker.Truncated() || visitor.LeftOut();
    return read;
}

bool TSessionReader::ImportJolietDirectory(std::uint32_t extent, std::uint32_t length, TDEntry* into) {
    return ImportDirectory(TTreeKind::Joliet, extent, length, into);
}

bool TSessionReader::ImportIsoDirectory(std::uint32_t extent, std::uint32_t length, TDEntry* into) {
    return ImportDirectory(TTreeKind::Iso, extent, length, into);
}

bool TSessionReader::ExtractFile(const TFEntry& entry, const std::string& destFile, const std::atomic<bool>* cancel) {
    Post(">>> " + Format("EXTRACTING FILE %s TO %s", PrintableName(entry.LongName).c_str(), destFile.c_str()), mtInfo);
    LastError.clear();
    const auto fail = [&](const std::string& reason) {
        LastError = Format("ERROR EXTRACTING FILE %s TO %s: %s", PrintableName(entry.LongName).c_str(),
                           destFile.c_str(), reason.c_str());
        Post(">>> " + LastError, mtFileSystem);
        return false;
    };
    if (entry.IsDirectory()) return fail("IT IS A DIRECTORY");
    if (!entry.Imported) return fail("IT IS NOT A FILE OF THE DISC");

    const auto slash = destFile.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : destFile.substr(0, slash);
    const std::string name = slash == std::string::npos ? destFile : destFile.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return fail("NO FILE NAME GIVEN");
    std::string error;
    const TLocalFd folderFd = OpenFolder(folder, error);
    if (!folderFd.Valid()) return fail(error);

    TDiscFile file;
    file.Name = entry.LongName;
    file.DateTime = entry.DateTime;
    // ISO 9660 records a file's length in 32 bits.
    file.Parts.push_back({static_cast<std::uint32_t>(entry.IsoSector), static_cast<std::uint32_t>(entry.IsoSize)});
    const TExtractFileResult result = ExtractDiscFile(disc_, file, folderFd.Get(), name, cancel);
    if (!result.Ok) return fail(result.Error + ", NO FILE WRITTEN");
    return true;
}

}  // namespace sorvane
