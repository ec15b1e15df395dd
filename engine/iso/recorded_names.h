#pragma once
// The names entries are recorded under, in the ISO tree and in the Joliet
// tree. The project keeps the user's names; what the volume can carry is
// narrower: ISO 9660 and Joliet forbid some characters, the ISO tree here
// holds printable ASCII only, a record's length is one byte, and readers
// lose one of two entries of a directory that share a name. Every name is
// decided once per layout, and the sizing and the writing of the directory
// extents and path tables use the same decision.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/project/project_tree.h"
#include "engine/rtl/component.h"

namespace sorvane {

// Longest ISO identifier, version suffix included: the limit of ISO 9660:1999,
// well inside what a one-byte record length allows.
inline constexpr std::size_t kMaxIsoNameBytes = 207;
// Longest Joliet identifier in UCS-2 units, version suffix included. A record
// would hold 110 (33 bytes, 2 per unit and the pad byte within 255), but
// readers of long Joliet names cut them at 103 units (206 bytes), which
// would take the extension, or the whole version, off a longer name.
inline constexpr std::size_t kMaxJolietNameUnits = 103;

enum class TEntryKind { File, Directory };

// The identifier an entry would be recorded under if no other entry of its
// directory claimed it: characters no reader accepts replaced by "_", cut to
// fit while keeping the extension, and ";1" appended to files.
std::string IsoIdentifier(std::string_view shortName, TEntryKind kind);
std::u16string JolietIdentifier(std::string_view longName, TEntryKind kind);

struct TRecordedDir {
    // The directory's own identifier, as its item in the parent records it
    // (empty for the root, whose records carry the byte 00h).
    std::string IsoName;
    std::u16string JolietName;
    // The identifiers of its entries, in list order.
    std::vector<std::string> IsoNames;
    std::vector<std::u16string> JolietNames;
};

class TRecordedNames {
public:
    // Names every entry of `project` in both trees, unique within each
    // directory (ISO names compared upper-case, and Joliet names too, as the
    // project compares long names and as readers of that platform do).
    // Renamed entries are reported through `debug`: every Joliet name that
    // differs from the user's when `reportJoliet`, and every ISO name that
    // had to be made unique.
    void Build(const TProjectTree& project, const TDebugSink& debug, bool reportJoliet);

    // The names of a directory of the project last built.
    const TRecordedDir& Of(const TDEntry* dir) const { return dirs_[index_.at(dir)]; }
    const TRecordedDir& At(std::size_t dirTableIndex) const { return dirs_[dirTableIndex]; }

private:
    std::vector<TRecordedDir> dirs_;
    std::unordered_map<const TDEntry*, std::size_t> index_;
};

// UCS-2 big-endian bytes of a Joliet identifier, as records store it.
std::string JolietBytes(std::u16string_view name);

}  // namespace sorvane
