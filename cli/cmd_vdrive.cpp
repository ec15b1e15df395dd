// sorvane-cli vdrive: manage the emulated recorder kept in the state folder
// (list drives, insert and eject discs, show a disc's sessions, export one).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "vdrive/vdrive.h"

namespace sorvane::cli {
namespace {

using vdrive::THost;

constexpr char kName[] = "sorvane-cli vdrive";

const char* kUsage =
    "Usage: sorvane-cli vdrive ACTION [OPTIONS]\n"
    "\n"
    "Manages the emulated recorder, which stands in for a real drive when\n"
    "none is found. Its discs are kept in $SORVANE_VDRIVE_HOME, else\n"
    "$XDG_DATA_HOME/sorvane/vdrive, else ~/.local/share/sorvane/vdrive.\n"
    "\n"
    "Actions:\n"
    "  list                         list the drives and their discs\n"
    "  insert [--drive N] KIND [--image FILE] [--state STATE]\n"
    "                               put a disc into the tray and close it\n"
    "  eject [--drive N]            open the tray\n"
    "  status [--drive N]           show the disc: kind, state, sessions, backing file\n"
    "  export [--drive N] --session N OUT.iso\n"
    "                               write session N as an image ISO readers open\n"
    "\n"
    "KIND is one of: none, cd-rom, dvd-rom, cd-r, cd-rw, dvd-r, dvd-rw, dvd-rw-ro,\n"
    "dvd+r, dvd+r-dl, dvd+rw, dvd-ram. CD-ROM and DVD-ROM are pressed from\n"
    "--image. For recordable kinds --image records FILE as the first session;\n"
    "STATE is blank, appendable (its session closed; the default with --image),\n"
    "finalized, or open (its session left open, as an interrupted recording\n"
    "leaves it). A disc already in the drive is taken out and its recording\n"
    "discarded; insert says which.\n"
    "\n"
    "Options:\n"
    "  -d, --drive N      the drive to act on (default 0)\n"
    "  -i, --image FILE   image file of the disc\n"
    "  -s, --state STATE  how the disc has been recorded\n"
    "  -n, --session N    session to export (1 is the first)\n"
    "  -h, --help         show this help and exit\n";

struct TOptions {
    std::string Action;
    std::vector<std::string> Operands;
    std::size_t Drive = 0;
    std::string Image;
    std::optional<vdrive::TMediumState> State;
    int Session = 0;
    bool Help = false;
};

bool ParseNumber(const std::string& text, long max, long* value) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 0 || v > max) return false;
    *value = v;
    return true;
}

// GNU style: "--name value", "--name=value", "-x value"; "--" ends options.
std::optional<std::string> Parse(int argc, char** argv, TOptions& o) {
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsDone || arg.size() < 2 || arg[0] != '-') {
            if (o.Action.empty())
                o.Action = arg;
            else
                o.Operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.Help = true;
            continue;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        auto is = [&](const char* shortName, const char* longName) { return name == shortName || name == longName; };
        if (!is("-d", "--drive") && !is("-i", "--image") && !is("-s", "--state") && !is("-n", "--session"))
            return "unknown option '" + arg + "'";
        if (!inlineValue) {
            if (i + 1 >= argc) return "option '" + name + "' needs a value";
            value = argv[++i];
        }
        long number = 0;
        if (is("-d", "--drive")) {
            if (!ParseNumber(value, 255, &number)) return "bad drive number '" + value + "'";
            o.Drive = std::size_t(number);
        } else if (is("-i", "--image")) {
            o.Image = value;
        } else if (is("-s", "--state")) {
            o.State = vdrive::MediumStateFromName(value);
            if (!o.State) return "unknown state '" + value + "'";
        } else {
            if (!ParseNumber(value, 1000, &number) || number == 0) return "bad session number '" + value + "'";
            o.Session = int(number);
        }
    }
    return std::nullopt;
}

// "cd-r, appendable, 2 sessions"
std::string DescribeDisc(const vdrive::TDriveStatus& s) {
    std::string disc = std::string(vdrive::MediumKindName(s.Kind)) + ", " + s.State;
    if (!s.Sessions.empty())
        disc += ", " + std::to_string(s.Sessions.size()) + (s.Sessions.size() == 1 ? " session" : " sessions");
    return disc;
}

std::string Describe(const vdrive::TDriveStatus& s) {
    std::string medium = s.Kind == vdrive::TMediumKind::None ? "no disc" : DescribeDisc(s);
    return s.Identity + " (" + s.Model + "): " + medium + (s.TrayOpen ? ", tray open" : "");
}

