#pragma once
// The selected drive as a recording's target. Open prepares the drive for
// the disc in it (load, speeds, write parameters, streaming and the track
// reservation of a DVD-R, power calibration); Write sends one block per
// WRITE(10), first rewriting the volume descriptors at sector 0 of media that
// are overwritten in place, and waits out a drive that is busy; Close
// synchronises the drive's cache, closes the track and session as the disc
// kind needs and gives the drive back (speeds, write parameters, tray).
//
// Everything runs on the write thread. The drive is the burner component's;
// while a recording runs nobody else sends it commands. Every pause goes
// through the device's Sleep hook, so that tests run on simulated time.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/device/scsi_constants.h"
#include "engine/record/write_target.h"

namespace sorvane {

class TSCSIDevice;

// The texts a disc recording ends with, besides those of the pipeline.
inline constexpr char kWriterBusyText[] = "WRITER BUSY/BUFFER FULL";
inline constexpr char kWriterErrorText[] = "WRITER ERROR";
inline constexpr char kSynchronizeErrorText[] = "SYNCHRONIZE CACHE ERROR";
inline constexpr char kCloseErrorText[] = "CLOSE TRACK/SESSION ERROR";

// What is recorded and how, fixed when the recording starts so that the
// write thread never reads the component's settings while the owner may
// change them.
struct TDiscRecording {
    enum class TSource { Project, ImageFile };
    TSource Source = TSource::Project;
    // The first sector of the session. An image file always starts at 0.
    std::int64_t StartAddress = 0;
    // The sectors the read-ahead delivers: what is streamed and reserved.
    std::int64_t StreamSectors = 0;
    // The start of the header stream through the volume descriptor set
    // terminator, the rest 0xFF (a project's HeaderBuffer).
    std::vector<std::uint8_t> HeaderBuffer;
    int HeaderBufferLength = 0;

    bool TestWrite = false;
    bool UnderrunProtection = true;
    bool PerformOPC = true;
    bool FinalizeTrack = true;
    std::uint16_t ReadSpeed = 0;   // kB/s, 0 for the drive's maximum
    std::uint16_t WriteSpeed = 0;

    // Raised on the write thread once every block is on its way to the
    // disc, before the cache is synchronised; the component forwards it to
    // the owner's thread and returns once it has run there.
    std::function<void()> OnFinalizingTrack;
};

// Disc kinds by what recording them involves.
namespace disc {
// Media overwritten in place: a grown file system's volume descriptors are
// rewritten at sector 0.
bool OverwrittenInPlace(TDiscKind kind);
// Kinds whose drives flush their buffer after an immediate SYNCHRONIZE
// CACHE while they report not ready.
bool FlushesInBackground(TDiscKind kind);
// Kinds told the streaming performance before they are written.
bool TakesStreamingSpeed(TDiscKind kind);
// Kinds on which a drive can simulate a recording.
bool CanTestWrite(TDiscKind kind);
// Kinds written in 27-sector blocks; every other kind in 32-sector units.
bool WritesCdBlocks(TDiscKind kind);
// The sectors a DVD recording of `sectors` takes: its last write is a whole
// unit too.
std::int64_t InWholeDvdWriteUnits(std::int64_t sectors);
}  // namespace disc

class TDiscTarget final : public TWriteTarget {
public:
    // Attempts of one write while the drive is busy, 600 ms apart.
    static constexpr int kBusyRetries = 10000;
    static constexpr int kBusyPauseMs = 600;
    // Blocks between two READ BUFFER CAPACITY queries while writing.
    static constexpr int kBufferQueryInterval = 5;

    TDiscTarget(TSCSIDevice& device, TDiscRecording recording);

    std::string Open() override;
    std::int64_t StartSector() const override;
    std::uint32_t WriteLength(std::uint32_t count, std::uint32_t capacity) const override;
    std::string Write(std::int64_t sector, const std::uint8_t* data, std::uint32_t count,
                      const std::atomic<bool>& abortFlag) override;
    std::string Close(const std::string& error) override;

    TDiscKind Kind() const { return kind_; }

private:
    // Preparation (disc_target.cpp).
    void SetStreamingForDvdR();
    void AnnounceStart(std::uint16_t speed);

    // Writing (disc_write.cpp).
    std::string WriteHeader(std::uint32_t count, const std::atomic<bool>& abortFlag);
    // One write with the busy rule; on an unformatted DVD+RW the first write
    // of the recording formats it once and is tried again.
    std::string WriteSectors(std::int64_t lba, const std::uint8_t* data, std::uint32_t count,
                             const std::atomic<bool>& abortFlag);
    // Formats a DVD+RW that refused the first write as unformatted and waits
    // until the drive takes writes; false when the drive refused the format.
    bool FormatDvdPlusRw(const std::atomic<bool>& abortFlag);
    void PollBuffer();
    std::uint8_t LastAsc() const;
    bool LastFailureIsBusy() const;

    // Finishing (disc_finish.cpp).
    std::string Synchronize();
    std::string SynchronizeInBackground();
    std::string CloseByKind();
    // Sends one close command, waiting out busy answers; true when the drive
    // took it.
    bool SendClose(bool immediate, std::uint8_t closeFunction, int track);
    bool CloseCdSession();
    std::string FailureText(const char* what) const;

    TSCSIDevice& device_;
    TDiscRecording recording_;
    TDiscKind kind_ = 0;
    int trackNumber_ = 1;
    bool prepared_ = false;
    bool bufferQueryAllowed_ = false;
    int bufferCountdown_ = kBufferQueryInterval;
    bool firstWrite_ = true;
    bool headerWritten_ = false;
    bool formatTried_ = false;
};

}  // namespace sorvane
