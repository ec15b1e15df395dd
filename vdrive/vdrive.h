#pragma once
// The emulated recorder: CD/DVD drives that answer SCSI MultiMedia Commands
// the way real recorders do, reached through the ASPI-style entry points of
// engine/device/aspi.h (SendASPI32Command, GetASPI32SupportInfo) that this
// shared library exports.
//
// One host per process serves the entry points. It holds the drives (one
// host adapter, drive N at target N, LUN 0), a simulated clock, the command
// log and, unless it runs in memory, the state folder where every drive's
// medium lives as a sparse backing file of 2048-byte sectors plus a small
// state file. The engine loads this library at run time and only ever talks
// through the entry points; tests and `sorvane-cli vdrive` use this header
// to set the host up, change media, inject faults and read the log.
//
// Typical test set-up:
//
//     auto& host = sorvane::vdrive::THost::Instance();
//     host.UseMemory();                                  // no files, no drives
//     size_t d = host.AddDrive(sorvane::vdrive::MultiFormatWriter());
//     host.Insert(d, {sorvane::vdrive::TMediumKind::CdR});
//     host.SetTimeScale(0);                              // manual clock
//     ... SendASPI32Command(&srb) ...
//     host.AdvanceClock(120);                            // let a BLANK finish
//
// Every method is thread-safe; the entry points may run on any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvane::vdrive {

// --- Media ------------------------------------------------------------------

enum class TMediumKind : std::uint8_t {
    None,             // empty tray
    CdRom,            // pressed from an image file
    DvdRom,           // pressed from an image file
    CdR,
    CdRw,
    DvdR,
    DvdRw,            // sequential recording
    DvdRwRestricted,  // restricted overwrite (a formatted DVD-RW)
    DvdPlusR,
    DvdPlusRDl,
    DvdPlusRw,
    DvdRam,
};

// The names the command line uses: "none", "cd-rom", "dvd-rom", "cd-r",
// "cd-rw", "dvd-r", "dvd-rw", "dvd-rw-ro", "dvd+r", "dvd+r-dl", "dvd+rw",
// "dvd-ram".
std::string_view MediumKindName(TMediumKind kind);
std::optional<TMediumKind> MediumKindFromName(std::string_view name);

// How the inserted disc has been recorded before.
enum class TMediumState : std::uint8_t {
    Blank,      // nothing recorded (DVD+RW: unformatted; DVD-RAM: formatted, empty)
    Open,       // the image is an open track in an open session, as an interrupted recording leaves it
    Closed,     // the image is a closed session; the disc is appendable
    Finalized,  // the image is the last session; nothing more can be written
};
// The names the command line uses: "blank", "open", "appendable" (also
// "closed") and "finalized", the words `vdrive status` describes discs in.
std::string_view MediumStateName(TMediumState state);
std::optional<TMediumState> MediumStateFromName(std::string_view name);

struct TMediumRequest {
    TMediumRequest() = default;
    TMediumRequest(TMediumKind kind, TMediumState state = TMediumState::Blank, std::string imagePath = {})
        : Kind(kind), State(state), ImagePath(std::move(imagePath)) {}

    TMediumKind Kind = TMediumKind::None;
    TMediumState State = TMediumState::Blank;
    // Recordable kinds ignore it when Blank. CD-ROM and DVD-ROM need it: the
    // disc is pressed from this image (read in place, never written; its
    // absolute path is kept, so a relative one names the same file from any
    // folder). For
    // other states it is recorded as track 1 of session 1 (overwritable
    // media: from sector 0); without it a 300-sector empty track is used.
    std::string ImagePath;
};

// --- Drive models -------------------------------------------------------------

// What a drive is and can do. Everything a host can learn about the drive
// (INQUIRY, mode page 2Ah, vendor page 30h, GET CONFIGURATION, the speeds)
// is derived from these fields and the medium in the tray.
struct TDriveModel {
    std::string Name;      // short key kept in the state file
    std::string Vendor;    // INQUIRY: 8 characters
    std::string Product;   // 16 characters
    std::string Revision;  // 4 characters
    std::vector<TMediumKind> Reads;   // media it recognises and reads
    std::vector<TMediumKind> Writes;  // media it records, blanks and formats
    bool TestWrite = true;            // simulation writes on CD and DVD-R/-RW
    bool BufferUnderrunFree = true;   // page 2Ah BUF, BUFE accepted in page 05h
    std::uint32_t BufferKB = 2048;    // drive buffer, READ BUFFER CAPACITY
    std::uint16_t MaxCdReadKBps = 7056;
    std::uint16_t MaxDvdReadKBps = 22160;
    // Write speeds in kB/s per medium kind, fastest first. A writable kind
    // without an entry writes at 4x of its family.
    std::vector<std::pair<TMediumKind, std::vector<std::uint16_t>>> WriteSpeeds;
    bool BlockDescriptor = false;   // MODE SENSE replies carry an 8-byte block descriptor
    bool VendorPage30 = false;      // answers MODE SENSE page 30h
    bool GetConfiguration = true;   // older drives answer 46h with INVALID COMMAND OPERATION CODE
    bool ReadBufferCapacity = true; // some drives answer 5Ch with INVALID COMMAND OPERATION CODE
    // Further operation codes answered with INVALID COMMAND OPERATION CODE,
    // as reading drives and some USB bridges answer the writers' queries.
    std::vector<std::uint8_t> UnknownCommands;
    // Feature versions that differ from 0, e.g. {0x002F, 1}.
    std::vector<std::pair<std::uint16_t, std::uint8_t>> FeatureVersions;
};

