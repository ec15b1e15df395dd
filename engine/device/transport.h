#pragma once
// The process-wide SCSI transport: which pair of entry points carries the
// requests of every device object, and the loading of a run-time library
// that offers them.
//
// A library is looked for, in this order: the path the caller gives; the
// path in $SORVANE_ASPI_LIBRARY; libsorvane_vdrive.so beside the running
// executable, then in the install's private library folder; and
// libsorvane_vdrive.so through the dynamic loader's own search.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/device/aspi.h"

namespace sorvane {

inline constexpr const char* kDefaultAspiLibrary = "libsorvane_vdrive.so";
inline constexpr const char* kAspiLibraryVariable = "SORVANE_ASPI_LIBRARY";

class TTransport {
public:
    static TTransport& Instance();

    // Closes what is open, then opens the built-in layer (when preferred and
    // it finds a drive), else a library, else the built-in layer after all.
    bool Open(bool preferPassThrough, const std::string& aspiLibraryPath);
    // Opens again with the remembered preference and no library path.
    bool Reopen();
    // Unloads the library, or closes the drive handles and forgets the
    // drive table.
    void Close();
    // Opens a transport whose entry points are already in the process.
    bool OpenEntryPoints(const std::string& name, GetASPI32SupportInfoFn supportInfo,
                         SendASPI32CommandFn sendCommand);

    bool IsOpen() const { return open_; }
    bool UsesPassThrough() const { return passThrough_; }
    std::string Name() const;

    std::uint32_t SupportInfo() const;
    std::uint32_t Send(void* srb) const;

    void SetReleaseHandle(bool value);
    bool ReleaseHandle() const;

    // Why the last Open failed, when a library was found but is unusable.
    std::string LastOpenError() const;

    // The candidates tried for a library, in order.
    static std::vector<std::string> LibraryCandidates(const std::string& aspiLibraryPath);

private:
    enum class TLoad { Loaded, NotFound, Unusable };

    TTransport() = default;
    TLoad LoadLibrary(const std::string& aspiLibraryPath);
    bool OpenPassThrough();
    void CloseLocked();

    struct TLibraryCloser {
        void operator()(void* handle) const;
    };

    mutable std::mutex mutex_;
    std::unique_ptr<void, TLibraryCloser> library_;
    std::string name_;
    std::string lastOpenError_;
    std::atomic<GetASPI32SupportInfoFn> supportInfo_{nullptr};
    std::atomic<SendASPI32CommandFn> sendCommand_{nullptr};
    std::atomic<bool> open_{false};
    std::atomic<bool> passThrough_{false};
    bool preferPassThrough_ = false;
};

}  // namespace sorvane
