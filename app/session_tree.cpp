#include "app/session_tree.h"

#include <QApplication>
#include <QStyle>
#include <QTreeWidget>

#include "app/size_text.h"
#include "engine/iso/local_name.h"
#include "engine/rtl/format.h"
#include "tasks/disc_sessions.h"

namespace sorvane::app {
namespace {

enum TRole : int {
    kImageRole = Qt::UserRole,
    kSessionRole,
    kEntryRole,
    kPathRole,
    kSizeRole,
    kModifiedRole,
};

QIcon ImageIcon(int image) {
    static const QStyle::StandardPixmap kPictures[] = {
        QStyle::SP_DriveCDIcon, QStyle::SP_DriveDVDIcon, QStyle::SP_DirClosedIcon,
        QStyle::SP_DirOpenIcon, QStyle::SP_FileIcon,     QStyle::SP_MessageBoxInformation,
    };
    return QApplication::style()->standardIcon(kPictures[image]);
}

void SetImage(QTreeWidgetItem& item, int image) {
    item.setData(0, kImageRole, image);
    item.setIcon(0, ImageIcon(image));
}

void SetData(QTreeWidgetItem& item, const TSessionNodeData& data) {
    item.setData(0, kSessionRole, QVariant::fromValue(reinterpret_cast<quintptr>(data.Session)));
    item.setData(0, kEntryRole, QVariant::fromValue(reinterpret_cast<quintptr>(data.Entry)));
    item.setData(0, kPathRole, data.SourcePath);
    item.setData(0, kSizeRole, QVariant::fromValue<qulonglong>(data.Size));
    item.setData(0, kModifiedRole, data.Modified);
}

QString Shown(const std::string& name) { return QString::fromStdString(PrintableName(name)); }

// `dirPath` is the directory's path on the disc, "/" for the root.
void DisplayDir(QTreeWidgetItem& parent, const TDiscSession& session, const TDiscNode& dir, const QString& drive,
                const QString& dirPath) {
    for (const TDiscNode& entry : dir.Children) {
        auto* item = new QTreeWidgetItem(&parent, QStringList(Shown(entry.Name)));
        const QString path = dirPath + (dirPath.endsWith('/') ? "" : "/") + Shown(entry.Name);
        SetData(*item, {&session, &entry, drive + ":" + path, entry.Size,
                        QString::fromStdString(tasks::NodeDateText(entry.DateTime))});
        SetImage(*item, entry.Directory ? kFolderClosed : kFile);
        if (entry.Directory) DisplayDir(*item, session, entry, drive, path);
    }
}

void AddMessage(QTreeWidgetItem& parent, const QString& text) {
    auto* item = new QTreeWidgetItem(&parent, QStringList(text));
    SetImage(*item, kMessage);
}

}  // namespace

QTreeWidgetItem* AddSessionNode(QTreeWidget& tree, const TDiscSession& session, const QString& drive) {
    auto* item = new QTreeWidgetItem(&tree, QStringList(QString::fromStdString(session.Caption())));
    SetData(*item, {&session, &session.Root, {}, session.SizeBytes(), {}});
    SetImage(*item, kSessionClosed);
    DisplayDir(*item, session, session.Root, drive, "/");
    // What the reader could not take from the disc is said where it is
    // missing.
    const QString warning = SessionWarningText(session);
    if (!warning.isEmpty()) {
        AddMessage(*item, warning);
        for (const std::string& problem : tasks::SessionProblems(session))
            AddMessage(*item, QString::fromStdString(PrintableName(problem)));
    }
    return item;
}

QTreeWidgetItem* AddMessageNode(QTreeWidget& tree, const QString& text) {
    auto* item = new QTreeWidgetItem(&tree, QStringList(text));
    SetImage(*item, kMessage);
    return item;
}

QString SessionWarningText(const TDiscSession& session) {
    QString warning = QString::fromStdString(tasks::SessionWarning(session));
    if (!warning.isEmpty()) warning[0] = warning[0].toUpper();
    return warning;
}

int NodeImage(const QTreeWidgetItem& item) { return item.data(0, kImageRole).toInt(); }

TSessionNodeData NodeDataOf(const QTreeWidgetItem& item) {
    if (NodeImage(item) == kMessage) return {};
    return {reinterpret_cast<const TDiscSession*>(item.data(0, kSessionRole).value<quintptr>()),
            reinterpret_cast<const TDiscNode*>(item.data(0, kEntryRole).value<quintptr>()),
            item.data(0, kPathRole).toString(), item.data(0, kSizeRole).value<qulonglong>(),
            item.data(0, kModifiedRole).toString()};
}

void ShowExpanded(QTreeWidgetItem& item, bool expanded) {
    const int image = NodeImage(item);
    if (image == kSessionClosed || image == kSessionOpen)
        SetImage(item, expanded ? kSessionOpen : kSessionClosed);
    else if (image == kFolderClosed || image == kFolderOpen)
        SetImage(item, expanded ? kFolderOpen : kFolderClosed);
}

namespace {
QString SizeOf(const TSessionNodeData& data) { return DetailsSizeText(static_cast<std::int64_t>(data.Size)); }
}  // namespace

TDetails DetailsOf(const QTreeWidgetItem& item) {
    const TSessionNodeData data = NodeDataOf(item);
    switch (NodeImage(item)) {
        case kFile:
            return {{"File path:", data.SourcePath}, {"File size:", SizeOf(data)},
                    {"Last modified:", data.Modified}};
        case kFolderClosed:
        case kFolderOpen:
            return {{"Folder name:", item.text(0)}, {"Content size:", {}, false}, {"Last modified:", {}, false}};
        case kSessionClosed:
        case kSessionOpen:
            return {{"Session number:", QString::fromStdString(IntToStrPad(3, "0", data.Session->Number))},
                    {"Session size:", SizeOf(data)},
                    {"Last modified:", {}, false}};
        default: return {};
    }
}

}  // namespace sorvane::app
