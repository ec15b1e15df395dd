// sorvane-cli devices: the CD/DVD drives found, one per line with its index,
// display name and address; the drive other commands use by default is
// marked with "*".

#include <array>
#include <cstdio>

#include "cli/command_drive.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "tasks/device_choice.h"

namespace sorvane::cli {
namespace {

constexpr std::array<TOptionDef, 1> kOptions = {{{"-h", "--help", false}}};

void PrintHelp() {
    std::fputs(
        "Usage: sorvane-cli devices\n"
        "\n"
        "Lists the CD/DVD drives: index, name and address (adapter:target:lun).\n"
        "The drive marked '*' is the one used when -d is not given.\n",
        stdout);
}

}  // namespace

int RunDevices(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (RefuseArguments(args, "sorvane-cli devices")) return 2;
    if (args.Has("--help")) {
        PrintHelp();
        return 0;
    }
    TOrvoBurner burner;
    if (!OpenCommandDrives(burner)) return 1;
    const std::vector<std::string> devices = burner.Devices;
    if (devices.empty()) {
        PrintError(tasks::NoDriveText());
        return 0;
    }
    const int chosen = tasks::DefaultDriveIndex(burner);
    for (std::size_t i = 0; i < devices.size(); ++i)
        std::printf("%c %zu  %s  [%s]\n", static_cast<int>(i) == chosen ? '*' : ' ', i,
                    tasks::DeviceDisplayName(devices[i]).c_str(), tasks::DeviceAddress(devices[i]).c_str());
    return 0;
}

}  // namespace sorvane::cli
