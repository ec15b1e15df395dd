#pragma once
// Reads files and folders of the local disk into nodes of the Add Files
// page's tree: a file becomes a file node, a folder a folder node with its
// whole tree below it, each folder's size the sum of the files it holds.
// The nodes are built apart from the tree and handed over whole, so that
// even a folder of many thousand files reaches the tree in one step.

#include <QStringList>
#include <functional>
#include <memory>

#include "app/project_node.h"
#include "tasks/local_walk.h"

namespace sorvane::app {

class TLocalTreeReader {
public:
    // `keepGoing` runs now and then while a large tree is read (the page
    // processes pending events in it); false abandons the reading.
    explicit TLocalTreeReader(std::function<bool()> keepGoing);

    // The node of `path`; nullptr when it is left out (named in LeftOut())
    // or the reading was abandoned.
    std::unique_ptr<TProjectNode> Read(const QString& path);

    // One line per entry left out, with the reason.
    const QStringList& LeftOut() const { return leftOut_; }
    bool Abandoned() const { return abandoned_; }

private:
    std::unique_ptr<TProjectNode> NodeOf(const tasks::TLocalItem& item);
    bool Tick();

    std::function<bool()> keepGoing_;
    tasks::TLocalWalk walk_;
    QStringList leftOut_;
    int sinceTick_ = 0;
    bool abandoned_ = false;
};

// A file's date and time as the system shows it.
QString ModifiedText(std::int64_t secondsSinceEpoch);

}  // namespace sorvane::app
