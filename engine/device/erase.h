#pragma once
// Erasing a rewritable disc. TSCSIDevice::EraseDisc (erase.cpp) starts the
// drive on its long operation with the immediate bit set, so that the
// command returns at once, and hands the waiting to a TEraseThread
// (erase_thread.cpp): it polls the drive until it is ready again, finishes
// what the drive cannot do by itself (overwriting the start of a DVD+RW or
// DVD-RAM), keeps an estimated percentage, restores the drive's settings and
// raises OnEraseDone on the owner's thread.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/device/format_list.h"
#include "engine/device/scsi_constants.h"
#include "engine/rtl/thread.h"

namespace sorvane {

class TSCSIDevice;

namespace erase {

// The BLANK types of MMC-5 6.2.2 the component asks for. The field is three
// bits wide; larger values would spill into the immediate bit.
inline constexpr std::uint8_t kFull = 0;
inline constexpr std::uint8_t kQuick = 1;
inline constexpr std::uint8_t kLastBlankType = 6;

// The format lists of an erase, with FOV and Immed in the header.
// DVD-RAM: format type 00h over 2,236,704 blocks of 2,048 bytes.
format_list::TList DvdRamFormatList();
// DVD+RW: format type 26h over 2,295,104 blocks.
format_list::TList DvdPlusRwFormatList();

// The time the drive is given to write its cache out after an overwrite.
inline constexpr int kSynchronizeTimeoutMs = 30000;

// Overwriting is done in writes of 32 sectors, 64 KiB of zeros each.
inline constexpr std::uint16_t kZeroSectorsPerWrite = 32;
inline constexpr std::uint32_t kZeroWriteBytes = kZeroSectorsPerWrite * kSectorSize;
// DVD-RAM quick erase: the first 352 sectors before the thread starts ...
inline constexpr int kDvdRamStartWrites = 11;
// ... and, like a quick DVD+RW erase, the first 2,080 sectors (which hold
// every volume descriptor and the first directories) in the thread.
inline constexpr int kQuickOverwriteWrites = 65;
// A full DVD+RW erase overwrites 2,272,032 sectors, nearly the whole disc.
inline constexpr int kFullOverwriteWrites = 71001;

// The estimate the progress counter runs against, in polling units, by disc
// kind and blank type.
std::uint16_t EraseDuration(TDiscKind kind, std::uint8_t blankType);

// Kinds the component knows how to erase.
bool IsErasableKind(TDiscKind kind);

// Writes `writes` runs of 32 zero sectors from sector 0, stopping at the
// first failed write or going on past failures. `goOn`, when given, runs
// after each write with the number of writes done so far and stops the
// overwrite by answering false.
enum class TOnWriteFailure { Stop, GoOn };
struct TOverwriteResult {
    int Done = 0;    // writes sent
    int Failed = 0;  // of which failed
    std::string FirstError;
};
TOverwriteResult OverwriteWithZeros(TSCSIDevice& device, int writes, TOnWriteFailure onFailure,
                                    const std::function<bool(int done)>& goOn = {});

}  // namespace erase

// What a device shares with its erase threads. The device holds one for its
// whole life; each thread holds it too, so that whatever a thread touches
// after it has told the device it is done stays alive.
struct TEraseLink {
    std::atomic<int> Progress{0};
    // Set when the device is being destroyed: a running thread stops waiting
    // for the drive, and no completion event is raised any more.
    std::atomic<bool> OwnerGone{false};

    // Erase threads that have not finished Execute yet.
    std::mutex Mutex;
    std::condition_variable Ended;
    int Running = 0;
    std::string Error;  // why the last erase failed; empty when it did not
};

class TEraseThread : public TThread {
public:
    TEraseThread(TSCSIDevice& device, std::shared_ptr<TEraseLink> link, TDiscKind kind, std::uint8_t blankType);

    int Progress() const { return link_->Progress; }

    const TDiscKind Kind;
    TSCSIDevice& Device;
    const std::uint8_t BlankType;
    const std::uint16_t Duration;
    bool WithError = false;

protected:
    void Execute() override;

private:
    bool Stopping() const { return link_->OwnerGone; }
    bool NotReady() const;
    void UpdateProgress();
    void Pause(int ms);
    void Fail(const std::string& error);

    // The steps of Execute, in order.
    void WaitForDvdMinusRw();
    void FinishDvdPlusRw();
    void FinishDvdRamQuick();
    void PollSlowModel();
    void WaitUntilIdle();
    void Finish();

    // Loops that poll the drive until it is ready or the estimate has run
    // out (t past Duration), whichever comes first.
    void PollWithTestUnitReady(double step);
    void PollWithDiscInformation();

    std::shared_ptr<TEraseLink> link_;
    double t_ = 0;  // polling units spent so far
    // Once the drive has told how far it is, its word counts, not the estimate.
    bool driveTells_ = false;
};

}  // namespace sorvane
