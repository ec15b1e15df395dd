#pragma once
// File streams with 64-bit positions, used wherever the engine reads a
// source file or a boot image or writes an image file. The loops that read
// and write whole blocks through interrupted and partial system calls live
// here once.
//
// Read and Write never raise: a failure counts as 0 bytes, as the callers
// expect, and the reason is kept in ErrorCode() so that a caller can tell the
// end of a file from a file that can no longer be read.

#include <cstdint>
#include <string>

namespace sorvane {

// Open modes. fmCreate creates the file, truncating an existing one; any
// other value opens an existing file, its low two bits giving the access.
// The share bits of the other platform ($10..$40) have no meaning here and
// are accepted and ignored.
enum : std::uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,
};

// Origins of Seek.
enum : std::uint16_t { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStreamEx {
public:
    virtual ~TStreamEx() = default;

    virtual bool SetSize(std::int64_t) { return true; }
    virtual int Read(void* buffer, int count) = 0;
    virtual int Write(const void* buffer, int count) = 0;
    // Returns the new position, or -1 when the move is refused.
    virtual std::int64_t Seek(std::int64_t offset, std::uint16_t origin) = 0;

    // The size, leaving the position where it was.
    std::int64_t GetSize();
};

// A stream over a file descriptor it does not own.
class THandleStreamEx : public TStreamEx {
public:
    explicit THandleStreamEx(int handle) : Handle(handle) {}

    // Sets the end of the file at `newSize` and moves the position there.
    bool SetSize(std::int64_t newSize) override;
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    std::int64_t Seek(std::int64_t offset, std::uint16_t origin) override;

    // Reads until `count` bytes are in or the file ends; a short result
    // with ErrorCode() 0 is the end of the file. Interrupted calls resume.
    std::int64_t ReadFully(void* buffer, std::int64_t count);
    // Writes all `count` bytes unless the system refuses; the result is the
    // number written, and less than `count` only with ErrorCode() set
    // (ENOSPC for a device that took nothing more).
    std::int64_t WriteFully(const void* buffer, std::int64_t count);
    // Tells the system the file will be read once from start to end.
    void AdviseSequential();

    // errno of the last failed call, 0 when it succeeded.
    int ErrorCode() const { return errorCode_; }

    int Handle;

protected:
    int errorCode_ = 0;
};

// A stream that opens a file by name and closes it when it dies. Whether the
// open succeeded is IsOpen(); the constructor never throws.
class TFileStreamEx : public THandleStreamEx {
public:
    TFileStreamEx(const std::string& fileName, std::uint16_t mode);
    // Opens `name` inside the open folder `dirFd`.
    TFileStreamEx(int dirFd, const std::string& name, std::uint16_t mode);
    ~TFileStreamEx() override;
    TFileStreamEx(const TFileStreamEx&) = delete;
    TFileStreamEx& operator=(const TFileStreamEx&) = delete;

    bool IsOpen() const { return Handle >= 0; }
    // Closes the file now and reports whether the system accepted the close
    // (a delayed write error can surface only here).
    bool Close();
};

// An open folder, for opening many files inside it by their names alone
// rather than walking each one's whole path. Closed when it dies.
class TFolderHandle {
public:
    TFolderHandle() = default;
    ~TFolderHandle() { Close(); }
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;

    bool Open(const std::string& path);
    void Close();
    int Handle() const { return handle_; }
    const std::string& Path() const { return path_; }

private:
    int handle_ = -1;
    std::string path_;
};

}  // namespace sorvane
