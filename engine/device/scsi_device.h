#pragma once
// TSCSIDevice: the drive side of the burner component. It finds the drives,
// selects one, carries every SCSI command to it and knows what the drive can
// do and what disc it holds. TOrvoBurner derives from it.
//
// Every drive command answers a Boolean (true when the request completed)
// and leaves the reason of a failure in LastError. The parts behind it each
// have one job: the process-wide transport (transport.h) with the built-in
// SG_IO layer (pass_through.h), the owned request copies of the executor
// (owned_request.h), sense decoding (sense.h) and classification
// (sense_class.h), the command builders (mmc_commands.h), the reply decoders
// (mmc_replies.h) and the disc kinds (disc_kind.h).

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/device/aspi.h"
#include "engine/device/mmc_replies.h"
#include "engine/device/scsi_constants.h"
#include "engine/device/sense_class.h"
#include "engine/rtl/component.h"
#include "engine/rtl/critical_section.h"
#include "engine/rtl/date_time.h"

namespace sorvane {

class TSCSIDevice;
class TScsiCommand;
class TEraseThread;
struct TEraseLink;

using TOnDebugMsg = std::function<void(TSCSIDevice& Sender, const std::string& Message, int mType)>;
using TDeviceChangedEvent = std::function<void(TSCSIDevice& Sender)>;
using TEraseDoneEvent = std::function<void(TSCSIDevice& Sender, bool WithError)>;

// Mode page 2Ah as the drive reported its current values, with the speed
// fields and the buffer size also decoded into host order.
struct TCapabilitiesPage {
    static constexpr std::size_t kSize = 516;
    std::array<std::uint8_t, kSize> Bytes{};  // as the drive sent them
    std::uint16_t MaxReadSpeed = 0;           // bytes 8-9, kB/s
    std::uint16_t BufferSize = 0;             // bytes 12-13, KiB
    std::uint16_t CurrentReadSpeed = 0;       // bytes 14-15
    std::uint16_t MaxWriteSpeed = 0;          // bytes 18-19
    std::uint16_t CurrentWriteSpeed = 0;      // bytes 20-21
};

// What the drive and its disc report, as the sessions page shows it.
struct TDisc {
    std::uint8_t Ready = 0;
    std::int32_t Capacity = 0;
    std::int32_t SectorCount = 0;
    std::int32_t SectorSize = 0;
    std::uint8_t FirstSession = 0;
    std::uint8_t LastSession = 0;
    std::uint8_t LastSessionState = 0;  // 0 empty, 1 incomplete, 3 complete
    std::uint8_t DiscStatus = 0;        // 0 empty, 1 incomplete, 2 complete, 3 other
    std::uint16_t Profile = 0;
    std::string TypeText;
    bool Erasable = false;
};

class TSCSIDevice : public TComponent {
public:
    // No drive selected: 254 in all three address bytes.
    static constexpr std::uint8_t kNoAddress = 254;
    // Completion by event waits at least this long, whatever the caller's
    // time-out: a drive that is slow to start must not be given up early.
    static inline std::atomic<int> MinimumCompletionWaitMs{10000};

    TSCSIDevice();
    ~TSCSIDevice() override;
    TSCSIDevice(const TSCSIDevice&) = delete;
    TSCSIDevice& operator=(const TSCSIDevice&) = delete;

    // --- Diagnostics and the device lock ----------------------------------
    // Raises OnDebugMessage when a handler is assigned, on the owner's thread
    // (the one that pumps TSyncQueue::Main()): at once when called there, or
    // when no thread owns the queue yet; from any other thread the line is
    // queued behind the ones before it, and dropped should the device be
    // gone by the time the owner comes to it. Any thread may call it.
    void DebugMessage(const std::string& message, int mType);
    void Lock() { DeviceLock.Enter(); }
    void Unlock() { DeviceLock.Leave(); }
    TCriticalSection& DeviceCriticalSection() { return DeviceLock; }

    // --- Published properties -----------------------------------------------
    bool DoDebug = false;
    TOnDebugMsg OnDebugMessage;
    TDeviceChangedEvent OnDeviceChange;
    bool ASPIInitialized() const;
    bool GetASPIInitialized() const { return ASPIInitialized(); }

    std::uint16_t DeviceMaxWriteSpeed() const { return deviceMaxWriteSpeed_; }
    std::uint16_t DeviceMaxReadSpeed() const { return deviceMaxReadSpeed_; }
    std::uint16_t ReadSpeed = 0;  // kB/s chosen by the user; 0 = maximum
    std::uint16_t WriteSpeed() const { return writeSpeed_; }
    // Sends the speed to the drive and keeps it whatever the drive answers;
    // it takes effect at the next SetSpeed at the latest.
    void SetWriteSpeed(std::uint16_t value);
    bool UnderrunProtection = false;
    bool FinalizeDisc = false;

