#pragma once
// One emulated drive: its model, tray, lock, medium, write parameters,
// speeds, buffer, the long operation it may be busy with, and the faults
// armed on it. Execute answers one command as an MMC drive does; the
// handlers live in the cmd_*.cpp files, grouped by command area.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "vdrive/medium.h"
#include "vdrive/scsi.h"
#include "vdrive/sector_store.h"
#include "vdrive/sim_clock.h"
#include "vdrive/vdrive.h"

namespace sorvane::vdrive {

struct TCommand {
    std::array<std::uint8_t, 16> Cdb{};
    std::uint8_t CdbLength = 12;
    std::span<const std::uint8_t> DataOut;  // parameter list or WRITE data
    std::uint32_t BufferLength = 0;         // room for data in
    std::uint8_t Opcode() const { return Cdb[0]; }
};

enum class TReplyStatus : std::uint8_t {
    Good,
    CheckCondition,
    Busy,     // TARGET BUSY status, no sense
    Hang,     // the command never completes
    Overrun,  // the transfer did not fit the buffer (host adapter data over/under-run)
};

struct TReply {
    TReplyStatus Status = TReplyStatus::Good;
    TSense Sense;
    std::vector<std::uint8_t> DataIn;
    double SpendSeconds = 0;  // simulated time the command takes before it completes

    static TReply Check(const TSense& sense) { return {TReplyStatus::CheckCondition, sense, {}, 0}; }
    static TReply Data(std::vector<std::uint8_t> data) { return {TReplyStatus::Good, {}, std::move(data), 0}; }
    static TReply After(double seconds) { return {TReplyStatus::Good, {}, {}, seconds}; }
};

std::array<std::uint8_t, 52> DefaultWriteParameters();

// A data-in reply cut to the allocation length the CDB allows.
inline TReply DataReply(std::vector<std::uint8_t> data, std::size_t allocation) {
    if (data.size() > allocation) data.resize(allocation);
    return TReply::Data(std::move(data));
}

class TDrive {
public:
    TDrive(TDriveModel model, std::unique_ptr<TSectorStore> backing, const TSimClock& clock);

    TReply Execute(const TCommand& command);

    // --- Host side ------------------------------------------------------------------
    bool Insert(const TMediumRequest& request, std::string* error);
    bool Eject(std::string* error);
    void CloseTray();
    TDriveStatus Status() const;
    bool ExportSession(int session, const std::string& path, std::string* error) const;
    TFaults Faults;
    bool Throttle = false;

    const TDriveModel& Model() const { return model_; }
    const TMedium& Medium() const { return medium_; }
    // What the state file keeps: the disc in the tray, or a pressed disc
    // whose image was missing when it was restored, so that it is back once
    // its image is.
    const TMedium& KeptMedium() const { return lost_ ? *lost_ : medium_; }
    bool TrayOpen() const { return trayOpen_; }
    // Restores a medium loaded from the state file (no unit attention: the
    // drive has been "powered on" with it). A pressed disc whose image is
    // gone leaves the tray empty, says why in Status().Warning and stays
    // kept (KeptMedium) until another disc is inserted.
    bool Restore(TMedium medium, bool trayOpen, std::string* error);
    // A drive that starts with its disc already loaded reports no medium change.
    void PowerOn() { unitAttention_ = false; }
    // True once the medium's structure changed since the last call.
    bool TakeDirty();
    // Freezes time-dependent state (a running background format) at `now`
    // before the medium is saved.
    void Checkpoint();

private:
    // Pre-dispatch conditions.
    std::optional<TSense> Pending(std::uint8_t opcode);
    std::optional<TSense> NeedMedium() const;
    std::optional<TSense> NeedWriter() const;
    bool ReadsMedium() const;
    bool WritesMedium() const;
    TSense BusySense() const;
    bool Busy() const;
    void StartBusy(const TSense& kind, double seconds);
    // The end of a command that takes `seconds`: with the Immed bit it returns
    // at once and the drive reports `busyKind` until the time is up; without
    // it the reply itself takes the time.
    TReply LongOperation(bool immediate, const TSense& busyKind, double seconds);

