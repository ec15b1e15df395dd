#pragma once
// The image file being written, by a synchronous image save or by the
// recorder's image-file target, and the source files a save copies from.
// Both close on every way out. Failures come back as the engine's
// upper-case texts, ready for OnWriteDone.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/iso/local_file.h"

namespace sorvane {

// A regular file is written beside its target under a name of its own and
// renamed over the target only when Close finds it complete, so that a
// failed or killed save never destroys the image it was to replace, and a
// file at the target's name is always a whole image. Devices (and other
// files that are not regular) are written in place.
class TImageFile {
public:
    TImageFile() = default;
    // An image neither closed nor discarded did not complete: it is discarded.
    ~TImageFile();
    TImageFile(const TImageFile&) = delete;
    TImageFile& operator=(const TImageFile&) = delete;

    // Starts writing the image for `path`. False with ErrorText set on failure.
    bool Create(const std::string& path);
    // Reserves `bytes` on the disk, so that a disk too small fails at once
    // rather than near the end. Devices and file systems that cannot
    // reserve space pass; they report the lack of room when it is written.
    // A disk that lacks the room leaves the file empty.
    bool Reserve(std::int64_t bytes);
    // Writes all of `data`, or fails: a short write (a full disk) is a
    // failure, never a silent end. What did go out counts in Position().
    bool Write(const void* data, std::size_t count);
    bool WriteZeros(std::int64_t count);
    // Cuts the file back to `size` bytes, for an image that ended early
    // behind a reservation.
    bool Truncate(std::int64_t size);
    // Closes the complete image and puts it in place of its target; false
    // when the system reports a late write failure or the rename fails.
    bool Close();
    // Closes and removes what was written, leaving the target as it was
    // before Create. A device named as the target stays.
    void Discard();

    bool IsOpen() const { return fd_.Valid(); }
    std::int64_t Position() const { return position_; }
    const std::string& ErrorText() const { return error_; }

private:
    void Fail(int error);
    bool CreateBeside(const std::string& target);

    TLocalFd fd_;
    std::int64_t position_ = 0;
    std::string path_;     // the target, as given: the name messages use
    std::string target_;   // the file the rename replaces (links resolved)
    std::string writing_;  // the file beside it; empty when written in place
    std::string error_;
};

class TSourceFile {
public:
    bool Open(const std::string& path);
    // Reads until `count` bytes or the end of the file; -1 on a read error
    // (ErrorText set).
    std::int64_t Read(void* buffer, std::size_t count);
    const std::string& ErrorText() const { return error_; }

private:
    TLocalFd fd_;
    std::string path_;
    std::string error_;
};

// The size of a regular file, or -1 when it cannot be opened for reading.
std::int64_t ReadableFileSize(const std::string& path);

// The texts a save reports. A source whose size changed since it was added
// is still recorded at the size its directory record already holds: a
// shrunk one with zeros in place of its missing end, a grown one cut there.
std::string CantOpenText(const std::string& path);
std::string CantCreateText(const std::string& path);
std::string EmptyBootImageText(const std::string& path);
std::string ShrunkSourceText(const std::string& path);
std::string GrownSourceText(const std::string& path, std::int64_t recordedBytes);

}  // namespace sorvane
