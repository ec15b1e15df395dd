#pragma once
// The tree of the Sessions page: a node per session with the folders and
// files of its file system, message nodes, the pictures that tell the kinds
// apart, and the details shown of the selected node.

#include <QString>
#include <cstdint>

#include "engine/iso/session_browser.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace sorvane::app {

// The kinds of node, by the number of their picture; expanding a session or
// a folder shows the next picture.
enum TNodeImage : int {
    kSessionClosed = 0,
    kSessionOpen = 1,
    kFolderClosed = 2,
    kFolderOpen = 3,
    kFile = 4,
    kMessage = 5,
};

// What a node stands for: the entry on the disc (the session's root for a
// session) and the session it belongs to, as the page keeps them.
struct TSessionNodeData {
    const TDiscSession* Session = nullptr;
    const TDiscNode* Entry = nullptr;
    QString SourcePath;  // "sr0:/docs/readme.txt"
    std::uint64_t Size = 0;
    QString Modified;
};

// Adds the node of `session`, filled with its tree in display order (folders
// first, then names without regard to case), with message nodes below it for
// what could not be read. `drive` is the drive's device name ("sr0"). The
// session must outlive the node.
QTreeWidgetItem* AddSessionNode(QTreeWidget& tree, const TDiscSession& session, const QString& drive);
// A top-level message node ("Sessions not found").
QTreeWidgetItem* AddMessageNode(QTreeWidget& tree, const QString& text);

// The node's picture number, and its data (empty for a message node).
int NodeImage(const QTreeWidgetItem& item);
TSessionNodeData NodeDataOf(const QTreeWidgetItem& item);
// Shows the picture of an expanded or collapsed session or folder.
void ShowExpanded(QTreeWidgetItem& item, bool expanded);

// Why the session's tree is not complete, as a sentence; empty when it is.
QString SessionWarningText(const TDiscSession& session);

// The details panel's three rows for a node.
struct TDetailRow {
    QString Caption;
    QString Text;
    bool Enabled = true;
};
struct TDetails {
    TDetailRow Path, Size, Modified;
};
TDetails DetailsOf(const QTreeWidgetItem& item);

}  // namespace sorvane::app
