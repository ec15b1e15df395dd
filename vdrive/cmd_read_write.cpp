// READ(10), WRITE(10), SYNCHRONIZE CACHE and SEND OPC INFORMATION: the data
// path, with the drive buffer between the host and the disc.

#include <algorithm>

#include "engine/rtl/endian.h"
#include "vdrive/drive.h"

namespace sorvane::vdrive {
namespace {

bool Overlaps(const std::optional<std::pair<std::uint32_t, std::uint32_t>>& range, std::uint32_t lba,
              std::uint32_t count) {
    return range && count && lba <= range->second && lba + count - 1 >= range->first;
}

// Optimum power calibration takes a moment on the disc's calibration area.
constexpr double kOpcSeconds = 1.5;
// Emptying the buffer onto the disc ends with a short settle.
constexpr double kSyncSettleSeconds = 0.2;

}  // namespace

TReply TDrive::Read10(const TCommand& c) {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    std::uint32_t lba = ReadMsb<std::uint32_t>(&c.Cdb[2]);
    std::uint32_t count = ReadMsb<std::uint16_t>(&c.Cdb[7]);
    if (count == 0) return {};
    if (std::uint64_t(count) * kSectorSize > c.BufferLength) return {TReplyStatus::Overrun, {}, {}, 0};
    TSense check = medium_.CheckRead(lba, count);
    if (check != sense::Good) return TReply::Check(check);
    if (Overlaps(Faults.MediumErrorLbas, lba, count) || Overlaps(Faults.UnreadableAfterWriteLbas, lba, count))
        return TReply::Check(sense::UnrecoveredReadError);
    std::vector<std::uint8_t> data(std::size_t(count) * kSectorSize);
    if (!Reader().Read(lba, count, data.data())) return TReply::Check(sense::UnrecoveredReadError);
    return TReply::Data(std::move(data));
}

TReply TDrive::Write10(const TCommand& c) {
    if (auto s = NeedWriter()) return TReply::Check(*s);
    std::uint32_t lba = ReadMsb<std::uint32_t>(&c.Cdb[2]);
    std::uint32_t count = ReadMsb<std::uint16_t>(&c.Cdb[7]);
    const TKindTraits& traits = medium_.Traits();
    if (!WritesMedium() || traits.Rom) return TReply::Check(sense::CannotWriteIncompatibleFormat);
    if (count == 0) return {};
    if (c.DataOut.size() < std::size_t(count) * kSectorSize) return {TReplyStatus::Overrun, {}, {}, 0};

    if (Faults.TrayOpensAfterWrites) {
        if (*Faults.TrayOpensAfterWrites <= 0) {
            // The tray was pulled open under the write: the data never reached
            // the disc and the open track is left damaged.
            Faults.TrayOpensAfterWrites.reset();
            medium_.DamageOpenTrack();
            trayOpen_ = true;
            busy_.reset();
            dirty_ = true;
            return TReply::Check(sense::NoMediumTrayOpen);
        }
    }
    if (Faults.PcaFull && !traits.Rom) return TReply::Check(sense::PcaFull);

    bool test = TestWriteOn() && (traits.Cd || medium_.Kind == TMediumKind::DvdR || medium_.Kind == TMediumKind::DvdRw);
    if (traits.Sequential) {
        if (medium_.Finalized) return TReply::Check(sense::InvalidAddressForWrite);
        bool packet = false;
        TSense check = CheckWriteParametersForWrite(lba, count, &packet);
        if (check != sense::Good) return TReply::Check(check);
        TWriteTarget target;
        // In test mode nothing is recorded; the next writable address moves
        // on only in the drive's head.
        check = medium_.FindWriteTarget(lba - (test ? testWritten_ : 0), count, &target);
        if (check != sense::Good) return TReply::Check(check);
        if (Overlaps(Faults.MediumErrorLbas, lba, count)) return TReply::Check(sense::WriteError);
        if (test) {
            testWritten_ += count;
        } else {
            if (!Store(lba, count, c.DataOut.data())) return TReply::Check(sense::WriteError);
            medium_.RecordSequential(target, lba, count, packet);
        }
    } else {
        TSense check = medium_.CheckOverwrite(lba, count);
        if (check != sense::Good) return TReply::Check(check);
        if (Overlaps(Faults.MediumErrorLbas, lba, count)) return TReply::Check(sense::WriteError);
        if (!Store(lba, count, c.DataOut.data())) return TReply::Check(sense::WriteError);
        medium_.RecordOverwrite(lba, count);
    }
    dirty_ = true;
    if (Faults.TrayOpensAfterWrites) --*Faults.TrayOpensAfterWrites;

    // The data goes into the buffer, which drains onto the disc at the
    // write speed. A throttled drive makes the host wait while it is full.
    double now = clock_.Now();
    double size = double(model_.BufferKB) * 1024;
    double bytes = double(count) * kSectorSize;
    double fill = BufferFill();
    TReply reply;
    if (Throttle && fill + bytes > size) {
        reply.SpendSeconds = (fill + bytes - size) / WriteRateBytes();
        bufferFill_ = size;
        bufferTime_ = now + reply.SpendSeconds;
    } else {
        bufferFill_ = std::min(size, fill + bytes);
        bufferTime_ = now;
    }
    return reply;
}

bool TDrive::Store(std::uint32_t lba, std::uint32_t count, const std::uint8_t* data) {
    if (!Overlaps(Faults.CorruptedLbas, lba, count)) return backing_->Write(lba, count, data);
    // The drive reports success; what reaches the disc differs in one byte
    // of every sector in the range.
    std::vector<std::uint8_t> altered(data, data + std::size_t(count) * kSectorSize);
    const std::uint32_t first = std::max(lba, Faults.CorruptedLbas->first);
    const std::uint32_t last = std::min(lba + count - 1, Faults.CorruptedLbas->second);
    for (std::uint32_t sector = first; sector <= last; ++sector)
        altered[std::size_t(sector - lba) * kSectorSize] ^= 0xFF;
    return backing_->Write(lba, count, altered.data());
}

TReply TDrive::SynchronizeCache(const TCommand& c) {
    if (auto s = NeedMedium()) return TReply::Check(*s);
    bool immediate = c.Cdb[1] & 0x02;
    double seconds = BufferFill() / WriteRateBytes() + kSyncSettleSeconds;
    bufferFill_ = 0;
    bufferTime_ = clock_.Now();
    testWritten_ = 0;
    if (WritesMedium()) {
        // Track at once on CD: synchronising the cache ends the track with
        // its run-out.
        if (medium_.Traits().Cd && TWriteType(writeParams_[2] & 0x0F) == TWriteType::TrackAtOnce &&
            medium_.IncompleteTrack() && !TestWriteOn())
            medium_.CloseTrack(0xFF);
        if (medium_.Traits().Overwrite) medium_.NoteGrownVolume(*backing_);
        dirty_ = true;
    }
    return LongOperation(immediate, sense::NotReadyLongWrite, seconds);
}

TReply TDrive::SendOpcInformation(const TCommand& c) {
    if (auto s = NeedWriter()) return TReply::Check(*s);
    if (!WritesMedium() || medium_.Traits().Rom) return TReply::Check(sense::IncompatibleMedium);
    if (!(c.Cdb[1] & 0x01)) return {};  // an OPC table sent by the host is taken as it is
    if (Faults.PcaFull) return TReply::Check(sense::PcaFull);
    if (Faults.OpcFails) return TReply::Check(sense::PcaError);
    return TReply::After(kOpcSeconds);
}

}  // namespace sorvane::vdrive