    // Speeds and buffer.
    std::vector<std::uint16_t> WriteSpeeds(TMediumKind kind) const;
    std::uint16_t GrantedWriteSpeed() const;
    std::uint16_t MaxReadSpeed() const;
    std::uint16_t GrantedReadSpeed() const;
    double WriteRateBytes() const;
    double BufferFill() const;
    double SecondsToWrite(std::uint64_t sectors) const;

    // Write parameters page 05h.
    TSense ValidateWriteParameters(std::span<const std::uint8_t> page) const;
    TSense CheckWriteParametersForWrite(std::uint32_t lba, std::uint32_t count, bool* packet) const;
    bool TestWriteOn() const;
    bool NextSessionAllowed() const;

    // Command handlers (cmd_unit.cpp).
    TReply TestUnitReady();
    TReply RequestSense(const TCommand& c);
    TReply Inquiry(const TCommand& c);
    TReply StartStopUnit(const TCommand& c);
    TReply PreventAllow(const TCommand& c);
    TReply RezeroUnit();
    TReply SetCdSpeed(const TCommand& c);
    TReply SetStreaming(const TCommand& c);
    TReply ReadBufferCapacity(const TCommand& c);
    // cmd_mode.cpp
    TReply ModeSense(const TCommand& c);
    TReply ModeSelect(const TCommand& c);
    std::vector<std::uint8_t> CapabilitiesPage(int pageControl) const;
    // cmd_config.cpp
    TReply GetConfiguration(const TCommand& c);
    // cmd_disc_info.cpp
    TReply ReadDiscInformation(const TCommand& c);
    TReply ReadTrackInformation(const TCommand& c);
    TReply ReadToc(const TCommand& c);
    TReply ReadCapacity();
    TReply ReadFormatCapacities(const TCommand& c);
    // cmd_read_write.cpp
    TReply Read10(const TCommand& c);
    TReply Write10(const TCommand& c);
    TReply SynchronizeCache(const TCommand& c);
    // Puts written sectors on the disc, through the corruption fault.
    bool Store(std::uint32_t lba, std::uint32_t count, const std::uint8_t* data);
    TReply SendOpcInformation(const TCommand& c);
    // cmd_session.cpp
    TReply CloseTrackSession(const TCommand& c);
    TReply ReserveTrack(const TCommand& c);
    TReply SendDvdStructure(const TCommand& c);
    // cmd_erase.cpp
    TReply Blank(const TCommand& c);
    TReply FormatUnit(const TCommand& c);

    const TSectorStore& Reader() const;

    TDriveModel model_;
    std::unique_ptr<TSectorStore> backing_;  // the writable medium's sectors
    std::unique_ptr<TSectorStore> image_;    // a pressed disc's image
    const TSimClock& clock_;
    TMedium medium_;
    std::optional<TMedium> lost_;  // a pressed disc whose image could not be found
    std::string lostWhy_;
    bool trayOpen_ = false;
    bool locked_ = false;
    bool unitAttention_ = false;
    bool dirty_ = false;

    struct TBusyOp {
        TSense Sense;
        double Start = 0;
        double End = 0;
    };
    std::optional<TBusyOp> busy_;

    std::array<std::uint8_t, 52> writeParams_{};
    std::uint16_t requestedReadKBps_ = 0xFFFF;
    std::uint16_t requestedWriteKBps_ = 0xFFFF;
    double bufferFill_ = 0;      // bytes waiting in the drive buffer at bufferTime_
    double bufferTime_ = 0;
    std::uint32_t testWritten_ = 0;  // sectors "written" in test mode since the last synchronisation
};

}  // namespace sorvane::vdrive
