#include "tasks/add_paths.h"

#include <algorithm>

#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane::tasks {

TPathAdder::TPathAdder(TOrvoBurner& burner, std::function<void(const std::string&)> warn)
    : burner_(burner),
      warn_(std::move(warn)),
      walk_([this](const std::string& path, const std::string& why) { LeaveOut(path, why); }) {}

void TPathAdder::LeaveOut(const std::string& path, const std::string& why) {
    ++leftOut_;
    warn_(LeftOutText(path, why));
}

void TPathAdder::LimitReached(const std::string& path, const std::string& what, int limit) {
    if (limitRefusals_++ == 0) {
        ++leftOut_;
        warn_(LeftOutText(path, Format("an image holds at most %d %s", limit, what.c_str())));
    }
}

void TPathAdder::ReportLimits() {
    if (limitRefusals_ > 1) {
        leftOut_ += limitRefusals_ - 1;
        warn_(Format("%d more entries left out: the image is full", limitRefusals_ - 1));
    }
    limitRefusals_ = 0;
}

void TPathAdder::AddAll(const std::vector<std::string>& paths) {
    std::vector<TItem> items;
    for (const std::string& path : paths) {
        TItem item;
        if (walk_.Describe(path, item)) items.push_back(std::move(item));
    }
    TLocalWalk::SortAsListed(items);
    TDEntry* root = burner_.FindDir("\\");
    for (const TItem& item : items) AddItem(root, item);
    ReportLimits();
}

void TPathAdder::AddItem(TDEntry* parent, const TItem& item) {
    if (item.Rec.Attr & faDirectory)
        AddFolder(parent, item);
    else
        AddFileEntry(parent, item);
}

void TPathAdder::AddFolder(TDEntry* parent, const TItem& item) {
    std::vector<TItem> children;
    if (!walk_.List(item, children)) return;
    // Folders are looked up without regard to case: a second folder whose
    // name differs only in case would silently merge into the first. On
    // this system the two are distinct, and both are recorded: the later
    // one under a name of its own.
    TSearchRec rec = item.Rec;
    const std::string projectPath = ProjectPath(parent, rec.Name);
    if (const TDEntry* existing = burner_.FindDir(projectPath); existing && existing->LongName != rec.Name)
        rec.Name = RecordApart(parent, rec.Name, TEntryKind::Directory);
    const bool existed = burner_.FindDir(ProjectPath(parent, rec.Name)) != nullptr;
    TDEntry* folder = burner_.AddDir(parent, rec);
    if (!folder) {
        const auto& project = burner_.Project();
        if (project.DirCount() + 1 >= project.MaxDirs())
            LimitReached(item.Path, "folders", project.MaxDirs());
        else
            LimitReached(item.Path, "entries", project.MaxFiles());
        return;
    }
    if (!existed) ++folders_;
    given_.insert(folder);

    walk_.Enter(item);
    for (const TItem& child : children) AddItem(folder, child);
    walk_.Leave();
}

void TPathAdder::AddFileEntry(TDEntry* parent, const TItem& item) {
    if (item.Rec.Size > TProjectTree::kMaxFileSize) {
        LeaveOut(item.Path, "4 GiB or larger, which ISO 9660 cannot record");
        return;
    }
    TItem placed = item;
    // A file given before whose name differs only in case is another file
    // on this system, not an earlier version of this one: both are recorded.
    if (const TFEntry* existing = burner_.FindFile(parent, AsRecorded(item.Rec.Name));
        existing && !existing->Imported && existing->LongName != AsRecorded(item.Rec.Name))
        placed.Rec.Name = RecordApart(parent, item.Rec.Name, TEntryKind::File);
    bool declined = false;
    if (ReplaceExisting(parent, placed, declined)) {
        ++files_;
        ++replaced_;
        return;
    }
    if (declined) {
        ++leftOut_;
        return;
    }
    const TSearchRec& rec = placed.Rec;
    if (burner_.AddFile(parent, rec, 0, item.Path)) {
        ++files_;
        return;
    }
    // Refused: find out why, so that the warning can say it.
    const std::string name = AsRecorded(rec.Name);
    const auto& project = burner_.Project();
    if (const TFEntry* existing = burner_.FindFile(parent, name)) {
        if (existing->LongName == name)
            LeaveOut(item.Path, "an entry of that name is already in the image");
        else
            LeaveOut(item.Path, "its name differs only in case from '" + existing->LongName + "'");
    } else if (Utf16Length(name) > TProjectTree::kMaxLongName) {
        LeaveOut(item.Path, Format("its name is longer than %zu characters", TProjectTree::kMaxLongName));
    } else if (project.FileCount() >= project.MaxFiles()) {
        LimitReached(item.Path, "entries", project.MaxFiles());
    } else {
        LeaveOut(item.Path, "the project refused it");
    }
}

