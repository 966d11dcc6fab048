#include "driver.h"

#include <psapi.h>

#include <fstream>
#include <sstream>

#include <cstdlib>
#include <stdexcept>

namespace ui {

std::wstring BesideMe(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    p.resize(p.find_last_of(L'\\') + 1);
    return p + name;
}

App::App(const wchar_t* exe, const std::wstring& args, bool wait_main) {
    std::wstring cmd = L"\"" + BesideMe(exe) + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    // Every copy of the program started by a test belongs to one job that
    // ends with the test process: a test that crashes must not leave a copy
    // running (under Wine it would hold the test runner's output open).
    static HANDLE job = [] {
        HANDLE j = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return j;
    }();
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &si, &pi_))
        throw std::runtime_error("CreateProcess failed");
    AssignProcessToJobObject(job, pi_.hProcess);
    ResumeThread(pi_.hThread);
    WaitForInputIdle(pi_.hProcess, 5000);
    if (wait_main) {
        main_ = WaitTop(kMainTitle);
        if (!main_) throw std::runtime_error("no main window");
        // The last control exists once the window is shown.
        WaitUntil([&] { return Control(main_, 11) != nullptr && IsWindowVisible(main_); });
    }
}

App::~App() {
    if (Running()) {
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

HWND App::FindTop(const wchar_t* title) const {
    struct Ctx {
        DWORD pid;
        const wchar_t* title;
        HWND found;
    } ctx{pi_.dwProcessId, title, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == c->pid && IsWindowVisible(h) && Text(h) == c->title) {
                c->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND App::WaitTop(const wchar_t* title, DWORD ms) const {
    HWND h = nullptr;
    WaitUntil([&] { return (h = FindTop(title)) != nullptr; }, ms);
    return h;
}

HWND App::Control(HWND top, int index) const {
    struct Ctx {
        int id;
        HWND found;
    } ctx{100 + index, nullptr};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            if (GetDlgCtrlID(h) == c->id && GetAncestor(GetParent(h), GA_ROOT) != nullptr) {
                wchar_t cls[64];
                GetClassNameW(GetParent(h), cls, 64);
                // Not the edit field or list inside the combo box.
                if (std::wstring(cls) != L"ComboBox") {
                    c->found = h;
                    return FALSE;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

bool App::Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

DWORD App::WaitExit(DWORD ms) {
    if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

static long AskLive(HWND main, WPARAM which) {
    static const UINT msg = RegisterWindowMessageW(L"Tovimar.LiveHandles");
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main, msg, which, 0, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
    return static_cast<long>(result);
}
long App::LiveGdi() const { return AskLive(main_, 0); }
long App::LiveUser() const { return AskLive(main_, 1); }

std::size_t App::WorkingSet() const {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(pi_.hProcess, &pmc, sizeof pmc);
    return pmc.WorkingSetSize;
}

std::size_t App::Committed() const {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(pi_.hProcess, &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

std::wstring Text(HWND hwnd) {
    // WM_GETTEXT works across processes for any window.
    const LRESULT n = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    const LRESULT got = SendMessageW(hwnd, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<std::size_t>(got));
    return s;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t cls[128];
    const int n = GetClassNameW(hwnd, cls, 128);
    return std::wstring(cls, n > 0 ? n : 0);
}

RECT ScreenRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT ClientRectIn(HWND control, HWND top) {
    RECT r = ScreenRect(control);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND FocusOf(HWND top) {
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gi);
    return gi.hwndFocus;
}

HWND ActiveOf(HWND top) {
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gi);
    return gi.hwndActive;
}

void Foreground(HWND hwnd) {
    SetForegroundWindow(hwnd);
    WaitUntil([&] { return GetForegroundWindow() == hwnd; }, 2000);
}

static void SendOne(INPUT in) { SendInput(1, &in, sizeof in); }

void Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendOne(in);
}

void Tap(WORD vk) {
    Key(vk);
    Key(vk, true);
}

void Chord(WORD modifier, WORD vk) {
    Key(modifier);
    Tap(vk);
    Key(modifier, true);
}

void TypeUnicode(const std::wstring& text) {
    std::vector<INPUT> ins;
    for (wchar_t ch : text) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = ch;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        ins.push_back(in);
        in.ki.dwFlags |= KEYEVENTF_KEYUP;
        ins.push_back(in);
    }
    if (!ins.empty()) SendInput(static_cast<UINT>(ins.size()), ins.data(), sizeof(INPUT));
}

void ClickAt(int x, int y) {
    const int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / w;
    in.mi.dy = y * 65535 / h;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendOne(in);
    WaitUntil(
        [&] {
            POINT p{};
            return GetCursorPos(&p) && std::abs(p.x - x) <= 1 && std::abs(p.y - y) <= 1;
        },
        2000);
    // The press and release carry the point too: under Wine a press without
    // it may land where the pointer was before the move.
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    SendOne(in);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendOne(in);
}

void Click(HWND hwnd) {
    RECT r = ScreenRect(hwnd);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

TitleButtons TitleButtonsOf(HWND top) {
    TitleButtons b;
    const RECT r = ScreenRect(top);
    const int y = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = r.left; x < r.right; ++x) {
        const LRESULT hit = SendMessageW(top, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        b.minimize |= hit == HTMINBUTTON;
        b.maximize |= hit == HTMAXBUTTON;
        b.close |= hit == HTCLOSE;
    }
    return b;
}

POINT CloseBoxOf(HWND top) {
    RECT r = ScreenRect(top);
    const int y = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = r.right - 2; x > r.left; --x) {
        const LRESULT hit = SendMessageW(top, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit == HTCLOSE) return {x - 4, y};
    }
    return {-1, -1};
}

Shot Draw(int width, int height, const std::function<void(HDC)>& paint) {
    Shot s;
    s.width = width;
    s.height = height;
    HDC sdc = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(sdc);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(sdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    const int saved = SaveDC(mem);
    paint(mem);
    RestoreDC(mem, saved);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    s.px.assign(p, p + std::size_t(width) * height);
    for (auto& v : s.px) v &= 0xFFFFFF;
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, sdc);
    return s;
}

Shot Capture(const RECT& screen) {
    HDC sdc = GetDC(nullptr);
    Shot s = Draw(screen.right - screen.left, screen.bottom - screen.top, [&](HDC mem) {
        BitBlt(mem, 0, 0, screen.right - screen.left, screen.bottom - screen.top, sdc, screen.left,
               screen.top, SRCCOPY);
    });
    ReleaseDC(nullptr, sdc);
    s.left = screen.left;
    s.top = screen.top;
    return s;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring p = std::wstring(dir) + name;
    DeleteFileW(p.c_str());
    return p;
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream f(path.c_str(), std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

Shot CaptureClient(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    Shot s = Capture(r);
    s.left = 0;
    s.top = 0;
    return s;
}


POINT TitleBarPoint(HWND top) {
    const RECT r = ScreenRect(top);
    const int y = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    // The middle of the first run of 9 such points, clear of the edges.
    int run = 0;
    for (int x = r.left + 1; x < r.right; ++x) {
        const POINT p{x, y};
        const bool caption = SendMessageW(top, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCAPTION &&
                             WindowFromPoint(p) == top;
        run = caption ? run + 1 : 0;
        if (run == 9) return {x - 4, y};
    }
    return {-1, -1};
}

static void MouseTo(int x, int y, DWORD flags) {
    const int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / w;
    in.mi.dy = y * 65535 / h;
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendOne(in);
}

void Drag(POINT from, POINT to) {
    const DWORD thread = GetWindowThreadProcessId(WindowFromPoint(from), nullptr);
    MouseTo(from.x, from.y, 0);
    MouseTo(from.x, from.y, MOUSEEVENTF_LEFTDOWN);
    Sleep(50);
    constexpr int kSteps = 10;
    for (int i = 1; i <= kSteps; ++i) {
        MouseTo(from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps, 0);
        Sleep(15);
    }
    MouseTo(to.x, to.y, MOUSEEVENTF_LEFTUP);
    // Under Wine the X pointer stays where the button went down, and a while
    // after a window move ends the cursor jumps back there (measured: 100 to
    // 300 ms after the release, every time), which sends the next click
    // astray.  Once the window has let go of the mouse, move the X pointer to
    // the end point as well (SetCursorPos to the cursor's own position does
    // nothing, hence the step aside) and wait until the cursor stays there.
    WaitUntil(
        [&] {
            GUITHREADINFO gi{};
            gi.cbSize = sizeof gi;
            return !thread || (GetGUIThreadInfo(thread, &gi) && !(gi.flags & GUI_INMOVESIZE) &&
                               !gi.hwndCapture);
        },
        2000);
    SetCursorPos(to.x + 1, to.y);
    SetCursorPos(to.x, to.y);
    ULONGLONG still_since = GetTickCount64();
    WaitUntil(
        [&] {
            POINT p{};
            GetCursorPos(&p);
            if (p.x != to.x || p.y != to.y) still_since = GetTickCount64();
            return GetTickCount64() - still_since >= 400;
        },
        2000);
}


long GdiObjectsOf(HANDLE process) {
    // The PEB's GdiSharedHandleTable (offset 0xF8 on x86_64) points at 0x10000
    // entries of 24 bytes; an entry is in use while its type byte (offset 14)
    // is not zero.
    struct BasicInfo {
        LONG_PTR exit_status;
        void* peb;
        ULONG_PTR affinity;
        LONG_PTR priority;
        ULONG_PTR pid;
        ULONG_PTR parent_pid;
    };
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (!query) return -1;
    BasicInfo info{};
    if (query(process, 0 /* ProcessBasicInformation */, &info, sizeof info, nullptr) != 0 ||
        !info.peb)
        return -1;
    void* table = nullptr;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(info.peb) + 0xF8, &table, sizeof table,
                           &got) ||
        got != sizeof table || !table)
        return -1;
    constexpr std::size_t kEntries = 0x10000, kEntrySize = 24, kTypeAt = 14;
    std::vector<unsigned char> entries(kEntries * kEntrySize);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &got) ||
        got != entries.size())
        return -1;
    long used = 0;
    for (std::size_t i = 0; i < kEntries; ++i) used += entries[i * kEntrySize + kTypeAt] != 0;
    return used;
}

}  // namespace ui


namespace ui {

bool DrainPosted(HWND main, DWORD ms) {
    static const UINT msg = RegisterWindowMessageW(L"Tovimar.Mark");
    static WPARAM next = 0;
    const WPARAM mark = ++next;
    if (!PostMessageW(main, msg, mark, 0)) return false;
    return WaitUntil(
        [&] {
            DWORD_PTR got = 0;
            return SendMessageTimeoutW(main, msg, 0, 1, SMTO_ABORTIFHUNG, 5000, &got) && got == mark;
        },
        ms);
}

}  // namespace ui
