#include "engine/iso/local_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/rtl/stream_ex.h"
#include "engine/rtl/text.h"

namespace sorvane {

void TLocalFd::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool TLocalFd::Close() {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
}

std::string SystemErrorText(int error) { return UpperCase(std::strerror(error)); }

TLocalFd OpenFolder(const std::string& path, std::string& error) {
    TLocalFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.Valid()) error = SystemErrorText(errno);
    return fd;
}

TLocalFd CreateFolderIn(int parent, const std::string& name, std::string& error) {
    if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) {
        error = SystemErrorText(errno);
        return TLocalFd();
    }
    TLocalFd fd(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) error = errno == ELOOP ? "A LINK OF THAT NAME IS IN THE WAY" : SystemErrorText(errno);
    return fd;
}

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t count) {
    THandleStreamEx stream(fd);
    if (stream.WriteFully(bytes, static_cast<std::int64_t>(count)) == static_cast<std::int64_t>(count)) return true;
    errno = stream.ErrorCode();
    return false;
}

void SetFileDate(int fd, TDateTime value) {
    // Day 0 is 1899-12-30, before any date ISO 9660 can record (its years
    // count from 1900); the reader uses it for "no date".
    if (value < 1) return;
    const auto seconds = DateTimeToFileDate(value);
    if (!seconds) return;
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(*seconds);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::futimens(fd, times);
}

}  // namespace sorvane
