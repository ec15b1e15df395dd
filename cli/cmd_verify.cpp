// sorvane-cli verify [-d DEVICE] [--session N] [PATH...]: reads a session of
// the disc in the drive back, against the files and folders it was
// recorded from, or for readability alone.

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_drive.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "cli/session_report.h"
#include "cli/verify_display.h"
#include "engine/drive_disc_source.h"
#include "engine/iso/session_locator.h"
#include "tasks/verify_process.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli verify";

// Exit statuses besides 0, 1 and 2: differences or unreadable sectors.
constexpr int kVerifyFoundProblems = 4;

constexpr std::array<TOptionDef, 3> kOptions = {
    {{"-d", "--device", true}, {"-s", "--session", true}, {"-h", "--help", false}}};

void PrintHelp() {
    std::fputs(
        "Usage: sorvane-cli verify [-d DEVICE] [--session N] [PATH...]\n"
        "\n"
        "Reads a session of the disc in the drive back and tells whether it holds\n"
        "what it should.\n"
        "\n"
        "With PATHs, each file and folder given is compared byte for byte with the\n"
        "entry of its name in the session's root, where 'burn' and 'continue' put\n"
        "it, and everything in a folder with the entry of its name in the folder\n"
        "on the disc. Each file that differs from its source, is missing from the\n"
        "session or cannot be read is named; what the session holds beyond the\n"
        "PATHs is not looked at.\n"
        "\n"
        "Without PATHs, every sector of every file in the session is read (the\n"
        "files it keeps from earlier sessions included), and each file that\n"
        "cannot be read whole is named with the sectors that failed.\n"
        "\n"
        "Options:\n"
        "  -d, --device DEVICE   the drive: its name (sr0), index or address\n"
        "                        (default: the drive 'devices' marks with '*')\n"
        "  -s, --session N       the session: 1 is the first, 'last' the last (default)\n"
        "\n"
        "A progress line is shown while stderr is a terminal; Ctrl-C stops the\n"
        "verification.\n"
        "\n"
        "Exit status:\n"
        "  0  everything was read, and matched its source\n"
        "  1  the session could not be verified (no disc, no such session, no file\n"
        "     system in it), or the verification was stopped\n"
        "  2  the command line is wrong\n"
        "  4  differences or unreadable sectors were found (each is named)\n",
        stdout);
}

struct TRequest {
    std::string Device;
    int Session = kLastSession;
    std::vector<std::string> Sources;
};

int Verify(const TRequest& request) {
    TOrvoBurner burner;
    if (OpenCommandDrive(burner, request.Device) < 0) return 1;
    if (!DiscReadyForSessions(burner)) return 1;
    TDriveDiscSource disc(burner);
    const std::optional<TDiscSession> session = ReadCommandSession(disc, request.Session, {}, "Nothing verified");
    if (!session) return 1;

    TProgressLine progress(stderr);
    // Ctrl-C stops the reading between two blocks; a second one ends the
    // program at once.
    TInterruptWatch interrupt;
    // The disc stays in the drive until it is read.
    burner.AllowMediumRemoval(false);
    const tasks::TVerifyOutcome outcome =
        tasks::VerifySession(burner, *session, request.Sources, VerifyEvents(progress, interrupt));
    burner.AllowMediumRemoval(true);
    PrintVerifyOutcome(outcome, progress);
    if (outcome.Confirmed()) return 0;
    return outcome.Report.Cancelled ? 1 : kVerifyFoundProblems;
}

}  // namespace

int RunVerify(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (!args.Error.empty()) return UsageError(kName, args.Error);
    if (args.Has("--help")) {
        PrintHelp();
        return 0;
    }
    TRequest request;
    request.Device = args.Value("--device");
    if (args.Has("--session") && !ParseSessionNumber(args.Value("--session"), request.Session))
        return UsageError(kName, BadSessionNumber(args.Value("--session")));
    for (const std::string& path : args.Positional) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return UsageError(kName, "cannot read '" + path + "'");
        request.Sources.push_back(path);
    }
    return Verify(request);
}

}  // namespace sorvane::cli
