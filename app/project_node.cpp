#include "app/project_node.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QStyle>
#include <vector>

#include "tasks/local_paths.h"

namespace sorvane::app {
namespace {

// The previous session's entries look like the new ones, greyed, so that
// the user sees at once which can be changed.
QIcon MakeNodeIcon(int image) {
    QStyle* style = QApplication::style();
    switch (image) {
        case kImageRoot:
            return style->standardIcon(QStyle::SP_DriveCDIcon);
        case kImageFolder:
            return style->standardIcon(QStyle::SP_DirClosedIcon);
        case kImageFolderOpen:
            return style->standardIcon(QStyle::SP_DirOpenIcon);
        case kImageFile:
            return style->standardIcon(QStyle::SP_FileIcon);
        default:
            break;
    }
    const QIcon icon = MakeNodeIcon(image == kImageOldFolder ? kImageFolder
                                    : image == kImageOldFolderOpen ? kImageFolderOpen
                                                                    : kImageFile);
    return QIcon(icon.pixmap(16, 16, QIcon::Disabled));
}

// Made once for all nodes: a folder of many thousand files would otherwise
// decode the same pictures again for every one of them. Kept by the
// application, so that they go before it does.
class TNodeIcons : public QObject {
public:
    explicit TNodeIcons(QObject* owner) : QObject(owner) {
        for (int image = kImageRoot; image <= kImageOldFile; ++image) icons_[image] = MakeNodeIcon(image);
    }
    const QIcon& Of(int image) const { return icons_[image]; }

private:
    QIcon icons_[kImageOldFile + 1];
};

const QIcon& NodeIcon(int image) {
    static QPointer<TNodeIcons> icons;
    if (!icons) icons = new TNodeIcons(QCoreApplication::instance());
    return icons->Of(image);
}

}  // namespace

TProjectNode::TProjectNode(const QString& text, int image, TNodeData data)
    : QTreeWidgetItem(kType), image_(image), data_(std::move(data)) {
    setText(0, text);
    ShowKind();
    // Names can be edited, but only through the page's Rename.
    setFlags(flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled);
}

void TProjectNode::SetImage(int image) {
    if (image == image_) return;
    image_ = image;
    ShowKind();
}

void TProjectNode::ShowKind() {
    setIcon(0, NodeIcon(image_));
    // The disc's own entries in grey, so that they stand apart from the new
    // ones even where the two icons look alike.
    if (IsOld()) setForeground(0, QApplication::palette().brush(QPalette::Disabled, QPalette::Text));
}

bool TProjectNode::IsFolder() const {
    return image_ == kImageFolder || image_ == kImageFolderOpen || image_ == kImageOldFolder ||
           image_ == kImageOldFolderOpen;
}

void TProjectNode::AddToAncestors(std::int64_t bytes) {
    for (TProjectNode* node = ParentNode(); node; node = node->ParentNode()) node->data_.Size += bytes;
}

bool TProjectNode::Contains(const TProjectNode* other) const {
    for (const QTreeWidgetItem* node = other; node; node = node->parent())
        if (node == this) return true;
    return false;
}

bool TProjectNode::operator<(const QTreeWidgetItem& other) const {
    const auto& node = static_cast<const TProjectNode&>(other);
    const bool leaf = IsFile(), otherLeaf = node.IsFile();
    if (leaf != otherLeaf) return otherLeaf;
    return text(0).compare(node.text(0), Qt::CaseInsensitive) < 0;
}

QString ItemName(const QString& path) { return QString::fromStdString(tasks::BaseName(path.toStdString())); }

void SortSubtree(QTreeWidgetItem* node) {
    // Without recursion: a deep tree must not exhaust the stack.
    std::vector<QTreeWidgetItem*> pending{node};
    while (!pending.empty()) {
        QTreeWidgetItem* folder = pending.back();
        pending.pop_back();
        folder->sortChildren(0, Qt::AscendingOrder);
        for (int i = 0; i < folder->childCount(); ++i)
            if (folder->child(i)->childCount() > 0) pending.push_back(folder->child(i));
    }
}

int IndexOfChild(const QTreeWidgetItem* node, const QString& name) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == name) return i;
    return -1;
}

}  // namespace sorvane::app
