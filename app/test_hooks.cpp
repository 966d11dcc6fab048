#include "app/test_hooks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "forms/testing.h"

namespace app::testing {
namespace {

const char* g_exit_log = nullptr;

// MainWindow with its created event bound to a handler nobody has.
forms::Binding g_broken_bindings[] = {{"MainWindow", "created", "NoSuchHandler"}};
forms::Window g_broken_main{};
const forms::Window* g_broken_windows[1];
forms::Program g_broken_program{};

}  // namespace

const forms::Program* Apply(int argc, char** argv, const forms::Program& program) {
    const forms::Program* out = &program;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--break-window-data") == 0) {
            g_broken_main = *forms::FindWindowLayout(program, "MainWindow");
            g_broken_main.bindings = g_broken_bindings;
            g_broken_main.binding_count = 1;
            g_broken_windows[0] = &g_broken_main;
            g_broken_program = program;
            g_broken_program.windows = g_broken_windows;
            g_broken_program.window_count = 1;
            out = &g_broken_program;
        } else if (std::strcmp(argv[i], "--fail-startup-load") == 0) {
            forms::testing::fail_window_create = true;
        } else if (std::strcmp(argv[i], "--alloc-limit") == 0 && i + 1 < argc) {
            forms::testing::alloc_limit = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--exit-log") == 0 && i + 1 < argc) {
            g_exit_log = argv[++i];
        }
    }
    return out;
}

void NoteExitRoutine() {
    if (!g_exit_log) return;
    if (std::FILE* f = std::fopen(g_exit_log, "ab")) {
        std::fputs("exit routine\n", f);
        std::fclose(f);
    }
}

}  // namespace app::testing
