#include "tasks/device_choice.h"

#include <unistd.h>

#include "engine/device/transport.h"
#include "vdrive/vdrive.h"

namespace sorvane::tasks {
namespace {

// The device name of a Devices line: between the comma and the colon.
std::string DeviceNameOf(const std::string& line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) return {};
    const std::size_t colon = line.find(':', comma);
    if (colon == std::string::npos) return {};
    return line.substr(comma + 1, colon - comma - 1);
}

bool IsNumber(const std::string& text) {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

bool OpenDrives(TOrvoBurner& burner, std::string& failure) {
    if (burner.InitializeTransport(true, std::string()) && burner.ASPIInitialized()) return true;
    failure = kAspiError;
    return false;
}

std::string DeviceDisplayName(const std::string& line) {
    std::string name;
    bool inBlank = false;
    for (char c : line) {
        if (static_cast<unsigned char>(c) <= 32) {
            inBlank = true;
            continue;
        }
        if (inBlank && !name.empty()) name += ' ';
        inBlank = false;
        name += c;
    }
    // Drop "a:t:l," so that the name begins with the device name.
    if (name.size() > 6) name.erase(0, 6);
    return name;
}

std::string DeviceAddress(const std::string& line) {
    const std::size_t comma = line.find(',');
    return comma == std::string::npos ? std::string() : line.substr(0, comma);
}

bool DriveCheck(TOrvoBurner& burner, int index) {
    burner.SelectDevice(burner.Devices[static_cast<std::size_t>(index)]);
    return burner.Can(cap::kWriteCdR | cap::kWriteDvdR | cap::kWriteDvdRam);
}

int DefaultDriveIndex(TOrvoBurner& burner) {
    const int count = static_cast<int>(burner.Devices.size());
    if (count == 0) return -1;
    int chosen = -1;
    for (int i = 0; i < count; ++i)
        if (DriveCheck(burner, i)) chosen = i;
    return chosen >= 0 ? chosen : count - 1;
}

void SelectDrive(TOrvoBurner& burner, int index) {
    burner.SelectDevice(burner.Devices[static_cast<std::size_t>(index)]);
    burner.UnderrunProtection = burner.Can(cap::kUnderrunProtection);
}

int FindDrive(const TOrvoBurner& burner, const std::string& which) {
    const std::vector<std::string>& devices = burner.Devices;
    if (IsNumber(which)) {
        const int index = std::stoi(which);
        return index < static_cast<int>(devices.size()) ? index : -1;
    }
    std::string name = which;
    if (name.starts_with("/dev/")) name.erase(0, 5);
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (DeviceNameOf(devices[i]) == name || DeviceAddress(devices[i]) == which) return static_cast<int>(i);
    return -1;
}

std::string NoDriveText() {
    // With no drive of its own the system has the emulated recorder; when
    // that offers none either, it is most often because another process
    // has it, which is the thing to say.
    if (!TTransport::Instance().UsesPassThrough()) {
        const std::string holder = vdrive::THost::FolderHolder(vdrive::THost::DefaultStateFolder());
        if (!holder.empty())
            return "the emulated recorder is in use by another process (" + holder +
                   "); try again when it has finished.";
    }
    return "No CD/DVD drive found.";
}

int ChooseDrive(TOrvoBurner& burner, const std::string& which, std::string& failure) {
    if (burner.Devices.empty()) {
        failure = NoDriveText();
        return -1;
    }
    // A path names a device node of this system: where there is none, it
    // names no drive, least of all the emulated recorder's "sr0".
    const bool noSuchNode = which.starts_with("/dev/") && ::access(which.c_str(), F_OK) != 0;
    const int index = which.empty() ? DefaultDriveIndex(burner) : noSuchNode ? -1 : FindDrive(burner, which);
    if (index < 0) {
        failure = "No drive '" + which + "'.";
        return -1;
    }
    SelectDrive(burner, index);
    TSCSIDevice::SetReleaseHandle(true);
    return index;
}

int OpenAndChooseDrive(TOrvoBurner& burner, const std::string& which, std::string& failure) {
    return OpenDrives(burner, failure) ? ChooseDrive(burner, which, failure) : -1;
}

}  // namespace sorvane::tasks
