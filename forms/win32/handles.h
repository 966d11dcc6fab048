// The one owner of the program's GDI and USER handles.  Every handle the run
// time creates goes through here, so the ledger knows how many are alive
// (Wine answers GetGuiResources with 0, so the tests read this count).
#pragma once

#include <windows.h>

#include <utility>

namespace forms::win32 {

struct Ledger {
    long gdi = 0;   // fonts, brushes, bitmaps, memory DCs
    long user = 0;  // windows, icons
};
Ledger& LiveHandles();

// A GDI object (font, bitmap, brush) with one owner.  It must not be selected
// into a DC when the owner goes: SelectGuard puts the old object back first.
template <class H>
class Gdi {
public:
    Gdi() = default;
    explicit Gdi(H h) : h_(h) {
        if (h_) ++LiveHandles().gdi;
    }
    Gdi(const Gdi&) = delete;
    Gdi& operator=(const Gdi&) = delete;
    Gdi(Gdi&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    Gdi& operator=(Gdi&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    ~Gdi() { reset(); }
    void reset() {
        if (h_ && DeleteObject(h_)) --LiveHandles().gdi;
        h_ = nullptr;
    }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    H h_ = nullptr;
};

using Font = Gdi<HFONT>;
using Bitmap = Gdi<HBITMAP>;

// A memory DC with one owner.
class MemoryDC {
public:
    MemoryDC() = default;
    explicit MemoryDC(HDC compatible_with);
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC();
    HDC get() const { return dc_; }

private:
    HDC dc_ = nullptr;
};

// Selects an object into a DC for a scope and puts the old one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (old_) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// An icon with one owner.
class Icon {
public:
    Icon() = default;
    explicit Icon(HICON h) : h_(h) {
        if (h_) ++LiveHandles().user;
    }
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    Icon& operator=(Icon&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    ~Icon() { reset(); }
    void reset() {
        if (h_ && DestroyIcon(h_)) --LiveHandles().user;
        h_ = nullptr;
    }
    HICON get() const { return h_; }

private:
    HICON h_ = nullptr;
};

// Windows: counted when created; a top-level window and its children are
// destroyed together by the system, so the owner reports each destruction
// it has seen through WindowGone().
HWND CreateCountedWindow(DWORD ex_style, const wchar_t* cls, const wchar_t* title, DWORD style,
                         int x, int y, int w, int h, HWND parent, HMENU id, void* param);
void WindowGone();

}  // namespace forms::win32
