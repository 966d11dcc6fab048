#pragma once

#include "forms/layout.h"

namespace editor {
extern const forms::Window kMainWindowLayout;
}
