#include "app/project_loader.h"

#include <QObject>

#include "app/project_node.h"
#include "engine/orvo_burner.h"
#include "engine/rtl/search_rec.h"

namespace sorvane::app {
namespace {

class TLoader {
public:
    TLoader(TOrvoBurner& burner, TLoadReport& report) : burner_(burner), report_(report) {}

    void Load(const TProjectNode& node, TDEntry* dir) {
        for (int i = 0; i < node.childCount(); ++i) {
            const TProjectNode& child = *node.Child(i);
            if (child.IsNewFile())
                LoadFile(child, dir);
            else if (child.IsFolder() && child.childCount() > 0)
                LoadFolder(child, dir);
        }
    }

private:
    void LoadFolder(const TProjectNode& node, TDEntry* parent) {
        // A folder of the previous session is merged with this one when the
        // session is imported at the layout.
        TDEntry* dir = burner_.AddDirByName(parent, node.text(0).toStdString(), faDirectory);
        if (!dir) {
            report_.Refused.append(QObject::tr("Folder \"%1\" exceeds the number of folders or entries an image can "
                                               "hold.")
                                       .arg(node.text(0)));
            return;
        }
        Load(node, dir);
    }

    void LoadFile(const TProjectNode& node, TDEntry* dir) {
        const std::string source = node.Data().SourcePath.toStdString();
        TSearchRec rec;
        if (!StatToSearchRec(source, rec) || (rec.Attr & faDirectory)) {
            report_.Missing.append(node.Data().SourcePath);
            return;
        }
        // The name the tree shows, whatever the source's own: two files of
        // the same name from two folders may sit side by side once renamed.
        rec.Name = node.text(0).toStdString();
        const int refusedBefore = static_cast<int>(report_.Refused.size());
        if (burner_.AddFile(dir, rec, 0, source)) return;
        // The component names what it cannot record (a file of 4 GiB or
        // more) in its messages; what it refuses without a word is a name
        // that clashes with another one of the folder.
        if (report_.Refused.size() == refusedBefore)
            report_.Refused.append(QObject::tr("File \"%1\" cannot be recorded in \"%2\": another entry there has "
                                               "the same name (letter case aside).")
                                       .arg(node.Data().SourcePath, QString::fromStdString(dir->Path)));
    }

    TOrvoBurner& burner_;
    TLoadReport& report_;
};

}  // namespace

TLoadReport LoadTree(TOrvoBurner& burner, const TProjectNode& root) {
    TLoadReport report;
    // The component's own reasons for refusing a file reach the user too.
    TOnDebugMsg previous = burner.OnDebugMessage;
    burner.OnDebugMessage = [&report, &previous](TSCSIDevice& sender, const std::string& message, int mType) {
        if (mType == mtFileSystem) report.Refused.append(QString::fromStdString(message));
        if (previous) previous(sender, message, mType);
    };
    TLoader(burner, report).Load(root, burner.FindDir("\\"));
    burner.OnDebugMessage = previous;
    return report;
}

}  // namespace sorvane::app
