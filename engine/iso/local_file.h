#pragma once
// The local side of extraction: folders are opened once and everything inside
// them is created relative to the open folder, without following symbolic
// links. A link planted in the target folder (or a folder renamed while an
// extraction runs) can then not carry a file from the disc elsewhere.

#include <cstdint>
#include <string>

#include "engine/rtl/date_time.h"

namespace sorvane {

// Owns one file descriptor.
class TLocalFd {
public:
    TLocalFd() = default;
    explicit TLocalFd(int fd) : fd_(fd) {}
    ~TLocalFd() { Reset(); }
    TLocalFd(TLocalFd&& other) noexcept : fd_(other.Release()) {}
    TLocalFd& operator=(TLocalFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.Release();
        }
        return *this;
    }
    TLocalFd(const TLocalFd&) = delete;
    TLocalFd& operator=(const TLocalFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset();
    // Closes, reporting what close reports (a write that failed late).
    bool Close();

private:
    int fd_ = -1;
};

// Opens a folder the user named (following links, as the user would).
TLocalFd OpenFolder(const std::string& path, std::string& error);
// Creates `name` inside `parent` unless a folder of that name is there, and
// opens it. A link of that name is refused rather than followed.
TLocalFd CreateFolderIn(int parent, const std::string& name, std::string& error);
// Writes all of `bytes`, retrying short writes. On failure errno tells why;
// a device that takes nothing more is ENOSPC.
bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t count);
// Sets the modification (and access) time of an open file or folder. A
// value without a date part (a date the disc did not record readably, or a
// session's root, which has none) leaves the time of the copy.
void SetFileDate(int fd, TDateTime value);
// The text of errno for messages, upper-cased like the engine's texts.
std::string SystemErrorText(int error);

}  // namespace sorvane
