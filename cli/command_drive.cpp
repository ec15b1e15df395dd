#include "cli/command_drive.h"

#include <cstdio>

#include "cli/options.h"
#include "tasks/device_choice.h"

namespace sorvane::cli {
namespace {

// Every failure line begins with the command's name.
void Say(const std::string& failure) { PrintError(failure); }

}  // namespace

bool OpenCommandDrives(TOrvoBurner& burner) {
    std::string failure;
    if (tasks::OpenDrives(burner, failure)) return true;
    Say(failure);
    return false;
}

int OpenCommandDrive(TOrvoBurner& burner, const std::string& which) {
    std::string failure;
    const int index = tasks::OpenAndChooseDrive(burner, which, failure);
    if (index >= 0) return index;
    // A name the list does not hold: the list tells which ones it does.
    if (!burner.Devices.empty()) failure += " Run 'sorvane-cli devices' for the list.";
    Say(failure);
    return -1;
}

}  // namespace sorvane::cli
