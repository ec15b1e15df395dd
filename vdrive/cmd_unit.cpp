// Unit-level commands: readiness, sense, identity, tray and lock, speeds,
// streaming and the buffer.

#include <algorithm>
#include <cstring>

#include "engine/rtl/endian.h"
#include "vdrive/drive.h"

namespace sorvane::vdrive {
namespace {

void PutPadded(std::uint8_t* out, const std::string& text, std::size_t width) {
    std::memset(out, ' ', width);
    std::memcpy(out, text.data(), std::min(width, text.size()));
}

}  // namespace

TReply TDrive::TestUnitReady() {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    return {};
}

TReply TDrive::RezeroUnit() {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    return {};
}

// REQUEST SENSE reports the condition the next command would meet: a pending
// unit attention (and clears it), the progress of a long operation, a
// missing medium, or nothing. Only fixed-format sense is offered.
TReply TDrive::RequestSense(const TCommand& c) {
    if (c.Cdb[1] & 0x01) return TReply::Check(sense::InvalidFieldInCdb);
    TSense current;
    if (unitAttention_) {
        unitAttention_ = false;
        current = sense::MediumChanged;
    } else if (Busy()) {
        current = BusySense();
    } else if (auto s = NeedMedium()) {
        current = *s;
    }
    auto fixed = current.Fixed();
    return DataReply({fixed.begin(), fixed.end()}, c.Cdb[4]);
}

TReply TDrive::Inquiry(const TCommand& c) {
    bool evpd = c.Cdb[1] & 0x01;
    std::uint8_t pageCode = c.Cdb[2];
    std::size_t allocation = ReadMsb<std::uint16_t>(&c.Cdb[3]);
    if (!evpd) {
        if (pageCode) return TReply::Check(sense::InvalidFieldInCdb);
        std::vector<std::uint8_t> d(96, 0);
        d[0] = 0x05;  // CD/DVD device
        d[1] = 0x80;  // removable medium
        d[2] = 0x05;  // SPC-3
        d[3] = 0x02;  // response data format
        d[4] = std::uint8_t(d.size() - 5);
        PutPadded(&d[8], model_.Vendor, 8);
        PutPadded(&d[16], model_.Product, 16);
        PutPadded(&d[32], model_.Revision, 4);
        return DataReply(std::move(d), allocation);
    }
    std::vector<std::uint8_t> d(4, 0);
    d[0] = 0x05;
    d[1] = pageCode;
    if (pageCode == 0x00) {
        d.push_back(0x00);  // supported pages
        d.push_back(0x80);  // unit serial number
    } else if (pageCode == 0x80) {
        std::string serial = "VD" + model_.Name;
        d.insert(d.end(), serial.begin(), serial.end());
    } else {
        return TReply::Check(sense::InvalidFieldInCdb);
    }
    d[3] = std::uint8_t(d.size() - 4);
    return DataReply(std::move(d), allocation);
}

TReply TDrive::StartStopUnit(const TCommand& c) {
    bool loadEject = c.Cdb[4] & 0x02;
    bool start = c.Cdb[4] & 0x01;
    if (!loadEject) return {};
    if (!start) {
        if (locked_) return TReply::Check(sense::RemovalPrevented);
        if (!trayOpen_) {
            trayOpen_ = true;
            dirty_ = true;
        }
        return {};
    }
    CloseTray();
    return {};
}

TReply TDrive::PreventAllow(const TCommand& c) {
    locked_ = c.Cdb[4] & 0x01;
    return {};
}

TReply TDrive::SetCdSpeed(const TCommand& c) {
    if ((c.Cdb[1] & 0x03) > 1) return TReply::Check(sense::InvalidFieldInCdb);
    requestedReadKBps_ = ReadMsb<std::uint16_t>(&c.Cdb[2]);
    requestedWriteKBps_ = ReadMsb<std::uint16_t>(&c.Cdb[4]);
    return {};
}

// SET STREAMING with a performance descriptor (MMC-5 6.39.3.1): the sizes per
// time give the speeds asked for.
TReply TDrive::SetStreaming(const TCommand& c) {
    if (c.Cdb[8] != 0) return TReply::Check(sense::InvalidFieldInCdb);
    std::size_t length = ReadMsb<std::uint16_t>(&c.Cdb[9]);
    if (length < 28 || c.DataOut.size() < 28) return TReply::Check(sense::ParameterListLengthError);
    const std::uint8_t* d = c.DataOut.data();
    std::uint32_t startLba = ReadMsb<std::uint32_t>(d + 4), endLba = ReadMsb<std::uint32_t>(d + 8);
    std::uint32_t readSize = ReadMsb<std::uint32_t>(d + 12), readTime = ReadMsb<std::uint32_t>(d + 16);
    std::uint32_t writeSize = ReadMsb<std::uint32_t>(d + 20), writeTime = ReadMsb<std::uint32_t>(d + 24);
    if (endLba < startLba || readTime == 0 || writeTime == 0) return TReply::Check(sense::InvalidFieldInParameterList);
    auto rate = [](std::uint64_t size, std::uint32_t time) {
        return std::uint16_t(std::min<std::uint64_t>(0xFFFF, size * 1000 / time));
    };
    requestedReadKBps_ = rate(readSize, readTime);
    requestedWriteKBps_ = rate(writeSize, writeTime);
    return {};
}

TReply TDrive::ReadBufferCapacity(const TCommand& c) {
    if (!model_.ReadBufferCapacity) return TReply::Check(sense::InvalidOpcode);
    std::vector<std::uint8_t> d(12, 0);
    WriteMsb<std::uint16_t>(&d[0], 10);
    std::uint32_t size = model_.BufferKB * 1024;
    std::uint32_t blank = size - std::uint32_t(std::min<double>(size, BufferFill()));
    if (c.Cdb[1] & 0x01)
        WriteMsb<std::uint32_t>(&d[8], blank / kSectorSize);  // available length in blocks
    else {
        WriteMsb<std::uint32_t>(&d[4], size);
        WriteMsb<std::uint32_t>(&d[8], blank);
    }
    return DataReply(std::move(d), ReadMsb<std::uint16_t>(&c.Cdb[7]));
}

}  // namespace sorvane::vdrive
