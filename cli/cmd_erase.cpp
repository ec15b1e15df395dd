// sorvane-cli erase [-d DEVICE] [--full] [--speed N] [--eject]: blanks a
// rewritable disc as the wizard's "Erase RW-disc" task does: the same checks
// of the drive and the disc, a quick erase unless a full one is asked for,
// progress while it runs, and the disc ejected on request once it is done.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/command_drive.h"
#include "cli/commands.h"
#include "cli/erase_progress.h"
#include "cli/options.h"
#include "engine/rtl/sync_queue.h"
#include "engine/rtl/thread.h"
#include "tasks/emulated_clock.h"
#include "tasks/erase_process.h"
#include "tasks/record_speeds.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli erase";
enum : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

constexpr std::array<TOptionDef, 5> kOptions = {{{"-d", "--device", true},
                                                 {nullptr, "--full", false},
                                                 {nullptr, "--speed", true},
                                                 {nullptr, "--eject", false},
                                                 {"-h", "--help", false}}};

// The largest speed step a drive offers is far below this.
constexpr double kMostSpeedSteps = 100;

void PrintHelp() {
    std::printf(
        "Usage: %s [-d DEVICE] [--full] [--speed N] [--eject]\n"
        "\n"
        "Erases the rewritable disc (CD-RW, DVD-RW, DVD+RW, DVD-RAM) in the drive.\n"
        "A quick erase makes the disc empty; its data is not physically destroyed.\n"
        "A full erase overwrites the whole disc and takes much longer.\n"
        "The erase starts at once, without asking, and cannot be stopped: if the\n"
        "program is interrupted, the drive finishes the erase on its own.\n"
        "\n"
        "Options:\n"
        "  -d, --device DEVICE   the drive: its name (sr0), index or address\n"
        "                        (default: the drive 'devices' marks with '*')\n"
        "  --full                erase the whole disc instead of a quick erase\n"
        "  --speed N             speed of a full erase in steps of 1x (CD: 176.4 kB/s,\n"
        "                        DVD: 1385 kB/s), e.g. 4 or 4x; the drive takes the\n"
        "                        nearest speed it offers (default: its fastest)\n"
        "  --eject               eject the disc when the erase has succeeded\n"
        "\n"
        "A disc that cannot be erased is ejected with a message. While stderr is\n"
        "a terminal a progress line shows the estimated percentage and the time\n"
        "elapsed.\n"
        "\n"
        "Exit status:\n"
        "  0  the disc was erased\n"
        "  1  it was not (the reason is printed)\n"
        "  2  the command line is wrong\n",
        kName);
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kName, message.c_str());
    return kExitFailed;
}

// "4", "4x" or "2.4x": speed steps; 0 when the text is not one.
double ParseSpeedSteps(const std::string& text) {
    std::string number = text;
    if (!number.empty() && (number.back() == 'x' || number.back() == 'X')) number.pop_back();
    if (number.empty()) return 0;
    char* end = nullptr;
    const double steps = std::strtod(number.c_str(), &end);
    if (*end != '\0' || !(steps > 0) || steps > kMostSpeedSteps) return 0;
    return steps;
}

struct TEraseRequest {
    bool Quick = true;
    double SpeedSteps = 0;  // 0: the drive's fastest
    bool Eject = false;
};

int EraseWithChecks(TOrvoBurner& burner, const TEraseRequest& request) {
    // Loading the tray also lets the drive report a disc change, which the
    // checks below would otherwise take for a failure.
    burner.LoadUnload(false);
    if (const tasks::TCheckResult check = tasks::CheckErase(burner, request.Quick); !check.Passed)
        return Failure(check.Message.Text);

    // A quick erase runs at the drive's fastest; a full one at the speed of
    // the options page's list that the command line asks for.
    std::string caption = "Quick erase";
    if (request.Quick) {
        burner.SetWriteSpeed(burner.GetMaxWriteSpeed());
    } else {
        const tasks::TWriteSpeed speed =
            tasks::PickSpeed(tasks::EraseSpeeds(tasks::ProbeWriteSpeeds(burner)), request.SpeedSteps);
        tasks::SelectWriteSpeed(burner, speed);
        caption = "Full erase on " + tasks::EraseSpeedText(speed);
    }
    std::printf("%s\n", caption.c_str());
    std::fflush(stdout);

    TEraseProgress progress(caption);
    const tasks::TEraseOutcome outcome = tasks::EraseAndWait(
        burner, request.Quick, [&](int percent, long long seconds) { progress.Draw(percent, seconds); });
    progress.Finish();
    burner.AllowMediumRemoval(true);
    if (!outcome.Erased)
        return Failure("Erase finished with error" + (outcome.Reason.empty() ? std::string() : ": " + outcome.Reason));
    if (request.Eject) burner.LoadUnload(true);
    std::printf("Erase finished successfully\n");
    return kExitOk;
}

}  // namespace

int RunErase(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (!args.Error.empty()) return UsageError(kName, args.Error);
    if (!args.Positional.empty()) return UsageError(kName, "takes no arguments");
    if (args.Has("--help")) {
        PrintHelp();
        return kExitOk;
    }
    TEraseRequest request;
    request.Quick = !args.Has("--full");
    request.Eject = args.Has("--eject");
    if (args.Has("--speed")) {
        if (request.Quick) return UsageError(kName, "--speed applies to a full erase (--full) only");
        request.SpeedSteps = ParseSpeedSteps(args.Value("--speed"));
        if (request.SpeedSteps == 0) return UsageError(kName, "--speed wants a speed such as 4 or 4x");
    }

    TSyncQueue::Main().ClaimOwnership();
    int status = kExitFailed;
    {
        TOrvoBurner burner;
        if (OpenCommandDrive(burner, args.Value("--device")) >= 0) {
            // The erase thread polls the drive between pauses: on the
            // recorder's clock, so that its progress is seen as it moves.
            tasks::PaceWithEmulatedRecorder(burner);
            status = EraseWithChecks(burner, request);
        }
    }
    TThread::WaitForFreeOnTerminateThreads();
    return status;
}

}  // namespace sorvane::cli
