#pragma once
// Where a medium's sectors live: 2048-byte sectors at their absolute LBAs,
// either in a sparse file (what users keep between runs, and the image a
// pressed disc is read from) or in memory (tests). Sectors never written read
// back as zeros, as the formatted or padded areas of a real disc do.

#include <cstdint>
#include <memory>
#include <string>

namespace sorvane::vdrive {

class TSectorStore {
public:
    virtual ~TSectorStore() = default;
    virtual bool Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) const = 0;
    virtual bool Write(std::uint32_t lba, std::uint32_t count, const std::uint8_t* in) = 0;
    // Forgets every sector (a blanked or newly inserted disc).
    virtual bool Clear() = 0;
    virtual std::string Path() const { return {}; }
    // Sectors up to the highest one ever stored (for a pressed image: its size).
    virtual std::uint32_t Extent() const = 0;
};

std::unique_ptr<TSectorStore> MakeMemoryStore();
// A sparse backing file, created when missing.
std::unique_ptr<TSectorStore> OpenFileStore(const std::string& path, std::string* error);
// A read-only image (pressed CD-ROM / DVD-ROM); its last partial sector reads padded with zeros.
std::unique_ptr<TSectorStore> OpenImageStore(const std::string& path, std::string* error);

}  // namespace sorvane::vdrive
