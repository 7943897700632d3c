// The end signals' handler and record; see end_signals.h.
#include "platform/core/end_signals.h"

#include <signal.h>

#include <array>

namespace skyweave {
namespace {

constexpr std::array<int, 3> kEndSignals = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t g_caught = 0;
int g_depth = 0;  // EndSignals objects alive; only the event-loop thread makes them

// The dispositions each live object replaced, innermost last.
constexpr int kMaxDepth = 4;
std::array<std::array<struct sigaction, kEndSignals.size()>, kMaxDepth> g_previous{};

void RecordSignal(int signal_number) {
    g_caught = signal_number;
}

}  // namespace

EndSignals::EndSignals() {
    if (g_depth == 0) {
        g_caught = 0;
    }
    struct sigaction action {};
    action.sa_handler = RecordSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
        struct sigaction* previous = g_depth < kMaxDepth ? &g_previous[g_depth][i] : nullptr;
        ::sigaction(kEndSignals[i], &action, previous);
    }
    ++g_depth;
}

EndSignals::~EndSignals() {
    --g_depth;
    if (g_depth < kMaxDepth) {
        for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
            ::sigaction(kEndSignals[i], &g_previous[g_depth][i], nullptr);
        }
    }
}

int EndSignals::Caught() {
    return g_caught;
}

}  // namespace skyweave
