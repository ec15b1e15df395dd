#include "engine/iso/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "engine/rtl/format.h"
#include "engine/rtl/stream_ex.h"

namespace sorvane {

std::string CantOpenText(const std::string& path) {
    return Format("CAN'T OPEN FILE \"%s\" OR FILE IS IN USES BY OTHER SOFTWARE", path.c_str());
}

std::string CantCreateText(const std::string& path) { return Format("CAN'T CREATE FILE \"%s\"", path.c_str()); }

std::string EmptyBootImageText(const std::string& path) {
    return Format("BOOT IMAGE \"%s\" IS EMPTY", path.c_str());
}

std::int64_t ReadableFileSize(const std::string& path) {
    TFileStreamEx file(path, fmOpenRead | fmShareDenyNone);
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Handle, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

std::string ShrunkSourceText(const std::string& path) {
    return ">>> " + Format("FILE \"%s\" IS SHORTER THAN WHEN IT WAS ADDED, ITS END IS RECORDED AS ZEROS", path.c_str());
}

std::string GrownSourceText(const std::string& path, std::int64_t recordedBytes) {
    return ">>> " + Format("FILE \"%s\" IS LONGER THAN WHEN IT WAS ADDED, ONLY ITS FIRST %lld BYTES ARE RECORDED",
                           path.c_str(), static_cast<long long>(recordedBytes));
}

TImageFile::~TImageFile() { Discard(); }

bool TImageFile::Create(const std::string& path) {
    Discard();
    path_ = path;
    target_.clear();
    writing_.clear();
    position_ = 0;
    error_.clear();
    // A link is followed to the file it names, which the rename replaces;
    // the link itself stays.
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    const std::string target = ec ? path : resolved.string();
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists || S_ISREG(st.st_mode)) {
        if (!CreateBeside(target)) {
            error_ = CantCreateText(path);
            return false;
        }
        // The new image keeps the access rights of the one it replaces.
        if (exists) ::fchmod(fd_.Get(), st.st_mode & 07777);
        target_ = target;
        return true;
    }
    int fd;
    do fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    fd_ = TLocalFd(fd);
    if (!fd_.Valid()) {
        error_ = CantCreateText(path);
        return false;
    }
    return true;
}

bool TImageFile::CreateBeside(const std::string& target) {
    // In the target's own folder, so that the rename stays on one file
    // system; a visible name, so that what a killed save leaves is seen.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            target + Format(".part-%d-%u", static_cast<int>(::getpid()), counter.fetch_add(1));
        int fd;
        do fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            fd_ = TLocalFd(fd);
            writing_ = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

void TImageFile::Fail(int error) {
    // Every caller has a reason from the system; EIO stands in should one
    // ever come without, so that the text never names "success".
    error_ = Format("CAN'T WRITE FILE \"%s\" [%s]", path_.c_str(), SystemErrorText(error ? error : EIO).c_str());
}

bool TImageFile::Reserve(std::int64_t bytes) {
    if (::fallocate(fd_.Get(), 0, 0, static_cast<off_t>(bytes)) == 0) return true;
    const int code = errno;
    if (code != ENOSPC && code != EDQUOT && code != EFBIG) return true;
    THandleStreamEx(fd_.Get()).SetSize(0);
    Fail(code);
    return false;
}

bool TImageFile::Write(const void* data, std::size_t count) {
    THandleStreamEx stream(fd_.Get());
    const std::int64_t done = stream.WriteFully(data, static_cast<std::int64_t>(count));
    position_ += done;
    if (done == static_cast<std::int64_t>(count)) return true;
    Fail(stream.ErrorCode());
    return false;
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

bool TImageFile::Truncate(std::int64_t size) {
    THandleStreamEx stream(fd_.Get());
    if (stream.SetSize(size)) {
        position_ = size;
        return true;
    }
    Fail(stream.ErrorCode());
    return false;
}

bool TImageFile::Close() {
    if (!fd_.Valid()) return true;
    // close() is not retried on EINTR: the descriptor is gone either way.
    if (!fd_.Close() && errno != EINTR) {
        Fail(errno);
        return false;
    }
    if (writing_.empty()) return true;
    if (::rename(writing_.c_str(), target_.c_str()) != 0) {
        Fail(errno);
        ::unlink(writing_.c_str());
        writing_.clear();
        return false;
    }
    writing_.clear();
    return true;
}

void TImageFile::Discard() {
    fd_.Reset();
    if (!writing_.empty()) ::unlink(writing_.c_str());
    writing_.clear();
}

bool TSourceFile::Open(const std::string& path) {
    path_ = path;
    fd_ = TLocalFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd_.Valid()) {
        error_ = CantOpenText(path);
        return false;
    }
    return true;
}

std::int64_t TSourceFile::Read(void* buffer, std::size_t count) {
    THandleStreamEx stream(fd_.Get());
    const std::int64_t got = stream.ReadFully(buffer, static_cast<std::int64_t>(count));
    if (stream.ErrorCode() == 0) return got;
    error_ = Format("CAN'T READ FILE \"%s\" [%s]", path_.c_str(), SystemErrorText(stream.ErrorCode()).c_str());
    return -1;
}

}  // namespace sorvane
