#include "engine/verify/sector_checksum.h"

#include <xxhash.h>

#include <new>

namespace sorvane {

// The library's state lives on the heap: its layout is the library's own.
struct TSectorChecksum::TState {
    TState() : Xxh3(XXH3_createState()) {
        if (!Xxh3) throw std::bad_alloc();
        XXH3_64bits_reset(Xxh3);
    }
    ~TState() { XXH3_freeState(Xxh3); }
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;

    XXH3_state_t* Xxh3;
};

TSectorChecksum::TSectorChecksum() : state_(std::make_unique<TState>()) {}

TSectorChecksum::~TSectorChecksum() = default;
TSectorChecksum::TSectorChecksum(TSectorChecksum&&) noexcept = default;
TSectorChecksum& TSectorChecksum::operator=(TSectorChecksum&&) noexcept = default;

void TSectorChecksum::Reset() { XXH3_64bits_reset(state_->Xxh3); }

void TSectorChecksum::Update(const std::uint8_t* data, std::size_t bytes) {
    XXH3_64bits_update(state_->Xxh3, data, bytes);
}

std::uint64_t TSectorChecksum::Digest() const { return XXH3_64bits_digest(state_->Xxh3); }

std::uint64_t TSectorChecksum::Of(const std::uint8_t* data, std::size_t bytes) { return XXH3_64bits(data, bytes); }

}  // namespace sorvane
