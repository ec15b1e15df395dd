#include "cli/session_report.h"

#include <cstdio>

#include "cli/options.h"
#include "engine/iso/local_name.h"
#include "engine/rtl/format.h"
#include "tasks/disc_sessions.h"

namespace sorvane::cli {
namespace {

constexpr int kLastSessionArgument = 255;
constexpr int kMaxSessionNumber = 254;

}  // namespace

bool DiscReadyForSessions(TOrvoBurner& burner) {
    const bool ready = tasks::LoadAndWaitForDisc(burner);
    if (!ready) PrintError("Error while getting sessions");
    return ready;
}

void WarnAboutSession(const TDiscSession& session) {
    const std::string warning = tasks::SessionWarning(session);
    if (warning.empty()) return;
    // Keeps the warning after the listing it is about when both streams go
    // to one place.
    std::fflush(stdout);
    std::fprintf(stderr, "Warning: %s\n", warning.c_str());
    for (const std::string& problem : tasks::SessionProblems(session))
        std::fprintf(stderr, "  %s\n", PrintableName(problem).c_str());
}

bool ParseSessionNumber(const std::string& text, int& number) {
    if (text == "last") {
        number = kLastSessionArgument;
        return true;
    }
    if (text.empty() || text.size() > 3) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kMaxSessionNumber) return false;
    number = value;
    return true;
}

std::string BadSessionNumber(const std::string& text) {
    return "bad session number '" + text + "': 1 to 254, or 'last'";
}

std::optional<TDiscSession> ReadCommandSession(TDiscSource& disc, int number, const TDebugSink& debug,
                                               const char* nothingDone) {
    const int count = disc.GetLastSession();
    if (count == 0) {
        PrintError("Sessions not found");
        return std::nullopt;
    }
    if (number == kLastSessionArgument) number = count;
    if (number > count) {
        PrintError(Format("Session %d not found: the disc has %d session%s.", number, count, count == 1 ? "" : "s"));
        return std::nullopt;
    }
    TDiscSession session = ReadDiscSession(disc, number, debug);
    WarnAboutSession(session);
    if (!session.FileSystemFound) {
        PrintError(Format("%s: no file system could be read in session %d.", nothingDone, number));
        return std::nullopt;
    }
    return session;
}

}  // namespace sorvane::cli
