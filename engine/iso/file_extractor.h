#pragma once
// Copies one file's data from the disc into a local file.
//
// The copy is written under a temporary name in the target folder and takes
// its real name only once every sector was read and written. A failed read,
// a full disk or a cancel therefore leave no file that looks complete, and a
// file already there under that name is left as it was.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/iso/directory_record_reader.h"
#include "engine/iso/disc_source.h"
#include "engine/rtl/date_time.h"

namespace sorvane {

// What the copy needs to know of a file on the disc.
struct TDiscFile {
    std::string Name;  // as on the disc, for messages
    std::vector<TExtentPart> Parts;
    TDateTime DateTime = 0;
};

// Sectors read with one READ(10): 31 sectors (63488 bytes) fill most of a
// 64 KiB transfer, which every drive accepts.
constexpr std::uint32_t kExtractChunkSectors = 31;

struct TExtractFileResult {
    bool Ok = false;
    bool Cancelled = false;
    std::uint64_t Bytes = 0;
    std::string Error;  // why it failed, upper case; empty on success
};

// Writes `file` as `name` inside the open folder `folderFd`. `name` must be
// a single component (SafeLocalName). `cancel`, when given, is checked
// between reads.
TExtractFileResult ExtractDiscFile(TDiscSource& disc, const TDiscFile& file, int folderFd, const std::string& name,
                                   const std::atomic<bool>* cancel = nullptr);

}  // namespace sorvane
