#pragma once
// Shared set-up of the volume tests: a burner on a fixed clock and time
// zone, a project filled by name, and temporary folders on the local disk.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/orvo_burner.h"

namespace sorvane::test {

// 2004-03-05 06:07:08.009, local time one hour east of UTC.
inline TDateTime FixedNow() { return *TryEncodeDateTime({2004, 3, 5, 6, 7, 8, 9}); }
inline constexpr int kFixedBias = -60;

// A folder under the system's temporary folder, removed with its contents.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // Writes `bytes` to `relative`, creating its folders.
    std::string Write(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

// Bytes that differ from file to file and from offset to offset, so that a
// file copied to the wrong place or shifted by a sector does not compare equal.
std::string Pattern(std::size_t size, unsigned seed);
std::string ReadWholeFile(const std::string& path);

class IsoTest : public testing::Test {
protected:
    IsoTest();

    TImageLayout& L() { return burner.Layout(); }
    // Adds a file entry of `size` bytes (no data on disk unless `source`).
    TFEntry* AddFile(const std::string& dirPath, const std::string& name, std::int64_t size,
                     const std::string& source = "/nonexistent", int attr = faArchive);
    // Lays out and builds the header stream for an image file.
    void Build();
    // One sector of the header stream, by absolute sector number.
    std::vector<std::uint8_t> Sector(std::int64_t sector) const;
    const std::uint8_t* At(std::int64_t sector) const;
    bool Said(const std::string& text) const;

    TScopedClock clock{FixedNow(), kFixedBias};
    TOrvoBurner burner;
    std::vector<std::pair<std::string, int>> messages;
};

}  // namespace sorvane::test
