#pragma once
// A growable in-memory byte stream with a position, for structures that are
// built in memory before they are sent (the file-system header).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace sorvane {

class TMemoryStream {
public:
    void Reserve(std::size_t bytes) { data_.reserve(bytes); }
    // Empties the stream and releases its memory.
    void Clear() {
        std::vector<std::uint8_t>().swap(data_);
        position_ = 0;
    }
    std::size_t Write(const void* buffer, std::size_t count) {
        if (position_ + count > data_.size()) data_.resize(position_ + count);
        if (count) std::memcpy(data_.data() + position_, buffer, count);
        position_ += count;
        return count;
    }
    void WriteZeros(std::size_t count) {
        if (position_ + count > data_.size()) data_.resize(position_ + count);
        std::fill_n(data_.data() + position_, count, std::uint8_t{0});
        position_ += count;
    }
    std::size_t Read(void* buffer, std::size_t count) {
        const std::size_t n = position_ < data_.size() ? std::min(count, data_.size() - position_) : 0;
        if (n) std::memcpy(buffer, data_.data() + position_, n);
        position_ += n;
        return n;
    }
    void Seek(std::size_t position) { position_ = position; }
    std::size_t Position() const { return position_; }
    std::size_t Size() const { return data_.size(); }
    const std::uint8_t* Data() const { return data_.data(); }
    std::uint8_t* Data() { return data_.data(); }

private:
    std::vector<std::uint8_t> data_;
    std::size_t position_ = 0;
};

}  // namespace sorvane
