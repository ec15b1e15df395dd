// sorvane-cli info [-d DEVICE]: what the drive can read and write, what disc
// it holds (type, speed, status, sizes) and the identification of the disc's
// volume.

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/commands.h"
#include "cli/device_choice.h"
#include "cli/options.h"
#include "cli/volume_identity.h"
#include "engine/device/disc_kind.h"
#include "engine/device/disc_toc.h"
#include "engine/record/disc_close.h"
#include "engine/rtl/format.h"

namespace sorvane::cli {
namespace {

constexpr std::array<TOptionDef, 2> kOptions = {{{"-d", "--device", true}, {"-h", "--help", false}}};

struct TMatrixRow {
    const char* Caption;
    std::uint32_t Capability;
};

constexpr TMatrixRow kReadRows[] = {
    {"CD-R", cap::kReadCdR},     {"CD-RW", cap::kReadCdRw},   {"DVD", cap::kReadDvdRom},
    {"DVD-R", cap::kReadDvdR},   {"DVD+R", cap::kReadDvdPlusR}, {"DVD-RW", cap::kReadDvdRw},
    {"DVD+RW", cap::kReadDvdPlusRw}, {"DVD-RAM", cap::kReadDvdRam},
};

constexpr TMatrixRow kWriteRows[] = {
    {"CD-R", cap::kWriteCdR},     {"CD-RW", cap::kWriteCdRw},   {"Test", cap::kTestWrite},
    {"DVD-R", cap::kWriteDvdR},   {"DVD+R", cap::kWriteDvdPlusR}, {"DVD-RW", cap::kWriteDvdRw},
    {"DVD+RW", cap::kWriteDvdPlusRw}, {"DVD-RAM", cap::kWriteDvdRam},
};
static_assert(std::size(kReadRows) == std::size(kWriteRows));

const char* Mark(bool yes) { return yes ? "yes" : "no"; }

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
    std::printf("%-20s%s\n", "Read", "Write");
    for (std::size_t i = 0; i < std::size(kReadRows); ++i) {
        const std::string read = Format("  %-9s%s", kReadRows[i].Caption, Mark(burner.Can(kReadRows[i].Capability)));
        std::printf("%-20s  %-9s%s\n", read.c_str(), kWriteRows[i].Caption,
                    Mark(burner.Can(kWriteRows[i].Capability)));
    }
    std::printf("Protection from empty buffer: %s\n", Mark(burner.Can(cap::kUnderrunProtection)));
}

std::string Megabytes(std::int64_t sectors) {
    return FormatFloat("0 Mb", static_cast<double>(sectors) * kSectorSize / 1048576.0);
}

struct TDiscValues {
    std::string Type = "???", MaxSpeed = "???", Status = "???";
    std::string FullSize = "???", UsedSpace = "???", FreeSpace = "???";
};

constexpr char kFinalized[] = "Finalized";

// What can still be done with the disc, in the words the emulated
// recorder's status uses too: blank, appendable, incomplete (a session an
// interrupted recording left open), finalized.
std::string DiscState(TOrvoBurner& burner, TDiscKind discKind, std::int64_t used) {
    // Overwritable discs are never closed: they hold a volume or nothing.
    if (discKind == kind::kDvdPlusRw || discKind == kind::kDvdRam || discKind == kind::kDvdRwRestrictedOverwrite)
        return used > 0 ? "Appendable" : "Blank";
    switch (burner.GetDiscStatus()) {
        case discinfo::kStatusEmpty: return "Blank";
        case discinfo::kStatusIncomplete:
            return disc::LastSessionLeftOpen(burner, discKind) ? "Incomplete (last session open)" : "Appendable";
        case discinfo::kStatusComplete: return kFinalized;
        default: break;
    }
    // A drive that gives no disc information reads only what is complete.
    TDiscToc toc;
    return ReadDiscToc(burner, toc) ? kFinalized : "???";
}

// Fills the disc values; false when the drive holds no disc it knows.
bool ReadDiscValues(TOrvoBurner& burner, TDiscValues& values) {
    const TDiscKind discKind = burner.GetDiscType();
    const std::string kindName = DiscKindName(discKind);
    if (kindName == "UNKNOWN") return false;
    values.Type = kindName;
    const double unit = IsCdKind(discKind) ? kCdSpeedUnit : kDvdSpeedUnit;
    values.MaxSpeed = FormatFloat("0x", burner.GetMaxWriteSpeed() / unit);

    const std::int64_t capacity = burner.GetDiscCapacity();
    const std::int64_t used = burner.GetUsedSectors();
    values.Status = DiscState(burner, discKind, used);
    values.FullSize = Megabytes(capacity);
    values.UsedSpace = Megabytes(used);
    values.FreeSpace = values.Status == kFinalized ? "0 Mb" : Megabytes(std::max<std::int64_t>(capacity - used, 0));
    return true;
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
    const int index = OpenAndChooseDrive(burner, args.Value("--device"));
    if (index < 0) return 1;

    burner.LoadUnload(false);
    std::printf("Device name: %s\n\n", DeviceDisplayName(burner.Devices[static_cast<std::size_t>(index)]).c_str());
    PrintMatrix(burner);

    burner.TestUnitReady(5000);
    TDiscValues values;
    TVolumeIdentity identity;
    if (ReadDiscValues(burner, values)) ReadVolumeIdentity(burner, identity);

    std::printf("\n");
    std::printf("Disc type:    %s\n", values.Type.c_str());
    std::printf("Max speed:    %s\n", values.MaxSpeed.c_str());
    std::printf("Status:       %s\n", values.Status.c_str());
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
