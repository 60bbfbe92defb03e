// SDL's input events in the runtime's own terms. Key codes are PC set-1 scan
// codes with bit 7 set for extended keys, as programs written for PC
// keyboards number them. The window's events and the directly read devices
// both convert through here.
#pragma once

#include <SDL_events.h>
#include <SDL_scancode.h>

#include <cstdint>

namespace korva {

// 0 for a key that has no code.
int32_t keyCodeOf(SDL_Scancode scancode);

// The lock-key toggles (kCapsLockOn, kNumLockOn) in an event's modifiers.
uint32_t lockTogglesOf(const SDL_KeyboardEvent& event);

// Mouse buttons: 1 left, 2 right, 3 middle (SDL has the middle one second);
// 0 for any other.
int32_t mouseButtonOf(Uint8 button);

// The wheel's signed motion, 120 units per notch away from the user.
int32_t wheelUnitsOf(const SDL_MouseWheelEvent& event);

}  // namespace korva
