#include "engine/orvo_burner.h"

namespace sorvane {

TOrvoBurner::TOrvoBurner()
    : project_(*this, [this](const std::string& message, int mType) { DebugMessage(message, mType); }) {
    headerStream_.Reserve(kHeaderStreamCapacity);
    project_.OnAddFile = [this](TObject&, const std::string& fullPath, std::string& longName, std::string& shortName,
                                TDateTime& dateTime, int attr, std::int64_t size, bool& skip) {
        if (OnAddFile) OnAddFile(*this, fullPath, longName, shortName, dateTime, attr, size, skip);
    };
    UnderrunProtection = true;
}

TOrvoBurner::~TOrvoBurner() = default;

bool TOrvoBurner::ClearProject(int maxFiles, int maxDirs) {
    headerStream_.Clear();
    headerStream_.Reserve(kHeaderStreamCapacity);
    return project_.ClearProject(maxFiles, maxDirs);
}

bool TOrvoBurner::ResetProject() {
    return ClearProject(TProjectTree::kDefaultMaxFiles, TProjectTree::kDefaultMaxDirs);
}

void TOrvoBurner::SetCacheSize(std::uint32_t value) {
    constexpr std::uint32_t kMinimum = 2097152;
    cacheSize_ = value < kMinimum ? kMinimum : value - value % 2048;
}

}  // namespace sorvane
