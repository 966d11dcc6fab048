#include "editor/compare_text.h"

namespace editor {

int CompareText(const char* a, const char* b) {
    if (!a) return (!b || !*b) ? 0 : -1;
    if (!b) return *a ? 1 : 0;
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
        if (!*x) return 0;
    }
}

}  // namespace editor
