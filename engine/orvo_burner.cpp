#include "engine/orvo_burner.h"

#include "engine/rtl/format.h"

namespace sorvane {

TOrvoBurner::TOrvoBurner()
    : project_(*this, [this](const std::string& message, int mType) { DebugMessage(message, mType); }),
      layout_(project_, *this, DoDebug,
              [this](const std::string& message, int mType) { DebugMessage(message, mType); }) {
    layout_.HeaderStream.Reserve(kHeaderStreamCapacity);
    ConnectSessionImport();
    project_.OnAddFile = [this](TObject&, const std::string& fullPath, std::string& longName, std::string& shortName,
                                TDateTime& dateTime, int attr, std::int64_t size, bool& skip) {
        if (OnAddFile) OnAddFile(*this, fullPath, longName, shortName, dateTime, attr, size, skip);
    };
    UnderrunProtection = true;
}

TOrvoBurner::~TOrvoBurner() = default;

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
    cacheSize_ = value < kMinimum ? kMinimum : value - value % 2048;
}

std::string TOrvoBurner::IntToStrPad(int Width, const std::string& PadText, std::int64_t Value) {
    return sorvane::IntToStrPad(Width, PadText, Value);
}

bool TOrvoBurner::SaveISOImage(const std::string& FileName, bool Synchronous) {
    if (Synchronous) return SaveISOImageSynchronously(FileName);
    // Saving in the background streams through the recording pipeline,
    // which is not part of this build yet; say so rather than pretend.
    if (OnWriteDone) OnWriteDone(*this, "BACKGROUND IMAGE SAVE IS NOT AVAILABLE");
    return false;
}

bool TOrvoBurner::SaveISOImageSynchronously(const std::string& FileName) {
    LayoutFileSystem(true, layout_.LastImportInto);
    BuildFileSystemStream(true, layout_.LastImportInto);
    const std::string error = layout_.SaveImageFile(FileName);
    if (OnWriteDone) OnWriteDone(*this, error);
    return error.empty();
}

}  // namespace sorvane
