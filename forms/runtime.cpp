#include "forms/forms.h"

namespace forms {
namespace {
Runtime* g_runtime = nullptr;
}

Runtime& rt() { return *g_runtime; }
void SetRuntime(Runtime* runtime) { g_runtime = runtime; }

}  // namespace forms
