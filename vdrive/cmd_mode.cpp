// MODE SENSE(10) and MODE SELECT(10): the error recovery page, the write
// parameters page 05h (the only one a host may change), the capabilities
// page 2Ah and, on models that have it, the vendor page 30h.

#include <algorithm>

#include "engine/rtl/endian.h"
#include "vdrive/drive.h"

namespace sorvane::vdrive {
namespace {

enum TPageControl { kCurrent = 0, kChangeable = 1, kDefault = 2, kSaved = 3 };

// Which bits of page 05h a host may change (MMC-5 7.5.4).
std::vector<std::uint8_t> WriteParametersChangeable() {
    std::vector<std::uint8_t> p(52, 0);
    p[0] = page::WriteParameters;
    p[1] = 0x32;
    p[2] = 0x7F;
    p[3] = 0xFF;
    p[4] = 0x0F;
    p[5] = 0xFF;
    p[7] = 0x3F;
    p[8] = 0xFF;
    std::fill(p.begin() + 10, p.end(), 0xFF);
    return p;
}

}  // namespace

// Page 2Ah in its MMC-3 layout with the write speed descriptors of the medium
// in the tray (MMC-3 5.5.10).
std::vector<std::uint8_t> TDrive::CapabilitiesPage(int pageControl) const {
    auto speeds = WriteSpeeds(medium_.Present() && !trayOpen_ ? medium_.Kind : TMediumKind::CdR);
    std::vector<std::uint8_t> p(32 + 4 * speeds.size(), 0);
    p[0] = page::Capabilities;
    p[1] = std::uint8_t(p.size() - 2);
    if (pageControl == kChangeable) return p;
    auto reads = [&](TMediumKind k) {
        return std::find(model_.Reads.begin(), model_.Reads.end(), k) != model_.Reads.end();
    };
    auto writes = [&](TMediumKind k) {
        return std::find(model_.Writes.begin(), model_.Writes.end(), k) != model_.Writes.end();
    };
    p[2] = std::uint8_t((reads(TMediumKind::CdR) ? 0x01 : 0) | (reads(TMediumKind::CdRw) ? 0x02 : 0) | 0x04 |
                        (reads(TMediumKind::DvdRom) ? 0x08 : 0) | (reads(TMediumKind::DvdR) ? 0x10 : 0) |
                        (reads(TMediumKind::DvdRam) ? 0x20 : 0));
    bool writesCdOrDashR = writes(TMediumKind::CdR) || writes(TMediumKind::DvdR);
    p[3] = std::uint8_t((writes(TMediumKind::CdR) ? 0x01 : 0) | (writes(TMediumKind::CdRw) ? 0x02 : 0) |
                        (model_.TestWrite && writesCdOrDashR ? 0x04 : 0) | (writes(TMediumKind::DvdR) ? 0x10 : 0) |
                        (writes(TMediumKind::DvdRam) ? 0x20 : 0));
    p[4] = std::uint8_t((model_.BufferUnderrunFree ? 0x80 : 0) | 0x71);  // multi-session, mode 2 forms, audio play
    p[5] = 0x03;  // CD-DA commands, stream accurate
    p[6] = std::uint8_t(0x20 | 0x08 | 0x01 | (locked_ ? 0x02 : 0));  // tray, eject, lock, lock state
    std::uint16_t maxWrite = speeds.empty() ? 0 : speeds.front();
    std::uint16_t curWrite = pageControl == kDefault ? maxWrite : GrantedWriteSpeed();
    std::uint16_t curRead = pageControl == kDefault ? MaxReadSpeed() : GrantedReadSpeed();
    WriteMsb<std::uint16_t>(&p[8], MaxReadSpeed());
    WriteMsb<std::uint16_t>(&p[10], 256);  // volume levels
    WriteMsb<std::uint16_t>(&p[12], std::uint16_t(std::min<std::uint32_t>(model_.BufferKB, 0xFFFF)));
    WriteMsb<std::uint16_t>(&p[14], curRead);
    WriteMsb<std::uint16_t>(&p[18], maxWrite);
    WriteMsb<std::uint16_t>(&p[20], curWrite);
    WriteMsb<std::uint16_t>(&p[28], curWrite);
    WriteMsb<std::uint16_t>(&p[30], std::uint16_t(speeds.size()));
    for (std::size_t i = 0; i < speeds.size(); ++i) WriteMsb<std::uint16_t>(&p[32 + 4 * i + 2], speeds[i]);
    return p;
}

TReply TDrive::ModeSense(const TCommand& c) {
    bool noBlockDescriptor = c.Cdb[1] & 0x08;
    int pageControl = c.Cdb[2] >> 6;
    std::uint8_t code = c.Cdb[2] & 0x3F;
    std::size_t allocation = ReadMsb<std::uint16_t>(&c.Cdb[7]);
    if (pageControl == kSaved) return TReply::Check(sense::SavingNotSupported);

    bool writer = !model_.Writes.empty();
    std::vector<std::uint8_t> pages;
    auto add = [&](std::uint8_t which) {
        std::vector<std::uint8_t> p;
        switch (which) {
            case page::ErrorRecovery:
                p = {page::ErrorRecovery, 0x0A, 0x00, 0x20, 0, 0, 0, 0, 0x20, 0, 0, 0};
                if (pageControl == kChangeable) std::fill(p.begin() + 2, p.end(), 0);
                break;
            case page::WriteParameters:
                if (pageControl == kChangeable)
                    p = WriteParametersChangeable();
                else if (pageControl == kDefault)
                    p = [] { auto d = DefaultWriteParameters(); return std::vector<std::uint8_t>(d.begin(), d.end()); }();
                else
                    p.assign(writeParams_.begin(), writeParams_.end());
                break;
            case page::Capabilities: p = CapabilitiesPage(pageControl); break;
            case page::Vendor30:
                p = {page::Vendor30, 0x06, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};  // under-run protection on
                if (pageControl == kChangeable) std::fill(p.begin() + 2, p.end(), 0);
                break;
        }
        pages.insert(pages.end(), p.begin(), p.end());
    };
    switch (code) {
        case page::ErrorRecovery:
        case page::Capabilities: add(code); break;
        case page::WriteParameters:
            if (!writer) return TReply::Check(sense::InvalidFieldInCdb);
            add(code);
            break;
        case page::Vendor30:
            if (!model_.VendorPage30) return TReply::Check(sense::InvalidFieldInCdb);
            add(code);
            break;
        case page::All:
            add(page::ErrorRecovery);
            if (writer) add(page::WriteParameters);
            add(page::Capabilities);
            if (model_.VendorPage30) add(page::Vendor30);
            break;
        default: return TReply::Check(sense::InvalidFieldInCdb);
    }

    // Mode parameter header (10) and, on models that send one, a block
    // descriptor (SPC-3 7.4.3, 7.4.4).
    bool descriptor = model_.BlockDescriptor && !noBlockDescriptor;
    std::vector<std::uint8_t> d(8 + (descriptor ? 8 : 0), 0);
    if (descriptor) {
        WriteMsb<std::uint16_t>(&d[6], 8);
        std::uint32_t blocks = medium_.Present() && !trayOpen_ ? medium_.RecordedEnd() : 0;
        WriteMsbN(&d[9], std::min<std::uint32_t>(blocks, 0xFFFFFF), 3);
        WriteMsbN(&d[13], kSectorSize, 3);
    }
    d.insert(d.end(), pages.begin(), pages.end());
    WriteMsb<std::uint16_t>(&d[0], std::uint16_t(d.size() - 2));
    return DataReply(std::move(d), allocation);
}

TReply TDrive::ModeSelect(const TCommand& c) {
    if (model_.Writes.empty()) return TReply::Check(sense::InvalidOpcode);
    if (!(c.Cdb[1] & 0x10)) return TReply::Check(sense::InvalidFieldInCdb);  // page format required
    if (c.Cdb[1] & 0x01) return TReply::Check(sense::InvalidFieldInCdb);     // pages cannot be saved
    std::size_t length = std::min<std::size_t>(ReadMsb<std::uint16_t>(&c.Cdb[7]), c.DataOut.size());
    if (length < 8) return length == 0 ? TReply{} : TReply::Check(sense::ParameterListLengthError);
    const std::uint8_t* d = c.DataOut.data();
    std::size_t descriptorLength = ReadMsb<std::uint16_t>(d + 6);
    if (descriptorLength != 0 && descriptorLength != 8) return TReply::Check(sense::InvalidFieldInParameterList);
    std::size_t at = 8 + descriptorLength;
    if (at > length) return TReply::Check(sense::ParameterListLengthError);
    while (at < length) {
        if (at + 2 > length) return TReply::Check(sense::ParameterListLengthError);
        std::uint8_t code = d[at] & 0x3F;
        std::size_t pageLength = std::size_t(d[at + 1]) + 2;
        if (at + pageLength > length) return TReply::Check(sense::ParameterListLengthError);
        if (code != page::WriteParameters || pageLength < 52) return TReply::Check(sense::InvalidFieldInParameterList);
        std::span<const std::uint8_t> p(d + at, 52);
        TSense check = ValidateWriteParameters(p);
        if (check != sense::Good) return TReply::Check(check);
        std::copy(p.begin(), p.end(), writeParams_.begin());
        writeParams_[0] = page::WriteParameters;
        writeParams_[1] = 0x32;
        testWritten_ = 0;
        at += pageLength;
    }
    return {};
}

}  // namespace sorvane::vdrive
