// The run time's side that the entry point drives: start, exit routine,
// start-up window, message loop, and the one fatal-error procedure.
#pragma once

#include <cstddef>
#include <string>

#include "forms/layout.h"

namespace forms {

// Reads and checks the window data and binds the handlers; sets the current
// directory to the executable's folder.  Fatal if the window data is unsound.
void Start(const Program& program);
void RegisterExitRoutine(void (*routine)());
// Loads the start-up window; fatal if it cannot be loaded.
void LoadStartupWindow(const char* window);
// Sets the loop flag and runs the message loop until the last loaded window
// has closed (returns at once if none is loaded).  Then shuts down: releases
// the layouts, calls the exit routine once, releases the run time's
// resources.  Returns the quit code.
int RunLoop();

// Shows the error box and ends the process with exit code -1.  Open windows
// fire no events; the exit routine is not called.
[[noreturn]] void Fatal(const char* gbk_message);

// Allocation for the run time: never returns null; failure is fatal with the
// requested size in the message.
void* Alloc(std::size_t size);

// The text of the error box for `gbk_message`.
std::string FatalText(const char* gbk_message);
// The message for a failed allocation of `size` bytes.
std::string AllocFailureMessage(std::size_t size);

// The run time's own messages (GBK).
extern const char kErrWindowData[];
extern const char kErrStartupLoad[];
extern const char kErrNoSuchWindow[];
extern const char kErrWindowNotLoaded[];
extern const char kErrItemTarget[];
extern const char kErrCaption[];

}  // namespace forms
