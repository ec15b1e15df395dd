#pragma once
// One builder per command the tests send: each fixes the operation code, the
// CDB length and the data direction, and takes its fields by name.

#include <array>
#include <cstdint>

#include "engine/rtl/endian.h"

namespace sorvane::vdrive::test {

enum class TDir : std::uint8_t { None, In, Out };

struct TCdb {
    std::array<std::uint8_t, 16> Bytes{};
    std::uint8_t Length = 6;
    TDir Direction = TDir::None;
    std::uint32_t DataLength = 0;  // bytes in, or the parameter list length out
};

namespace cdb {

inline TCdb Make(std::uint8_t opcode, std::uint8_t length, TDir direction, std::uint32_t dataLength = 0) {
    TCdb c;
    c.Bytes[0] = opcode;
    c.Length = length;
    c.Direction = direction;
    c.DataLength = dataLength;
    return c;
}

inline TCdb TestUnitReady() { return Make(0x00, 6, TDir::None); }
inline TCdb RezeroUnit() { return Make(0x01, 6, TDir::None); }

inline TCdb RequestSense(std::uint8_t allocation = 18, bool descriptorFormat = false) {
    TCdb c = Make(0x03, 6, TDir::In, allocation);
    c.Bytes[1] = descriptorFormat ? 0x01 : 0x00;
    c.Bytes[4] = allocation;
    return c;
}

inline TCdb FormatUnit(std::uint32_t listLength = 12) {
    TCdb c = Make(0x04, 6, TDir::Out, listLength);
    c.Bytes[1] = 0x11;  // format data follows, format code 001b
    return c;
}

inline TCdb Inquiry(std::uint16_t allocation = 96, bool vitalProductData = false, std::uint8_t pageCode = 0) {
    TCdb c = Make(0x12, 6, TDir::In, allocation);
    c.Bytes[1] = vitalProductData ? 0x01 : 0x00;
    c.Bytes[2] = pageCode;
    WriteMsb<std::uint16_t>(&c.Bytes[3], allocation);
    return c;
}

enum class TTray : std::uint8_t { Eject, Load };
inline TCdb StartStopUnit(TTray tray) {
    TCdb c = Make(0x1B, 6, TDir::None);
    c.Bytes[4] = tray == TTray::Eject ? 0x02 : 0x03;
    return c;
}

inline TCdb PreventAllowRemoval(bool prevent) {
    TCdb c = Make(0x1E, 6, TDir::None);
    c.Bytes[4] = prevent ? 0x01 : 0x00;
    return c;
}

inline TCdb ReadFormatCapacities(std::uint16_t allocation = 252) {
    TCdb c = Make(0x23, 10, TDir::In, allocation);
    WriteMsb<std::uint16_t>(&c.Bytes[7], allocation);
    return c;
}

inline TCdb ReadCapacity() { return Make(0x25, 10, TDir::In, 8); }

inline TCdb Read10(std::uint32_t lba, std::uint16_t count) {
    TCdb c = Make(0x28, 10, TDir::In, std::uint32_t(count) * 2048);
    WriteMsb<std::uint32_t>(&c.Bytes[2], lba);
    WriteMsb<std::uint16_t>(&c.Bytes[7], count);
    return c;
}

inline TCdb Write10(std::uint32_t lba, std::uint16_t count) {
    TCdb c = Make(0x2A, 10, TDir::Out, std::uint32_t(count) * 2048);
    WriteMsb<std::uint32_t>(&c.Bytes[2], lba);
    WriteMsb<std::uint16_t>(&c.Bytes[7], count);
    return c;
}

inline TCdb SynchronizeCache(bool immediate) {
    TCdb c = Make(0x35, 10, TDir::None);
    c.Bytes[1] = immediate ? 0x02 : 0x00;
    return c;
}

enum class TTocFormat : std::uint8_t { Toc = 0, SessionInfo = 1, Atip = 4 };
inline TCdb ReadToc(TTocFormat format, bool msf, std::uint8_t trackSession = 0, std::uint16_t allocation = 804) {
    TCdb c = Make(0x43, 10, TDir::In, allocation);
    c.Bytes[1] = msf ? 0x02 : 0x00;
    c.Bytes[2] = std::uint8_t(format);
    c.Bytes[6] = trackSession;
    WriteMsb<std::uint16_t>(&c.Bytes[7], allocation);
    return c;
}

enum class TRequestType : std::uint8_t { All = 0, Current = 1, One = 2 };
inline TCdb GetConfiguration(TRequestType type, std::uint16_t startingFeature, std::uint16_t allocation = 1024) {
    TCdb c = Make(0x46, 10, TDir::In, allocation);
    c.Bytes[1] = std::uint8_t(type);
    WriteMsb<std::uint16_t>(&c.Bytes[2], startingFeature);
    WriteMsb<std::uint16_t>(&c.Bytes[7], allocation);
    return c;
}

inline TCdb ReadDiscInformation(std::uint16_t allocation = 34) {
    TCdb c = Make(0x51, 10, TDir::In, allocation);
    WriteMsb<std::uint16_t>(&c.Bytes[7], allocation);
    return c;
}

enum class TAddress : std::uint8_t { Lba = 0, Track = 1, Session = 2 };
inline TCdb ReadTrackInformation(TAddress type, std::uint32_t value, std::uint16_t allocation = 48) {
    TCdb c = Make(0x52, 10, TDir::In, allocation);
    c.Bytes[1] = std::uint8_t(type);
    WriteMsb<std::uint32_t>(&c.Bytes[2], value);
    WriteMsb<std::uint16_t>(&c.Bytes[7], allocation);
    return c;
}

inline TCdb ReserveTrack(std::uint32_t sectors) {
    TCdb c = Make(0x53, 10, TDir::None);
    WriteMsb<std::uint32_t>(&c.Bytes[5], sectors);
    return c;
}

inline TCdb SendOpcInformation() {
    TCdb c = Make(0x54, 10, TDir::None);
    c.Bytes[1] = 0x01;  // perform OPC
    return c;
}

inline TCdb ModeSelect10(std::uint16_t listLength) {
    TCdb c = Make(0x55, 10, TDir::Out, listLength);
    c.Bytes[1] = 0x10;  // page format
    WriteMsb<std::uint16_t>(&c.Bytes[7], listLength);
    return c;
}

enum class TPageControl : std::uint8_t { Current = 0, Changeable = 1, Default = 2, Saved = 3 };
inline TCdb ModeSense10(std::uint8_t pageCode, TPageControl control = TPageControl::Current,
                        std::uint16_t allocation = 512, bool noBlockDescriptor = false) {
    TCdb c = Make(0x5A, 10, TDir::In, allocation);
    c.Bytes[1] = noBlockDescriptor ? 0x08 : 0x00;
    c.Bytes[2] = std::uint8_t(std::uint8_t(control) << 6 | pageCode);
    WriteMsb<std::uint16_t>(&c.Bytes[7], allocation);
    return c;
}

enum class TClose : std::uint8_t { Track = 1, Session = 2, StopFormat = 3, FinalizeMinimal = 5, Finalize = 6 };
inline TCdb CloseTrackSession(TClose function, std::uint16_t track, bool immediate = false) {
    TCdb c = Make(0x5B, 10, TDir::None);
    c.Bytes[1] = immediate ? 0x01 : 0x00;
    c.Bytes[2] = std::uint8_t(function);
    WriteMsb<std::uint16_t>(&c.Bytes[4], track);
    return c;
}

inline TCdb ReadBufferCapacity() {
    TCdb c = Make(0x5C, 10, TDir::In, 12);
    WriteMsb<std::uint16_t>(&c.Bytes[7], 12);
    return c;
}

enum class TBlank : std::uint8_t { Full = 0, Minimal = 1, Track = 2 };
inline TCdb Blank(TBlank type, bool immediate = true) {
    TCdb c = Make(0xA1, 12, TDir::None);
    c.Bytes[1] = std::uint8_t((immediate ? 0x10 : 0) | std::uint8_t(type));
    return c;
}

inline TCdb SetStreaming(std::uint16_t listLength = 28) {
    TCdb c = Make(0xB6, 12, TDir::Out, listLength);
    WriteMsb<std::uint16_t>(&c.Bytes[9], listLength);
    return c;
}

inline TCdb SetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps) {
    TCdb c = Make(0xBB, 12, TDir::None);
    WriteMsb<std::uint16_t>(&c.Bytes[2], readKBps);
    WriteMsb<std::uint16_t>(&c.Bytes[4], writeKBps);
    return c;
}

inline TCdb SendDvdStructure(std::uint8_t format, std::uint16_t listLength) {
    TCdb c = Make(0xBF, 12, TDir::Out, listLength);
    c.Bytes[7] = format;
    WriteMsb<std::uint16_t>(&c.Bytes[8], listLength);
    return c;
}

inline TCdb Opcode(std::uint8_t opcode) { return Make(opcode, 10, TDir::None); }

}  // namespace cdb
}  // namespace sorvane::vdrive::test
