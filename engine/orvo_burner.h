#pragma once
// TOrvoBurner: the burner component. It joins the project tree, the image
// layout, the recording pipeline and the drive layer it derives from, and
// carries the published properties and events the front ends use.
//
// Properties without side effects are public data members named as the
// component publishes them; properties whose setter does something, or that
// live in an owned subsystem, are getter/setter pairs.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/device/scsi_device.h"
#include "engine/iso/image_layout.h"
#include "engine/iso/volume_properties.h"
#include "engine/project/project_tree.h"
#include "engine/record/disc_target.h"
#include "engine/record/recorder.h"
#include "engine/rtl/date_time.h"
#include "engine/rtl/memory_stream.h"
#include "engine/verify/disc_verifier.h"

namespace sorvane {

class TOrvoBurner;

using TWriteDoneEvent = std::function<void(TOrvoBurner& Sender, const std::string& Error)>;
using TNotifyEvent = std::function<void(TOrvoBurner& Sender)>;

// The volume's published properties (JolietFileSystem, WritePostGap, the
// identification fields and dates) come from TVolumeProperties, which the
// layout reads.
class TOrvoBurner : public TSCSIDevice, public TVolumeProperties {
public:
    static constexpr std::size_t kHeaderStreamCapacity = 67108864;
    static constexpr std::uint32_t kDefaultCacheSize = 4194304;

    TOrvoBurner();
    ~TOrvoBurner() override;

    std::string Version() const { return "1.23"; }
    // Assigning the version changes nothing; it always reads "1.23".
    void SetVersion(const std::string&) {}

    // --- Project tree --------------------------------------------------------
    TProjectTree& Project() { return project_; }
    const TProjectTree& Project() const { return project_; }
    bool ClearProject(int maxFiles, int maxDirs);
    // The project of a new component: empty, with the default limits, and
    // importing no session at the layout (ImportSessionNumber 0).
    bool ResetProject();
    TDEntry* FindDir(const std::string& path) const { return project_.FindDir(path); }
    TDEntry* ForceDir(const std::string& path) { return project_.ForceDir(path); }
    TDEntry* CreateDir(const std::string& path) { return project_.CreateDir(path); }
    TDEntry* AddDirByName(TDEntry* parent, const std::string& name, int attr) {
        return project_.AddDirByName(parent, name, attr);
    }
    TDEntry* AddDir(TDEntry* parent, const TSearchRec& sr) { return project_.AddDir(parent, sr); }
    bool AddFile(TDEntry* dir, const TSearchRec& sr, int oldAddress, const std::string& sourcePath) {
        return project_.AddFile(dir, sr, oldAddress, sourcePath);
    }
    bool InsertFile(const std::string& destPath, const std::string& sourceFile, bool keepSourcePath) {
        return project_.InsertFile(destPath, sourceFile, keepSourcePath);
    }
    TFEntry* FindFile(const TDEntry* dir, const std::string& longName) const { return project_.FindFile(dir, longName); }
    bool RenameEntry(const std::string& dirPath, const std::string& name, const std::string& newLongName,
                     const std::string& newShortName) {
        return project_.RenameEntry(dirPath, name, newLongName, newShortName);
    }
    bool RemoveEntry(const std::string& dirPath, const std::string& name) { return project_.RemoveEntry(dirPath, name); }
    bool RemoveEmptyDirs() { return project_.RemoveEmptyDirs(); }
    int DirCount() const { return project_.DirCount(); }
    TFEntry* LastAddedEntry() const { return project_.LastAddedEntry; }
    std::int16_t TimeZoneOffset() const { return project_.TimeZoneOffset; }

    bool ReplaceFile() const { return project_.ReplaceFile; }
    void SetReplaceFile(bool value) { project_.ReplaceFile = value; }
    TAddFileEvent OnAddFile;

