// The burner's recordings to a disc: the project (BurnProject) or an image
// file (BurnISOImage), and the layout's questions to the drive (the disc
// kind, where the new session starts).

#include <limits>

#include "engine/orvo_burner.h"
#include "engine/device/disc_kind.h"
#include "engine/iso/image_file.h"
#include "engine/record/disc_checks.h"
#include "engine/record/disc_format.h"
#include "engine/rtl/format.h"
#include "engine/rtl/sync_queue.h"

namespace sorvane {
namespace {

constexpr int kReadyWaitMs = 10000;
constexpr int kReadyPollMs = 500;

std::uint32_t BlockSizeFor(TDiscKind kind) {
    return KindTraits(kind).CdBlocks ? TCacheThread::kCdBlockSize : TCacheThread::kDataBlockSize;
}

}  // namespace

// --- The layout's questions ------------------------------------------------------

void TOrvoBurner::ConnectDiscLayout() {
    layout_.DiscHooks.DiscKind = [this] { return static_cast<std::int16_t>(GetDiscType()); };
    layout_.DiscHooks.GetNextWritableAddress = [this](int& startAddress) {
        return FindNextWritableAddress(startAddress);
    };
}

bool TOrvoBurner::GetNextWritableAddress() { return FindNextWritableAddress(layout_.StartAddress); }

bool TOrvoBurner::FindNextWritableAddress(int& startAddress) {
    startAddress = 0;
    WaitUntilReady(kReadyWaitMs, kReadyPollMs);
    const TDiscKind kind = GetDiscType();
    // Some drives report the next writable address only once the write
    // parameters suit the disc.
    const bool finalizeDisc = FinalizeDisc;
    FinalizeDisc = true;
    SetWriteParameters(TestWrite, UnderrunProtection, true, kind);
    FinalizeDisc = finalizeDisc;
    WaitUntilReady(kReadyWaitMs, kReadyPollMs);

    // Media without sessions: the new one follows the volume whose
    // descriptors are at the start of the disc.
    const TDiscKindTraits& traits = KindTraits(kind);
    if (traits.KeepsNoSessions) {
        startAddress = ReadVolumeSpaceSize();
        return true;
    }
    RefreshDiscInformation();
    if (traits.NeedsFormat) {
        // A DVD-RW is one growing track: track 1's next writable address.
        const bool read = ReadTrackInformation(1);
        if (read && TrackInfo.NextWritable != 0) startAddress = static_cast<int>(TrackInfo.NextWritable);
        const bool noNextWritable = read && !(TrackInfo.ValidFlags & kNwaValid);
        if (!noNextWritable) return read;
        if (traits.OverwrittenInPlace) {
            // Formatted to its end, the disc cannot grow: like a DVD+RW, the
            // session follows the volume at its start, in the whole ECC
            // blocks restricted overwrite is written in.
            const std::int64_t end = static_cast<std::uint32_t>(ReadVolumeSpaceSize());
            const std::int64_t blocks = (end + kDvdEccBlockSectors - 1) / kDvdEccBlockSectors;
            startAddress = static_cast<int>(blocks * kDvdEccBlockSectors);
            return true;
        }
        // A sequential disc whose first track is closed grows by sessions,
        // as the other kinds do.
    }
    const bool read = ReadTrackInformation(GetLastSession() + 1);
    startAddress = read ? static_cast<int>(TrackInfo.NextWritable) : 0;
    return read;
}

int TOrvoBurner::ReadVolumeSpaceSize() {
    // The last descriptor of the volume at the start of the disc is the one
    // the session follows.
    return static_cast<int>(FindVolumeSpaceSize(TDescriptorSearch::FromLast));
}

// --- Recordings ------------------------------------------------------------------------

TDiscRecording TOrvoBurner::DiscRecordingSettings() const {
    TDiscRecording recording;
    recording.TestWrite = TestWrite;
    recording.UnderrunProtection = UnderrunProtection;
    recording.PerformOPC = PerformOPC;
    recording.FinalizeTrack = FinalizeTrack;
    recording.ReadSpeed = ReadSpeed;
    recording.WriteSpeed = WriteSpeed();
    return recording;
}

bool TOrvoBurner::RefuseRecording(const std::string& error) {
    // The owner learns it from OnWriteDone; a debug line as well would tell
    // it twice.
    if (!OnWriteDone) DebugMessage(">>> " + error, mtError);
    ReportWriteDone(error);
    return false;
}

bool TOrvoBurner::OverwritesImportedFiles() const {
    for (const auto& entry : project_.FileTable()) {
        if (!entry->Imported || entry->IsDirectory() || entry->IsoSize <= 0) continue;
        if (entry->IsoSector + SectorsOf(entry->IsoSize) > StartAddress()) return true;
    }
    return false;
}

bool TOrvoBurner::RecordingBusy() const { return TSCSIDevice::RecordingBusy() || recorder_.Busy(); }

bool TOrvoBurner::CanStartRecording() {
    // The drive serves one operation at a time.
    if (RecordingBusy() || EraseBusy()) {
        DebugMessage(EraseBusy() ? ">>> THE DISC IS BEING ERASED" : ">>> A RECORDING IS ALREADY RUNNING", mtError);
        return false;
    }
    return true;
}

bool TOrvoBurner::BurnProject() {
    if (!CanStartRecording()) return false;
    const TStartGuard starting(*this, TStarting::Recording);
    // Abort stops the start too, while the drive formats the disc or gets
    // ready for it.
    const TWaitTicket ticket = WaitTicket();
    const auto aborted = [&ticket] { return ticket.Aborted(); };
    // Before the disc is touched: a DVD-RW may be formatted below.
    if (const std::string refusal = layout_.BootImageRefusal(); !refusal.empty()) return RefuseRecording(refusal);
    TDiscKind kind = GetDiscType();
    CurrentDiscKind = kind;
    const std::uint32_t blockSize = BlockSizeFor(kind);

    // A DVD-RW is recorded in restricted overwrite, grown from where its
    // data ends. A simulated recording leaves the disc as it is, and a disc
    // whose session is to be continued is never formatted anew.
    if (KindTraits(kind).NeedsFormat && !TestWrite) {
        const bool continuing = layout_.ImportSessionNumber != 0 && GetDiscStatus() != discinfo::kStatusEmpty;
        if (disc::QuickFormatDvdRw(*this, kind,
                                   continuing ? disc::TFormatScope::KeepData : disc::TFormatScope::MayErase,
                                   aborted)) {
            kind = GetDiscType();
            CurrentDiscKind = kind;
        }
    }
    if (aborted()) return RefuseRecording(kAbortedByUserText);
    if (const std::string refusal = disc::CheckDisc(*this, kind, TestWrite, disc::TStart::NextWritable);
        !refusal.empty())
        return RefuseRecording(refusal);

    // The plan is made again now that the drive knows where the session
    // starts.
    layout_.Building = true;
    LayoutFileSystem(false, layout_.LastImportInto);
    BuildFileSystemStream(false, layout_.LastImportInto);
    layout_.Building = false;
    if (aborted()) return RefuseRecording(kAbortedByUserText);
    // Directory records hold 32-bit sector numbers.
    if (EndAddress() > std::numeric_limits<std::int32_t>::max())
        return RefuseRecording("PROJECT IS TOO LARGE FOR AN ISO 9660 VOLUME");
    // Without the disc's real next writable address a continued session
    // would be written over the files it keeps.
    if (OverwritesImportedFiles()) return RefuseRecording(kNoNextWritableText);
    if (const std::string refusal = disc::CheckRoom(*this, kind, StartAddress(), GetImageSize()); !refusal.empty())
        return RefuseRecording(refusal);

    const TCacheInputs inputs = ProjectCacheInputs(blockSize);
    TDiscRecording recording = DiscRecordingSettings();
    recording.Source = TDiscRecording::TSource::Project;
    recording.StartAddress = StartAddress();
    recording.StreamSectors = GetImageSize();
    recording.HeaderBuffer = layout_.HeaderBuffer;
    recording.HeaderBufferLength = layout_.HeaderBufferLength;
    return StartDiscRecording(inputs, std::move(recording), ProjectChecksums(kind));
}

bool TOrvoBurner::BurnISOImage(const std::string& FileName) {
    if (!CanStartRecording()) return false;
    const TStartGuard starting(*this, TStarting::Recording);
    const TDiscKind kind = GetDiscType();
    CurrentDiscKind = kind;

    const std::int64_t bytes = ReadableFileSize(FileName);
    if (bytes < 0) {
        ReportWriteDone(CantOpenText(FileName));
        return false;
    }
    // An image is recorded from sector 0: its own addresses count from
    // there.
    layout_.StartAddress = 0;
    layout_.ImageSectors = SectorsOf(bytes);
    layout_.EndAddress = layout_.ImageSectors;
    if (bytes == 0) return RefuseRecording(Format("IMAGE FILE \"%s\" IS EMPTY", FileName.c_str()));
    if (const std::string refusal = disc::CheckDisc(*this, kind, TestWrite, disc::TStart::SectorZero);
        !refusal.empty())
        return RefuseRecording(refusal);
    if (const std::string refusal = disc::CheckRoom(*this, kind, 0, ImageSectors()); !refusal.empty())
        return RefuseRecording(refusal);

    TCacheInputs inputs;
    inputs.CacheSize = CacheSize();
    inputs.FileTable = &project_.FileTable();
    inputs.TotalBytes = ImageSectors() * kSectorSize;
    inputs.PadTrack = WritePostGap;
    inputs.BlockSize = BlockSizeFor(kind);
    inputs.ImageFileName = FileName;

    TDiscRecording recording = DiscRecordingSettings();
    recording.Source = TDiscRecording::TSource::ImageFile;
    recording.StreamSectors = ImageSectors();
    return StartDiscRecording(inputs, std::move(recording), ImageChecksums(FileName));
}

bool TOrvoBurner::StartDiscRecording(const TCacheInputs& inputs, TDiscRecording recording,
                                     std::unique_ptr<TSentChecksums> sent) {
    const std::string error = recorder_.StartCache(inputs);
    if (!error.empty()) {
        ReportWriteDone(error);
        return false;
    }
    // A simulated recording puts nothing on the disc that could be read
    // back.
    if (recording.TestWrite) sent.reset();
    discRecording_ = std::move(recording);
    pendingChecksums_ = std::move(sent);
    // Not known before the recording thread has set the drive's speed.
    SetRecordingWriteSpeed(0);
    return StartWriteThread(false);
}

std::unique_ptr<TWriteTarget> TOrvoBurner::MakeDiscTarget() {
    TDiscRecording recording;
    if (discRecording_) {
        recording = std::move(*discRecording_);
        discRecording_.reset();
    } else {
        // Started directly: the project as last laid out for a disc.
        recording = DiscRecordingSettings();
        recording.StartAddress = StartAddress();
        recording.StreamSectors = GetImageSize();
        recording.HeaderBuffer = layout_.HeaderBuffer;
        recording.HeaderBufferLength = layout_.HeaderBufferLength;
    }
    recording.OnFinalizingTrack = [this] {
        TSyncQueue::Main().Send([this] {
            if (OnFinalizingTrack) OnFinalizingTrack(*this);
        });
    };
    return std::make_unique<TDiscTarget>(*this, std::move(recording));
}

}  // namespace sorvane
