#pragma once
// A fixed, page-aligned byte buffer. Its pages are not touched on creation,
// so a large read-ahead ring costs memory only as far as it is filled.

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace sorvane {

class TAlignedBuffer {
public:
    static constexpr std::size_t kAlignment = 4096;

    TAlignedBuffer() = default;
    explicit TAlignedBuffer(std::size_t size)
        : data_(static_cast<std::uint8_t*>(std::aligned_alloc(kAlignment, RoundUp(size)))), size_(data_ ? size : 0) {}

    std::uint8_t* Data() const { return data_.get(); }
    std::size_t Size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    struct TFree {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    // aligned_alloc wants a multiple of the alignment.
    static std::size_t RoundUp(std::size_t size) { return (size + kAlignment - 1) / kAlignment * kAlignment; }

    std::unique_ptr<std::uint8_t, TFree> data_;
    std::size_t size_ = 0;
};

}  // namespace sorvane