// Shipped models.
const TDriveModel& MultiFormatWriter();  // DVD±RW/±R/+R DL/RAM and CD-R/RW writer, "dvd-multi"
const TDriveModel& CdRwWriter();         // CD-R/RW writer that reads DVD-ROM, "cd-rw"
const TDriveModel& DvdRomReader();       // reads everything, writes nothing, "dvd-rom"
// Reads everything, writes nothing, and knows no READ DISC INFORMATION,
// READ TRACK INFORMATION or READ FORMAT CAPACITIES: a disc's sessions are
// learnt from its TOC and READ CAPACITY only, "usb-reader".
const TDriveModel& UsbBridgeReader();
// A shipped model by its Name, or nullptr.
const TDriveModel* FindModel(std::string_view name);

// --- Fault injection ------------------------------------------------------------

// Faults armed on one drive. Counters count down as commands arrive. The
// sector ranges describe the disc's surface: a state folder keeps them with
// the drive, so that every process using the folder meets them.
struct TFaults {
    int BusyCommands = 0;       // the next N commands end with TARGET BUSY status
    int LongWriteStorm = 0;     // the next N commands end NOT READY, 04/08 (INQUIRY and REQUEST SENSE pass)
    // The two counts above wait for the first command with this op code,
    // which is the first to meet them: WRITE(10) arms them for the data
    // phase of a recording.
    std::optional<std::uint8_t> ArmedBy;
    // Absolute sectors [first, last] that cannot be read (MEDIUM ERROR 11/00)
    // nor written (MEDIUM ERROR 0C/00).
    std::optional<std::pair<std::uint32_t, std::uint32_t>> MediumErrorLbas;
    // Absolute sectors [first, last] that take writes without an error but
    // keep something else: the first byte of every sector written there
    // reaches the disc inverted (a silent corruption, as a failing laser or
    // poor dye leaves it).
    std::optional<std::pair<std::uint32_t, std::uint32_t>> CorruptedLbas;
    // Absolute sectors [first, last] that take writes without an error but
    // cannot be read afterwards (MEDIUM ERROR 11/00): a disc whose recording
    // faded or was scratched there.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> UnreadableAfterWriteLbas;
    bool OpcFails = false;      // SEND OPC INFORMATION: MEDIUM ERROR 73/03 (power calibration area error)
    bool PcaFull = false;       // the disc's power calibration area is full: OPC and the first write 73/02
    std::optional<std::uint8_t> HangOpcode;  // the next command with this op code never completes
    // After N more WRITE commands succeed the tray is pulled open under the
    // next one: that write fails NOT READY 3A/02 and its track is damaged.
    std::optional<int> TrayOpensAfterWrites;
};

// --- Command log --------------------------------------------------------------------

struct TLogEntry {
    std::size_t Drive = 0;
    double SimTime = 0;                  // seconds on the simulated clock when the command arrived
    std::vector<std::uint8_t> Cdb;
    std::vector<std::uint8_t> DataOut;   // parameter data sent (WRITE data: its first 64 bytes)
    std::uint32_t DataOutLength = 0;     // full length of the data sent
    std::uint8_t SrbStatus = 0;          // SS_COMP, SS_ERR, or SS_PENDING for a command that hung
    std::uint8_t TargetStatus = 0;       // GOOD, CHECK CONDITION, BUSY
    std::uint8_t SenseKey = 0, Asc = 0, Ascq = 0;
    std::string Describe() const;        // one line: time, CDB, status and sense
};

// --- Status ------------------------------------------------------------------------

struct TSessionInfo {
    int Number = 0;
    std::uint32_t Start = 0;   // first sector of the session's first track
    std::uint32_t Length = 0;  // recorded sectors up to the end of its last track
    bool Closed = false;
};

