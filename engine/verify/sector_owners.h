#pragma once
// Which file each sector of a recording belongs to, for the messages of its
// verification: from the laid-out project (by the names its volume records)
// or from the file system an image file holds.

#include <vector>

#include "engine/iso/image_layout.h"
#include "engine/iso/session_browser.h"
#include "engine/project/project_tree.h"
#include "engine/verify/sent_checksums.h"

namespace sorvane {

// The files and the boot image of a project as `layout` placed them. Files
// kept from an earlier session are not part of the recording. Names are
// those of the Joliet tree, or of the ISO tree in a volume without one.
std::vector<TSectorOwner> ProjectSectorOwners(const TProjectTree& project, const TImageLayout& layout,
                                              bool jolietNames);

// The files below `root`, a tree read from a disc or an image.
std::vector<TSectorOwner> TreeSectorOwners(const TDiscNode& root);

}  // namespace sorvane
