#include "engine/record/image_file_target.h"

namespace sorvane {

TImageFileTarget::TImageFileTarget(std::string fileName, std::int64_t expectedBytes)
    : fileName_(std::move(fileName)), expectedBytes_(expectedBytes) {}

std::string TImageFileTarget::Open() {
    if (!file_.Create(fileName_)) return file_.ErrorText();
    if (expectedBytes_ > 0 && !file_.Reserve(expectedBytes_)) return file_.ErrorText();
    return {};
}

std::string TImageFileTarget::Write(std::int64_t, const std::uint8_t* data, std::uint32_t count,
                                    const std::atomic<bool>&) {
    if (!file_.Write(data, count)) return file_.ErrorText();
    return {};
}

std::string TImageFileTarget::Close(const std::string& error) {
    // An image that did not complete never takes the target's place.
    if (!error.empty()) {
        file_.Discard();
        return {};
    }
    if (!file_.IsOpen()) return {};
    // The space reserved at Open makes the file full-length from the start;
    // an image that ends early is cut back to what was really written, so
    // that it can never pass for a complete one.
    const std::int64_t written = file_.Position();
    if (written != expectedBytes_ && !file_.Truncate(written)) {
        file_.Discard();
        return file_.ErrorText();
    }
    if (!file_.Close()) {
        file_.Discard();
        return file_.ErrorText();
    }
    return {};
}

}  // namespace sorvane
