#pragma once
// The discs sorvane-cli records, read back by independent readers
// (xorriso, isoinfo) from the images the recorder exports of each session.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sorvane::test {

// A file as a reader found it in an image.
struct TFoundFile {
    std::int64_t Lba = -1;  // -1: the reader gave none (an empty file)
    std::int64_t Size = 0;
    std::vector<std::uint8_t> Content;
};
using TFoundTree = std::map<std::string, TFoundFile>;  // by path: "/Docs/big.bin"

// What xorriso finds in the image: every file's first sector, size and
// content. Empty, with a failure added, when it cannot read the image.
TFoundTree ReadWithXorriso(const std::string& image, const std::string& scratch);
// The same from isoinfo, in the Joliet tree (names as recorded) or in the
// ISO 9660 tree (upper-case names, versions and a dotless name's dot
// dropped).
TFoundTree ReadWithIsoinfo(const std::string& image, bool joliet);

// Whether the readers are installed; a test that needs one skips without it.
bool HaveReaders();

}  // namespace sorvane::test
