// sorvane-cli sessions [-d DEVICE] [-v]: every session of the disc in the
// drive, with its number, start and size and the tree of files and folders
// its file system holds.

#include <array>
#include <cstdio>
#include <string>

#include "cli/command_drive.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/session_report.h"
#include "engine/drive_disc_source.h"
#include "engine/iso/local_name.h"
#include "engine/record/disc_close.h"
#include "engine/rtl/format.h"
#include "tasks/disc_sessions.h"

namespace sorvane::cli {
namespace {

constexpr std::array<TOptionDef, 3> kOptions = {
    {{"-d", "--device", true}, {"-v", "--verbose", false}, {"-h", "--help", false}}};

// Levels of the tree are shown this many blanks further in.
constexpr int kIndent = 2;

void PrintHelp() {
    std::fputs(
        "Usage: sorvane-cli sessions [-d DEVICE] [-v]\n"
        "\n"
        "Lists every session of the disc in the drive: its number, first sector\n"
        "and size, and the files and folders its file system holds, folders\n"
        "first, each with its size (a folder: of everything in it) and date.\n"
        "Use 'sorvane-cli extract' to copy them from the disc.\n"
        "\n"
        "Options:\n"
        "  -d, --device DEVICE   the drive: its name (sr0), index or address\n"
        "                        (default: the drive 'devices' marks with '*')\n"
        "  -v, --verbose         also show the first sector of every file and folder\n"
        "\n"
        "Exit status: 0 when the sessions were listed (a session that could not be\n"
        "read whole is listed with a warning on stderr); 1 when there is no disc or\n"
        "no session on it; 2 on a usage error.\n",
        stdout);
}

void PrintNode(const TDiscNode& node, int depth, bool verbose) {
    const std::uint64_t size = node.Directory ? tasks::TotalsOf(node).Bytes : node.Size;
    std::printf("%14llu  %-19s  ", static_cast<unsigned long long>(size),
                tasks::NodeDateText(node.DateTime).c_str());
    if (verbose) std::printf("%10lu  ", static_cast<unsigned long>(node.Extent));
    std::printf("%*s%s%s\n", depth * kIndent, "", PrintableName(node.Name).c_str(), node.Directory ? "/" : "");
    for (const TDiscNode& child : node.Children) PrintNode(child, depth + 1, verbose);
}

void PrintSession(TDiscSession& session, bool leftOpen, bool verbose) {
    std::printf("%s\n", session.Caption().c_str());
    // What an interrupted recording wrote: its directories may name files
    // whose data never reached the disc.
    if (leftOpen)
        std::printf("  incomplete: left open by an interrupted recording, its files may be cut short or missing "
                    "(sorvane-cli close closes it)\n");
    if (session.TrackKnown)
        std::printf("  start sector %lu, %lu sectors\n", static_cast<unsigned long>(session.Track.TrackStart),
                    static_cast<unsigned long>(session.Track.TrackSize));
    else
        std::printf("  start and size unknown: the drive gave no track information\n");
    if (!session.FileSystemFound) {
        std::printf("  no ISO 9660 file system found\n");
        return;
    }
    const tasks::TNodeTotals totals = tasks::TotalsOf(session.Root);
    std::printf("  %s tree, %d files, %llu bytes\n", session.Tree == TTreeKind::Joliet ? "Joliet" : "ISO 9660",
                totals.Files, static_cast<unsigned long long>(totals.Bytes));
    SortForDisplay(session.Root);
    for (const TDiscNode& child : session.Root.Children) PrintNode(child, 1, verbose);
}

}  // namespace

int RunSessions(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (RefuseArguments(args, "sorvane-cli sessions")) return 2;
    if (args.Has("--help")) {
        PrintHelp();
        return 0;
    }
    TOrvoBurner burner;
    if (OpenCommandDrive(burner, args.Value("--device")) < 0) return 1;
    if (!DiscReadyForSessions(burner)) return 1;

    TDriveDiscSource disc(burner);
    // The reader's own messages are gathered per session and shown with it.
    std::vector<TDiscSession> sessions = ReadDiscSessions(disc, TDebugSink());
    if (sessions.empty()) {
        PrintError("Sessions not found");
        return 1;
    }
    const bool verbose = args.Has("--verbose");
    const bool lastLeftOpen = disc::LastSessionLeftOpen(burner, burner.GetDiscType());
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        if (i) std::printf("\n");
        PrintSession(sessions[i], lastLeftOpen && i + 1 == sessions.size(), verbose);
        WarnAboutSession(sessions[i]);
    }
    return 0;
}

}  // namespace sorvane::cli