    // Kept current by the recording thread; read by the progress display.
    std::uint32_t DeviceBufferSize() const { return deviceBufferSize_; }
    std::uint32_t DeviceFreeBufferSize() const { return deviceFreeBufferSize_; }
    // The recording thread lowers the free size while the drive flushes its
    // buffer at the end, and clears both once it is done.
    void SetDeviceBufferSizes(std::uint32_t size, std::uint32_t free) {
        deviceBufferSize_ = size;
        deviceFreeBufferSize_ = free;
    }

    // The write speed the drive granted the recording under way, as the
    // recording thread read it back once it had set it (kB/s); 0 until then.
    // Progress displays count the time left from it: WriteSpeed is 0 when
    // the user left the speed to the drive.
    std::uint16_t RecordingWriteSpeed() const { return recordingWriteSpeed_; }
    void SetRecordingWriteSpeed(std::uint16_t value) { recordingWriteSpeed_ = value; }

    bool Erasing() const { return erasing_; }
    TEraseDoneEvent OnEraseDone;

    // --- Transport and drives ---------------------------------------------------
    // Opens the process-wide transport (the built-in SG_IO layer first when
    // preferred, else a run-time library, else the built-in layer after all),
    // then inquires adapter 0 and enumerates the drives.
    bool InitializeTransport(bool PreferPassThrough, const std::string& AspiLibraryPath);
    // Closes the transport and opens it again as it was first opened.
    bool ReinitializeTransport();
    static std::string TransportName();
    // Drives that exist but that this user may not open, in one sentence
    // with the remedy; empty when there are none. Known once the transport
    // has been opened with the built-in layer preferred.
    static std::string DriveAccessProblem();
    // Whether the built-in layer closes a drive's handle after every command.
    static void SetReleaseHandle(bool value);
    void InquireAdapter(std::uint8_t adapter);
    // Fills Devices: one line per CD/DVD drive,
    // "adapter:target:lun,name: VENDOR  PRODUCT         REV ".
    void EnumerateDevices();
    // Selects the drive of a Devices line; any other id clears the selection.
    void SelectDevice(const std::string& Id);
    void ReadDeviceIdentity();
    // The device name ("sr0") of the selected drive, empty when unknown.
    std::string GetDriveLetter();
    // Sends one request to the selected drive; the caller reads SRB_Status
    // (SS_COMP = success).
    void ExecuteCommand(SRB_ExecSCSICmd& srb, int timeoutMs);

    std::vector<std::string> Devices;
    std::string DeviceId;
    std::string Identity;
    std::uint8_t HaId = kNoAddress, TargetId = kNoAddress, Lun = kNoAddress;
    std::uint8_t PeripheralType = peripheral::kNone;
    std::uint8_t AdapterCountSeen = 0;
    // Every buffer the component hands to a drive is aligned on 8 bytes:
    // adapters move data by DMA, and the executor reports buffers that are
    // not on a 4-byte boundary.
    SRB_HAInquiry AdapterInquiry{};
    alignas(8) std::array<std::uint8_t, 128> InquiryData{};
    std::string LastError;
    std::array<std::uint8_t, ASPI_SENSE_LEN> SenseData{};
    bool TargetBusy = false;
    // How the last failed command's answer is to be taken; None after a
    // command that succeeded.
    TSenseClass LastFailureClass() const { return ClassifyFailure(TargetBusy, SenseData); }
    // Only the first request of a device object may post the error report;
    // the recording thread also sets this before writing overwritable media.
    bool ErrorReported = false;

    // Model quirks, set when a drive is selected. The erase and recording
    // threads read them, hence the atomics.
    bool ForceUnderrunProtection = false;
    bool LinkSizeValid = false;
    bool SlowReadyDrive = false;
    std::atomic<bool> ExtraReadyPolling{false};
    std::atomic<bool> CloseImmediate{true};

