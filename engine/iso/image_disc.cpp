#include "engine/iso/image_disc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sorvane {

TImageDisc::TImageDisc(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (!fd_.Valid() || ::fstat(fd_.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        fd_.Reset();
        return;
    }
    bytes_ = static_cast<std::uint64_t>(info.st_size);
    sectors_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(SectorsFor(bytes_), UINT32_MAX));
}

bool TImageDisc::ReadSectors(std::uint32_t lba, std::uint32_t count, std::uint8_t* buffer) {
    if (!IsOpen() || count == 0 || std::uint64_t{lba} + count > sectors_) return false;
    const std::uint64_t offset = std::uint64_t{lba} * kSectorBytes;
    const std::uint64_t wanted = std::uint64_t{count} * kSectorBytes;
    const std::uint64_t present = std::min(wanted, bytes_ - offset);
    std::uint64_t got = 0;
    while (got < present) {
        const ssize_t n = ::pread(fd_.Get(), buffer + got, static_cast<std::size_t>(present - got),
                                  static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::uint64_t>(n);
    }
    std::memset(buffer + present, 0, static_cast<std::size_t>(wanted - present));
    return true;
}

bool TImageDisc::ReadTrackInformation(int track, TSessionTrack& info) {
    if (track != 1 || GetLastSession() == 0) return false;
    info.TrackStart = 0;
    info.TrackSize = sectors_;
    return true;
}

}  // namespace sorvane
