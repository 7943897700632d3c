// See hack_sdl_events.h. Event watches see every event as SDL queues it
// (frame requests included, which a daemon-style run posts continuously), on
// the event-loop thread, so a quit event pushed from one is handled right
// after the event that carried the news.
#include "app/hack/hack_sdl_events.h"

#include <SDL.h>

#include <csignal>

namespace skyweave {

namespace {

// The caught signal, 0 when none is waiting. A signal handler can reach no
// other state, hence this one process-wide flag; only OnEndSignal sets it
// and only ForwardEndSignal clears it.
volatile std::sig_atomic_t g_end_signal = 0;

void OnEndSignal(int signal_number) {
    g_end_signal = signal_number;
}

void PushQuit() {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

int ForwardEndSignal(void* /*userdata*/, SDL_Event* event) {
    if (g_end_signal != 0 && event->type != SDL_QUIT) {
        g_end_signal = 0;
        PushQuit();
    }
    return 1;
}

int EndOnKeyDown(void* /*userdata*/, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN && event->key.repeat == 0) {
        PushQuit();
    }
    return 1;
}

void Catch(int signal_number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, nullptr);
}

}  // namespace

SignalsEndTheRun::SignalsEndTheRun() {
    g_end_signal = 0;
    SDL_AddEventWatch(ForwardEndSignal, nullptr);
    Catch(SIGINT, OnEndSignal);
    Catch(SIGTERM, OnEndSignal);
}

SignalsEndTheRun::~SignalsEndTheRun() {
    Catch(SIGINT, SIG_DFL);
    Catch(SIGTERM, SIG_DFL);
    SDL_DelEventWatch(ForwardEndSignal, nullptr);
}

EndOnKeyPress::EndOnKeyPress() {
    SDL_AddEventWatch(EndOnKeyDown, nullptr);
}

EndOnKeyPress::~EndOnKeyPress() {
    SDL_DelEventWatch(EndOnKeyDown, nullptr);
}

}  // namespace skyweave
