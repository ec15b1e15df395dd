#include "engine/record/image_file_target.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {

TImageFileTarget::TImageFileTarget(std::string fileName, std::int64_t expectedBytes)
    : fileName_(std::move(fileName)), expectedBytes_(expectedBytes) {}

std::string TImageFileTarget::Open() {
    stream_ = std::make_unique<TFileStreamEx>(fileName_, fmCreate);
    if (!stream_->IsOpen()) {
        stream_.reset();
        return Format("CAN'T CREATE FILE \"%s\"", fileName_.c_str());
    }
    if (expectedBytes_ > 0 &&
        ::fallocate(stream_->Handle, 0, 0, static_cast<off_t>(expectedBytes_)) != 0) {
        // Devices and some file systems cannot reserve space; they report
        // a lack of room when it is written instead.
        const int code = errno;
        if (code == ENOSPC || code == EDQUOT || code == EFBIG) {
            stream_->SetSize(0);
            return WriteErrorText(code);
        }
    }
    return {};
}

std::string TImageFileTarget::Write(std::int64_t, const std::uint8_t* data, std::uint32_t count,
                                    const std::atomic<bool>&) {
    const std::int64_t n = stream_->WriteFully(data, count);
    written_ += n;
    if (n != count) return WriteErrorText(stream_->ErrorCode());
    return {};
}

std::string TImageFileTarget::Close(const std::string& error) {
    if (!stream_) return {};
    // The space reserved at Open makes the file full-length from the start;
    // an image that ends early is cut back to what was really written, so
    // that it can never pass for a complete one.
    if (written_ != expectedBytes_ && !stream_->SetSize(written_) && error.empty())
        return WriteErrorText(stream_->ErrorCode());
    const bool closed = stream_->Close();
    const int code = stream_->ErrorCode();
    stream_.reset();
    if (!closed && error.empty()) return WriteErrorText(code);
    return {};
}

std::string TImageFileTarget::WriteErrorText(int errorCode) const {
    return Format("CAN'T WRITE FILE \"%s\" [%s]", fileName_.c_str(),
                  UpperCase(std::strerror(errorCode ? errorCode : EIO)).c_str());
}

}  // namespace sorvane
