// The application frame as a user sees it: the main window's place, frame
// and icon; the ways to close it and the exit code; the error box of a fatal
// start.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "driver.h"

using namespace ui;

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// An opaque icon drawn on its own, as a picture to look for on the screen.
Shot RenderIcon(HICON icon, int size) {
    return Draw(size, size, [&](HDC dc) { DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); });
}

bool Contains(const Shot& hay, const Shot& needle) {
    for (int y = 0; y + needle.height <= hay.height; ++y)
        for (int x = 0; x + needle.width <= hay.width; ++x) {
            bool same = true;
            for (int j = 0; j < needle.height && same; ++j)
                for (int i = 0; i < needle.width && same; ++i)
                    same = hay.px[std::size_t(y + j) * hay.width + x + i] ==
                           needle.px[std::size_t(j) * needle.width + i];
            if (same) return true;
        }
    return false;
}

}  // namespace

TEST(Frame, MainWindowIsCentredWithAFixedFrameAndItsIcon) {
    App app;
    HWND w = app.main();
    const RECT r = ScreenRect(w);
    EXPECT_EQ(r.left, 270);
    EXPECT_EQ(r.top, 247);
    EXPECT_EQ(Width(r), 483);
    EXPECT_EQ(Height(r), 274);

    const LONG style = GetWindowLongW(w, GWL_STYLE);
    const LONG ex = GetWindowLongW(w, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the user must not resize it";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_FALSE(ex & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(ex & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
    EXPECT_TRUE(ex & WS_EX_APPWINDOW) << "its own taskbar button";
    EXPECT_FALSE(IsIconic(w));
    EXPECT_FALSE(IsZoomed(w));

    // Dragging the border does nothing: no sizing hit areas on the edges.
    EXPECT_EQ(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2)),
              HTBORDER);
    // Of the title-bar buttons only the close box is there.
    const TitleButtons buttons = TitleButtonsOf(w);
    EXPECT_FALSE(buttons.minimize);
    EXPECT_FALSE(buttons.maximize);
    EXPECT_TRUE(buttons.close);

    // The small icon shows in the title bar: our icon, drawn at 16 x 16,
    // appears there pixel for pixel (it is fully opaque).
    HMODULE exe = LoadLibraryExW(BesideMe(kProduct).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    auto small = static_cast<HICON>(LoadImageW(exe, L"DEFAULT_ICON", IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(small, nullptr);
    const Shot icon = RenderIcon(small, 16);
    DestroyIcon(small);
    FreeLibrary(exe);
    const RECT caption{r.left, r.top, r.left + 40, r.top + GetSystemMetrics(SM_CYCAPTION) + 8};
    EXPECT_TRUE(WaitUntil([&] { return Contains(Capture(caption), icon); }, 3000))
        << "the program's icon is not in the title bar";
}

TEST(Frame, WindowCarriesLargeAndSmallIcons) {
    App app(kTestBuild);
    static const UINT msg = RegisterWindowMessageW(L"Tovimar.IconSizes");
    DWORD_PTR sizes = 0;
    ASSERT_TRUE(SendMessageTimeoutW(app.main(), msg, 0, 0, SMTO_ABORTIFHUNG, 5000, &sizes));
    EXPECT_EQ(LOWORD(sizes), 32);
    EXPECT_EQ(HIWORD(sizes), 16);
}

TEST(Frame, TwoCopiesRunSideBySide) {
    App first;
    App second;
    EXPECT_NE(first.main(), second.main());
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(second.Running());
    PostMessageW(first.main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(), 0u);
    EXPECT_TRUE(second.Running()) << "closing one copy must not end the other";
    PostMessageW(second.main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(second.WaitExit(), 0u);
}

// Each way of closing the main window ends the process with exit code 0.
enum class CloseBy { CloseBox, AltF4, Esc, SystemMenu };

class FrameClose : public ::testing::TestWithParam<CloseBy> {};

TEST_P(FrameClose, EndsTheProcessWithExitCodeZero) {
    App app;
    Foreground(app.main());
    switch (GetParam()) {
        case CloseBy::CloseBox: {
            const POINT p = CloseBoxOf(app.main());
            ASSERT_GE(p.x, 0) << "no close box found";
            ClickAt(p.x, p.y);
            break;
        }
        case CloseBy::AltF4: Chord(VK_MENU, VK_F4); break;
        case CloseBy::Esc: Tap(VK_ESCAPE); break;
        case CloseBy::SystemMenu:
            PostMessageW(app.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
    }
    EXPECT_EQ(app.WaitExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, FrameClose,
                         ::testing::Values(CloseBy::CloseBox, CloseBy::AltF4, CloseBy::Esc,
                                           CloseBy::SystemMenu),
                         [](const auto& info) {
                             switch (info.param) {
                                 case CloseBy::CloseBox: return std::string("CloseBox");
                                 case CloseBy::AltF4: return std::string("AltF4");
                                 case CloseBy::Esc: return std::string("Esc");
                                 default: return std::string("SystemMenu");
                             }
                         });

// ---- fatal starts (test build)

namespace {

struct ErrorBox {
    HWND box = nullptr;
    std::wstring text;
    bool error_icon = false;
    int buttons = 0;
    HWND ok = nullptr;
};

// Whether the icon control shows the system icon `which`: its pixels on the
// screen are those of that icon drawn on the box's background.
bool ShowsIcon(HWND icon_control, const wchar_t* which) {
    const Shot seen = Capture(ScreenRect(icon_control));
    HICON icon = LoadIconW(nullptr, which);
    HDC sdc = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(sdc);
    HBITMAP bmp = CreateCompatibleBitmap(sdc, seen.width, seen.height);
    HGDIOBJ old = SelectObject(mem, bmp);
    RECT all{0, 0, seen.width, seen.height};
    FillRect(mem, &all, GetSysColorBrush(COLOR_3DFACE));
    DrawIconEx(mem, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    bool same = true;
    for (int y = 0; y < seen.height && same; ++y)
        for (int x = 0; x < seen.width && same; ++x) {
            const COLORREF c = GetPixel(mem, x, y);
            const std::uint32_t rgb = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            same = seen.px[std::size_t(y) * seen.width + x] == rgb;
        }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, sdc);
    return same;
}

ErrorBox FindErrorBox(App& app) {
    ErrorBox e;
    e.box = app.WaitTop(L"错误", 10000);
    if (!e.box) return e;
    for (HWND h = GetWindow(e.box, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        const std::wstring cls = ClassOf(h);
        if (cls == L"Button") {
            ++e.buttons;
            if (GetDlgCtrlID(h) == IDOK) e.ok = h;
        } else if (cls == L"Static") {
            const LONG st = GetWindowLongW(h, GWL_STYLE);
            if ((st & SS_TYPEMASK) == SS_ICON) {
                e.error_icon = WaitUntil([&] { return ShowsIcon(h, IDI_ERROR); }, 2000) &&
                               !ShowsIcon(h, IDI_WARNING) && !ShowsIcon(h, IDI_INFORMATION);
            } else if (Text(h).size() > e.text.size()) {
                e.text = Text(h);
            }
        }
    }
    return e;
}

struct FatalCase {
    const char* name;
    const wchar_t* args;
    const wchar_t* message;
    bool main_shown;  // whether the window was up before the failure
};

class FrameFatal : public ::testing::TestWithParam<FatalCase> {};

}  // namespace

TEST_P(FrameFatal, ShowsTheErrorBoxAndExitsWithMinusOne) {
    const FatalCase& c = GetParam();
    const std::wstring log = TempFile(L"tovimar-exit-log.txt");
    App app(kTestBuild, std::wstring(c.args) + L" --exit-log \"" + log + L"\"", false);
    ErrorBox e = FindErrorBox(app);
    ASSERT_NE(e.box, nullptr) << "no error box";
    EXPECT_EQ(GetWindow(e.box, GW_OWNER), nullptr) << "the box has no owner";
    EXPECT_EQ(e.text, std::wstring(L"运行时出错!\r\n\r\n错误信息：") + c.message + L"\r\n");
    EXPECT_TRUE(e.error_icon);
    EXPECT_EQ(e.buttons, 1);
    if (!c.main_shown) {
        EXPECT_EQ(app.FindTop(kMainTitle), nullptr);
    }
    ASSERT_NE(e.ok, nullptr);
    Sleep(300);
    EXPECT_TRUE(app.Running()) << "the process waits for the box";
    SendMessageW(e.box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(e.ok));
    EXPECT_EQ(app.WaitExit(), 0xFFFFFFFFu);
    EXPECT_EQ(ReadAll(log), "") << "the exit routine must not run after a fatal error";
}

INSTANTIATE_TEST_SUITE_P(
    Starts, FrameFatal,
    ::testing::Values(
        FatalCase{"BrokenWindowData", L"--break-window-data", L"载入窗口模板数据段出错!", false},
        FatalCase{"StartupLoadFails", L"--fail-startup-load", L"载入启动窗口失败", false},
        // Decoding the layout's face (218 x 234 pixels, 3 bytes each) asks
        // for 153036 bytes while the window is being built.
        FatalCase{"AllocationFails", L"--alloc-limit 150000", L"分配 153036 字节内存失败!",
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Frame, NormalEndCallsTheExitRoutineOnce) {
    const std::wstring log = TempFile(L"tovimar-exit-log-normal.txt");
    App app(kTestBuild, L"--exit-log \"" + log + L"\"");
    PostMessageW(app.main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitExit(), 0u);
    EXPECT_EQ(ReadAll(log), "exit routine\n");
}
