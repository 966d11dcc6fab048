// Fault switches and counters that exist only in the test build of the
// program (TOVIMAR_TEST_BUILD), for the tests that drive it from outside.
#pragma once

#include <cstddef>

namespace forms::testing {

#if TOVIMAR_TEST_BUILD
// Allocation requests above this many bytes fail (0: no limit).
extern std::size_t alloc_limit;
// Creating a top-level window fails.
extern bool fail_window_create;
#endif

// The registered window message that a top-level window of the test build
// answers with the live handle count: wParam 0 for GDI objects, 1 for USER
// objects.  The product does not answer it.
constexpr wchar_t kLiveHandlesMessage[] = L"Tovimar.LiveHandles";
// Answered with the widths of the window's large (low word) and small (high
// word) icons.
constexpr wchar_t kIconSizesMessage[] = L"Tovimar.IconSizes";
// Rewrites the picture box's own picture wParam times, each with its repaint,
// and answers the median time of one write in microseconds.
constexpr wchar_t kTimePictureWritesMessage[] = L"Tovimar.TimePictureWrites";
// Posted with lParam 0, stores wParam as the last mark; sent with lParam 1,
// answers the last mark.  Posted messages are handled in order, so a test
// that sees its mark knows that everything it posted before was handled
// (a sent message would overtake them).
constexpr wchar_t kMarkMessage[] = L"Tovimar.Mark";

}  // namespace forms::testing