    // --- Image layout ------------------------------------------------------------
    // The layout values (StartAddress, EndAddress, ImageSectors, PadSectors,
    // FirstFileSector, BootImageSectors, HeaderBuffer ...) and its inputs
    // (MakeBootable, BootImageFile, ImportSessionNumber, Building) live in
    // the layout object.
    TImageLayout& Layout() { return layout_; }
    const TImageLayout& Layout() const { return layout_; }
    TMemoryStream& HeaderStream() { return layout_.HeaderStream; }
    int LayoutFileSystem(bool ForImageFile, TDEntry* ImportInto) {
        return layout_.LayoutFileSystem(ForImageFile, ImportInto);
    }
    int PrepareImage(bool ForImageFile, TDEntry* ImportInto) { return layout_.PrepareImage(ForImageFile, ImportInto); }
    bool BuildFileSystemStream(bool ForImageFile, TDEntry* ImportInto) {
        return layout_.BuildFileSystemStream(ForImageFile, ImportInto);
    }
    std::int64_t GetImageSize() const { return layout_.GetImageSize(); }
    static std::int64_t SectorsOf(std::int64_t Bytes) { return TImageLayout::SectorsOf(Bytes); }
    static std::string IntToStrPad(int Width, const std::string& PadText, std::int64_t Value);
    std::int64_t ImageSectors() const { return layout_.ImageSectors; }
    int StartAddress() const { return layout_.StartAddress; }
    std::int64_t EndAddress() const { return layout_.EndAddress; }
    void WritePrimaryDescriptor() { layout_.WritePrimaryDescriptor(); }
    void WriteBootRecordDescriptor() { layout_.WriteBootRecordDescriptor(); }
    void WriteJolietDescriptor() { layout_.WriteJolietDescriptor(); }
    void WriteTerminatorDescriptor() { layout_.WriteTerminatorDescriptor(); }
    void WriteIsoPathTable(int DirBase, bool BigEndian) { layout_.WriteIsoPathTable(DirBase, BigEndian); }
    void WriteJolietPathTable(int DirBase, bool BigEndian) { layout_.WriteJolietPathTable(DirBase, BigEndian); }
    void WriteIsoDirectories(int DirBase, int FileBase) { layout_.WriteIsoDirectories(DirBase, FileBase); }
    void WriteJolietDirectories(int DirBase, int FileBase) { layout_.WriteJolietDirectories(DirBase, FileBase); }
    void WriteBootCatalog() { layout_.WriteBootCatalog(); }
    std::string WriteFilesToImage(TImageFile& Image) { return layout_.WriteFilesToImage(Image); }

    // --- Previous sessions ---------------------------------------------------------
    // The file system of session `Session` of the disc in the selected drive
    // (255, or any number past the last: the last), imported into the
    // project under `Into` (nullptr: the root). Its files keep the sectors
    // their data lies at; its directories are rebuilt by the layout. When the
    // walk had to leave something out, a warning (type 4) says that a new
    // session would not show it, and ImportIncomplete() stays true until the
    // next import.
    bool ImportSession(std::uint8_t Session, TDEntry* Into);
    bool ImportJolietDirectory(std::uint32_t Extent, std::uint32_t Length, TDEntry* Into);
    bool ImportIsoDirectory(std::uint32_t Extent, std::uint32_t Length, TDEntry* Into);
    bool ImportIncomplete() const { return importIncomplete_; }
    // Copies an imported file from the disc into the local file `DestFile`.
    // False, with LastError saying why, when the copy is not complete (a
    // sector that cannot be read, a full disk, `Cancel` set); nothing is then
    // left under that name.
    bool ExtractFile(const TFEntry& Entry, const std::string& DestFile, const std::atomic<bool>* Cancel = nullptr);

    // 0: a layout for a disc imports nothing. Otherwise every layout for a
    // disc imports the session of the low byte (255: the last) into its
    // ImportInto; "Continue CD/DVD" sets 0xFFFF.
    std::uint16_t ImportSessionNumber() const { return layout_.ImportSessionNumber; }
    void SetImportSessionNumber(std::uint16_t value) { layout_.ImportSessionNumber = value; }

    // What a task's project is made for.
    enum class TProjectTask { RecordNew, ContinueDisc, ImageFile };
    // Starts the project of a task from a clean state: the project emptied
    // and ImportSessionNumber set for that task alone (0xFFFF to continue the
    // disc, 0 otherwise), so that nothing of an earlier task in the same
    // process carries over into this one.
    bool BeginProject(TProjectTask Task);

    // --- Recording -------------------------------------------------------------
    std::uint32_t CacheSize() const { return cacheSize_; }
    // Stores the value rounded down to whole sectors, and never less than
    // 2 MiB, so that the read-ahead ring always holds at least 32 blocks.
    void SetCacheSize(std::uint32_t value);
    bool TestWrite = false;
    bool PerformOPC = false;
    bool FinalizeTrack = true;
    std::string ISOFileName;
    TWriteDoneEvent OnWriteDone;
    TNotifyEvent OnFinalizingTrack;
    // Writes the project as an image file. Synchronously: lays it out, writes
    // it in the calling thread and raises OnWriteDone before returning; the
    // result and OnWriteDone's Error tell whether the image is complete.
    // In the background: lays it out, primes the read-ahead in the calling
    // thread, starts the write thread and returns True; OnWriteDone comes
    // later on the owner's thread (at once, from here, when the priming
    // fails). False only when another recording is still running.
    bool SaveISOImage(const std::string& FileName, bool Synchronous);
    // Starts the write thread on the primed read-ahead, to ISOFileName or to
    // the selected drive.
    bool StartWriteThread(bool ToImageFile);

