#include "forms/win32/handles.h"

namespace forms::win32 {

Ledger& LiveHandles() {
    static Ledger ledger;
    return ledger;
}

MemoryDC::MemoryDC(HDC compatible_with) : dc_(CreateCompatibleDC(compatible_with)) {
    if (dc_) ++LiveHandles().gdi;
}

MemoryDC::~MemoryDC() {
    if (dc_ && DeleteDC(dc_)) --LiveHandles().gdi;
}

HWND CreateCountedWindow(DWORD ex_style, const wchar_t* cls, const wchar_t* title, DWORD style,
                         int x, int y, int w, int h, HWND parent, HMENU id, void* param) {
    HWND hwnd = CreateWindowExW(ex_style, cls, title, style, x, y, w, h, parent, id,
                                GetModuleHandleW(nullptr), param);
    if (hwnd) ++LiveHandles().user;
    return hwnd;
}

void WindowGone() { --LiveHandles().user; }

}  // namespace forms::win32