struct TDriveStatus {
    std::string Model;         // model name
    std::string Identity;      // vendor product revision
    bool TrayOpen = false;
    bool Locked = false;       // PREVENT ALLOW MEDIUM REMOVAL
    TMediumKind Kind = TMediumKind::None;
    // What can still be done with the disc: "blank", "appendable",
    // "incomplete (last session open)" or "finalized", with what the kind
    // adds in brackets ("blank (unformatted)", "finalized (pressed)").
    std::string State;
    std::uint32_t Capacity = 0;  // sectors
    std::vector<TSessionInfo> Sessions;
    std::string BackingFile;   // empty in memory
    // Why the drive holds no disc although one was inserted: the image a
    // pressed disc is read from can no longer be found. Empty otherwise.
    std::string Warning;
};

enum class TCompletion : std::uint8_t {
    Synchronous,  // every request has completed when SendASPI32Command returns
    Thread,       // requests with SRB_EVENT_NOTIFY return SS_PENDING and complete on the host's thread
};

// --- The host --------------------------------------------------------------------------

class THost {
public:
    // The instance the entry points serve. Until it is set up otherwise, the
    // first request opens the state folder (UseStateFolder with no folder).
    static THost& Instance();

    ~THost();
    THost(const THost&) = delete;
    THost& operator=(const THost&) = delete;

    // In-memory mode: forgets every drive, saves nothing, touches no file,
    // resets the clock to 0 with scale 0 (manual), the log and the completion
    // mode (Synchronous). Releases the state folder's lock.
    void UseMemory();
    // Persistent mode: loads the drives from `folder` (empty: the default
    // folder below), creating one multi-format writer holding a blank CD-R
    // when it holds no state. Fails when another process has the folder.
    bool UseStateFolder(const std::string& folder = {}, std::string* error = nullptr);
    // $SORVANE_VDRIVE_HOME, else $XDG_DATA_HOME/sorvane/vdrive, else
    // ~/.local/share/sorvane/vdrive.
    static std::string DefaultStateFolder();
    // "pid 1234" when another process has `folder` (a process that cannot
    // tell its pid: "another process"); empty when none has it.
    static std::string FolderHolder(const std::string& folder);
    std::string StateFolder() const;  // empty in memory

    std::size_t AddDrive(const TDriveModel& model);
    std::size_t DriveCount() const;

    // Puts a disc into the tray and closes it (what a user does). The drive
    // reports UNIT ATTENTION 28/00 to the next command. Kind None leaves the
    // tray closed and empty.
    bool Insert(std::size_t drive, const TMediumRequest& medium, std::string* error = nullptr);
    // Opens the tray as the eject button does; refused while the host has
    // locked it (PREVENT ALLOW MEDIUM REMOVAL). The disc stays in the open tray.
    bool Eject(std::size_t drive, std::string* error = nullptr);
    // Closes the tray; a disc in it is loaded (UNIT ATTENTION follows).
    bool CloseTray(std::size_t drive, std::string* error = nullptr);

    TDriveStatus Status(std::size_t drive) const;
    // Writes session N (1-based) as a plain image: sectors 0 to the end of the
    // session, with the session's own volume descriptors copied over sector
    // 16 onwards, so ISO readers open the volume of that session.
    bool ExportSession(std::size_t drive, int session, const std::string& path, std::string* error = nullptr) const;

    void SetFaults(std::size_t drive, const TFaults& faults);
    TFaults Faults(std::size_t drive) const;
    // Throttled writes take the time the granted write speed and the drive
    // buffer need (on the simulated clock); otherwise the buffer never stalls.
    void SetThrottle(std::size_t drive, bool on);

    // Simulated clock: seconds. Scale > 0 runs it at that multiple of real
    // time (so a 20-minute full blank takes 1.2 s at 1000); scale 0 stops it
    // and only AdvanceClock (and commands that take time) move it.
    void SetTimeScale(double scale);
    double TimeScale() const;
    void AdvanceClock(double seconds);
    double Now() const;

    void SetCompletion(TCompletion mode);
    TCompletion Completion() const;
    // Waits until the completion thread has finished every queued request.
    void Drain();

    std::vector<TLogEntry> Log() const;
    void ClearLog();
    // Called for every command as it is logged (sorvane-cli --verbose).
    void SetLogSink(std::function<void(const TLogEntry&)> sink);

    // Writes the state file now (the host also saves after every change of
    // a medium's structure and when it is destroyed).
    bool Save(std::string* error = nullptr);

    // The library's own entry points reach the host's inside through this.
    struct TImpl;
    TImpl& Inside() { return *impl_; }

private:
    THost();
    std::unique_ptr<TImpl> impl_;
};

}  // namespace sorvane::vdrive