void WarnAbout(const vdrive::TDriveStatus& s) {
    if (!s.Warning.empty()) std::fprintf(stderr, "%s: warning: %s\n", kName, s.Warning.c_str());
}

int List(THost& host) {
    for (std::size_t i = 0; i < host.DriveCount(); ++i) {
        const vdrive::TDriveStatus s = host.Status(i);
        std::printf("%zu: %s\n", i, Describe(s).c_str());
        WarnAbout(s);
    }
    return 0;
}

int Status(THost& host, const TOptions& o) {
    vdrive::TDriveStatus s = host.Status(o.Drive);
    std::printf("drive:    %zu, %s (%s)\n", o.Drive, s.Identity.c_str(), s.Model.c_str());
    std::printf("tray:     %s%s\n", s.TrayOpen ? "open" : "closed", s.Locked ? ", locked" : "");
    if (s.Kind == vdrive::TMediumKind::None) {
        std::printf("disc:     none\n");
        WarnAbout(s);
        return 0;
    }
    std::printf("disc:     %s\n", std::string(vdrive::MediumKindName(s.Kind)).c_str());
    std::printf("state:    %s\n", s.State.c_str());
    std::printf("capacity: %u sectors\n", s.Capacity);
    std::printf("sessions: %zu\n", s.Sessions.size());
    for (const auto& session : s.Sessions)
        std::printf("  %d: start %u, length %u sectors%s\n", session.Number, session.Start, session.Length,
                    session.Closed ? "" : " (open)");
    std::printf("backing:  %s\n", s.BackingFile.empty() ? "(in memory)" : s.BackingFile.c_str());
    return 0;
}

}  // namespace

int RunVdrive(int argc, char** argv) {
    TOptions o;
    if (auto error = Parse(argc, argv, o)) return UsageError(kName, *error);
    if (o.Help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (o.Action.empty()) return UsageError(kName, "an action is required");
    static const char* kActions[] = {"list", "insert", "eject", "status", "export"};
    bool known = false;
    for (const char* a : kActions) known = known || o.Action == a;
    if (!known) return UsageError(kName, "unknown action '" + o.Action + "'");
    std::size_t operands = o.Action == "insert" || o.Action == "export" ? 1 : 0;
    if (o.Operands.size() != operands)
        return UsageError(kName, o.Operands.size() < operands ? "missing operand"
                                                               : "unexpected operand '" + o.Operands.back() + "'");
    if (o.Action == "export" && o.Session == 0) return UsageError(kName, "export needs --session N");

    THost& host = THost::Instance();
    std::string error;
    if (!host.UseStateFolder({}, &error)) {
        std::fprintf(stderr, "sorvane-cli vdrive: %s\n", error.c_str());
        return 1;
    }
    if (o.Action == "list") return List(host);
    if (o.Drive >= host.DriveCount()) {
        std::fprintf(stderr, "sorvane-cli vdrive: no drive %zu (there are %zu)\n", o.Drive, host.DriveCount());
        return 1;
    }
    bool ok = true;
    if (o.Action == "status") return Status(host, o);
    if (o.Action == "insert") {
        auto kind = vdrive::MediumKindFromName(o.Operands[0]);
        if (!kind) return UsageError(kName, "unknown disc kind '" + o.Operands[0] + "'");
        auto state = o.State.value_or(o.Image.empty() ? vdrive::TMediumState::Blank : vdrive::TMediumState::Closed);
        // The drive has one tray: the disc in it goes, and with it what was
        // recorded on it. That is never done without a word.
        const vdrive::TDriveStatus before = host.Status(o.Drive);
        ok = host.Insert(o.Drive, {*kind, state, o.Image}, &error);
        if (ok && before.Kind != vdrive::TMediumKind::None)
            std::printf("%zu: took out the %s%s\n", o.Drive, DescribeDisc(before).c_str(),
                        before.Sessions.empty() || vdrive::MediumKindName(before.Kind).ends_with("-rom")
                            ? ""
                            : "; what was recorded on it is gone");
        if (ok) std::printf("%zu: %s\n", o.Drive, Describe(host.Status(o.Drive)).c_str());
    } else if (o.Action == "eject") {
        ok = host.Eject(o.Drive, &error);
    } else {
        ok = host.ExportSession(o.Drive, o.Session, o.Operands[0], &error);
    }
    if (ok) ok = host.Save(&error);
    if (!ok) std::fprintf(stderr, "sorvane-cli vdrive: %s\n", error.c_str());
    return ok ? 0 : 1;
}

}  // namespace sorvane::cli
