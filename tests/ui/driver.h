// Drives the program from outside, as a user and as Windows see it: starts
// it as a child process, finds its windows, sends real input, reads
// rectangles, styles, texts, focus, screen pixels, memory and exit codes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui {

constexpr wchar_t kMainTitle[] = L"Tovimar Ver1.0 beta";
constexpr wchar_t kAboutTitle[] = L"About_";
constexpr wchar_t kProduct[] = L"tovimar.exe";
constexpr wchar_t kTestBuild[] = L"tovimar-test.exe";

// A fresh path in the temporary folder (an old file there is deleted), and
// the whole content of a file.
std::wstring TempFile(const wchar_t* name);
std::string ReadAll(const std::wstring& path);

// Full path of a program next to the test executable.
std::wstring BesideMe(const wchar_t* name);

// Polls `pred` every few milliseconds until it holds or `ms` have passed.
template <class Pred>
bool WaitUntil(Pred pred, DWORD ms = 5000) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        if (pred()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(3);
    }
}

class App {
public:
    // Starts the program (the product unless told otherwise) and waits for
    // its main window and its controls.
    explicit App(const wchar_t* exe = kProduct, const std::wstring& args = L"",
                 bool wait_main = true);
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App();

    DWORD pid() const { return pi_.dwProcessId; }
    HANDLE process() const { return pi_.hProcess; }
    HWND main() const { return main_; }
    // A visible top-level window of this process with this title.
    HWND FindTop(const wchar_t* title) const;
    HWND WaitTop(const wchar_t* title, DWORD ms = 5000) const;
    // The control created `index`-th (from 0) in its window.
    HWND Control(HWND top, int index) const;

    bool Running() const;
    // Waits for the end of the process; returns its exit code as Windows
    // reports it, or STILL_ACTIVE after `ms`.
    DWORD WaitExit(DWORD ms = 10000);

    // Test build only: live GDI and USER handles of the run time.
    long LiveGdi() const;
    long LiveUser() const;
    // Committed memory of the process (PagefileUsage).
    std::size_t Committed() const;
    // Working set of the process.
    std::size_t WorkingSet() const;

private:
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
    bool done_ = false;
};

// ---- window facts
std::wstring Text(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
RECT ScreenRect(HWND hwnd);
// A control's rectangle in its top-level window's client coordinates.
RECT ClientRectIn(HWND control, HWND top);
HWND FocusOf(HWND top);  // the thread's focus window (GetGUIThreadInfo)
HWND ActiveOf(HWND top);

// ---- input
void Foreground(HWND hwnd);
void Key(WORD vk, bool up = false);
void Tap(WORD vk);
void Chord(WORD modifier, WORD vk);
void TypeUnicode(const std::wstring& text);
// A left click at a screen point: the pointer moves there, the test waits
// (up to 2 s) until the window system reports it there, and the press and
// release carry the point as well (under Wine a press without it lands, every
// few clicks, where the pointer was before).
void ClickAt(int x, int y);
void Click(HWND hwnd);       // the centre of a window
// Which buttons the title bar of a top-level window has, found by hit tests
// along the middle of the title bar.
struct TitleButtons {
    bool minimize = false, maximize = false, close = false;
};
TitleButtons TitleButtonsOf(HWND top);
// Screen point of the close box of a top-level window.
POINT CloseBoxOf(HWND top);

// ---- pixels
struct Shot {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint32_t> px;  // 0x00RRGGBB, rows top to bottom
    std::uint32_t at(int x, int y) const { return px[std::size_t(y - top) * width + (x - left)]; }
};
Shot Capture(const RECT& screen);
// A picture painted by `paint` into a 32-bit memory bitmap (the DC's state
// is restored afterwards).
Shot Draw(int width, int height, const std::function<void(HDC)>& paint);
Shot CaptureClient(HWND hwnd);  // the client area of a window, in its own coordinates


// ---- moving windows as a user does
// A screen point on the title bar of a top-level window that is caption and
// nothing else (no icon, no button) and not covered by another window;
// {-1, -1} if there is none.
POINT TitleBarPoint(HWND top);
// Presses the left button at `from`, moves to `to` in steps and releases it
// there (screen coordinates); returns once the cursor rests at `to` (under
// Wine it jumps back to `from` after a window move unless the X pointer is
// moved along).
void Drag(POINT from, POINT to);


// ---- handles seen from outside (Wine only)
// GDI objects a process owns, counted in its GDI handle table (the table
// Wine shares with the process, found through its PEB).  -1 if it cannot be
// read.  GetGuiResources answers 0 under Wine, so this is the black-box count
// beside the test build's own ledger.
long GdiObjectsOf(HANDLE process);

}  // namespace ui

namespace ui {
// Test build only: waits until every message posted to the program before
// this call has been handled (a sent message would overtake them).
bool DrainPosted(HWND main, DWORD ms = 120000);
}  // namespace ui
