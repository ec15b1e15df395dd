#pragma once
// The disc in the tray: its kind, its recorded structure and the rules by
// which it may be written. Sequential media (CD-R/RW, DVD-R, DVD-RW
// sequential, DVD+R, DVD+R DL) are sessions of tracks written at their next
// writable address; overwritable media (DVD+RW, DVD-RAM, DVD-RW restricted
// overwrite) are one formatted area written anywhere. The drive (drive.h)
// turns commands into calls here; the sectors themselves live in a
// TSectorStore.

#include <cstdint>
#include <istream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "vdrive/scsi.h"
#include "vdrive/vdrive.h"

namespace sorvane::vdrive {

class TSectorStore;

struct TKindTraits {
    TMediumKind Kind;
    std::string_view Name;
    std::uint16_t Profile;
    bool Cd;
    bool Rom;
    bool Sequential;
    bool Overwrite;
    bool Erasable;           // the erasable bit of READ DISC INFORMATION
    std::uint32_t Capacity;  // user sectors of a blank disc (0: from the image)
    std::uint16_t OneX;      // kB/s of one speed step
};
const TKindTraits& Traits(TMediumKind kind);
std::optional<TMediumKind> KindOfProfile(std::uint16_t profile);

// CD session overhead: a closed session is followed by its lead-out, the
// next session's lead-in and the 150-sector pre-gap of its first track. The
// first lead-out is 6,750 sectors (90 s), later ones 2,250 (30 s).
constexpr std::uint32_t kCdFirstSessionGap = 6750 + 4500 + 150;
constexpr std::uint32_t kCdLaterSessionGap = 2250 + 4500 + 150;
// TAO tracks end with two run-out blocks, and a following track in the same
// session starts after its own 150-sector pre-gap.
constexpr std::uint32_t kCdRunOut = 2;
constexpr std::uint32_t kCdPregap = 150;
// DVD-R/-RW border zones (border-out of the closed border, border-in of the
// next): the first one is larger.
constexpr std::uint32_t kDvdMinusFirstBorderGap = 16384;
constexpr std::uint32_t kDvdMinusLaterBorderGap = 3072;
// DVD+R: closure of the closed session plus the intro of the next one.
constexpr std::uint32_t kDvdPlusSessionGap = 6144;
// The smallest track a drive records (4 seconds on CD).
constexpr std::uint32_t kMinTrackSectors = 300;

// ATIP of the recordable CDs this drive is given (80-minute media).
struct TAtip {
    std::uint8_t LeadInM = 97, LeadInS = 26, LeadInF = 66;
    std::uint8_t LeadOutM = 79, LeadOutS = 59, LeadOutF = 74;
};

struct TTrack {
    std::uint32_t Start = 0;
    std::uint32_t Recorded = 0;  // sectors recorded from Start
    std::uint32_t Reserved = 0;  // fixed size set by RESERVE TRACK; 0 when none
    std::uint32_t RunOut = 0;    // CD track-at-once run-out after closing
    bool Closed = false;
    bool Damaged = false;
    bool Packet = false;         // incremental (packet) recording

    std::uint32_t Size() const { return Reserved ? Reserved : Recorded + RunOut; }
    std::uint32_t End() const { return Start + Size(); }
    std::uint32_t Nwa() const { return Start + Recorded; }
    bool Writable() const { return !Closed && !Damaged && (!Reserved || Recorded < Reserved); }
};

struct TSession {
    std::vector<TTrack> Tracks;
    bool Closed = false;
};

// Overwritable media keep no session structure of their own. To let the
// user look at every stage of a volume grown on them, the drive notes each
// volume it finds complete when the cache is synchronised: where it starts,
// where it ends, and a copy of its volume descriptors, which the next
// session overwrites at sector 16.
struct TGrownVolume {
    std::uint32_t Start = 0;
    std::uint32_t End = 0;
    std::vector<std::uint8_t> Descriptors;
};

enum class TBackgroundFormat : std::uint8_t { None = 0, Stopped = 1, Running = 2, Complete = 3 };

// Where the next write of a sequential medium goes.
struct TWriteTarget {
    int Session = -1;  // index into Sessions; -1 with NewTrack: a new session
    int Track = -1;    // index into the session's tracks; -1: a new track
};

class TMedium {
public:
    TMediumKind Kind = TMediumKind::None;
    std::uint32_t Capacity = 0;
    std::string ImagePath;  // pressed media

