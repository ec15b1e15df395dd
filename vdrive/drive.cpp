#include "vdrive/drive.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/rtl/endian.h"

namespace sorvane::vdrive {
namespace {

// Commands a drive answers while a long operation runs or a unit attention
// is pending: they report state and never touch the medium.
bool ReportsState(std::uint8_t opcode) {
    return opcode == op::Inquiry || opcode == op::RequestSense || opcode == op::GetConfiguration;
}

bool AllowedWhileBusy(std::uint8_t opcode) {
    return ReportsState(opcode) || opcode == op::ModeSense10 || opcode == op::ReadBufferCapacity;
}

template <typename T>
bool Contains(const std::vector<T>& values, T value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

// Power-on write parameters: track at once, mode 1 data, no multi-session,
// 2-second audio pause (MMC-5 7.5.4).
std::array<std::uint8_t, 52> DefaultWriteParameters() {
    std::array<std::uint8_t, 52> p{};
    p[0] = page::WriteParameters;
    p[1] = 0x32;
    p[2] = std::uint8_t(TWriteType::TrackAtOnce);
    p[3] = 0x04;
    p[4] = 0x08;
    WriteMsb<std::uint16_t>(&p[14], 150);
    return p;
}

std::array<std::uint8_t, 18> TSense::Fixed() const {
    std::array<std::uint8_t, 18> s{};
    s[0] = 0x70;  // current error, fixed format
    s[2] = std::uint8_t(Key);
    s[7] = 10;    // additional sense length
    s[12] = Asc;
    s[13] = Ascq;
    if (Progress >= 0) {
        s[15] = 0x80;  // SKSV: bytes 16-17 hold the progress indication
        WriteMsb<std::uint16_t>(&s[16], std::uint16_t(std::min(Progress, 65535)));
    }
    return s;
}

TDrive::TDrive(TDriveModel model, std::unique_ptr<TSectorStore> backing, const TSimClock& clock)
    : model_(std::move(model)), backing_(std::move(backing)), clock_(clock), writeParams_(DefaultWriteParameters()) {}

// --- Dispatch ------------------------------------------------------------------------

TReply TDrive::Execute(const TCommand& c) {
    std::uint8_t opcode = c.Opcode();
    if (Faults.HangOpcode && *Faults.HangOpcode == opcode) {
        Faults.HangOpcode.reset();
        return {TReplyStatus::Hang, {}, {}, 0};
    }
    if (Faults.BusyCommands > 0) {
        --Faults.BusyCommands;
        return {TReplyStatus::Busy, {}, {}, 0};
    }
    if (Faults.LongWriteStorm > 0 && opcode != op::Inquiry && opcode != op::RequestSense) {
        --Faults.LongWriteStorm;
        return TReply::Check(sense::NotReadyLongWrite);
    }
    if (Contains(model_.UnknownCommands, opcode)) return TReply::Check(sense::InvalidOpcode);
    if (auto pending = Pending(opcode)) return TReply::Check(*pending);

    switch (opcode) {
        case op::TestUnitReady: return TestUnitReady();
        case op::RezeroUnit: return RezeroUnit();
        case op::RequestSense: return RequestSense(c);
        case op::FormatUnit: return FormatUnit(c);
        case op::Inquiry: return Inquiry(c);
        case op::StartStopUnit: return StartStopUnit(c);
        case op::PreventAllowRemoval: return PreventAllow(c);
        case op::ReadFormatCapacities: return ReadFormatCapacities(c);
        case op::ReadCapacity: return ReadCapacity();
        case op::Read10: return Read10(c);
        case op::Write10: return Write10(c);
        case op::SynchronizeCache: return SynchronizeCache(c);
        case op::ReadTocPmaAtip: return ReadToc(c);
        case op::GetConfiguration: return GetConfiguration(c);
        case op::ReadDiscInformation: return ReadDiscInformation(c);
        case op::ReadTrackInformation: return ReadTrackInformation(c);
        case op::ReserveTrack: return ReserveTrack(c);
        case op::SendOpcInformation: return SendOpcInformation(c);
        case op::ModeSelect10: return ModeSelect(c);
        case op::ModeSense10: return ModeSense(c);
        case op::CloseTrackSession: return CloseTrackSession(c);
        case op::ReadBufferCapacity: return ReadBufferCapacity(c);
        case op::Blank: return Blank(c);
        case op::SetStreaming: return SetStreaming(c);
        case op::SetCdSpeed: return SetCdSpeed(c);
        case op::SendDvdStructure: return SendDvdStructure(c);
        default: return TReply::Check(sense::InvalidOpcode);
    }
}

// A medium change is reported once, to the first command that may act on the
// medium (SPC-3 5.8.7); a long operation keeps everything but status queries
// out until it ends.
std::optional<TSense> TDrive::Pending(std::uint8_t opcode) {
    if (ReportsState(opcode)) return std::nullopt;
    if (unitAttention_) {
        unitAttention_ = false;
        return sense::MediumChanged;
    }
    if (Busy() && !AllowedWhileBusy(opcode)) return BusySense();
    return std::nullopt;
}

bool TDrive::Busy() const { return busy_ && clock_.Now() < busy_->End; }

TSense TDrive::BusySense() const {
    TSense s = busy_->Sense;
    double span = busy_->End - busy_->Start;
    double done = span > 0 ? (clock_.Now() - busy_->Start) / span : 1;
    s.Progress = int(std::clamp(done, 0.0, 1.0) * 65535);
    return s;
}

void TDrive::StartBusy(const TSense& kind, double seconds) {
    double now = clock_.Now();
    busy_ = TBusyOp{kind, now, now + seconds};
}

TReply TDrive::LongOperation(bool immediate, const TSense& busyKind, double seconds) {
    if (!immediate) return TReply::After(seconds);
    StartBusy(busyKind, seconds);
    return {};
}

std::optional<TSense> TDrive::NeedMedium() const {
    if (trayOpen_) return sense::NoMediumTrayOpen;
    if (!medium_.Present()) return sense::NoMediumTrayClosed;
    if (!ReadsMedium()) return sense::NotReadyIncompatible;
    return std::nullopt;
}

// Commands that record something are unknown to a drive that writes nothing.
std::optional<TSense> TDrive::NeedWriter() const {
    if (model_.Writes.empty()) return sense::InvalidOpcode;
    return NeedMedium();
}

bool TDrive::ReadsMedium() const { return Contains(model_.Reads, medium_.Kind) || WritesMedium(); }
bool TDrive::WritesMedium() const { return Contains(model_.Writes, medium_.Kind); }

const TSectorStore& TDrive::Reader() const { return image_ ? *image_ : *backing_; }

bool TDrive::TakeDirty() {
    bool was = dirty_;
    dirty_ = false;
    return was;
}

void TDrive::Checkpoint() {
    if (medium_.Background != TBackgroundFormat::Running) return;
    double now = clock_.Now();
    medium_.BackgroundBase = medium_.BackgroundExtentAt(now);
    medium_.BackgroundStart = now;
    if (medium_.BackgroundBase >= medium_.Capacity) medium_.Background = TBackgroundFormat::Complete;
}

// --- Speeds and buffer ------------------------------------------------------------------

std::vector<std::uint16_t> TDrive::WriteSpeeds(TMediumKind kind) const {
    for (const auto& [k, speeds] : model_.WriteSpeeds)
        if (k == kind && !speeds.empty()) return speeds;
    if (!Contains(model_.Writes, kind)) return {};
    return {std::uint16_t(4 * Traits(kind).OneX)};
}

// SET CD SPEED and SET STREAMING ask; the drive grants the supported speed
// nearest to the request (FFFFh: the fastest).
std::uint16_t TDrive::GrantedWriteSpeed() const {
    TMediumKind kind = medium_.Present() && !trayOpen_ ? medium_.Kind : TMediumKind::CdR;
    auto speeds = WriteSpeeds(kind);
    if (speeds.empty()) return 0;
    std::uint16_t best = speeds.front();
    for (std::uint16_t s : speeds)
        if (std::abs(int(s) - int(requestedWriteKBps_)) < std::abs(int(best) - int(requestedWriteKBps_))) best = s;
    return best;
}

std::uint16_t TDrive::MaxReadSpeed() const {
    bool dvd = medium_.Present() && !trayOpen_ && !medium_.Traits().Cd;
    return dvd ? model_.MaxDvdReadKBps : model_.MaxCdReadKBps;
}

std::uint16_t TDrive::GrantedReadSpeed() const {
    std::uint16_t max = MaxReadSpeed();
    std::uint16_t oneX = medium_.Present() ? medium_.Traits().OneX : 176;
    return std::clamp<std::uint16_t>(requestedReadKBps_, std::min(oneX, max), max);
}

double TDrive::WriteRateBytes() const {
    std::uint16_t speed = GrantedWriteSpeed();
    return (speed ? speed : 1385) * 1000.0;
}

double TDrive::BufferFill() const {
    double now = clock_.Now();
    if (now <= bufferTime_) return bufferFill_;
    return std::max(0.0, bufferFill_ - (now - bufferTime_) * WriteRateBytes());
}

double TDrive::SecondsToWrite(std::uint64_t sectors) const {
    return double(sectors) * kSectorSize / WriteRateBytes();
}

// --- Write parameters page 05h ----------------------------------------------------------

bool TDrive::TestWriteOn() const { return writeParams_[2] & 0x10; }

// Multi-session field 11b: the closed session leaves room for another.
bool TDrive::NextSessionAllowed() const { return (writeParams_[3] >> 6) == 3 && !medium_.MinimallyBlanked; }

TSense TDrive::ValidateWriteParameters(std::span<const std::uint8_t> p) const {
    auto writeType = TWriteType(p[2] & 0x0F);
    bool testWrite = p[2] & 0x10;
    bool bufe = p[2] & 0x40;
    std::uint8_t multiSession = p[3] >> 6;
    bool fixedPacket = p[3] & 0x20;
    std::uint8_t trackMode = p[3] & 0x0F;
    std::uint8_t blockType = p[4] & 0x0F;
    std::uint32_t packetSize = ReadMsb<std::uint32_t>(&p[10]);

    if (std::uint8_t(writeType) > std::uint8_t(TWriteType::Raw) || multiSession == 2)
        return sense::InvalidFieldInParameterList;
    if (bufe && !model_.BufferUnderrunFree) return sense::InvalidFieldInParameterList;
    if (testWrite && !model_.TestWrite) return sense::InvalidFieldInParameterList;
    static constexpr std::uint8_t kBlockTypes[] = {0, 1, 2, 3, 8, 10, 12, 13};
    if (std::find(std::begin(kBlockTypes), std::end(kBlockTypes), blockType) == std::end(kBlockTypes))
        return sense::InvalidFieldInParameterList;
    if (trayOpen_ || !medium_.Present() || medium_.Traits().Rom) return sense::Good;

    bool packet = writeType == TWriteType::Packet;
    if (medium_.Traits().Cd) {
        if (packet && ((trackMode & 0x05) != 0x05 || (fixedPacket && packetSize == 0)))
            return sense::InvalidFieldInParameterList;
        return sense::Good;
    }
    // DVD media know no track-at-once or raw recording.
    if (writeType == TWriteType::TrackAtOnce || writeType == TWriteType::Raw) return sense::InvalidFieldInParameterList;
    switch (medium_.Kind) {
        case TMediumKind::DvdR:
        case TMediumKind::DvdRw:
            if (packet && (blockType != 8 || (fixedPacket && packetSize != kEccBlock)))
                return sense::InvalidFieldInParameterList;
            // A minimally blanked DVD-RW takes only disc-at-once recording.
            if (packet && medium_.MinimallyBlanked) return sense::InvalidFieldInParameterList;
            return sense::Good;
        default:
            // DVD+R/+RW, DVD-RAM and restricted overwrite have no simulation mode.
            return testWrite ? sense::InvalidFieldInParameterList : sense::Good;
    }
}

// The page selected earlier must suit the write now: a CD needs a cue sheet
// for session at once, raw recording is not offered, and only 2048-byte
// data blocks are accepted; DVD-R/-RW record incrementally in fixed packets
// or disc at once into a reserved track.
TSense TDrive::CheckWriteParametersForWrite(std::uint32_t lba, std::uint32_t count, bool* packet) const {
    auto writeType = TWriteType(writeParams_[2] & 0x0F);
    bool fixedPacket = writeParams_[3] & 0x20;
    std::uint32_t packetSize = ReadMsb<std::uint32_t>(&writeParams_[10]);
    std::uint8_t blockType = writeParams_[4] & 0x0F;
    *packet = writeType == TWriteType::Packet;
    switch (medium_.Kind) {
        case TMediumKind::CdR:
        case TMediumKind::CdRw:
            if (writeType == TWriteType::SessionAtOnce || writeType == TWriteType::Raw)
                return sense::CommandSequenceError;
            if (blockType != 8) return sense::IllegalModeForTrack;
            return sense::Good;
        case TMediumKind::DvdR:
        case TMediumKind::DvdRw:
            if (writeType == TWriteType::TrackAtOnce || writeType == TWriteType::Raw) return sense::IllegalModeForTrack;
            if (*packet && medium_.MinimallyBlanked) return sense::IllegalModeForTrack;
            if (*packet && fixedPacket && packetSize && (count % packetSize || lba % packetSize))
                return sense::InvalidFieldInCdb;
            if (writeType == TWriteType::SessionAtOnce) {
                // Disc at once writes only into the track reserved for it.
                const TTrack* t = nullptr;
                if (!medium_.Sessions.empty() && !medium_.Sessions.back().Closed)
                    for (const auto& track : medium_.Sessions.back().Tracks)
                        if (track.Reserved && track.Nwa() == lba) t = &track;
                if (!t) return sense::CommandSequenceError;
            }
            return sense::Good;
        default:
            *packet = !medium_.Traits().Cd;
            return sense::Good;
    }
}

// --- Host side -------------------------------------------------------------------------------

bool TDrive::Insert(const TMediumRequest& request, std::string* error) {
    const TKindTraits& traits = Traits(request.Kind);
    TMedium medium = TMedium::Blank(request.Kind);
    std::unique_ptr<TSectorStore> image;
    std::unique_ptr<TSectorStore> source;
    if (traits.Rom || (!request.ImagePath.empty() && request.State != TMediumState::Blank)) {
        if (request.ImagePath.empty()) {
            if (error) *error = std::string(traits.Name) + " is pressed from an image: give --image";
            return false;
        }
        source = OpenImageStore(request.ImagePath, error);
        if (!source) return false;
        if (source->Extent() == 0) {
            if (error) *error = request.ImagePath + " is empty";
            return false;
        }
    }
    if (traits.Rom) {
        medium.Capacity = source->Extent();
        // The disc is read from its image in every later run, which may be
        // started from another folder.
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(request.ImagePath, ec);
        medium.ImagePath = ec ? request.ImagePath : absolute.lexically_normal().string();
        image = std::move(source);
    } else if (request.Kind != TMediumKind::None) {
        std::uint32_t sectors = source ? source->Extent() : kMinTrackSectors;
        if (request.State != TMediumState::Blank && sectors + kMinTrackSectors > medium.Capacity) {
            if (error) *error = request.ImagePath + " does not fit on a " + std::string(traits.Name);
            return false;
        }
        if (!backing_->Clear()) {
            if (error) *error = "cannot clear the backing file " + backing_->Path();
            return false;
        }
        if (request.State != TMediumState::Blank) {
            std::vector<std::uint8_t> chunk(std::size_t(256) * kSectorSize);
            for (std::uint32_t at = 0; source && at < sectors; at += 256) {
                std::uint32_t n = std::min<std::uint32_t>(256, sectors - at);
                if (!source->Read(at, n, chunk.data()) || !backing_->Write(at, n, chunk.data())) {
                    if (error) *error = "cannot copy " + request.ImagePath + " to the backing file";
                    return false;
                }
            }
            if (traits.Sequential) {
                medium.RecordSequential({-1, -1}, 0, sectors, !traits.Cd);
                if (request.State == TMediumState::Closed) medium.CloseSession(true);
                if (request.State == TMediumState::Finalized) medium.CloseSession(false);
            } else {
                medium.Formatted = true;
                if (request.Kind == TMediumKind::DvdPlusRw) medium.Background = TBackgroundFormat::Complete;
                medium.RecordOverwrite(0, sectors);
                medium.NoteGrownVolume(*backing_);
                medium.Intermediate = false;
            }
        }
    }
    medium_ = std::move(medium);
    image_ = std::move(image);
    lost_.reset();
    lostWhy_.clear();
    trayOpen_ = false;
    unitAttention_ = true;
    busy_.reset();
    bufferFill_ = 0;
    testWritten_ = 0;
    dirty_ = true;
    return true;
}

bool TDrive::Restore(TMedium medium, bool trayOpen, std::string* error) {
    std::unique_ptr<TSectorStore> image;
    if (medium.Traits().Rom) {
        std::string why;
        image = OpenImageStore(medium.ImagePath, &why);
        if (!image) {
            lostWhy_ = "the " + std::string(medium.Traits().Name) + " pressed from " + medium.ImagePath +
                       " is not in the tray: " + why;
            if (error) *error = lostWhy_;
            lost_ = std::move(medium);
            medium_ = TMedium{};
            image_.reset();
            trayOpen_ = trayOpen;
            return false;
        }
    }
    if (medium.Background == TBackgroundFormat::Running) medium.BackgroundStart = clock_.Now();
    medium_ = std::move(medium);
    image_ = std::move(image);
    trayOpen_ = trayOpen;
    return true;
}

bool TDrive::Eject(std::string* error) {
    if (locked_) {
        if (error) *error = "the tray is locked by the program using the drive";
        return false;
    }
    if (Busy()) {
        if (error) *error = "the drive is busy";
        return false;
    }
    trayOpen_ = true;
    dirty_ = true;
    return true;
}

void TDrive::CloseTray() {
    if (!trayOpen_) return;
    trayOpen_ = false;
    if (medium_.Present()) unitAttention_ = true;
    dirty_ = true;
}

TDriveStatus TDrive::Status() const {
    TDriveStatus s;
    s.Model = model_.Name;
    s.Identity = model_.Vendor + " " + model_.Product + " " + model_.Revision;
    s.TrayOpen = trayOpen_;
    s.Locked = locked_;
    s.Kind = medium_.Kind;
    s.State = medium_.StateName(clock_.Now());
    s.Capacity = medium_.Capacity;
    s.Sessions = medium_.SessionList();
    s.BackingFile = image_ ? image_->Path() : backing_->Path();
    s.Warning = lostWhy_;
    return s;
}

bool TDrive::ExportSession(int session, const std::string& path, std::string* error) const {
    auto sessions = medium_.SessionList();
    if (session < 1 || session > int(sessions.size())) {
        if (error)
            *error = "no session " + std::to_string(session) + " on this disc (it has " +
                     std::to_string(sessions.size()) + ")";
        return false;
    }
    const TSessionInfo& info = sessions[std::size_t(session) - 1];
    std::uint32_t end = info.Start + info.Length;
    const TSectorStore& store = Reader();

    // The session's volume descriptors, from its sector 16 to the terminator.
    std::vector<std::uint8_t> descriptors;
    std::vector<std::uint8_t> sector(kSectorSize);
    if (medium_.Traits().Overwrite) {
        descriptors = medium_.Grown[std::size_t(session) - 1].Descriptors;
    } else {
        for (std::uint32_t s = info.Start + 16; s < end && s < info.Start + 48; ++s) {
            store.Read(s, 1, sector.data());
            if (std::memcmp(sector.data() + 1, "CD001", 5) != 0) break;
            descriptors.insert(descriptors.end(), sector.begin(), sector.end());
            if (sector[0] == 255) break;
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        if (error) *error = "cannot create " + path;
        return false;
    }
    std::vector<std::uint8_t> chunk(std::size_t(256) * kSectorSize);
    for (std::uint32_t at = 0; at < end; at += 256) {
        std::uint32_t n = std::min<std::uint32_t>(256, end - at);
        store.Read(at, n, chunk.data());
        // Sectors 16 onwards carry the exported session's descriptors, as
        // a recorder writes them at the start of an overwritable disc.
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint64_t offset = (std::uint64_t(at + i) - 16) * kSectorSize;
            if (at + i >= 16 && offset < descriptors.size())
                std::memcpy(chunk.data() + std::size_t(i) * kSectorSize, descriptors.data() + offset, kSectorSize);
        }
        out.write(reinterpret_cast<const char*>(chunk.data()), std::streamsize(std::size_t(n) * kSectorSize));
    }
    out.close();
    if (!out) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace sorvane::vdrive
