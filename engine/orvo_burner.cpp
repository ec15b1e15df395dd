#include "engine/orvo_burner.h"

#include <limits>

#include "engine/record/image_file_target.h"
#include "engine/rtl/format.h"

namespace sorvane {

TOrvoBurner::TOrvoBurner()
    : project_(*this, [this](const std::string& message, int mType) { DebugMessage(message, mType); }),
      layout_(project_, *this, DoDebug,
              [this](const std::string& message, int mType) { DebugMessage(message, mType); }),
      recorder_(DeviceLock, [this](const std::string& message, int mType) { DebugMessage(message, mType); }) {
    layout_.HeaderStream.Reserve(kHeaderStreamCapacity);
    ConnectSessionImport();
    project_.OnAddFile = [this](TObject&, const std::string& fullPath, std::string& longName, std::string& shortName,
                                TDateTime& dateTime, int attr, std::int64_t size, bool& skip) {
        if (OnAddFile) OnAddFile(*this, fullPath, longName, shortName, dateTime, attr, size, skip);
    };
    UnderrunProtection = true;
    ConnectDiscLayout();
}

TOrvoBurner::~TOrvoBurner() { recorder_.Shutdown(); }

bool TOrvoBurner::ClearProject(int maxFiles, int maxDirs) {
    layout_.Reset();
    layout_.HeaderStream.Reserve(kHeaderStreamCapacity);
    return project_.ClearProject(maxFiles, maxDirs);
}

bool TOrvoBurner::ResetProject() {
    layout_.ImportSessionNumber = 0;
    return ClearProject(TProjectTree::kDefaultMaxFiles, TProjectTree::kDefaultMaxDirs);
}

void TOrvoBurner::SetCacheSize(std::uint32_t value) {
    constexpr std::uint32_t kMinimum = 2097152;
    cacheSize_ = value < kMinimum ? kMinimum : value - value % kSectorSize;
}

std::string TOrvoBurner::IntToStrPad(int Width, const std::string& PadText, std::int64_t Value) {
    return sorvane::IntToStrPad(Width, PadText, Value);
}

bool TOrvoBurner::SaveISOImage(const std::string& FileName, bool Synchronous) {
    if (Synchronous) return SaveISOImageSynchronously(FileName);
    if (RecordingBusy()) {
        DebugMessage(">>> A RECORDING IS ALREADY RUNNING", mtError);
        return false;
    }
    ISOFileName = FileName;
    LayoutFileSystem(true, layout_.LastImportInto);
    BuildFileSystemStream(true, layout_.LastImportInto);
    // Directory records hold 32-bit sector numbers.
    if (EndAddress() > std::numeric_limits<std::int32_t>::max()) {
        ReportWriteDone("PROJECT IS TOO LARGE FOR AN ISO 9660 VOLUME");
        return true;
    }
    if (const std::string refusal = layout_.BootImageRefusal(); !refusal.empty()) {
        ReportWriteDone(refusal);
        return true;
    }

    const std::string error = recorder_.StartCache(ProjectCacheInputs(TCacheThread::kDataBlockSize));
    if (!error.empty()) {
        ReportWriteDone(error);
        return true;
    }
    return StartWriteThread(true);
}

TCacheInputs TOrvoBurner::ProjectCacheInputs(std::uint32_t blockSize) {
    // The boot image and the zero sectors up to the first file follow the
    // header, which ends with the boot catalog.
    const bool bootable = layout_.MakeBootable;
    TCacheInputs inputs;
    inputs.CacheSize = CacheSize();
    inputs.FileTable = &project_.FileTable();
    inputs.HeaderStream = &layout_.HeaderStream;
    inputs.TotalBytes = ImageSectors() * kSectorSize;
    inputs.BootSectors = bootable ? static_cast<std::uint32_t>(layout_.BootImageSectors) : 0;
    inputs.BootPadSectors = bootable && layout_.PadSectors > 0 ? static_cast<std::uint32_t>(layout_.PadSectors) : 0;
    inputs.BootImageName = bootable ? layout_.BootImageFile : std::string();
    inputs.PadTrack = WritePostGap;
    inputs.BlockSize = blockSize;
    return inputs;
}

bool TOrvoBurner::StartWriteThread(bool ToImageFile) {
    const std::int64_t imageBytes = GetImageSize() * kSectorSize;
    std::unique_ptr<TWriteTarget> target;
    std::unique_ptr<TSentChecksums> sent = std::move(pendingChecksums_);
    if (ToImageFile)
        target = std::make_unique<TImageFileTarget>(ISOFileName, imageBytes);
    else
        target = MakeDiscTarget();
    return recorder_.StartWriteThread(
        std::move(target), imageBytes,
        [this](const std::string& error) {
            // The write thread delivers this on the owner's thread.
            LastWriteError = error;
            DoWriteDone();
        },
        ToImageFile ? nullptr : std::move(sent));
}

void TOrvoBurner::ReportWriteDone(const std::string& error) {
    RaiseOnOwner([this, error] {
        LastWriteError = error;
        DoWriteDone();
    });
}

void TOrvoBurner::DoWriteDone() {
    if (OnWriteDone) OnWriteDone(*this, LastWriteError);
}

bool TOrvoBurner::SaveISOImageSynchronously(const std::string& FileName) {
    LayoutFileSystem(true, layout_.LastImportInto);
    BuildFileSystemStream(true, layout_.LastImportInto);
    const std::string error = layout_.SaveImageFile(FileName);
    if (OnWriteDone) OnWriteDone(*this, error);
    return error.empty();
}

}  // namespace sorvane
