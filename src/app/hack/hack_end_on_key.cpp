// See hack_end_on_key.h. The watch sees every event as SDL queues it, on the
// event-loop thread, so raising the signal there reaches the saver's own
// SIGTERM handling before the key is dispatched.
#include "app/hack/hack_end_on_key.h"

#include <SDL.h>

#include <csignal>

namespace skyweave {

namespace {

int EndOnKeyDown(void* /*userdata*/, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN && event->key.repeat == 0) {
        std::raise(SIGTERM);
    }
    return 1;
}

}  // namespace

EndOnKeyPress::EndOnKeyPress() {
    SDL_AddEventWatch(EndOnKeyDown, nullptr);
}

EndOnKeyPress::~EndOnKeyPress() {
    SDL_DelEventWatch(EndOnKeyDown, nullptr);
}

}  // namespace skyweave
