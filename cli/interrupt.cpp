#include "cli/interrupt.h"

#include <signal.h>

namespace sorvane::cli {
namespace {

volatile sig_atomic_t g_requested = 0;
struct sigaction g_oldInt {}, g_oldTerm {};

void OnSignal(int) {
    g_requested = 1;
    // The next request takes the default way out.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(SIGINT, &fallback, nullptr);
    ::sigaction(SIGTERM, &fallback, nullptr);
}

}  // namespace

TInterruptWatch::TInterruptWatch() {
    g_requested = 0;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &g_oldInt);
    ::sigaction(SIGTERM, &action, &g_oldTerm);
}

TInterruptWatch::~TInterruptWatch() {
    ::sigaction(SIGINT, &g_oldInt, nullptr);
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
}

bool TInterruptWatch::Requested() const { return g_requested != 0; }

}  // namespace sorvane::cli
