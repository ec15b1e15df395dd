// sorvane-cli burn: records files and folders as a new ISO 9660 volume with
// Joliet names on the disc in a drive, as the wizard's "Record new CD/DVD"
// task does.

#include <cstdio>

#include "cli/commands.h"
#include "cli/record_flow.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli burn";

constexpr TOptionDef kOptions[] = {
    {"-d", "--device", true},       {nullptr, "--speed", true},       {nullptr, "--erase", false},
    {nullptr, "--finalize", false}, {nullptr, "--test-write", false}, {nullptr, "--boot", true},
    {nullptr, "--volume-id", true}, {nullptr, "--preparer", true},    {nullptr, "--publisher", true},
    {nullptr, "--copyright", true}, {nullptr, "--cache-mb", true},    {nullptr, "--no-post-gap", false},
    {nullptr, "--replace", false},  {nullptr, "--verify", false},     {nullptr, "--eject", false},
    {"-v", "--verbose", false},     {"-h", "--help", false},
};

void PrintHelp() {
    std::printf(
        "Usage: %s [OPTIONS] PATH...\n"
        "\n"
        "Records the files and folders given as PATHs on the disc in the drive, as\n"
        "an ISO 9660 volume with Joliet names. Each PATH goes into the volume's root\n"
        "as a file manager drop would put it: a file as a file, a folder as a folder\n"
        "of that name with everything in it. Symbolic links are followed.\n"
        "\n"
        "Options:\n"
        "  -d, --device=DEVICE  the drive: its name (sr0), index or address\n"
        "                       (default: the drive 'devices' marks with '*')\n"
        "      --speed=N        record at N times the disc's base speed (16 or 16x);\n"
        "                       the nearest speed the drive offers below it is taken\n"
        "                       (default: the fastest)\n"
        "      --erase          erase a rewritable disc quickly first; also answers\n"
        "                       Yes when the project fits only once the disc is erased\n"
        "      --finalize       close the disc: no session can be added later (a disc\n"
        "                       that would keep less than 2 Mb free is closed anyway)\n"
        "      --test-write     simulate the recording: the drive writes nothing\n"
        "      --boot=IMAGE     make the disc bootable (El Torito) with IMAGE\n"
        "      --volume-id=TEXT disc label (default: the one folder's name, else New)\n"
        "      --preparer=TEXT  data preparer recorded in the volume\n"
        "      --publisher=TEXT publisher recorded in the volume\n"
        "      --copyright=TEXT copyright file name recorded in the volume\n"
        "      --cache-mb=N     read-ahead buffer of N MiB, 2 to 4095 (default: 32)\n"
        "      --no-post-gap    do not pad recordings under 300 sectors to 300\n"
        "      --replace        a file whose name is already taken in its folder\n"
        "                       (by an earlier PATH) replaces that file\n"
        "      --verify         read the disc back once it is recorded and compare\n"
        "                       every sector with what was sent; name each file that\n"
        "                       differs or cannot be read\n"
        "      --eject          eject the disc when the recording has succeeded\n"
        "  -v, --verbose        print the engine's diagnostic messages\n"
        "  -h, --help           show this help and exit\n"
        "\n"
        "The checks are those of the wizard: a disc that cannot take the project\n"
        "is ejected with the reason. Without --erase or --replace the questions\n"
        "they answer count as answered No, and nothing is recorded. Entries that\n"
        "cannot be recorded are left out, each named in a warning. A progress line\n"
        "is shown while stderr is a terminal; Ctrl-C stops the recording, or the\n"
        "verification after it.\n"
        "\n"
        "Exit status:\n"
        "  0  the disc was recorded with everything given\n"
        "  1  it was not (the reason is printed)\n"
        "  2  the command line is wrong\n"
        "  3  the disc was recorded, but some entries were left out (see the warnings)\n"
        "  4  the disc was recorded, but --verify found differences or unreadable\n"
        "     sectors, or was stopped before it had read everything\n",
        kName);
}

}  // namespace

int RunBurn(int argc, char** argv) {
    return RunRecordCommand(argc, argv, {kName, tasks::TRecordTask::RecordNew, kOptions, PrintHelp});
}

}  // namespace sorvane::cli
