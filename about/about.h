#pragma once

#include "forms/layout.h"

namespace about {
extern const forms::Window kAboutWindowLayout;
// Click of 按钮2 on MainWindow: opens AboutWindow, or brings it to the front.
void OnAboutClick();
}  // namespace about
