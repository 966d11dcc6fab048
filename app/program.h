#pragma once

#include "forms/layout.h"

namespace app {
// The program's window data: both layouts and the handlers they bind.
const forms::Program& TheProgram();
}