    // --- MultiMedia commands ---------------------------------------------------
    bool TestUnitReady(int TimeoutMs);
    void RezeroUnit();
    bool RequestSense(void* Buf, std::uint8_t Len);
    bool FormatUnit(std::uint8_t FormatFlags, const void* Data, std::uint32_t Len);
    bool Inquiry();
    bool LoadUnload(bool Eject);
    bool AllowMediumRemoval(bool Allow);
    bool ReadFormatCapacities(std::uint32_t& Blocks, std::uint32_t& BlockLen);
    bool ReadCapacity(std::uint32_t& LastLba, std::uint32_t& BlockLen);
    bool ReadSectors(std::uint32_t Lba, std::uint16_t Count, std::uint32_t BufLen, void* Buf);
    bool WriteSectors(std::uint32_t Lba, std::uint16_t Count, std::uint8_t Flags, std::uint32_t BufLen,
                      const void* Buf);
    bool SynchronizeCache(int TimeoutMs, bool Immediate);
    // Len and TrackSession above 255 are refused before anything is sent.
    bool ReadTocPmaAtip(std::uint8_t Format, void* Buf, std::uint8_t Control, bool Msf, int TrackSession, int Len);
    bool GetConfiguration(std::uint8_t RequestType, std::uint16_t StartFeature, std::uint16_t Len, void* Buf);
    bool ReadDiscInformation(void* Buf, std::uint8_t Len);
    // Fills TrackInfo; a track above 255 is refused before anything is sent.
    bool ReadTrackInformation(int Track);
    bool ReserveTrack(std::uint32_t Size);
    bool PerformOpcCommand();
    bool ModeSelect(const void* Data, std::uint16_t Len);
    // Buf is cleared for ClearLen + 1 bytes first and receives Len bytes.
    bool ModeSense(std::uint8_t Page, void* Buf, bool DefaultValues, std::uint16_t Len, std::uint16_t ClearLen);
    bool CloseTrackOrSession(bool CloseTrack, bool Immediate, bool Finalize);
    bool CloseTrackSession(bool Immediate, std::uint8_t CloseFunction, std::uint8_t B3, std::uint8_t B4,
                           std::uint8_t B5);
    bool ReadBufferCapacity(std::uint32_t& Size, std::uint32_t& Free);
    bool Blank(std::uint8_t BlankType);
    bool SetStreaming(const void* Data, std::uint16_t Len);
    bool SetSpeed(std::uint16_t ReadKBps, std::uint16_t WriteKBps);
    bool SendDvdStructure(std::uint8_t Format, const void* Data, std::uint16_t Len);

    bool SetStreamingSpeed(std::int32_t StartLba, std::int32_t EndLba, std::int32_t ReadSize, std::int32_t WriteSize,
                           std::int32_t ReadTime, std::int32_t WriteTime);
    bool SendTimeStamp(TDateTime When);
    bool HasVendorPage30();
    // Mode page 05h for recording a disc of the given kind.
    bool SetWriteParameters(bool TestWrite, bool Underrun, bool OpenNextSession, int Kind);

    TTrackInfo TrackInfo;
    std::array<std::uint8_t, 54> WriteParamsPage{};

    // --- Drive capabilities ------------------------------------------------------
    bool ReadCapabilities();
    std::uint16_t GetMaxWriteSpeed();
    std::uint16_t GetMaxReadSpeed();
    std::uint16_t GetCurrentWriteSpeed();
    // Asks the drive for every write speed from its fastest down, `step`
    // kB/s apart, and answers each speed it grants once, fastest first;
    // leaves it at its fastest. Each step costs several commands, so the
    // owner's events are handled between steps, and AbortWaits ends the
    // probing with what was found so far. Empty when the drive grants no
    // write speed.
    std::vector<std::uint16_t> ProbeWriteSpeeds(std::uint16_t step);
    bool Can(std::uint32_t capabilityBits) const { return (Capabilities & capabilityBits) != 0; }

    std::uint32_t Capabilities = 0;
    TCapabilitiesPage CapabilitiesPage;

    // --- The disc ------------------------------------------------------------------
    TDiscKind GetDiscType();
    bool RefreshDiscInformation();
    // -1 when unreadable, else 0 empty, 1 incomplete, 2 complete, 3 other.
    int GetDiscStatus();
    // The number of the last closed session.
    int GetLastSession();
    bool IsDiscErasable();
    std::uint32_t GetUsedSectors();
    std::uint32_t GetDiscCapacity();
    // The ISO 9660 volume space size from a primary or supplementary volume
    // descriptor in sectors 16 to 32: the first one, or with FromLast the
    // last one (searched from sector 32 down); 0 when there is none.
    enum class TDescriptorSearch { FromFirst, FromLast };
    std::uint32_t FindVolumeSpaceSize(TDescriptorSearch search = TDescriptorSearch::FromFirst);
    void GetDiscInfo(TDisc& Disc);
    // False when the drive did not get ready within TotalMs, or AbortWaits
    // ended the wait.
    bool WaitUntilReady(int TotalMs, int IntervalMs);
    // Leaves the drive as a recording or an erase should once it is done:
    // the CD write parameters page, the fastest reading and the slowest
    // writing, the tray unlocked and loaded, the head at the start.
    void RestoreIdleSettings();

    alignas(8) std::array<std::uint8_t, discinfo::kLength> DiscInfoBlock{};
    // The disc kind last stored by an erase, IsDiscErasable or a recording.
    std::atomic<std::int16_t> CurrentDiscKind{0};

