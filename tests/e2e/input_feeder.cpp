#include "input_feeder.h"

#include "e2e_support.h"

namespace korva::test {

std::vector<std::string> InputFeeder::run(const std::string& image, const std::string& arguments) {
    output_.clear();
    const bool path = image.find('/') != std::string::npos;
    runtimeGetRuntime()->execute(path ? linkImageFile(image) : linkImage(image), arguments.c_str(), this);
    return output_;
}

void InputFeeder::debugLog(const char* text) {
    const bool marker = text[0] == '@';
    if (!marker) {
        output_.emplace_back(text);
        if (watcher_) watcher_(output_.back());
    }
    auto action = actions_.find(marker ? text + 1 : text);
    if (action != actions_.end()) action->second();
}

namespace {

void push(SDL_Event& event) { SDL_PushEvent(&event); }

}  // namespace

void pushKey(SDL_Scancode key, bool down, Uint16 modifiers, bool repeat) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = key;
    event.key.keysym.mod = modifiers;
    push(event);
}

void tapKey(SDL_Scancode key, Uint16 modifiers) {
    pushKey(key, true, modifiers);
    pushKey(key, false, modifiers);
}

void pushMouseMotion(int x, int y, int dx, int dy) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    push(event);
}

void pushMouseButton(Uint8 button, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    push(event);
}

void pushWheel(int notches) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = notches;
    event.wheel.preciseY = static_cast<float>(notches);
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    push(event);
}

void pushWindowEvent(SDL_WindowEventID windowEvent) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = static_cast<Uint8>(windowEvent);
    push(event);
}

void pushQuit() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    push(event);
}

}  // namespace korva::test
