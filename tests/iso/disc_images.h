#pragma once
// Discs made by independent tools (genisoimage), built once per test run in
// a temporary folder and loaded into memory discs at the addresses they were
// made for.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/iso/memory_disc.h"

namespace sorvane::test {

// A folder that is removed with everything in it when the object dies.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes);
// 100000 bytes nobody would write by accident.
std::vector<std::uint8_t> BigFileContent();

// The name of the long, non-ASCII file in \Docs, UTF-8.
extern const char* const kLongName;

struct TBuiltDisc {
    std::vector<std::uint8_t> Sessions[3];  // the image of each session
    std::uint32_t Starts[3] = {};
    int Count = 0;

    // A memory disc with the sessions at their starts.
    TMemoryDisc Load() const;
};

// Session 1: big.bin (100000 bytes), README, empty.txt, Docs/<kLongName>,
// A/inside.txt, all dated 2004-05-06 07:08:09 local time. Session 2 adds
// second.txt and replaces README; session 3 adds third.txt. Joliet + Rock
// Ridge, each session merging the one before.
const TBuiltDisc& ThreeSessionDisc();
// Session 1's files as a single session with neither Joliet nor Rock Ridge.
const TBuiltDisc& IsoOnlyDisc();
// Session 1's files with Joliet behind an ISO 9660:1999 enhanced descriptor,
// which comes first and is also a supplementary descriptor (type 2).
const TBuiltDisc& IsoLevel4Disc();

}  // namespace sorvane::test
