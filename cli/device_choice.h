#pragma once
// Opening the drives and choosing one, as the main window does at start:
// the display name of a drive, the default drive, and the drive a -d
// argument names.

#include <string>

#include "engine/orvo_burner.h"

namespace sorvane::cli {

// Opens the transport (pass-through first) and enumerates the drives. Says
// which drives the user may not open, and how to get access. On failure
// prints "ASPI initialization error" and answers false.
bool OpenDrives(TOrvoBurner& burner);

// A Devices line without its address: "sr0: VENDOR PRODUCT REV", runs of
// blanks and control characters made one blank.
std::string DeviceDisplayName(const std::string& line);

// The address part of a Devices line ("0:1:0").
std::string DeviceAddress(const std::string& line);

// The drive the main window preselects: the last one that writes CD-R,
// DVD-R or DVD-RAM, else the last one; -1 when there is none.
int DefaultDriveIndex(TOrvoBurner& burner);

// Selects a drive and takes its underrun protection as the default setting.
void SelectDrive(TOrvoBurner& burner, int index);

// The index of the drive that `which` names: its index in the list, its
// device name ("sr0" or "/dev/sr0") or its address ("0:1:0"); -1 when none.
int FindDrive(const TOrvoBurner& burner, const std::string& which);

// Selects the drive `which` names, or the default drive when it is empty.
// Prints the reason and answers -1 when there is no such drive.
int ChooseDrive(TOrvoBurner& burner, const std::string& which);

// OpenDrives, then ChooseDrive: what every command that acts on one drive
// does first. Answers the drive's index, -1 (the reason printed) on failure.
int OpenAndChooseDrive(TOrvoBurner& burner, const std::string& which);

}  // namespace sorvane::cli
