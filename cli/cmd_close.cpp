// sorvane-cli close [-d DEVICE] [--finalize] [--eject]: closes the session an
// interrupted recording left open on a write-once disc (or a rewritable one
// that is not to be erased), so that the disc can be read in any drive and
// takes new sessions again while it has room.

#include <array>
#include <cstdio>
#include <string>

#include "cli/command_drive.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "engine/device/disc_kind.h"
#include "engine/record/disc_close.h"
#include "tasks/disc_sessions.h"
#include "tasks/emulated_clock.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli close";
enum : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

constexpr std::array<TOptionDef, 4> kOptions = {
    {{"-d", "--device", true}, {nullptr, "--finalize", false}, {nullptr, "--eject", false}, {"-h", "--help", false}}};

void PrintHelp() {
    std::printf(
        "Usage: %s [-d DEVICE] [--finalize] [--eject]\n"
        "\n"
        "Closes the last session of the disc when a recording that was interrupted\n"
        "(stopped, killed, or cut off by a power failure) left it open. What the\n"
        "interrupted recording wrote stays on the disc as that session's content;\n"
        "files it had not finished are cut short or missing. The disc then takes\n"
        "new sessions again ('continue') while it has room.\n"
        "\n"
        "Options:\n"
        "  -d, --device DEVICE   the drive: its name (sr0), index or address\n"
        "                        (default: the drive 'devices' marks with '*')\n"
        "  --finalize            close the disc as well: nothing more can be added\n"
        "  --eject               eject the disc when it is closed\n"
        "\n"
        "Exit status:\n"
        "  0  the session is closed, or there was no open session to close\n"
        "  1  it could not be closed (the reason is printed)\n"
        "  2  the command line is wrong\n",
        kName);
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kName, message.c_str());
    return kExitFailed;
}

int CloseSession(TOrvoBurner& burner, bool finalize, bool eject) {
    if (!tasks::LoadAndWaitForDisc(burner)) return Failure("Device is not ready.");
    const TDiscKind kind = burner.GetDiscType();
    if (kind == kind::kUnknown) return Failure("No disc or unknown type.");
    if (!disc::LastSessionLeftOpen(burner, kind)) {
        std::printf("Nothing to close: the disc has no open session.\n");
        return kExitOk;
    }
    std::printf("Closing session...\n");
    std::fflush(stdout);
    burner.AllowMediumRemoval(false);
    const std::string error = disc::CloseOpenSession(burner, kind, finalize);
    burner.AllowMediumRemoval(true);
    if (!error.empty()) return Failure("Close finished with error: " + error);
    const bool finalized = burner.GetDiscStatus() == discinfo::kStatusComplete;
    std::printf("Session closed: the disc is %s.\n",
                finalized ? "finalized" : "appendable, 'continue' adds new sessions");
    if (eject) burner.LoadUnload(true);
    return kExitOk;
}

}  // namespace

int RunClose(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (RefuseArguments(args, kName)) return kExitUsage;
    if (args.Has("--help")) {
        PrintHelp();
        return kExitOk;
    }
    TOrvoBurner burner;
    if (OpenCommandDrive(burner, args.Value("--device")) < 0) return kExitFailed;
    tasks::PaceWithEmulatedRecorder(burner);
    return CloseSession(burner, args.Has("--finalize"), args.Has("--eject"));
}

}  // namespace sorvane::cli
