// The keyboard, mouse and joystick commands.
#pragma once

#include <cstdint>

namespace korva {

int32_t cmdKeyDown(int32_t key);
int32_t cmdKeyHit(int32_t key);
int32_t cmdGetKey();
int32_t cmdWaitKey();
void cmdFlushKeys();

int32_t cmdMouseDown(int32_t button);
int32_t cmdMouseHit(int32_t button);
int32_t cmdGetMouse();
int32_t cmdWaitMouse();
int32_t cmdMouseX();
int32_t cmdMouseY();
int32_t cmdMouseZ();
int32_t cmdMouseXSpeed();
int32_t cmdMouseYSpeed();
int32_t cmdMouseZSpeed();
void cmdFlushMouse();
void cmdMoveMouse(int32_t x, int32_t y);

int32_t cmdJoyType(int32_t port);
int32_t cmdJoyDown(int32_t button, int32_t port);
int32_t cmdJoyHit(int32_t button, int32_t port);
int32_t cmdGetJoy(int32_t port);
int32_t cmdWaitJoy(int32_t port);
float cmdJoyX(int32_t port);
float cmdJoyY(int32_t port);
float cmdJoyZ(int32_t port);
float cmdJoyU(int32_t port);
float cmdJoyV(int32_t port);
float cmdJoyPitch(int32_t port);
float cmdJoyYaw(int32_t port);
float cmdJoyRoll(int32_t port);
int32_t cmdJoyXDir(int32_t port);
int32_t cmdJoyYDir(int32_t port);
int32_t cmdJoyZDir(int32_t port);
int32_t cmdJoyUDir(int32_t port);
int32_t cmdJoyVDir(int32_t port);
void cmdFlushJoy();

// Module start and stop: the input object with its devices.
bool openInputCommands();
void closeInputCommands();

}  // namespace korva
