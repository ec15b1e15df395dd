#pragma once
// What a recording asks of the disc before it starts. A recording refused
// here leaves the disc untouched; started, it would fail only after the
// drive was prepared, calibrated and locked, and on a write-once disc after
// part of it was spent.

#include <cstdint>
#include <string>

#include "engine/device/scsi_constants.h"

namespace sorvane {

class TSCSIDevice;

inline constexpr char kNoDiscText[] = "NO DISC OR UNKNOWN TYPE";
inline constexpr char kReadOnlyDiscText[] = "RECORD ON %s IS IMPOSSIBLE";
inline constexpr char kNoTestWriteText[] = "TEST WRITE IS IMPOSSIBLE ON %s";
inline constexpr char kFinalizedDiscText[] = "DISC IS FINALIZED";
inline constexpr char kDiscNotEmptyText[] = "DISC IS NOT EMPTY";
inline constexpr char kSessionLeftOpenText[] = "THE LAST SESSION OF THE DISC WAS LEFT OPEN";
inline constexpr char kNoRoomText[] = "PROJECT SIZE OVERREACHED FREE DISC SPACE";
inline constexpr char kNoNextWritableText[] = "ERROR GETTING NEXT WRITABLE ADDRESS";

namespace disc {

// Where the recording starts on the disc.
enum class TStart { NextWritable, SectorZero };

// Refuses a disc the recording cannot be made on: none or unknown, a
// pressed disc, a test write on a kind that has no simulation mode (the
// drive would record for real), a finalized write-once or sequential disc,
// one whose last session an interrupted recording left open, and, for what
// starts at sector 0, a sequential disc that is not blank.
// Empty when the disc will do.
std::string CheckDisc(TSCSIDevice& device, TDiscKind kind, bool testWrite, TStart start);

// Refuses a recording of `sectors` from `startAddress` on that does not fit
// the disc, counting the last write's rounding up to 32 sectors on a DVD.
// A disc whose capacity cannot be read is not refused.
std::string CheckRoom(TSCSIDevice& device, TDiscKind kind, std::int64_t startAddress, std::int64_t sectors);

}  // namespace disc
}  // namespace sorvane
