#pragma once
// Loads the Add Files page's tree into the burner's project: a folder for
// every folder node that holds something, a file for every new file node
// under the name the tree gives it. The previous session's entries come
// back by themselves when the project is laid out for the disc.

#include <QStringList>

namespace sorvane {
class TOrvoBurner;
}

namespace sorvane::app {

class TProjectNode;

struct TLoadReport {
    // Source paths of files that were renamed or deleted since they were
    // added; they are left out.
    QStringList Missing;
    // Why files the project refused cannot be recorded (as the component
    // says it, or a clash of names); the project cannot be recorded as it is.
    QStringList Refused;
};

// Loads what lies below `root` into the component's project, which the
// caller has cleared.
TLoadReport LoadTree(TOrvoBurner& burner, const TProjectNode& root);

}  // namespace sorvane::app
