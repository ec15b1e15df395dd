// sorvane-cli: the command-line front end of the burner component, one
// subcommand per task of the wizard.

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "engine/orvo_burner.h"

namespace sorvane::cli {
namespace {

// Subcommands, in the order the help lists them.
constexpr TCommand kCommands[] = {
    {"devices", "list the CD/DVD drives", RunDevices},
    {"info", "show what a drive can do and what disc it holds", RunInfo},
    {"sessions", "list the sessions of the disc and the files in each", RunSessions},
    {"extract", "copy files, folders or a session from the disc", RunExtract},
    {"erase", "erase a rewritable disc (CD-RW, DVD-RW, DVD+RW, DVD-RAM)", RunErase},
    {"vdrive", "manage the emulated recorder and its discs", RunVdrive},
    {"make-iso", "write files and folders into an ISO 9660 image", RunMakeIso},
    {"burn", "record files and folders on a disc", RunBurn},
    {"continue", "add files and folders to a disc as a new session", RunContinue},
    {"burn-image", "record an ISO image file on a disc", RunBurnImage},
    {"close", "close a session an interrupted recording left open", RunClose},
    {"verify", "read a session back against its sources, or for readability", RunVerify},
};

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: sorvane-cli COMMAND [OPTIONS] [ARGS]\n"
        "\n"
        "Records data CDs and DVDs and makes ISO images.\n"
        "\n"
        "Commands:\n",
        out);
    for (const TCommand& command : kCommands)
        if (command.Name) std::fprintf(out, "  %-12s %s\n", command.Name, command.Summary);
    std::fputs(
        "\n"
        "Options:\n"
        "  -h, --help      show this help and exit\n"
        "  --version       show the component version and exit\n"
        "\n"
        "Run 'sorvane-cli COMMAND --help' for the options of a command.\n",
        out);
}

}  // namespace
}  // namespace sorvane::cli

int main(int argc, char** argv) {
    using namespace sorvane::cli;
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) {
        PrintUsage(stdout);
        return 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        sorvane::TOrvoBurner burner;
        std::printf("sorvane-cli %s\n", burner.Version().c_str());
        return 0;
    }
    for (const TCommand& command : kCommands)
        if (command.Name && !std::strcmp(argv[1], command.Name)) {
            SetCommandName(std::string("sorvane-cli ") + command.Name);
            return command.Run(argc - 1, argv + 1);
        }
    std::fprintf(stderr, "sorvane-cli: unknown command '%s'\nTry 'sorvane-cli --help'.\n", argv[1]);
    return 2;
}
