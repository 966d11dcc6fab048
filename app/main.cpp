// The entry point: start the form run time, load MainWindow, run the loop.
#include "app/program.h"
#include "forms/app.h"

#if TOVIMAR_TEST_BUILD
#include "app/test_hooks.h"
#endif

namespace {

// Hooks of the start-up sequence; this program needs neither.
void GlobalInit() {}
void ExitRoutine() {
#if TOVIMAR_TEST_BUILD
    app::testing::NoteExitRoutine();
#endif
}

}  // namespace

// The command line and the environment are ignored (the test build reads
// its fault switches from the command line).
int main(int argc, char** argv) {
    const forms::Program* program = &app::TheProgram();
#if TOVIMAR_TEST_BUILD
    program = app::testing::Apply(argc, argv, *program);
#else
    (void)argc;
    (void)argv;
#endif
    forms::Start(*program);
    GlobalInit();
    forms::RegisterExitRoutine(ExitRoutine);
    forms::LoadStartupWindow("MainWindow");
    // The exit code is the code of the quit request that ended the loop.
    return forms::RunLoop();
}
