#pragma once
// One SCSI command as the drive layer builds it: the operation code fixes the
// CDB length, the data direction and the time-out, so that no caller can send
// a CDB whose length is implied by the last byte it happened to set.

#include <array>
#include <cassert>
#include <cstdint>

#include "engine/device/aspi.h"
#include "engine/rtl/endian.h"

namespace sorvane {

enum class TDataDirection : std::uint8_t { None, In, Out };

enum class TCdbLength : std::uint8_t { Six = 6, Ten = 10, Twelve = 12 };

class TScsiCommand {
public:
    TScsiCommand(std::uint8_t opcode, TCdbLength length, TDataDirection direction, int timeoutMs)
        : length_(static_cast<std::uint8_t>(length)), direction_(direction), timeoutMs_(timeoutMs) {
        cdb_[0] = opcode;
    }

    // CDB fields; an index outside the command's length is a programming error.
    TScsiCommand& Set(std::size_t index, std::uint8_t value) {
        assert(index > 0 && index < length_);
        cdb_[index] = value;
        return *this;
    }
    TScsiCommand& SetBe16(std::size_t index, std::uint16_t value) {
        assert(index > 0 && index + 2 <= length_);
        WriteMsb(&cdb_[index], value);
        return *this;
    }
    TScsiCommand& SetBe32(std::size_t index, std::uint32_t value) {
        assert(index > 0 && index + 4 <= length_);
        WriteMsb(&cdb_[index], value);
        return *this;
    }
    // The data phase: the buffer the drive reads from or writes into.
    TScsiCommand& Data(void* buffer, std::uint32_t length) {
        assert(direction_ != TDataDirection::None || length == 0);
        buffer_ = static_cast<std::uint8_t*>(buffer);
        bufferLength_ = length;
        return *this;
    }
    TScsiCommand& Data(const void* buffer, std::uint32_t length) {
        assert(direction_ == TDataDirection::Out);
        // An outgoing buffer is only ever read: the executor copies it into a
        // buffer of its own before the library sees it.
        return Data(const_cast<void*>(buffer), length);
    }
    // Request flags other than the direction's (WRITE(10) lets its callers
    // choose them).
    TScsiCommand& Flags(std::uint8_t flags) {
        flags_ = flags;
        return *this;
    }

    std::uint8_t Opcode() const { return cdb_[0]; }
    std::uint8_t Length() const { return length_; }
    const std::array<std::uint8_t, 16>& Cdb() const { return cdb_; }
    TDataDirection Direction() const { return direction_; }
    int TimeoutMs() const { return timeoutMs_; }
    std::uint8_t RequestFlags() const;

    // A zero-filled execute request carrying this command.
    SRB_ExecSCSICmd ToRequest() const;

private:
    std::array<std::uint8_t, 16> cdb_{};
    std::uint8_t length_;
    TDataDirection direction_;
    int timeoutMs_;
    std::uint8_t* buffer_ = nullptr;
    std::uint32_t bufferLength_ = 0;
    std::uint8_t flags_ = 0;  // 0: completion by event plus the direction bit
};

}  // namespace sorvane
