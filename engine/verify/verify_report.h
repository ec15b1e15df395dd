#pragma once
// The outcome of a verification: what was gone through, and every place
// where the disc does not hold what it should. A report confirms the disc
// only when every sector it set out to read was read and nothing was found;
// a stop before the end confirms nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/verify/sent_checksums.h"

namespace sorvane {

enum class TVerifyFault : std::uint8_t {
    Differs,           // sectors read back differ from what was sent, or from the source
    Unreadable,        // sectors that could not be read
    SizeDiffers,       // a file on the disc and its source differ in size
    NotOnDisc,         // a source whose name the session does not hold
    KindDiffers,       // a folder on one side, a file on the other
    SourceUnreadable,  // a source that could not be read
    TreeIncomplete,    // part of the session's file system could not be read
};

struct TVerifyProblem {
    TVerifyFault Fault = TVerifyFault::Differs;
    TSectorUse Use = TSectorUse::File;
    std::string Name;                 // a path in the volume: "photos/img_0042.jpg"
    std::uint32_t FirstSector = 0;    // Differs, Unreadable: absolute, inclusive
    std::uint32_t LastSector = 0;
    std::uint64_t DiscBytes = 0;      // SizeDiffers
    std::uint64_t SourceBytes = 0;
    bool FolderOnDisc = false;        // KindDiffers: the disc holds a folder, the source a file
    std::string Detail;               // SourceUnreadable: the system's reason
};

struct TVerifyReport {
    std::vector<TVerifyProblem> Problems;
    std::uint64_t SectorsToRead = 0;
    std::uint64_t SectorsRead = 0;    // read or found unreadable
    int Files = 0;                    // files whose sectors were gone through
    bool Cancelled = false;

    bool Confirmed() const { return Problems.empty() && !Cancelled && SectorsRead >= SectorsToRead; }
    // Records `problem`, or lengthens the last one when it goes on from it:
    // the same fault of the same thing in the very next sectors.
    void Add(TVerifyProblem problem);
};

}  // namespace sorvane
