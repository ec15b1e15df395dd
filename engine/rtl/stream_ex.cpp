#include "engine/rtl/stream_ex.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace sorvane {

std::int64_t TStreamEx::GetSize() {
    const std::int64_t position = Seek(0, soFromCurrent);
    const std::int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

bool THandleStreamEx::SetSize(std::int64_t newSize) {
    if (Seek(newSize, soFromBeginning) < 0) return false;
    if (::ftruncate(Handle, static_cast<off_t>(newSize)) != 0) {
        errorCode_ = errno;
        return false;
    }
    return true;
}

int THandleStreamEx::Read(void* buffer, int count) {
    if (count <= 0) return 0;
    ssize_t n;
    do n = ::read(Handle, buffer, static_cast<std::size_t>(count));
    while (n < 0 && errno == EINTR);
    errorCode_ = n < 0 ? errno : 0;
    return n < 0 ? 0 : static_cast<int>(n);
}

int THandleStreamEx::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    ssize_t n;
    do n = ::write(Handle, buffer, static_cast<std::size_t>(count));
    while (n < 0 && errno == EINTR);
    errorCode_ = n < 0 ? errno : 0;
    return n < 0 ? 0 : static_cast<int>(n);
}

std::int64_t THandleStreamEx::Seek(std::int64_t offset, std::uint16_t origin) {
    const int whence = origin == soFromCurrent ? SEEK_CUR : origin == soFromEnd ? SEEK_END : SEEK_SET;
    const off_t position = ::lseek(Handle, static_cast<off_t>(offset), whence);
    errorCode_ = position < 0 ? errno : 0;
    return static_cast<std::int64_t>(position);
}

std::int64_t THandleStreamEx::ReadFully(void* buffer, std::int64_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    errorCode_ = 0;
    while (done < count) {
        const ssize_t n = ::read(Handle, out + done, static_cast<std::size_t>(count - done));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            errorCode_ = errno;
            break;
        }
    }
    return done;
}

std::int64_t THandleStreamEx::WriteFully(const void* buffer, std::int64_t count) {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::int64_t done = 0;
    errorCode_ = 0;
    while (done < count) {
        const ssize_t n = ::write(Handle, in + done, static_cast<std::size_t>(count - done));
        if (n > 0) {
            done += n;
        } else if (n == 0) {
            // A regular file that accepts nothing and reports no reason is full.
            errorCode_ = ENOSPC;
            break;
        } else if (errno != EINTR) {
            errorCode_ = errno;
            break;
        }
    }
    return done;
}

void THandleStreamEx::AdviseSequential() { ::posix_fadvise(Handle, 0, 0, POSIX_FADV_SEQUENTIAL); }

namespace {

int OpenFlags(std::uint16_t mode) {
    int flags = O_CLOEXEC;
    if (mode == fmCreate) {
        flags |= O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (mode & 3) {
            case fmOpenWrite: flags |= O_WRONLY; break;
            case fmOpenReadWrite: flags |= O_RDWR; break;
            default:
                // A source replaced by a pipe must not hang the reader: opened
                // without blocking, an empty pipe reads as a file that ended.
                flags |= O_RDONLY | O_NONBLOCK;
                break;
        }
    }
    return flags;
}

}  // namespace

TFileStreamEx::TFileStreamEx(const std::string& fileName, std::uint16_t mode) : TFileStreamEx(AT_FDCWD, fileName, mode) {}

TFileStreamEx::TFileStreamEx(int dirFd, const std::string& name, std::uint16_t mode) : THandleStreamEx(-1) {
    do Handle = ::openat(dirFd, name.c_str(), OpenFlags(mode), 0666);
    while (Handle < 0 && errno == EINTR);
    errorCode_ = Handle < 0 ? errno : 0;
}

TFileStreamEx::~TFileStreamEx() { Close(); }

bool TFileStreamEx::Close() {
    if (Handle < 0) return true;
    const int result = ::close(Handle);
    Handle = -1;
    // close() is not retried on EINTR: the descriptor is gone either way.
    errorCode_ = result != 0 ? errno : 0;
    return result == 0 || errno == EINTR;
}

bool TFolderHandle::Open(const std::string& path) {
    Close();
    handle_ = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (handle_ >= 0) path_ = path;
    return handle_ >= 0;
}

void TFolderHandle::Close() {
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
    path_.clear();
}

}  // namespace sorvane
