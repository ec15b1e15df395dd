#pragma once
// Names read from a disc become names of local files only through here.
// A disc can carry any bytes in a name: separators, "..", control
// characters, nothing at all, or more than the local file system takes.
// Extraction joins a folder the user chose with these names, so each must
// name exactly one new entry inside that folder.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace sorvane {

enum class TLocalNameKind { File, Folder };

// Longest name, in bytes, that a Linux file system accepts for one entry.
constexpr std::size_t kMaxLocalNameBytes = 255;

// A single path component that can be created inside a folder and nowhere
// else: "/" and "\" and control characters become "_", an empty name, "."
// and ".." become underscores, and a name too long for the local file system
// is shortened, keeping its extension. A file name keeps its trailing dot
// only when nothing else is left: the project records an extensionless file
// as "NAME.", which the user knows as "NAME".
std::string SafeLocalName(std::string_view discName, TLocalNameKind kind = TLocalNameKind::File);

// A name as it may appear in a message: control characters shown as "?", so
// that a hostile name cannot rewrite the lines around it.
std::string PrintableName(std::string_view name);

// The names given out in one local folder. Entries of a disc directory may
// differ only in case, or only in characters SafeLocalName replaced; on the
// local side they would land on one file and the later one would silently
// replace the earlier. Claim hands out the name itself the first time and
// "name (2).ext", "name (3).ext"... after that, comparing without regard to
// case, since the folder may live on a file system that ignores it.
class TLocalNameSet {
public:
    std::string Claim(const std::string& safeName);

private:
    std::set<std::string> taken_;
};

}  // namespace sorvane
