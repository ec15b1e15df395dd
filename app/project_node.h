#pragma once
// A node of the Add Files page's tree: the project's root, a folder or a
// file, new or of the disc's previous session. Its image number is its kind
// and picks its icon; the node carries what the page knows of the entry.

#include <QString>
#include <QTreeWidgetItem>
#include <cstdint>

namespace sorvane::app {

// The image numbers, which are the node kinds.
enum TNodeImage : int {
    kImageRoot = 0,
    kImageFolder = 1,
    kImageFolderOpen = 2,
    kImageFile = 3,
    kImageOldFolder = 4,
    kImageOldFolderOpen = 5,
    kImageOldFile = 6,
};

struct TNodeData {
    // The local file or folder as added (a folder ends in "/"); the name
    // alone for an entry of the previous session; empty for a created folder.
    QString SourcePath;
    // A file's size; for a folder or the root the sum of the new files below.
    std::int64_t Size = 0;
    QString Modified;  // the file's date and time as text, empty for folders
    bool Imported = false;
};

class TProjectNode : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    TProjectNode(const QString& text, int image, TNodeData data = {});

    int Image() const { return image_; }
    void SetImage(int image);
    TNodeData& Data() { return data_; }
    const TNodeData& Data() const { return data_; }

    bool IsRoot() const { return image_ == kImageRoot; }
    bool IsFolder() const;
    bool IsFile() const { return image_ == kImageFile || image_ == kImageOldFile; }
    bool IsNewFile() const { return image_ == kImageFile; }
    // Of the disc's previous session.
    bool IsOld() const { return image_ >= kImageOldFolder; }

    TProjectNode* ParentNode() const { return static_cast<TProjectNode*>(parent()); }
    TProjectNode* Child(int index) const { return static_cast<TProjectNode*>(child(index)); }

    // Adds `bytes` to the size of every ancestor.
    void AddToAncestors(std::int64_t bytes);
    // Whether `other` is this node or lies below it.
    bool Contains(const TProjectNode* other) const;

    // Folders (and the root) before files, then by text without regard to
    // case.
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    void ShowKind();

    int image_;
    TNodeData data_;
};

// The name a path is shown by: its last part, a trailing "/" dropped.
QString ItemName(const QString& path);

// Sorts the children of `node` and of every node below it.
void SortSubtree(QTreeWidgetItem* node);

// The first child of `node` whose text is exactly `name`, or -1.
int IndexOfChild(const QTreeWidgetItem* node, const QString& name);

}  // namespace sorvane::app
