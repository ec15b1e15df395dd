#include "cli/command_drive.h"

#include <cstdio>

#include "cli/options.h"
#include "tasks/device_choice.h"

namespace sorvane::cli {
namespace {

// Every failure line begins with the command's name.
void Say(const std::string& failure) { PrintError(failure); }

// Opens the drives as the tasks do, and says which ones the user may not
// open, whatever drives remain: without it the user would wonder why a
// drive is missing, or record to the emulated recorder unawares.
bool OpenAndTell(TOrvoBurner& burner, std::string& failure) {
    const bool opened = tasks::OpenDrives(burner, failure);
    if (const std::string problem = TSCSIDevice::DriveAccessProblem(); !problem.empty()) Say(problem);
    return opened;
}

}  // namespace

bool OpenCommandDrives(TOrvoBurner& burner) {
    std::string failure;
    if (OpenAndTell(burner, failure)) return true;
    Say(failure);
    return false;
}

int OpenCommandDrive(TOrvoBurner& burner, const std::string& which) {
    std::string failure;
    const int index = OpenAndTell(burner, failure) ? tasks::ChooseDrive(burner, which, failure) : -1;
    if (index >= 0) return index;
    // A name the list does not hold: the list tells which ones it does.
    if (!burner.Devices.empty()) failure += " Run 'sorvane-cli devices' for the list.";
    Say(failure);
    return -1;
}

}  // namespace sorvane::cli
