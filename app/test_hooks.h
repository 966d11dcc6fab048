// Fault switches of the test build, read from its command line:
//   --break-window-data   start with window data that names an unknown handler
//   --fail-startup-load   creating the start-up window fails
//   --alloc-limit N       allocations above N bytes fail
//   --exit-log PATH       the exit routine appends a line to PATH
#pragma once

#include "forms/layout.h"

namespace app::testing {

const forms::Program* Apply(int argc, char** argv, const forms::Program& program);
void NoteExitRoutine();

}  // namespace app::testing
