#include "cli/device_choice.h"

#include <cstdio>

namespace sorvane::cli {
namespace {

bool WritesSomething(const TOrvoBurner& burner) {
    return burner.Can(cap::kWriteCdR | cap::kWriteDvdR | cap::kWriteDvdRam);
}

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

bool OpenDrives(TOrvoBurner& burner) {
    const bool opened = burner.InitializeTransport(true, std::string()) && burner.ASPIInitialized();
    // Said whatever drives remain: without it the user would wonder why a
    // drive is missing, or record to the emulated recorder unawares.
    if (const std::string problem = TSCSIDevice::DriveAccessProblem(); !problem.empty())
        std::fprintf(stderr, "%s\n", problem.c_str());
    if (opened) return true;
    std::fputs("ASPI initialization error\n", stderr);
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

int DefaultDriveIndex(TOrvoBurner& burner) {
    const std::vector<std::string> devices = burner.Devices;
    if (devices.empty()) return -1;
    int chosen = -1;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        burner.SelectDevice(devices[i]);
        if (WritesSomething(burner)) chosen = static_cast<int>(i);
    }
    return chosen >= 0 ? chosen : static_cast<int>(devices.size()) - 1;
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

int ChooseDrive(TOrvoBurner& burner, const std::string& which) {
    if (burner.Devices.empty()) {
        std::fputs("No CD/DVD drive found.\n", stderr);
        return -1;
    }
    const int index = which.empty() ? DefaultDriveIndex(burner) : FindDrive(burner, which);
    if (index < 0) {
        std::fprintf(stderr, "No drive '%s'. Run 'sorvane-cli devices' for the list.\n", which.c_str());
        return -1;
    }
    SelectDrive(burner, index);
    TSCSIDevice::SetReleaseHandle(true);
    return index;
}

int OpenAndChooseDrive(TOrvoBurner& burner, const std::string& which) {
    return OpenDrives(burner) ? ChooseDrive(burner, which) : -1;
}

}  // namespace sorvane::cli
