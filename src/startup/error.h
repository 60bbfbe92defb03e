// Runtime-error travel. Compiled code has no unwind tables, so the exception
// that ends a program (qyEx) is a non-local jump to the run loop's landing:
// code that can be left this way must not hold anything that needs freeing.
#pragma once

namespace korva {

// True while a program runs under a host Debugger; handle and index checks run
// only then.
extern bool debugMode;

// Reports the message to the Debugger as a serious message, then ends the
// program. Never returns.
[[noreturn]] void raiseRuntimeError(const char* message);

// Ends the program: message null for a quiet end (End, window closed, end
// request), otherwise a message that has already been reported.
[[noreturn]] void throwQyEx(const char* message);

// Ends the program quietly when the platform's idle() says it must end.
void idleOrEnd();
// Waits while servicing the window; ends the program quietly when it must end.
void delayOrEnd(int milliseconds);

// Inside a catch handler: the runtime error that the exception being handled
// stands for ("Out of memory" for std::bad_alloc and std::length_error).
const char* messageOfCurrentException() noexcept;

}  // namespace korva
