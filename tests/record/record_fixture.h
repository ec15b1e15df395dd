#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/record/cache_thread.h"
#include "engine/rtl/search_rec.h"
#include "engine/rtl/sync_queue.h"

namespace sorvane::test {

using TBytes = std::vector<std::uint8_t>;

// A folder of its own under the system's temporary folder, removed with
// everything in it when the test ends.
class TTempDir {
public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sorvane-record-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Bytes that differ from file to file and from offset to offset, so that a
// misplaced or repeated piece shows.
inline TBytes Pattern(std::size_t size, std::uint8_t seed) {
    TBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + i * 7 + i / 251);
    return bytes;
}

inline void WriteFile(const std::string& path, const TBytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline TBytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Appends `bytes`, then zeros up to the next sector boundary: how one file
// lies in the stream.
inline void AppendSectors(TBytes& stream, const TBytes& bytes) {
    stream.insert(stream.end(), bytes.begin(), bytes.end());
    stream.resize((stream.size() + 2047) / 2048 * 2048, 0);
}

// A file table made by hand: entries as the project tree makes them.
class TTable {
public:
    TFEntry& File(const std::string& source, std::int64_t size) {
        auto& e = Add();
        e.SourcePath = source;
        e.IsoSize = e.JolietSize = size;
        e.Attr = 0x20;
        return e;
    }
    TFEntry& Add() {
        table_.push_back(std::make_unique<TFEntry>());
        return *table_.back();
    }
    const TFileTable& Table() const { return table_; }
    std::int64_t DataBytes() const {
        std::int64_t total = 0;
        for (const auto& e : table_)
            if (!e->IsDirectory() && !e->Imported && !e->SourcePath.empty()) total += (e->IsoSize + 2047) / 2048 * 2048;
        return total;
    }

private:
    TFileTable table_;
};

// Takes every block of a cache thread through GetBlock until the stream
// ends, recording the block sizes. Fails the test if the stream stalls.
inline TBytes Drain(TCacheThread& cache, std::vector<int>* blockSizes = nullptr) {
    TBytes stream;
    std::vector<std::uint8_t> buffer(TCacheThread::kDataBlockSize);
    for (int idle = 0; idle < 20000;) {
        const int n = cache.GetBlock(buffer.data());
        if (n == 0) return stream;
        if (n < 0) {
            ++idle;
            ::usleep(500);
            continue;
        }
        stream.insert(stream.end(), buffer.begin(), buffer.begin() + n);
        if (blockSizes) blockSizes->push_back(n);
    }
    ADD_FAILURE() << "the stream stalled";
    return stream;
}

class RecordTest : public testing::Test {
protected:
    void SetUp() override { TSyncQueue::Main().ClaimOwnership(); }

    TDebugSink Sink() {
        return [this](const std::string& message, int mType) {
            std::lock_guard guard(messagesMutex_);
            messages_.emplace_back(message, mType);
        };
    }
    std::vector<std::pair<std::string, int>> Messages() {
        std::lock_guard guard(messagesMutex_);
        return messages_;
    }

    TTempDir dir;
    TCriticalSection lock;

private:
    std::mutex messagesMutex_;
    std::vector<std::pair<std::string, int>> messages_;
};

}  // namespace sorvane::test
