// The burner's verification of its recordings: the checksums a recording
// keeps of what it sends, and the reading back of the disc against them.

#include "engine/drive_disc_source.h"
#include "engine/iso/image_disc.h"
#include "engine/orvo_burner.h"
#include "engine/verify/sector_owners.h"

namespace sorvane {

std::unique_ptr<TSentChecksums> TOrvoBurner::ProjectChecksums(TDiscKind kind) const {
    auto sent = std::make_unique<TSentChecksums>(
        static_cast<std::uint32_t>(StartAddress()), static_cast<std::uint32_t>(ImageSectors()),
        ProjectSectorOwners(project_, layout_, JolietFileSystem), TSectorUse::FileSystem);
    // Media overwritten in place get the volume descriptors once more at
    // sector 0, with the first write; without them the session stays out
    // of sight. A session that itself starts at sector 0 writes them there
    // anyway.
    if (KindTraits(kind).OverwrittenInPlace && StartAddress() > 0) {
        const auto bytes = std::min<std::size_t>({static_cast<std::size_t>(std::max(0, layout_.HeaderBufferLength)),
                                                  layout_.HeaderBuffer.size(), TCacheThread::kDataBlockSize});
        const auto sectors = static_cast<std::uint32_t>(bytes / kSectorSize);
        if (sectors > 0) sent->AddSent(0, layout_.HeaderBuffer.data(), sectors, {0, 0, TSectorUse::FileSystem, {}});
    }
    return sent;
}

std::unique_ptr<TSentChecksums> TOrvoBurner::ImageChecksums(const std::string& fileName) const {
    // The image's own file system tells which file each sector holds; an
    // image without one is told in sectors alone.
    TImageDisc image(fileName);
    std::vector<TSectorOwner> owners;
    bool fileSystem = false;
    if (image.IsOpen()) {
        const TDiscSession session = ReadDiscSession(image, 1, {});
        fileSystem = session.FileSystemFound;
        if (fileSystem) owners = TreeSectorOwners(session.Root);
    }
    return std::make_unique<TSentChecksums>(0, static_cast<std::uint32_t>(ImageSectors()), std::move(owners),
                                            fileSystem ? TSectorUse::FileSystem : TSectorUse::Image);
}

std::optional<TVerifyReport> TOrvoBurner::VerifyRecording(const TVerifyHooks& Hooks) {
    const TSentChecksums* sent = SentChecksums();
    if (!sent || !sent->Complete() || !LastWriteError.empty()) return std::nullopt;
    TDriveDiscSource disc(*this);
    return VerifySent(disc, *sent, Hooks);
}

}  // namespace sorvane
