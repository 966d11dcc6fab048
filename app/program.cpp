#include "app/program.h"

#include "about/about.h"
#include "editor/handlers.h"
#include "editor/main_layout.h"

namespace app {
namespace {

const forms::Window* const kWindows[] = {&editor::kMainWindowLayout, &about::kAboutWindowLayout};

const forms::Handler kHandlers[] = {
    {"OnMainWindowCreated", editor::OnMainWindowCreated},
    {"OnFaceTimerTick", editor::OnFaceTimerTick},
    {"OnGenerateClick", editor::OnGenerateClick},
    {"OnAboutClick", about::OnAboutClick},
};

const forms::Program kProgram{kWindows, 2, kHandlers, sizeof kHandlers / sizeof kHandlers[0]};

}  // namespace

const forms::Program& TheProgram() { return kProgram; }

}  // namespace app
