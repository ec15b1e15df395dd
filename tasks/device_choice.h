#pragma once
// Opening the drives and choosing one, as the main window does at start:
// the display name of a drive, the default drive, and the drive a name,
// index or address picks. Failures come back as the text to show, which
// each front end shows its own way.

#include <string>

#include "engine/orvo_burner.h"

namespace sorvane::tasks {

// What the main window says, under this caption, when the drives cannot be
// reached at all; the program ends after it.
inline constexpr char kAspiError[] = "ASPI initialization error";
inline constexpr char kAspiErrorCaption[] = "ASPI ERROR";

// Opens the transport (pass-through first) and enumerates the drives. On
// failure sets `failure` to kAspiError and answers false.
bool OpenDrives(TOrvoBurner& burner, std::string& failure);

// A Devices line without its address: "sr0: VENDOR PRODUCT REV", runs of
// blanks and control characters made one blank.
std::string DeviceDisplayName(const std::string& line);

// The address part of a Devices line ("0:1:0").
std::string DeviceAddress(const std::string& line);

// Selects drive `index` and answers whether it writes CD-R, DVD-R or
// DVD-RAM. The selection is a side effect: the caller selects the drive it
// means to use with SelectDrive afterwards.
bool DriveCheck(TOrvoBurner& burner, int index);

// The drive the main window preselects: the last one that writes CD-R,
// DVD-R or DVD-RAM, else the last one; -1 when there is none. Selects
// every drive on the way (DriveCheck), none of them in particular.
int DefaultDriveIndex(TOrvoBurner& burner);

// Selects a drive and takes its underrun protection as the default setting.
void SelectDrive(TOrvoBurner& burner, int index);

// The index of the drive that `which` names: its index in the list, its
// device name ("sr0" or "/dev/sr0") or its address ("0:1:0"); -1 when none.
int FindDrive(const TOrvoBurner& burner, const std::string& which);

// Why no drive can be chosen from an empty list: none was found, or the
// emulated recorder that stands in for one is in use by another process.
std::string NoDriveText();

// Selects the drive `which` names, or the default drive when it is empty.
// A /dev path names a device node, and no drive where there is none.
// Sets `failure` to the reason ("No CD/DVD drive found.", "No drive
// 'sr7'.") and answers -1 when there is no such drive.
int ChooseDrive(TOrvoBurner& burner, const std::string& which, std::string& failure);

// OpenDrives, then ChooseDrive: what every task that acts on one drive
// does first. Answers the drive's index, -1 (with `failure` set) when
// there is none to act on.
int OpenAndChooseDrive(TOrvoBurner& burner, const std::string& which, std::string& failure);

}  // namespace sorvane::tasks
