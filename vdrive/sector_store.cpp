#include "vdrive/sector_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "vdrive/scsi.h"

namespace sorvane::vdrive {
namespace {

// Memory: chunks of one DVD ECC block, so a 4 GB disc with a few megabytes
// written costs a few megabytes.
class TMemoryStore final : public TSectorStore {
public:
    bool Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) const override {
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t s = lba + i;
            auto it = chunks_.find(s / kEccBlock);
            std::uint8_t* dst = out + std::size_t(i) * kSectorSize;
            if (it == chunks_.end())
                std::memset(dst, 0, kSectorSize);
            else
                std::memcpy(dst, it->second.data() + std::size_t(s % kEccBlock) * kSectorSize, kSectorSize);
        }
        return true;
    }
    bool Write(std::uint32_t lba, std::uint32_t count, const std::uint8_t* in) override {
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t s = lba + i;
            auto& chunk = chunks_[s / kEccBlock];
            if (chunk.empty()) chunk.assign(std::size_t(kEccBlock) * kSectorSize, 0);
            std::memcpy(chunk.data() + std::size_t(s % kEccBlock) * kSectorSize, in + std::size_t(i) * kSectorSize,
                        kSectorSize);
            if (s + 1 > extent_) extent_ = s + 1;
        }
        return true;
    }
    bool Clear() override {
        chunks_.clear();
        extent_ = 0;
        return true;
    }
    std::uint32_t Extent() const override { return extent_; }

private:
    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> chunks_;
    std::uint32_t extent_ = 0;
};

class TFd {
public:
    explicit TFd(int fd = -1) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

class TFileStore final : public TSectorStore {
public:
    TFileStore(std::string path, int fd, bool readOnly, std::uint64_t size)
        : path_(std::move(path)), fd_(fd), readOnly_(readOnly), size_(size) {}

    bool Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) const override {
        std::size_t want = std::size_t(count) * kSectorSize;
        std::memset(out, 0, want);
        off_t at = off_t(lba) * kSectorSize;
        std::size_t done = 0;
        while (done < want) {
            ssize_t n = ::pread(fd_.Get(), out + done, want - done, at + off_t(done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) break;  // past the end: zeros
            done += std::size_t(n);
        }
        return true;
    }
    bool Write(std::uint32_t lba, std::uint32_t count, const std::uint8_t* in) override {
        if (readOnly_) return false;
        std::size_t want = std::size_t(count) * kSectorSize;
        off_t at = off_t(lba) * kSectorSize;
        std::size_t done = 0;
        while (done < want) {
            ssize_t n = ::pwrite(fd_.Get(), in + done, want - done, at + off_t(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += std::size_t(n);
        }
        std::uint64_t end = std::uint64_t(at) + want;
        if (end > size_) size_ = end;
        return true;
    }
    bool Clear() override {
        if (readOnly_) return false;
        if (::ftruncate(fd_.Get(), 0) != 0) return false;
        size_ = 0;
        return true;
    }
    std::string Path() const override { return path_; }
    std::uint32_t Extent() const override {
        return std::uint32_t((size_ + kSectorSize - 1) / kSectorSize);
    }

private:
    std::string path_;
    TFd fd_;
    bool readOnly_;
    std::uint64_t size_;
};

std::unique_ptr<TSectorStore> OpenFile(const std::string& path, bool readOnly, std::string* error) {
    int fd = ::open(path.c_str(), readOnly ? (O_RDONLY | O_CLOEXEC) : (O_RDWR | O_CREAT | O_CLOEXEC), 0644);
    if (fd < 0) {
        if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (readOnly && !S_ISREG(st.st_mode))) {
        ::close(fd);
        if (error) *error = path + " is not a regular file";
        return nullptr;
    }
    return std::make_unique<TFileStore>(path, fd, readOnly, std::uint64_t(st.st_size));
}

}  // namespace

std::unique_ptr<TSectorStore> MakeMemoryStore() { return std::make_unique<TMemoryStore>(); }

std::unique_ptr<TSectorStore> OpenFileStore(const std::string& path, std::string* error) {
    return OpenFile(path, false, error);
}

std::unique_ptr<TSectorStore> OpenImageStore(const std::string& path, std::string* error) {
    return OpenFile(path, true, error);
}

}  // namespace sorvane::vdrive