    // --- Long waits ---------------------------------------------------------------
    // Every pause of the drive layer's waits: the ready check, a format, the
    // erase, the recording's retries, the front ends' tray waits. By default
    // it keeps the owner's events flowing while it runs on the owner's thread
    // (engine/rtl/owner_wait.h) and ends early at AbortWaits. Tests replace it
    // to run on the emulated recorder's clock.
    std::function<void(int ms)> Sleep;
    // The pause Sleep makes unless replaced; a front end that paces the
    // emulated recorder's clock makes it with shorter durations.
    void PauseKeepingOwnerAlive(std::chrono::nanoseconds pause);

    // What a wait sees of AbortWaits: it is aborted once AbortWaits was
    // called after the ticket was taken, at the wait's start.
    class TWaitTicket {
    public:
        bool Aborted() const { return count_->load() != seen_; }

    private:
        friend class TSCSIDevice;
        explicit TWaitTicket(const std::atomic<std::uint32_t>& count) : count_(&count), seen_(count.load()) {}
        const std::atomic<std::uint32_t>* count_;
        std::uint32_t seen_;
    };
    TWaitTicket WaitTicket() const { return TWaitTicket(waitAborts_); }
    // Ends the waits under way and the pause they are in; waits that begin
    // afterwards are not affected. Any thread may call it.
    void AbortWaits() { ++waitAborts_; }

    // --- Erase (erase.cpp, erase_thread.cpp) ---------------------------------------
    // Starts erasing the rewritable disc (BlankType 1 quick, 0 full); true
    // when an erase thread now waits for the drive and will raise
    // OnEraseDone(..., false) at its end, or (..., true) when it failed. A
    // start that fails raises OnEraseDone(..., true) before returning false;
    // a drive that is not ready returns false without an event. The owner
    // must send no commands of its own while Erasing.
    bool EraseDisc(std::uint8_t BlankType);
    // The estimated percentage while Erasing, else 0.
    int GetEraseProgress() const;
    // Why the last erase failed; empty after one that did not.
    std::string LastEraseError() const;
    // Stops an erase thread's waiting for the drive, raises no more
    // OnEraseDone and returns once no erase thread uses this device. The
    // destructor calls it; a derived class whose members the handlers use
    // calls it first in its own destructor.
    void WaitForEraseThreads();

protected:
    friend class TEraseThread;

    // The drive serves one operation at a time. An operation being started
    // on the owner's thread, which handles its events during the start's
    // waits, is marked here, so that a second start made meanwhile is
    // refused.
    enum class TStarting { Nothing, Recording, Erase };
    class TStartGuard {
    public:
        TStartGuard(TSCSIDevice& device, TStarting what) : device_(device) { device_.starting_ = what; }
        ~TStartGuard() { device_.starting_ = TStarting::Nothing; }
        TStartGuard(const TStartGuard&) = delete;
        TStartGuard& operator=(const TStartGuard&) = delete;

    private:
        TSCSIDevice& device_;
    };
    // A recording is being started or runs.
    virtual bool RecordingBusy() const { return starting_ == TStarting::Recording; }
    // An erase is being started or runs.
    bool EraseBusy() const { return erasing_ || starting_ == TStarting::Erase; }

    // Raises an event on the owner's thread and returns once it has run: at
    // once when called there (after what workers queued before it) or when
    // no thread owns the queue, else through the owner's queue.
    void RaiseOnOwner(const std::function<void()>& raise);

    // Runs one built command; true when it completed.
    bool Run(const TScsiCommand& command);
    // Asks REQUEST SENSE how the drive is doing.
    TSenseClass AskSense();
    std::uint32_t UsedSectorsOfCd();
    std::uint32_t UsedSectorsOfDvd(TDiscKind found);
    std::uint32_t CapacityOfCd();
    std::uint32_t CapacityOfDvd(TDiscKind found);
    std::uint32_t SectorsOfReadingDrive();
    void PrepareSizeQuery();
    void ProbeWriteTypes();
    void ResetSelection();
    void SetModelFlags();

    TCriticalSection DeviceLock;
    std::atomic<std::uint16_t> deviceMaxWriteSpeed_{0};
    std::atomic<std::uint16_t> deviceMaxReadSpeed_{0};
    std::uint16_t writeSpeed_ = 0;
    std::atomic<std::uint32_t> deviceBufferSize_{0};
    std::atomic<std::uint32_t> deviceFreeBufferSize_{0};
    std::atomic<std::uint16_t> recordingWriteSpeed_{0};
    std::atomic<bool> erasing_{false};
    std::atomic<TStarting> starting_{TStarting::Nothing};
    std::atomic<std::uint32_t> waitAborts_{0};

private:
    bool ReadyForErase();
    bool StartErase(TDiscKind discKind, std::uint8_t blankType);
    bool FailEraseStart(const std::string& error);

    std::shared_ptr<TEraseLink> eraseLink_;
    // Cleared when the device goes: queued debug lines then raise nothing.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace sorvane
