// sorvane-cli info [-d DEVICE]: what the drive can read and write, what disc
// it holds (type, speed, status, sizes) and the identification of the disc's
// volume.

#include <array>
#include <cstdio>

#include "cli/command_drive.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "engine/rtl/format.h"
#include "tasks/device_choice.h"
#include "tasks/disc_values.h"
#include "tasks/volume_identity.h"

namespace sorvane::cli {
namespace {

constexpr std::array<TOptionDef, 2> kOptions = {{{"-d", "--device", true}, {"-h", "--help", false}}};

const char* Mark(bool yes) { return yes ? "yes" : "no"; }

// The disc's state in the words the emulated recorder's status uses too.
const char* StateWords(tasks::TDiscState state) {
    switch (state) {
        case tasks::TDiscState::Blank: return "Blank";
        case tasks::TDiscState::Appendable: return "Appendable";
        case tasks::TDiscState::Incomplete: return "Incomplete (last session open)";
        case tasks::TDiscState::Finalized: return "Finalized";
        case tasks::TDiscState::Unknown: break;
    }
    return "???";
}

void PrintHelp() {
    std::fputs(
        "Usage: sorvane-cli info [-d DEVICE]\n"
        "\n"
        "Shows what the drive can read and write and what disc it holds.\n"
        "\n"
        "Options:\n"
        "  -d, --device DEVICE   the drive: its name (sr0), index or address\n"
        "                        (default: the drive 'devices' marks with '*')\n",
        stdout);
}

void PrintMatrix(const TOrvoBurner& burner) {
    const auto reads = tasks::ReadMatrix(), writes = tasks::WriteMatrix();
    std::printf("%-20s%s\n", "Read", "Write");
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const std::string read = Format("  %-9s%s", reads[i].Caption, Mark(burner.Can(reads[i].Capability)));
        std::printf("%-20s  %-9s%s\n", read.c_str(), writes[i].Caption, Mark(burner.Can(writes[i].Capability)));
    }
    const tasks::TMatrixRow underrun = tasks::UnderrunRow();
    std::printf("%s: %s\n", underrun.Caption, Mark(burner.Can(underrun.Capability)));
}

}  // namespace

int RunInfo(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (RefuseArguments(args, "sorvane-cli info")) return 2;
    if (args.Has("--help")) {
        PrintHelp();
        return 0;
    }
    TOrvoBurner burner;
    const int index = OpenCommandDrive(burner, args.Value("--device"));
    if (index < 0) return 1;

    burner.LoadUnload(false);
    const std::string name = tasks::DeviceDisplayName(burner.Devices[static_cast<std::size_t>(index)]);
    std::printf("Device name: %s\n\n", name.c_str());
    PrintMatrix(burner);

    burner.TestUnitReady(5000);
    tasks::TDiscValues values;
    tasks::TVolumeIdentity identity;
    if (tasks::ReadDiscValues(burner, values)) tasks::ReadVolumeIdentity(burner, identity);

    std::printf("\n");
    std::printf("Disc type:    %s\n", values.Type.c_str());
    std::printf("Max speed:    %s\n", values.MaxSpeed.c_str());
    std::printf("Status:       %s\n", StateWords(values.State));
    std::printf("Full size:    %s\n", values.FullSize.c_str());
    std::printf("Used space:   %s\n", values.UsedSpace.c_str());
    std::printf("Free space:   %s\n", values.FreeSpace.c_str());
    std::printf("\n");
    std::printf("Disc label:   %s\n", identity.Label.c_str());
    std::printf("Preparer:     %s\n", identity.Preparer.c_str());
    std::printf("Publisher:    %s\n", identity.Publisher.c_str());
    std::printf("Copyright:    %s\n", identity.Copyright.c_str());
    std::printf("Record time:  %s\n", identity.RecordTime.c_str());
    std::printf("Program:      %s\n", identity.Program.c_str());
    return 0;
}

}  // namespace sorvane::cli
