#pragma once
// The published properties that shape the volume: whether a Joliet tree is
// written, whether short recordings are padded, and the identification
// fields of the volume descriptors. The burner component publishes them;
// the layout reads them when it plans and writes the volume.

#include <string>

#include "engine/rtl/date_time.h"

namespace sorvane {

struct TVolumeProperties {
    bool JolietFileSystem = true;
    // A recording shorter than 300 sectors is padded to 300 (GetImageSize).
    bool WritePostGap = true;
    std::string IdVolume, IdSystem, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
    std::string FileCopyright, FileAbstract, FileBibliographic;
    // Recorded in the Joliet descriptor only; the primary descriptor carries
    // the time of the build. DateEffective and DateExpiration are kept for
    // the front ends but not recorded.
    TDateTime DateCreation = 0, DateModification = 0, DateEffective = 0, DateExpiration = 0;
};

}  // namespace sorvane
