// See hack_sdl_events.h. Event watches see every event as SDL queues it, on
// the event-loop thread, so a quit event pushed from one is handled right
// after the key press that carried the news.
#include "app/hack/hack_sdl_events.h"

#include <SDL.h>

namespace skyweave {

namespace {

void PushQuit() {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

int EndOnKeyDown(void* /*userdata*/, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN && event->key.repeat == 0) {
        PushQuit();
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
