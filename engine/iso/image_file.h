#pragma once
// The files a synchronous image save touches: the image it creates and the
// sources it copies from. Both close on every way out. Failures come back as
// the engine's upper-case texts, ready for OnWriteDone.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sorvane {

class TImageFile {
public:
    TImageFile() = default;
    ~TImageFile();
    TImageFile(const TImageFile&) = delete;
    TImageFile& operator=(const TImageFile&) = delete;

    // Creates or truncates `path`. False with ErrorText set on failure.
    bool Create(const std::string& path);
    // Writes all of `data`, or fails: a short write (a full disk) is a
    // failure, never a silent end.
    bool Write(const void* data, std::size_t count);
    bool WriteZeros(std::int64_t count);
    // Closes the file; false when the system reports a late write failure.
    bool Close();
    // Closes and removes what was written, so that a failed save does not
    // leave an image behind that looks complete. Only regular files are
    // removed: a device named as the target stays.
    void Discard();

    std::int64_t Position() const { return position_; }
    const std::string& ErrorText() const { return error_; }

private:
    void Fail(int error);

    int fd_ = -1;
    bool regular_ = false;
    std::int64_t position_ = 0;
    std::string path_;
    std::string error_;
};

class TSourceFile {
public:
    TSourceFile() = default;
    ~TSourceFile();
    TSourceFile(const TSourceFile&) = delete;
    TSourceFile& operator=(const TSourceFile&) = delete;

    bool Open(const std::string& path);
    // Reads until `count` bytes or the end of the file; -1 on a read error
    // (ErrorText set).
    std::int64_t Read(void* buffer, std::size_t count);
    const std::string& ErrorText() const { return error_; }

private:
    int fd_ = -1;
    std::string path_;
    std::string error_;
};

// The texts a failed save reports.
std::string CantOpenText(const std::string& path);
std::string CantCreateText(const std::string& path);

}  // namespace sorvane
