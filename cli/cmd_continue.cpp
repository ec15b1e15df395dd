// sorvane-cli continue: records files and folders as a new session of a
// multisession disc, as the wizard's "Continue CD/DVD" task does: the last
// session is imported, so that its files stay visible beside the new ones.

#include <cstdio>

#include "cli/commands.h"
#include "cli/record_flow.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli continue";

// Erasing, a boot image and the volume's preparer, publisher and copyright
// belong to the disc's first recording; a continued disc keeps its own.
constexpr TOptionDef kOptions[] = {
    {"-d", "--device", true},          {nullptr, "--speed", true},       {nullptr, "--finalize", false},
    {nullptr, "--test-write", false},  {nullptr, "--volume-id", true},   {nullptr, "--cache-mb", true},
    {nullptr, "--no-post-gap", false}, {nullptr, "--replace", false},    {nullptr, "--verify", false},
    {nullptr, "--eject", false},       {"-v", "--verbose", false},       {"-h", "--help", false},
};

void PrintHelp() {
    std::printf(
        "Usage: %s [OPTIONS] PATH...\n"
        "\n"
        "Adds the files and folders given as PATHs to the disc in the drive as a new\n"
        "session. The disc's last session is read first and repeated in the new one,\n"
        "so that its files stay where they are and visible; a PATH goes into the\n"
        "volume's root as a file manager drop would put it, and a folder of the same\n"
        "name as one on the disc is merged with it.\n"
        "\n"
        "Options:\n"
        "  -d, --device=DEVICE  the drive: its name (sr0), index or address\n"
        "                       (default: the drive 'devices' marks with '*')\n"
        "      --speed=N        record at N times the disc's base speed (16 or 16x);\n"
        "                       the nearest speed the drive offers below it is taken\n"
        "                       (default: the fastest)\n"
        "      --finalize       close the disc: no session can be added later (a disc\n"
        "                       that would keep less than 2 Mb free is closed anyway)\n"
        "      --test-write     simulate the recording: the drive writes nothing\n"
        "      --volume-id=TEXT disc label (default: the disc's own)\n"
        "      --cache-mb=N     read-ahead buffer of N MiB, 2 to 4095 (default: 32)\n"
        "      --no-post-gap    do not pad recordings under 300 sectors to 300\n"
        "      --replace        a file whose name is already taken in its folder (by a\n"
        "                       file on the disc or an earlier PATH) replaces that file\n"
        "      --verify         read the disc back once it is recorded and compare\n"
        "                       every sector with what was sent; name each file that\n"
        "                       differs or cannot be read\n"
        "      --eject          eject the disc when the recording has succeeded\n"
        "  -v, --verbose        print the engine's diagnostic messages\n"
        "  -h, --help           show this help and exit\n"
        "\n"
        "The preparer, publisher and copyright of the disc's volume are kept. A CD\n"
        "that takes no more sessions is ejected with \"Disc is finalized.\". Without\n"
        "--replace a file that would replace one counts as answered No, and nothing\n"
        "is recorded. A progress line is shown while stderr is a terminal; Ctrl-C\n"
        "stops the recording, or the verification after it. --verify reads back the\n"
        "new session's file system and files; the files kept from earlier sessions\n"
        "are not sent again, and 'sorvane-cli verify' reads those.\n"
        "\n"
        "Exit status:\n"
        "  0  the session was recorded with everything given\n"
        "  1  it was not (the reason is printed)\n"
        "  2  the command line is wrong\n"
        "  3  the session was recorded, but some entries were left out, or the last\n"
        "     session could not be read whole (see the warnings)\n"
        "  4  the session was recorded, but --verify found differences or unreadable\n"
        "     sectors, or was stopped before it had read everything\n",
        kName);
}

}  // namespace

int RunContinue(int argc, char** argv) {
    return RunRecordCommand(argc, argv, {kName, tasks::TRecordTask::ContinueDisc, kOptions, PrintHelp});
}

}  // namespace sorvane::cli
