// sorvane-cli extract [-d DEVICE] --session N [DISC-PATH] DEST-FOLDER: copies
// a file, a folder with everything in it, or a whole session from the disc
// in the drive into a local folder.

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/command_drive.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "cli/session_report.h"
#include "engine/drive_disc_source.h"
#include "engine/iso/local_name.h"
#include "engine/rtl/format.h"
#include "tasks/extraction.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli extract";

// How often the progress line is redrawn while files are copied.
constexpr int kRedrawEveryMs = 250;

constexpr std::array<TOptionDef, 5> kOptions = {{{"-d", "--device", true},
                                                 {"-s", "--session", true},
                                                 {nullptr, "--eject", false},
                                                 {"-v", "--verbose", false},
                                                 {"-h", "--help", false}}};

void PrintHelp() {
    std::fputs(
        "Usage: sorvane-cli extract [-d DEVICE] --session N [DISC-PATH] DEST-FOLDER\n"
        "\n"
        "Copies a file, a folder with everything in it, or a whole session from the\n"
        "disc in the drive into DEST-FOLDER, which is created when missing. A file\n"
        "or folder keeps its name; a whole session (no DISC-PATH, or \"/\") arrives\n"
        "as a folder named as 'sessions' shows the session (\"Session  002 - 1.23 Mb\").\n"
        "DISC-PATH is a path as 'sessions' lists it, folders separated by \"/\"; it is\n"
        "matched exactly first, then without regard to case.\n"
        "\n"
        "Names a disc may hold but a local folder may not (\"/\", \"..\", control\n"
        "characters, names that differ only in case) are changed, and each change\n"
        "is reported; nothing is ever written outside DEST-FOLDER.\n"
        "\n"
        "Options:\n"
        "  -d, --device DEVICE   the drive: its name (sr0), index or address\n"
        "                        (default: the drive 'devices' marks with '*')\n"
        "  -s, --session N       the session to copy from: 1 is the first, 'last' the last\n"
        "      --eject           open the tray once everything was copied\n"
        "  -v, --verbose         name every file as it is copied\n"
        "\n"
        "Exit status: 0 when everything was copied; 1 when anything was not, after\n"
        "saying what (the files copied so far stay); 2 on a usage error.\n",
        stdout);
}

std::string WithoutMarker(const std::string& message) {
    return message.starts_with(">>> ") ? message.substr(4) : message;
}

// Whether DISC-PATH names the session's root: nothing but separators.
bool NamesRoot(const std::string& discPath) { return discPath.find_first_not_of("/\\") == std::string::npos; }

bool MakeFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::is_directory(folder)) return true;
    PrintError("Error while creating folder '" + folder + "': " +
               (error ? error.message() : std::string("a file of that name is in the way")));
    return false;
}

struct TRequest {
    std::string Device;
    int Session = 0;
    std::string DiscPath;
    std::string Folder;
    bool Eject = false;
    bool Verbose = false;
};

int Extract(const TRequest& request) {
    TOrvoBurner burner;
    if (OpenCommandDrive(burner, request.Device) < 0) return 1;
    if (!DiscReadyForSessions(burner)) return 1;

    TDriveDiscSource disc(burner);
    TProgressLine progress(stderr);
    TDebugSink sink;
    if (request.Verbose)
        sink = [&progress](const std::string& message, int) { progress.Print(PrintableName(WithoutMarker(message))); };
    const std::optional<TDiscSession> read = ReadCommandSession(disc, request.Session, sink, "Nothing extracted");
    if (!read) return 1;
    const TDiscSession& session = *read;
    const int number = session.Number;
    const bool whole = NamesRoot(request.DiscPath);
    const TDiscNode* node = whole ? &session.Root : FindDiscNode(session.Root, request.DiscPath);
    if (!node) {
        PrintError(Format("Nothing extracted: session %d holds no '%s'.", number,
                          PrintableName(request.DiscPath).c_str()));
        return 1;
    }
    if (!MakeFolder(request.Folder)) return 1;

    // Ctrl-C stops the copy between two reads and removes the file it was
    // writing; a second one ends the program at once.
    TInterruptWatch interrupt;
    tasks::TExtractEvents events;
    events.Debug = sink;
    events.ProgressEveryMs = kRedrawEveryMs;
    events.Started = [&progress](std::int64_t total) { progress.Start(total); };
    events.Progress = [&progress](std::int64_t copied) { progress.Update(copied, kNoReadBuffer); };
    events.StopRequested = [&interrupt] { return interrupt.Requested(); };
    const tasks::TExtractOutcome outcome =
        tasks::ExtractFromDisc(burner, session, whole ? nullptr : node, request.Folder, events);
    progress.Finish();

    const TExtractReport& report = outcome.Report;
    for (const std::string& renamed : report.Renamed) std::fprintf(stderr, "Note: %s\n", renamed.c_str());
    if (!request.Verbose)
        for (const std::string& failure : report.Failures) std::fprintf(stderr, "%s\n", failure.c_str());

    const std::string summary = tasks::ExtractSummary(outcome, number, request.Folder);
    if (!outcome.Complete()) {
        std::fprintf(stderr, "%s\n", summary.c_str());
        return 1;
    }
    std::printf("%s\n", summary.c_str());
    if (request.Eject && !burner.LoadUnload(true))
        std::fprintf(stderr, "Warning: the tray could not be opened: %s\n", burner.LastError.c_str());
    return 0;
}

}  // namespace

int RunExtract(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (!args.Error.empty()) return UsageError(kName, args.Error);
    if (args.Has("--help")) {
        PrintHelp();
        return 0;
    }
    TRequest request;
    if (!args.Has("--session")) return UsageError(kName, "which session? Give --session N");
    if (!ParseSessionNumber(args.Value("--session"), request.Session))
        return UsageError(kName, BadSessionNumber(args.Value("--session")));
    if (args.Positional.empty() || args.Positional.size() > 2)
        return UsageError(kName, args.Positional.empty() ? "no destination folder given" : "too many arguments");
    request.Folder = args.Positional.back();
    if (request.Folder.empty()) return UsageError(kName, "no destination folder given");
    if (args.Positional.size() == 2) request.DiscPath = args.Positional.front();
    request.Device = args.Value("--device");
    request.Eject = args.Has("--eject");
    request.Verbose = args.Has("--verbose");
    return Extract(request);
}

}  // namespace sorvane::cli
