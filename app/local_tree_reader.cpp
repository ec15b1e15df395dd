#include "app/local_tree_reader.h"

#include <QDateTime>
#include <QLocale>

namespace sorvane::app {
namespace {

// Entries read between two calls of keepGoing: often enough for the window
// to answer at once, seldom enough to cost nothing.
constexpr int kEntriesPerTick = 256;

}  // namespace

QString ModifiedText(std::int64_t secondsSinceEpoch) {
    return QLocale::system().toString(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch), QLocale::ShortFormat);
}

TLocalTreeReader::TLocalTreeReader(std::function<bool()> keepGoing)
    : keepGoing_(std::move(keepGoing)), walk_([this](const std::string& path, const std::string& why) {
          leftOut_.append(QString::fromStdString(tasks::LeftOutText(path, why)));
      }) {}

std::unique_ptr<TProjectNode> TLocalTreeReader::Read(const QString& path) {
    tasks::TLocalItem item;
    // "/a/b/" names the folder "/a/b".
    QString bare = path;
    while (bare.size() > 1 && bare.endsWith('/')) bare.chop(1);
    if (!walk_.Describe(bare.toStdString(), item)) return nullptr;
    return NodeOf(item);
}

bool TLocalTreeReader::Tick() {
    if (abandoned_) return false;
    if (++sinceTick_ < kEntriesPerTick) return true;
    sinceTick_ = 0;
    if (keepGoing_ && !keepGoing_()) abandoned_ = true;
    return !abandoned_;
}

std::unique_ptr<TProjectNode> TLocalTreeReader::NodeOf(const tasks::TLocalItem& item) {
    const QString path = QString::fromStdString(item.Path);
    if (!item.IsFolder()) {
        TNodeData data{path, item.Rec.Size, ModifiedText(item.Rec.Time), false};
        return std::make_unique<TProjectNode>(ItemName(path), kImageFile, std::move(data));
    }
    auto folder = std::make_unique<TProjectNode>(ItemName(path), kImageFolder,
                                                 TNodeData{path.endsWith('/') ? path : path + '/', 0, {}, false});
    std::vector<tasks::TLocalItem> children;
    // A loop, or a folder that cannot be read, is named as left out: no
    // empty folder stands for it in the tree.
    if (!walk_.List(item, children)) return nullptr;
    walk_.Enter(item);
    // Each folder's size is summed once from its children, so that a tree
    // of n files costs n additions, whatever its depth.
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(static_cast<qsizetype>(children.size()));
    for (const tasks::TLocalItem& child : children) {
        if (!Tick()) break;
        std::unique_ptr<TProjectNode> node = NodeOf(child);
        if (abandoned_) break;
        if (!node) continue;
        folder->Data().Size += node->Data().Size;
        nodes.append(node.release());
    }
    walk_.Leave();
    // The children come sorted as the tree lists them.
    folder->addChildren(nodes);
    return abandoned_ ? nullptr : std::move(folder);
}

}  // namespace sorvane::app