    // --- Recording to a disc (orvo_burner_burn.cpp) ------------------------------
    // Records the project to the disc in the selected drive. A DVD-RW is
    // quick formatted first; the image is laid out again from the disc's
    // next writable address; the read-ahead is primed in the calling thread
    // and the write thread started. True once it runs: its outcome comes
    // later through OnWriteDone on the owner's thread, with OnFinalizingTrack
    // before the drive closes the session. False when it cannot start:
    // OnWriteDone has then been raised already with the reason (a disc it
    // cannot be recorded on, no room, a source file that cannot be opened),
    // and nothing is left running; or another recording or an erase still
    // runs (no event). While it runs the owner sends the drive no commands
    // of its own: a tray lock belongs before the call. After a failure the
    // drive is left as it was (tray locked) for the owner to unlock.
    bool BurnProject();
    // Records the image file from sector 0 of the disc in the selected drive,
    // as BurnProject does. ImageSectors is the file's size in sectors.
    bool BurnISOImage(const std::string& FileName);
    // Sets StartAddress to where a new session on the disc begins: the end
    // of the volume on overwritable media, the next writable address of the
    // session's track on the others. False when the drive could not tell;
    // StartAddress is then 0.
    bool GetNextWritableAddress();
    // The volume space size of the ISO 9660 volume at the start of the disc
    // (its descriptors in sectors 16 to 32), 0 when there is none.
    int ReadVolumeSpaceSize();
    // Asks the running recording to stop, and ends the waits under way
    // (a start's format and ready waits, a front end's tray wait or speed
    // probing); any thread may call it.
    void Abort() {
        recorder_.Abort();
        AbortWaits();
    }
    // Raises OnWriteDone with LastWriteError; runs on the owner's thread.
    void DoWriteDone();
    // Read-buffer fill, 0..100; 0 unless the write thread runs.
    int CacheFillPercent() { return recorder_.CacheFillPercent(); }
    // Bytes written by the running (or the last) recording.
    std::int64_t BytesWritten() const { return recorder_.BytesWritten(); }
    bool Writing() const { return recorder_.Writing(); }
    // The Error text of the last OnWriteDone of a recording.
    std::string LastWriteError;

    // --- Verification (orvo_burner_verify.cpp) -----------------------------------------
    // What the last recording to a disc sent: the checksums of its sectors,
    // taken by the write thread as they went to the drive, and the files
    // they belong to. nullptr before the first, while one runs, and after
    // a simulated one (TestWrite).
    const TSentChecksums* SentChecksums() const { return recorder_.SentChecksums(); }
    // Reads back from the disc in the selected drive everything the last
    // recording sent and compares it with those checksums. Nothing when
    // there is nothing to compare: no recording, or one that did not send
    // every sector. Runs in the calling thread; `Hooks` report progress and
    // stop it.
    std::optional<TVerifyReport> VerifyRecording(const TVerifyHooks& Hooks);

private:
    bool SaveISOImageSynchronously(const std::string& FileName);
    // Lets a layout for a disc import the session ImportSessionNumber names.
    void ConnectSessionImport();
    // Lets a layout for a disc ask the drive for its kind and, while
    // building, for the next writable address.
    void ConnectDiscLayout();
    bool FindNextWritableAddress(int& startAddress);
    // The settings a disc recording keeps from its start.
    TDiscRecording DiscRecordingSettings() const;
    // What the read-ahead needs to stream the laid-out project: the header,
    // the boot image and its padding, then the files.
    TCacheInputs ProjectCacheInputs(std::uint32_t blockSize);
    // Primes the read-ahead and starts the write thread on the drive, which
    // keeps `sent` up to date.
    bool StartDiscRecording(const TCacheInputs& inputs, TDiscRecording recording,
                            std::unique_ptr<TSentChecksums> sent);
    // The checksums a recording keeps: of the laid-out project on a disc of
    // `kind`, or of the image file `fileName` (orvo_burner_verify.cpp).
    std::unique_ptr<TSentChecksums> ProjectChecksums(TDiscKind kind) const;
    std::unique_ptr<TSentChecksums> ImageChecksums(const std::string& fileName) const;
    std::unique_ptr<TWriteTarget> MakeDiscTarget();
    bool RecordingBusy() const override;
    // False, with a debug message, while a recording or an erase runs or is
    // being started.
    bool CanStartRecording();
    // Raises OnWriteDone with `error` and answers false: a recording that
    // could not start.
    bool RefuseRecording(const std::string& error);
    // Whether a session from StartAddress would overwrite the data of a
    // file imported from an earlier session.
    bool OverwritesImportedFiles() const;
    // Stores the outcome of a start that failed and raises OnWriteDone on
    // the owner's thread, before returning.
    void ReportWriteDone(const std::string& error);

    TProjectTree project_;
    TImageLayout layout_;
    std::uint32_t cacheSize_ = kDefaultCacheSize;
    bool importIncomplete_ = false;
    // The disc recording the next StartWriteThread(false) makes, and the
    // checksums it keeps.
    std::optional<TDiscRecording> discRecording_;
    std::unique_ptr<TSentChecksums> pendingChecksums_;
    // Last, so that it is the first to go: a recording still running reads
    // the project and the header stream.
    TRecorder recorder_;
};

}  // namespace sorvane