bool TPathAdder::ReplaceExisting(TDEntry* parent, const TItem& item, bool& declined) {
    if (!confirmReplace_) return false;
    const std::string name = AsRecorded(item.Rec.Name);
    const TFEntry* existing = burner_.FindFile(parent, name);
    // A folder of that name stays: a file cannot take its place.
    if (!existing || existing->IsDirectory()) return false;
    // Only a file for the same place is replaced: one of the disc's session
    // (the earlier version, whatever case a reader gave its name), or one
    // given before under exactly this name. One whose name differs only in
    // case is another file here, and is recorded beside it.
    if (!existing->Imported && existing->LongName != name) return false;
    if (!confirmReplace_({item.Path, item.Rec.Name, parent->Path, existing->Imported})) {
        declined = true;
        return false;
    }
    // Replacing is this one answer's doing: whatever else adds files later
    // (a session imported again at the layout) must not replace anything.
    const bool replaceFile = burner_.ReplaceFile();
    burner_.SetReplaceFile(true);
    const bool replaced = burner_.AddFile(parent, item.Rec, 0, item.Path);
    burner_.SetReplaceFile(replaceFile);
    return replaced;
}

std::string TPathAdder::AsRecorded(const std::string& name) {
    // The project records a file name without extension with a dot.
    return name.find('.') == std::string::npos ? name + '.' : name;
}

std::string TPathAdder::ProjectPath(const TDEntry* parent, const std::string& name) {
    return (parent->Path == "\\" ? "\\" : parent->Path + "\\") + name;
}

std::string TPathAdder::RecordApart(TDEntry* parent, const std::string& name, TEntryKind kind) {
    // "index.html" becomes "index~1.html", as the layout names an entry
    // whose recorded name another one took; a folder's "~N" goes at its end.
    const std::size_t dot = kind == TEntryKind::File ? name.rfind('.') : std::string::npos;
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = stem.size() == name.size() ? std::string() : name.substr(stem.size());
    // A name of that form the disc's session holds is where an earlier
    // recording put this entry apart: the file is its new version (replaced
    // as any file of the disc is), the folder its continuation. One given
    // apart in this run, or given so by the user, is another entry.
    std::string apart;
    for (unsigned n = 1;; ++n) {
        apart = stem + Format("~%u", n) + extension;
        if (apart_.count({parent, UpperCase(apart)})) continue;
        if (kind == TEntryKind::File) {
            const TFEntry* existing = burner_.FindFile(parent, AsRecorded(apart));
            if (!existing || (existing->Imported && !existing->IsDirectory())) break;
        } else {
            const TDEntry* existing = burner_.FindDir(ProjectPath(parent, apart));
            if (!existing || !given_.count(existing)) break;
        }
    }
    apart_.insert({parent, UpperCase(apart)});
    burner_.DebugMessage(">>> " + Format("NAME \"%s\" IN \"%s\" RECORDED AS \"%s\"", name.c_str(),
                                         parent->Path.c_str(), apart.c_str()),
                         mtInfo);
    return apart;
}

}  // namespace sorvane::tasks
