#pragma once
// The records of the project tree: one TDEntry per directory of the image,
// one TFEntry per entry of a directory list (a file, or the item that stands
// for a subdirectory in its parent's list).

#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/rtl/date_time.h"

namespace sorvane {

struct TFEntry;

struct TDEntry {
    std::string ShortName;        // ISO 9660 name, upper case; "CD_ROOT" for the root
    std::string LongName;         // Joliet name; "CD Root Directory" for the root
    std::int64_t IsoSize = 0;     // ISO extent length, whole sectors (set by the layout)
    std::int64_t JolietSize = 0;  // Joliet extent length (set by the layout)
    std::string Path;             // upper-case path from the long names: "\" or "\DOCS\2004"
    int IsoSector = 0;            // extent start, relative to the ISO directory area
    int JolietSector = 0;         // extent start, relative to the Joliet directory area
    std::uint8_t Level = 0;       // 1 for the root, 0 otherwise (first key of the initial sort)
    int Number = 0;               // 1-based position in path-table order (set by the layout)
    TDEntry* Parent = nullptr;    // the root points to itself
    TFEntry* FirstEntry = nullptr;

    // Bookkeeping of the tree, not part of the record: the list's tail so
    // that appending does not walk the list, and the entries by upper-cased
    // long name so that a lookup does not either.
    TFEntry* LastEntry = nullptr;
    std::unordered_multimap<std::string, TFEntry*> EntriesByName;
};

struct TFEntry {
    std::string ShortName;         // ISO 9660 name, upper case; files always contain a dot
    std::string LongName;          // Joliet name
    std::string SourcePath;        // local file; empty for directory items and imported files
    bool Imported = false;         // data already on the disc at IsoSector (absolute)
    TDateTime DateTime = 0;
    std::int64_t IsoSize = 0;      // data length; for a directory item its ISO extent length
    std::int64_t JolietSize = 0;   // equal to IsoSize for files
    int IsoSector = 0;             // relative to the first file sector, or absolute when Imported
    int JolietSector = 0;
    int Attr = 0;                  // faDirectory marks a directory item, faHidden hides the entry
    TDEntry* Dir = nullptr;        // the directory a directory item stands for
    TFEntry* Next = nullptr;

    // Position in its directory's list, increasing in list order; a replaced
    // entry keeps its position. Lets a name lookup pick the first match.
    std::uint64_t ListOrder = 0;

    bool IsDirectory() const { return Dir != nullptr; }
};

}  // namespace sorvane
