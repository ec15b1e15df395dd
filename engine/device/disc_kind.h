#pragma once
// Disc kinds: the one table of what each kind is (its name, the profile
// that detects it, and the traits every decision by kind reads), and the
// disc type texts shown for a profile.

#include <cstdint>

#include "engine/device/scsi_constants.h"

namespace sorvane {

struct TDiscKindTraits {
    // "UNKNOWN", "CD-ROM" ... "DDCD-RW", as messages name the kind.
    const char* Name = "";
    // The current profile detection maps to the kind; 0 for none.
    std::uint16_t Profile = 0;
    // Counted as a CD: sizes from its ATIP and tracks, speeds in steps of
    // 176.4 kB/s. Every kind below DVD-ROM, the unknown one included.
    bool Cd = false;
    // A DVD, as the wizard tells one: a kind whose name says "DVD". Speeds
    // in steps of 1385 kB/s; a complete DVD is not "closed" as a CD is.
    bool Dvd = false;
    // Pressed: nothing can be recorded on it.
    bool Pressed = false;
    // Rewritable: an erase blanks or formats it.
    bool Erasable = false;
    // Overwritable: formatted, and written in place, so that a grown file
    // system's volume descriptors are written again at sector 0; its
    // capacity is its formatted size.
    bool OverwrittenInPlace = false;
    // One formatted track without sessions: only the file system at its
    // start tells how much of it is used, and where a new session goes.
    bool KeepsNoSessions = false;
    // A DVD-RW: quick formatted before a project is recorded on it, then
    // grown as one track in restricted overwrite.
    bool NeedsFormat = false;
    // Written and formatted like a hard disk (DVD-RAM): no write parameters,
    // no power calibration, no tracks to close, no drive buffer to watch, and
    // a format that only TEST UNIT READY and REQUEST SENSE report.
    bool RandomAccess = false;
    // A drive can simulate a recording on it. The write parameters page of
    // a DVD-RW never carries the Test Write bit, and DVD+R, DVD+RW and
    // DVD-RAM drives have no simulation mode.
    bool CanTestWrite = false;
    // Written in blocks of 27 sectors; every other kind in units of 32.
    bool CdBlocks = false;
    // After an immediate SYNCHRONIZE CACHE the drive writes its buffer out
    // while it reports not ready.
    bool FlushesInBackground = false;
    // Told the streaming performance before it is written.
    bool TakesStreamingSpeed = false;
};

// The traits of a kind; those of the unknown kind for a number outside the
// table.
const TDiscKindTraits& KindTraits(int discKind);

// The kind's name; "UNKNOWN" for a number outside the table.
const char* DiscKindName(int discKind);

// The kind of a current profile; kind::kUnknown for profiles the engine does
// not record.
TDiscKind DiscKindOfProfile(std::uint16_t profileNumber);

// The disc type text of a profile ("DVD-RW Restricted Overwrite"), "???????"
// for profiles without one.
struct TProfileText {
    const char* Text;
    bool Erasable;
};
TProfileText ProfileText(std::uint16_t profileNumber);

}  // namespace sorvane