    // Sequential structure.
    std::vector<TSession> Sessions;
    std::uint32_t NextSessionStart = 0;
    bool Finalized = false;
    bool MinimallyBlanked = false;  // DVD-RW: only disc-at-once until fully blanked

    // Overwritable structure.
    bool Formatted = false;
    std::uint32_t FormattedBlocks = 0;  // DVD-RW restricted overwrite: the formatted area
    bool Intermediate = false;          // DVD-RW restricted overwrite: may grow at its end
    TBackgroundFormat Background = TBackgroundFormat::None;
    double BackgroundStart = 0;         // simulated time the running format started
    std::uint32_t BackgroundBase = 0;   // extent formatted when it (re)started
    std::uint32_t BackgroundExtent = 0; // extent formatted when it stopped
    std::vector<TGrownVolume> Grown;
    std::uint32_t RunLow = UINT32_MAX;  // lowest and highest sector written since the last volume noted
    std::uint32_t RunHigh = 0;

    std::string DvdTimestamp;  // SEND DVD STRUCTURE format 0Fh, "yyyymmddhhmmss"
    TAtip Atip;

    static TMedium Blank(TMediumKind kind);
    const TKindTraits& Traits() const { return vdrive::Traits(Kind); }
    bool Present() const { return Kind != TMediumKind::None; }

    // --- Sequential media ---------------------------------------------------
    int TrackCount() const;  // recorded or reserved tracks
    // The first sector of the invisible track, or nullopt when the disc is
    // finalized or full.
    std::optional<std::uint32_t> InvisibleStart() const;
    // Number of the invisible track (or of the incomplete track that took
    // its place); 0 when there is none.
    int InvisibleTrackNumber() const;
    const TTrack* IncompleteTrack() const;
    // Finds track `number` (1-based); sets session to its 0-based session.
    const TTrack* TrackByNumber(int number, int* session = nullptr) const;
    int FirstTrackOfSession(int sessionIndex) const;  // 1-based track number
    bool Blank() const;  // nothing recorded or reserved
    int ClosedSessionCount() const;

    // READ DISC INFORMATION byte 2 fields.
    std::uint8_t DiscStatus() const;        // 0 empty, 1 incomplete, 2 complete
    std::uint8_t LastSessionState() const;  // 0 empty, 1 incomplete, 2 damaged, 3 complete

    TSense FindWriteTarget(std::uint32_t lba, std::uint32_t count, TWriteTarget* target) const;
    void RecordSequential(const TWriteTarget& target, std::uint32_t lba, std::uint32_t count, bool packet);
    TSense CloseTrack(int number);
    // Closes the open session; `allowNext` false (or no room) finalizes the disc.
    TSense CloseSession(bool allowNext);
    TSense FinalizeDisc();
    TSense ReserveTrack(std::uint32_t sectors);
    void DamageOpenTrack();

    // --- Overwritable media -------------------------------------------------
    // Sectors that may be read or written now (DVD+RW during a background
    // format: the whole disc, the drive formats as it goes).
    std::uint32_t WritableLimit(double now) const;
    std::uint32_t BackgroundExtentAt(double now) const;
    TBackgroundFormat BackgroundAt(double now) const;
    TSense CheckOverwrite(std::uint32_t lba, std::uint32_t count) const;
    void RecordOverwrite(std::uint32_t lba, std::uint32_t count);
    // Notes a volume grown on an overwritable disc (see TGrownVolume).
    void NoteGrownVolume(const TSectorStore& store);

    // --- Common ---------------------------------------------------------------
    // Last sector READ CAPACITY reports; readable extent for READ.
    std::uint32_t RecordedEnd() const;
    TSense CheckRead(std::uint32_t lba, std::uint32_t count) const;
    std::string StateName(double now) const;
    std::vector<TSessionInfo> SessionList() const;

    // Text form for the state file.
    std::string Serialize() const;
    static std::optional<TMedium> Parse(const std::string& text, std::string* error);
};

// The state file, and a medium's part of it, are lines of a key word and its
// values. Reads the next line that is not blank: `key` gets its first word
// and `fields` the rest, ready to be read with >>.
bool NextStateLine(std::istream& in, std::string& line, std::string& key, std::istringstream& fields);

}  // namespace sorvane::vdrive
