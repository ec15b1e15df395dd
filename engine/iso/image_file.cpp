#include "engine/iso/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

std::string SystemText(int error) { return UpperCase(std::strerror(error)); }

}  // namespace

std::string CantOpenText(const std::string& path) {
    return Format("CAN'T OPEN FILE \"%s\" OR FILE IS IN USES BY OTHER SOFTWARE", path.c_str());
}

std::string CantCreateText(const std::string& path) { return Format("CAN'T CREATE FILE \"%s\"", path.c_str()); }

TImageFile::~TImageFile() { Close(); }

bool TImageFile::Create(const std::string& path) {
    Close();
    path_ = path;
    position_ = 0;
    error_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error_ = CantCreateText(path);
        return false;
    }
    struct stat st {};
    regular_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
    return true;
}

void TImageFile::Fail(int error) {
    error_ = Format("CAN'T WRITE FILE \"%s\" [%s]", path_.c_str(), SystemText(error).c_str());
}

bool TImageFile::Write(const void* data, std::size_t count) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (count > 0) {
        const ssize_t n = ::write(fd_, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that makes no progress without an error is a full
            // device as well.
            Fail(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        count -= static_cast<std::size_t>(n);
        position_ += n;
    }
    return true;
}

bool TImageFile::WriteZeros(std::int64_t count) {
    static const std::vector<std::uint8_t> zeros(131072, 0);
    while (count > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(count, zeros.size()));
        if (!Write(zeros.data(), n)) return false;
        count -= static_cast<std::int64_t>(n);
    }
    return true;
}

bool TImageFile::Close() {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0 && errno != EINTR) {
        Fail(errno);
        return false;
    }
    return true;
}

void TImageFile::Discard() {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0) ::close(fd);
    if (regular_ && !path_.empty()) ::unlink(path_.c_str());
}

TSourceFile::~TSourceFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool TSourceFile::Open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = CantOpenText(path);
        return false;
    }
    return true;
}

std::int64_t TSourceFile::Read(void* buffer, std::size_t count) {
    auto* p = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, p + got, count - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error_ = Format("CAN'T READ FILE \"%s\" [%s]", path_.c_str(), SystemText(errno).c_str());
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}

}  // namespace sorvane
