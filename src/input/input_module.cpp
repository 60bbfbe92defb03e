// The input module: keyboard, mouse and joystick commands.
#include "input/input_commands.h"
#include "startup/declaration.h"

namespace korva {
namespace {

const Declaration kInputDeclarations[] = {
    {"%KeyDown%key", routine<cmdKeyDown>},
    {"%KeyHit%key", routine<cmdKeyHit>},
    {"%GetKey", routine<cmdGetKey>},
    {"%WaitKey", routine<cmdWaitKey>},
    {"FlushKeys", routine<cmdFlushKeys>},
    {"%MouseDown%button", routine<cmdMouseDown>},
    {"%MouseHit%button", routine<cmdMouseHit>},
    {"%GetMouse", routine<cmdGetMouse>},
    {"%WaitMouse", routine<cmdWaitMouse>},
    {"%MouseWait", routine<cmdWaitMouse>},
    {"%MouseX", routine<cmdMouseX>},
    {"%MouseY", routine<cmdMouseY>},
    {"%MouseZ", routine<cmdMouseZ>},
    {"%MouseXSpeed", routine<cmdMouseXSpeed>},
    {"%MouseYSpeed", routine<cmdMouseYSpeed>},
    {"%MouseZSpeed", routine<cmdMouseZSpeed>},
    {"FlushMouse", routine<cmdFlushMouse>},
    {"MoveMouse%x%y", routine<cmdMoveMouse>},
    {"%JoyType%port=0", routine<cmdJoyType>},
    {"%JoyDown%button%port=0", routine<cmdJoyDown>},
    {"%JoyHit%button%port=0", routine<cmdJoyHit>},
    {"%GetJoy%port=0", routine<cmdGetJoy>},
    {"%WaitJoy%port=0", routine<cmdWaitJoy>},
    {"%JoyWait%port=0", routine<cmdWaitJoy>},
    {"#JoyX%port=0", routine<cmdJoyX>},
    {"#JoyY%port=0", routine<cmdJoyY>},
    {"#JoyZ%port=0", routine<cmdJoyZ>},
    {"#JoyU%port=0", routine<cmdJoyU>},
    {"#JoyV%port=0", routine<cmdJoyV>},
    {"#JoyPitch%port=0", routine<cmdJoyPitch>},
    {"#JoyYaw%port=0", routine<cmdJoyYaw>},
    {"#JoyRoll%port=0", routine<cmdJoyRoll>},
    {"%JoyXDir%port=0", routine<cmdJoyXDir>},
    {"%JoyYDir%port=0", routine<cmdJoyYDir>},
    {"%JoyZDir%port=0", routine<cmdJoyZDir>},
    {"%JoyUDir%port=0", routine<cmdJoyUDir>},
    {"%JoyVDir%port=0", routine<cmdJoyVDir>},
    {"FlushJoy", routine<cmdFlushJoy>},
};

}  // namespace

extern const ModuleDefinition inputModule{"input", kInputDeclarations, openInputCommands, closeInputCommands};

}  // namespace korva
