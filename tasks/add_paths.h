#pragma once
// Adds files and folders of the local disk to the burner's project the way
// dropping them on the project's root in a file manager would: a file as a
// file, a folder as a folder of that name with its whole tree. Siblings are
// added folders first, then by name without regard to case, as the project
// page lists them, so the same tree always gives the same image.
//
// Symbolic links are followed; a link that leads back into a folder being
// added is a loop and is left out. Everything that cannot be added is
// named in a warning with the reason: nothing disappears silently. Names
// that differ only in case are both recorded, the later one renamed.

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/iso/recorded_names.h"
#include "engine/orvo_burner.h"
#include "tasks/local_walk.h"

namespace sorvane::tasks {

class TPathAdder {
public:
    // `warn` receives one line per entry left out.
    TPathAdder(TOrvoBurner& burner, std::function<void(const std::string&)> warn);

    void AddAll(const std::vector<std::string>& paths);
    // Leaves out the file at `path` (if it exists) wherever the walk meets
    // it, with `why` as the reason: the image being written, for one.
    void Exclude(const std::string& path, std::string why) { walk_.Exclude(path, std::move(why)); }
    // What a file would replace: a file of the same name in the same folder
    // of the project, one added before or one of a disc's session.
    struct TReplacement {
        std::string Path;    // the local file given
        std::string Name;    // its name
        std::string Folder;  // the project folder, "\\DOCS"
        bool OnDisc = false; // the file replaced is one of the disc's session
    };
    // Asked when a file would take the place of another: true replaces that
    // file, false leaves the new one out without a warning, the question
    // having told the user. Without it the new one is left out with a warning.
    using TConfirmReplace = std::function<bool(const TReplacement& replacement)>;
    void SetConfirmReplace(TConfirmReplace confirm) { confirmReplace_ = std::move(confirm); }

    int FilesAdded() const { return files_; }
    int FoldersAdded() const { return folders_; }
    // Files among FilesAdded() that replaced one of the same name.
    int FilesReplaced() const { return replaced_; }
    // Entries named in a warning, plus those a table limit refused.
    int LeftOut() const { return leftOut_; }
    // Says how many more entries the table limits refused than were named.
    void ReportLimits();

private:
    using TItem = TLocalItem;

    void AddItem(TDEntry* parent, const TItem& item);
    void AddFolder(TDEntry* parent, const TItem& item);
    void AddFileEntry(TDEntry* parent, const TItem& item);
    // Whether the file took the place of one of its name, after asking.
    // `declined` is set when the answer was No.
    bool ReplaceExisting(TDEntry* parent, const TItem& item, bool& declined);
    void LeaveOut(const std::string& path, const std::string& why);
    // Names differing only in case are distinct files and folders here,
    // while the project (and readers on other systems) take them for one:
    // the later one gets a name of its own, "name~N.ext", reported as the
    // layout reports its renames. Answers that name.
    std::string RecordApart(TDEntry* parent, const std::string& name, TEntryKind kind);
    static std::string AsRecorded(const std::string& name);
    static std::string ProjectPath(const TDEntry* parent, const std::string& name);
    // A refusal by the project's table limits: named the first time only.
    void LimitReached(const std::string& path, const std::string& what, int limit);

    TOrvoBurner& burner_;
    std::function<void(const std::string&)> warn_;
    TLocalWalk walk_;
    TConfirmReplace confirmReplace_;
    std::set<std::pair<const TDEntry*, std::string>> apart_;  // names given apart, upper case
    std::set<const TDEntry*> given_;                           // folders this run added or went into
    int files_ = 0;
    int folders_ = 0;
    int replaced_ = 0;
    int leftOut_ = 0;
    int limitRefusals_ = 0;
};

}  // namespace sorvane::tasks
