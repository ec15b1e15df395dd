#include "engine/iso/file_extractor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "engine/iso/local_file.h"
#include "engine/rtl/format.h"

namespace sorvane {
namespace {

// A name that no disc entry gets from SafeLocalName in the same folder
// (those never start with "." followed by this text in practice, and the
// creation is exclusive anyway).
std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    return Format(".sorvane-extract-%d-%u.part", static_cast<int>(::getpid()), counter.fetch_add(1));
}

std::string CopyParts(TDiscSource& disc, const TDiscFile& file, int fd, const std::atomic<bool>* cancel,
                      TExtractFileResult& result) {
    std::vector<std::uint8_t> buffer(std::size_t{kExtractChunkSectors} * TDiscSource::kSectorBytes);
    for (const TExtentPart& part : file.Parts) {
        std::uint64_t sector = part.Extent;
        std::uint64_t remaining = part.Length;
        while (remaining > 0) {
            if (cancel && cancel->load()) {
                result.Cancelled = true;
                return "CANCELLED";
            }
            const std::uint64_t chunk = std::min<std::uint64_t>(remaining, buffer.size());
            const auto sectors = static_cast<std::uint32_t>(TDiscSource::SectorsFor(chunk));
            if (sector + sectors - 1 > UINT32_MAX)
                return Format("SECTOR %llu LIES BEYOND ANY DISC", static_cast<unsigned long long>(sector));
            if (!disc.ReadSectors(static_cast<std::uint32_t>(sector), sectors, buffer.data()))
                return Format("SECTORS %llu TO %llu UNREADABLE", static_cast<unsigned long long>(sector),
                              static_cast<unsigned long long>(sector + sectors - 1));
            if (!WriteAll(fd, buffer.data(), static_cast<std::size_t>(chunk))) return SystemErrorText(errno);
            result.Bytes += chunk;
            sector += sectors;
            remaining -= chunk;
        }
    }
    return {};
}

}  // namespace

TExtractFileResult ExtractDiscFile(TDiscSource& disc, const TDiscFile& file, int folderFd, const std::string& name,
                                   const std::atomic<bool>* cancel) {
    TExtractFileResult result;
    const std::string temporary = TemporaryName();
    TLocalFd fd(::openat(folderFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.Valid()) {
        result.Error = SystemErrorText(errno);
        return result;
    }
    std::string error = CopyParts(disc, file, fd.Get(), cancel, result);
    if (error.empty()) {
        SetFileDate(fd.Get(), file.DateTime);
        if (!fd.Close()) error = SystemErrorText(errno);
    }
    // renameat replaces a file of that name, and a link of that name itself
    // rather than what it points at.
    if (error.empty() && ::renameat(folderFd, temporary.c_str(), folderFd, name.c_str()) != 0)
        error = SystemErrorText(errno);
    if (!error.empty()) {
        fd.Reset();
        ::unlinkat(folderFd, temporary.c_str(), 0);
        result.Error = error;
        result.Bytes = 0;
        return result;
    }
    result.Ok = true;
    return result;
}

}  // namespace sorvane
