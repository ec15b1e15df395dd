// sorvane-cli burn-image: records an ISO image file on the disc in a drive,
// sector for sector from the disc's start, as the wizard's "Record
// ISO-image to disc" task does.

#include <cstdio>

#include "cli/commands.h"
#include "cli/record_flow.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli burn-image";

constexpr TOptionDef kOptions[] = {
    {"-d", "--device", true},       {nullptr, "--speed", true},    {nullptr, "--erase", false},
    {nullptr, "--finalize", false}, {nullptr, "--cache-mb", true}, {nullptr, "--verify", false},
    {nullptr, "--eject", false},    {"-v", "--verbose", false},    {"-h", "--help", false},
};

void PrintHelp() {
    std::printf(
        "Usage: %s [OPTIONS] IMAGE.iso\n"
        "\n"
        "Records the image file on the disc in the drive, from the disc's first\n"
        "sector on, so that the disc holds exactly the image.\n"
        "\n"
        "Options:\n"
        "  -d, --device=DEVICE  the drive: its name (sr0), index or address\n"
        "                       (default: the drive 'devices' marks with '*')\n"
        "      --speed=N        record at N times the disc's base speed (16 or 16x);\n"
        "                       the nearest speed the drive offers below it is taken\n"
        "                       (default: the fastest)\n"
        "      --erase          answer Yes when the disc has to be erased first: a\n"
        "                       rewritable disc that holds anything, or one the image\n"
        "                       fits only once it is empty\n"
        "      --finalize       close the disc: no session can be added later\n"
        "      --cache-mb=N     read-ahead buffer of N MiB, 2 to 4095 (default: 32)\n"
        "      --verify         read the disc back once it is recorded and compare\n"
        "                       every sector with what was sent; name each file that\n"
        "                       differs or cannot be read\n"
        "      --eject          eject the disc when the recording has succeeded\n"
        "  -v, --verbose        print the engine's diagnostic messages\n"
        "  -h, --help           show this help and exit\n"
        "\n"
        "The image must fit the disc's free space. A progress line is shown while\n"
        "stderr is a terminal; Ctrl-C stops the recording, or the verification\n"
        "after it. --verify names the files of the image's own file system that\n"
        "differ or cannot be read.\n"
        "\n"
        "Exit status:\n"
        "  0  the image was recorded\n"
        "  1  it was not (the reason is printed)\n"
        "  2  the command line is wrong\n"
        "  4  the image was recorded, but --verify found differences or unreadable\n"
        "     sectors, or was stopped before it had read everything\n",
        kName);
}

}  // namespace

int RunBurnImage(int argc, char** argv) {
    return RunRecordCommand(argc, argv, {kName, tasks::TRecordTask::RecordImage, kOptions, PrintHelp});
}

}  // namespace sorvane::cli
