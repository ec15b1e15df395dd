#pragma once
// What the Info page shows of a drive and its disc: the rows of the drive's
// read and write matrix, and the disc's values (kind, speed, status,
// sizes) as their texts.

#include <cstdint>
#include <span>
#include <string>

#include "engine/orvo_burner.h"

namespace sorvane::tasks {

// A row of the matrix: its caption and the capability flag it shows.
struct TMatrixRow {
    const char* Caption;
    std::uint32_t Capability;
};

// The "Read" column: CD-R, CD-RW, DVD, DVD-R, DVD+R, DVD-RW, DVD+RW, DVD-RAM.
std::span<const TMatrixRow> ReadMatrix();
// The "Write" column: CD-R, CD-RW, Test, DVD-R, DVD+R, DVD-RW, DVD+RW, DVD-RAM.
std::span<const TMatrixRow> WriteMatrix();
// The row below both: "Protection from empty buffer".
TMatrixRow UnderrunRow();

// What can still be done with a disc. Each front end words it its own way.
enum class TDiscState {
    Unknown,     // the drive does not tell
    Blank,       // nothing recorded yet
    Appendable,  // holds sessions and takes more (overwritable discs: holds a volume)
    Incomplete,  // an interrupted recording left its session open
    Finalized,   // closed: nothing more can be recorded on it
};

// The disc values: texts, "???" until known, and the state.
struct TDiscValues {
    std::string Type = "???", MaxSpeed = "???";
    TDiscState State = TDiscState::Unknown;
    std::string FullSize = "???", UsedSpace = "???", FreeSpace = "???";
};

// Fills the disc values of the selected drive's disc: its kind's name, the
// drive's fastest write speed for it ("48x"), its state, and the sizes in
// Mb (no free space on a finalized disc). False, with every value left
// unknown, when the drive holds no disc it knows.
bool ReadDiscValues(TOrvoBurner& burner, TDiscValues& values);

}  // namespace sorvane::tasks
