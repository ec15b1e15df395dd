#pragma once
// TImageLayout: the sector plan of one ISO 9660 volume with an optional
// Joliet tree and an optional El Torito boot record, and the header stream
// built from it. The layout orders the project's directories, names every
// entry in both trees, sizes every directory extent and path table and
// gives every structure and file its sector; only then do the writers run,
// and they write exactly what the plan gave room for.
//
// The stream of a recording is: the header stream (system area through the
// directory extents, and the boot catalog), then the boot image, then the
// zero pad up to sector 150, then the file data in creation order.
// Addresses are absolute sectors; an image file starts at sector 0.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/iso/recorded_names.h"
#include "engine/iso/volume_properties.h"
#include "engine/project/project_tree.h"
#include "engine/rtl/component.h"
#include "engine/rtl/memory_stream.h"

namespace sorvane {

class TImageFile;

// What a layout for a disc asks of the drive. The drive layer fills these;
// a layout for an image file never calls them.
struct TDiscLayoutHooks {
    // The disc kind of the drive (0 .. 15).
    std::function<std::int16_t()> DiscKind;
    // Sets the first sector of the new session; false when the drive could
    // not tell (the layout then starts at sector 0).
    std::function<bool(int& startAddress)> GetNextWritableAddress;
    // Imports session `number` of the disc (255: the last) into `into`
    // (nullptr: the root).
    std::function<void(int number, TDEntry* into)> ImportSession;
};

// The areas of the plan, in the order they follow each other.
enum class TArea {
    PrimaryDescriptor,
    BootRecordDescriptor,
    JolietDescriptor,
    Terminator,
    IsoPathTableL,
    IsoPathTableM,
    JolietPathTableL,
    JolietPathTableM,
    IsoDirectories,
    JolietDirectories,
    BootCatalog,
    BootImage,
    Pad,
    FileData,
};

struct TAreaPlan {
    TArea Area;
    std::int64_t FirstSector;
    std::int64_t Sectors;
};

class TImageLayout {
public:
    static constexpr std::size_t kHeaderBufferSize = 65537;
    static constexpr std::int64_t kMinFirstFileSector = 150;
    static constexpr std::int64_t kMinImageSectors = 300;  // with WritePostGap
    static constexpr std::size_t kCopyBlockSize = 131072;

    // `doDebug` is the component's published debug switch, which the layout
    // turns off while it plans and on when the header stream is built.
    TImageLayout(TProjectTree& project, const TVolumeProperties& volume, bool& doDebug, TDebugSink debug);
    TImageLayout(const TImageLayout&) = delete;
    TImageLayout& operator=(const TImageLayout&) = delete;

    // Forgets the plan and empties the header stream (the project was cleared).
    void Reset();

    // --- Inputs ---------------------------------------------------------------
    bool MakeBootable = false;       // switched off when BootImageFile does not exist
    std::string BootImageFile;
    std::uint16_t ImportSessionNumber = 0;  // 0: none; the low byte 255: the last session
    bool Building = false;           // set around the recording's own layout
    TDiscLayoutHooks DiscHooks;

    // --- Layout values (absolute sectors unless noted) -------------------------
    int StartAddress = 0;
    int PathTableL = 0, PathTableM = 0;
    int JolietPathTableL = 0, JolietPathTableM = 0;
    int IsoPathTableSize = 0, JolietPathTableSize = 0;  // bytes
    int DirArea = 0, JolietDirArea = 0;
    int BootCatalogSector = 0, BootImageSector = 0, BootImageSectors = 0;
    std::int64_t PadSectors = 0;     // zero or negative: no pad
    int FirstFileSector = 0;
    std::int64_t EndAddress = 0;     // the volume space size
    std::int64_t ImageSectors = 0;   // EndAddress - StartAddress
    // The header stream from its start through the terminator, the rest
    // 0xFF; rewritten at the start of overwritable media.
    std::vector<std::uint8_t> HeaderBuffer;
    int HeaderBufferLength = 0;
    std::int16_t DiscKind = 0;
    TMemoryStream HeaderStream;
    // The areas from the primary descriptor on, as last laid out.
    std::vector<TAreaPlan> Plan;
    // Arguments of the last BuildFileSystemStream, for the recording.
    bool LastForImageFile = true;
    TDEntry* LastImportInto = nullptr;

    // --- Operations -------------------------------------------------------------
    // Everything up to the sector plan. Always 1.
    int LayoutFileSystem(bool ForImageFile, TDEntry* ImportInto);
    int PrepareImage(bool ForImageFile, TDEntry* ImportInto) { return LayoutFileSystem(ForImageFile, ImportInto); }
    // Writes the header stream from the plan; follows LayoutFileSystem with
    // the same arguments. Always true.
    bool BuildFileSystemStream(bool ForImageFile, TDEntry* ImportInto);
    // ImageSectors, but at least 300 when WritePostGap is set.
    std::int64_t GetImageSize() const;
    static std::int64_t SectorsOf(std::int64_t bytes) { return bytes <= 0 ? 0 : (bytes + 2047) / 2048; }

    // Sizes every directory's extent, places the extents one after another
    // in creation order, and answers their total in bytes.
    std::int64_t ComputeIsoDirSizes();
    std::int64_t ComputeJolietDirSizes();
    int ComputeIsoPathTableSize() const;
    int ComputeJolietPathTableSize() const;
    // Gives every file its sectors, relative to FirstFileSector, in creation
    // order; answers the sectors the files take.
    std::int64_t AllocateFileExtents();

    // --- Structure writers: each appends whole sectors to HeaderStream ----------
    void WritePrimaryDescriptor();
    void WriteBootRecordDescriptor();
    void WriteJolietDescriptor();
    void WriteTerminatorDescriptor();
    void WriteIsoPathTable(int DirBase, bool BigEndian);
    void WriteJolietPathTable(int DirBase, bool BigEndian);
    void WriteIsoDirectories(int DirBase, int FileBase);
    void WriteJolietDirectories(int DirBase, int FileBase);
    void WriteIsoDirectory(const TDEntry* Dir, int DirBase, int FileBase);
    void WriteJolietDirectory(const TDEntry* Dir, int DirBase, int FileBase);
    void WriteBootCatalog();

    // --- Image file -------------------------------------------------------------
    // Appends every file's data to `image`, which holds everything before the
    // first file. Empty on success, else the error text.
    std::string WriteFilesToImage(TImageFile& image);
    // Writes the built volume to `fileName`: header stream, boot image and
    // pad, file data. Empty on success; on failure the error text, and no
    // image is left behind.
    std::string SaveImageFile(const std::string& fileName);
    // Why the boot image cannot go into the volume, empty when it can (or
    // when the volume is not bootable). A boot image of no bytes would give
    // the catalog an entry of no sectors and the stream a length the plan
    // does not have; one that cannot be read would fail half-way.
    std::string BootImageRefusal() const;

    // The names entries are recorded under, as last laid out.
    const TRecordedNames& Names() const { return names_; }

private:
    void Debug(const std::string& message, int mType) const;
    void PlanAreas();
    // Copies `bytes` bytes of `path` into `image`, zero-filling the tail of
    // the last sector and whatever the source lacks.
    std::string CopySource(TImageFile& image, const std::string& path, std::int64_t bytes);

    TProjectTree& project_;
    const TVolumeProperties& volume_;
    bool& doDebug_;
    TDebugSink debug_;
    TRecordedNames names_;
    TDateTime now_ = 0;  // the time recorded for this build
    std::vector<std::uint8_t> copyBuffer_;
};

}  // namespace sorvane
