// Saving the built volume to an image file in the caller's thread: the
// header stream, the boot image and its pad, then every file's data, each
// file at the sector the plan gave it.

#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/iso/directory_records.h"
#include "engine/iso/image_file.h"
#include "engine/iso/image_layout.h"
#include "engine/rtl/format.h"

namespace sorvane {

std::string TImageLayout::CopySource(TImageFile& image, const std::string& path, std::int64_t bytes) {
    TSourceFile source;
    if (!source.Open(path)) return source.ErrorText();
    copyBuffer_.resize(kCopyBlockSize);
    bool shortfall = false;
    for (std::int64_t left = bytes; left > 0;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kCopyBlockSize));
        std::int64_t got = 0;
        if (!shortfall) {
            got = source.Read(copyBuffer_.data(), want);
            if (got < 0) return source.ErrorText();
            // The source shrank since it was added. What it lacks is written
            // as zeros, so that every later file stays at its sector.
            shortfall = static_cast<std::size_t>(got) < want;
        }
        const std::size_t whole = static_cast<std::size_t>(SectorsOf(static_cast<std::int64_t>(want))) * kSectorSize;
        std::memset(copyBuffer_.data() + got, 0, whole - static_cast<std::size_t>(got));
        if (!image.Write(copyBuffer_.data(), whole)) return image.ErrorText();
        left -= static_cast<std::int64_t>(want);
    }
    if (shortfall)
        Debug(ShrunkSourceText(path), mtFileSystem);
    else if (char probe; source.Read(&probe, 1) > 0)
        Debug(GrownSourceText(path, bytes), mtFileSystem);
    return {};
}

std::string TImageLayout::WriteFilesToImage(TImageFile& image) {
    for (const auto& entry : project_.FileTable()) {
        const TFEntry* e = entry.get();
        // Directories are in the header; imported files are on their disc.
        if (e->IsDirectory() || e->Imported) continue;
        if (e->IsoSize != 0) {
            const std::int64_t expected = static_cast<std::int64_t>(e->JolietSector) + FirstFileSector;
            const std::int64_t actual = image.Position() / static_cast<std::int64_t>(kSectorSize);
            if (expected != actual)
                Debug(">>> INTERNAL ERROR 0004 " + e->SourcePath + " " + std::to_string(expected) + "<>" +
                          std::to_string(actual),
                      mtFileSystem);
        }
        if (std::string error = CopySource(image, e->SourcePath, e->IsoSize); !error.empty()) return error;
    }
    return {};
}

std::string TImageLayout::SaveImageFile(const std::string& fileName) {
    // Sector numbers of directory records are 32-bit, and the project's are
    // signed: a volume past that cannot be addressed.
    if (EndAddress > std::numeric_limits<std::int32_t>::max())
        return "PROJECT IS TOO LARGE FOR AN ISO 9660 VOLUME";
    if (std::string refusal = BootImageRefusal(); !refusal.empty()) return refusal;
    TImageFile image;
    if (!image.Create(fileName)) return image.ErrorText();
    std::string error;
    if (!image.Write(HeaderStream.Data(), HeaderStream.Size())) {
        error = image.ErrorText();
    } else if (MakeBootable) {
        error = CopySource(image, BootImageFile, static_cast<std::int64_t>(BootImageSectors) * kSectorSize);
        if (error.empty() && PadSectors > 0 && !image.WriteZeros(PadSectors * kSectorSize)) error = image.ErrorText();
    }
    if (error.empty()) error = WriteFilesToImage(image);
    if (error.empty() && !image.Close()) error = image.ErrorText();
    if (!error.empty()) image.Discard();
    return error;
}

}  // namespace sorvane
