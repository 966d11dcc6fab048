// AboutWindow as a user sees it: opened by MainWindow's "About_" button, its
// place and frame, its four labels, how later clicks find the one window
// again, its keys, and how it lives beside MainWindow until the process ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"

using namespace ui;

namespace {

// MainWindow's controls by creation index (id 100 + index).
constexpr int kFaceList = 0;   // 组合框1
constexpr int kPicture = 1;    // 图片框1
constexpr int kFirstLine = 2;  // 编辑框2
constexpr int kGenerate = 7;   // 按钮1 "点击生成"
constexpr int kAboutButton = 10;  // 按钮2 "About_"

// AboutWindow's outer rectangle: 381 x 250, centred on the 1024 x 768 desktop.
constexpr RECT kAboutRect{321, 259, 321 + 381, 259 + 250};

// The caption line 透明标签1 lies over the picture box at 24,120 136x32;
// its glyphs fill about rows 128..143 of the box.
constexpr RECT kCaptionInBox{24, 120, 160, 152};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
    std::ostringstream s;
    s << "(" << r.left << ", " << r.top << ") " << r.right - r.left << " x " << r.bottom - r.top;
    return s.str();
}

std::uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// Top-level windows of the process with this title, shown or not.
int CountTops(DWORD pid, const wchar_t* title) {
    struct Ctx {
        DWORD pid;
        const wchar_t* title;
        int n;
    } ctx{pid, title, 0};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == c->pid && Text(h) == c->title) ++c->n;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.n;
}

// Whether `upper` lies above `lower` among the top-level windows.
bool Above(HWND upper, HWND lower) {
    for (HWND h = GetWindow(lower, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV))
        if (h == upper) return true;
    return false;
}

// Lets the program take in the input sent so far before a check that
// something did not happen.
void Settle() { Sleep(300); }

// The pixels that differ between two pictures of the same place, and the
// rectangle around them.
struct Change {
    int count = 0;
    RECT around{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
};
Change Compare(const Shot& a, const Shot& b) {
    Change c;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.px[std::size_t(y) * a.width + x] != b.px[std::size_t(y) * b.width + x]) {
                ++c.count;
                c.around.left = std::min<LONG>(c.around.left, x);
                c.around.top = std::min<LONG>(c.around.top, y);
                c.around.right = std::max<LONG>(c.around.right, x + 1);
                c.around.bottom = std::max<LONG>(c.around.bottom, y + 1);
            }
    return c;
}

// Clicks a window's centre with real input, after making sure that it is
// the window a user would hit there.
void ClickVisible(HWND hwnd) {
    const RECT r = ScreenRect(hwnd);
    const POINT c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ASSERT_TRUE(WaitUntil([&] { return WindowFromPoint(c) == hwnd; }, 2000))
        << "covered by another window";
    ClickAt(c.x, c.y);
}

bool InMoveLoop(HWND top) {
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gi);
    return gi.flags & GUI_INMOVESIZE;
}

// Drags a top-level window by its title bar until its outer rectangle
// starts at `to`, and waits for the end of the move.
void DragWindowTo(HWND top, POINT to) {
    const RECT r = ScreenRect(top);
    const POINT grip = TitleBarPoint(top);
    ASSERT_GE(grip.x, 0) << "no free spot on the title bar";
    Drag(grip, {grip.x + to.x - r.left, grip.y + to.y - r.top});
    ASSERT_TRUE(WaitUntil([&] {
        const RECT now = ScreenRect(top);
        return now.left == to.x && now.top == to.y && !InMoveLoop(top);
    })) << "not dragged: at " << Show(ScreenRect(top));
}

class AboutWindow : public ::testing::Test {
protected:
    HWND Main() const { return app.main(); }

    // Clicks "About_" and returns the About window that is then shown.
    HWND ClickAbout() {
        ClickVisible(app.Control(Main(), kAboutButton));
        if (::testing::Test::HasFatalFailure()) return nullptr;
        return app.WaitTop(kAboutTitle);
    }

    // Makes MainWindow the active window, in front of the About window.
    void ActivateMain() {
        Foreground(Main());
        ASSERT_TRUE(WaitUntil([&] { return ActiveOf(Main()) == Main(); }, 2000));
    }

    bool BecomesActive(HWND hwnd) {
        return WaitUntil(
            [&] { return ActiveOf(hwnd) == hwnd && GetForegroundWindow() == hwnd; }, 3000);
    }

    App app;
};

}  // namespace

// ---- place and frame

enum class MainPlace { AsStarted, MovedByProgram, DraggedByTitleBar };

class AboutPlace : public AboutWindow, public ::testing::WithParamInterface<MainPlace> {};

TEST_P(AboutPlace, OpensCentredWithAFixedFrameAndActive) {
    const POINT moved_to{30, 40};
    switch (GetParam()) {
        case MainPlace::AsStarted: break;
        case MainPlace::MovedByProgram:
            SetWindowPos(Main(), nullptr, moved_to.x, moved_to.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        case MainPlace::DraggedByTitleBar:
            Foreground(Main());
            DragWindowTo(Main(), moved_to);
            break;
    }
    if (HasFatalFailure()) return;
    if (GetParam() != MainPlace::AsStarted) {
        ASSERT_EQ(ScreenRect(Main()).left, moved_to.x);
        ASSERT_EQ(ScreenRect(Main()).top, moved_to.y);
    }

    HWND about = ClickAbout();
    ASSERT_NE(about, nullptr) << "no About window";
    DWORD pid = 0;
    GetWindowThreadProcessId(about, &pid);
    EXPECT_EQ(pid, app.pid());
    EXPECT_TRUE(SameRect(ScreenRect(about), kAboutRect)) << "at " << Show(ScreenRect(about));

    const LONG style = GetWindowLongW(about, GWL_STYLE);
    const LONG ex = GetWindowLongW(about, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the user must not resize it";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_TRUE(ex & WS_EX_APPWINDOW) << "its own taskbar button";
    EXPECT_FALSE(ex & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(ex & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr) << "MainWindow must not own it";

    // The frame does not size, and the title bar has the close box only.
    const RECT r = ScreenRect(about);
    EXPECT_EQ(SendMessageW(about, WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2)),
              HTBORDER);
    const TitleButtons buttons = TitleButtonsOf(about);
    EXPECT_FALSE(buttons.minimize);
    EXPECT_FALSE(buttons.maximize);
    EXPECT_TRUE(buttons.close);

    EXPECT_TRUE(BecomesActive(about));
    EXPECT_TRUE(WaitUntil([&] { return Above(about, Main()); }, 2000));
}

INSTANTIATE_TEST_SUITE_P(Main, AboutPlace,
                         ::testing::Values(MainPlace::AsStarted, MainPlace::MovedByProgram,
                                           MainPlace::DraggedByTitleBar),
                         [](const auto& info) {
                             switch (info.param) {
                                 case MainPlace::AsStarted: return std::string("AsStarted");
                                 case MainPlace::MovedByProgram:
                                     return std::string("MovedByProgram");
                                 default: return std::string("DraggedByTitleBar");
                             }
                         });

// ---- the labels

namespace {

struct LabelCase {
    const wchar_t* text;
    RECT rect;  // in the About window's client area
    bool centred;
};

// Creation order: ids 100..103.  The first text ends in a space; the third
// holds a bare line feed (12 bytes in GBK), drawn on the one line.
const LabelCase kLabels[] = {
    {L"Tovimar测试版 ", {80, 40, 312, 72}, true},
    {L"2012年7月18日", {96, 88, 296, 120}, true},
    {L"Version\n:1.0", {96, 136, 296, 176}, true},
    {L"code by Velkor", {272, 184, 368, 200}, false},
};

// The text as the window system draws it in the default GUI font, black, on
// one line and vertically centred, on button face: what the label must look
// like pixel for pixel.
Shot Expected(const LabelCase& c) {
    const int w = c.rect.right - c.rect.left, h = c.rect.bottom - c.rect.top;
    return Draw(w, h, [&](HDC dc) {
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        RECT all{0, 0, w, h};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, c.text, -1, &all,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (c.centred ? DT_CENTER : DT_LEFT));
    });
}

int TextWidth(const wchar_t* text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// What a label shows: the rectangle around its ink (pixels other than the
// background) and the rows that hold ink.
struct Ink {
    RECT around{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    std::vector<bool> rows;
    bool grey_only = true;  // no coloured pixel
};
Ink InkOf(const Shot& s, std::uint32_t background) {
    Ink ink;
    ink.rows.assign(s.height, false);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t v = s.px[std::size_t(y) * s.width + x];
            if (v == background) continue;
            ink.rows[y] = true;
            ink.around.left = std::min<LONG>(ink.around.left, x);
            ink.around.top = std::min<LONG>(ink.around.top, y);
            ink.around.right = std::max<LONG>(ink.around.right, x + 1);
            ink.around.bottom = std::max<LONG>(ink.around.bottom, y + 1);
            const std::uint32_t r = v >> 16, g = (v >> 8) & 0xFF, b = v & 0xFF;
            ink.grey_only &= r == g && g == b;
        }
    return ink;
}

// Runs of consecutive rows with ink.
int Bands(const std::vector<bool>& rows) {
    int bands = 0;
    for (std::size_t y = 0; y < rows.size(); ++y)
        if (rows[y] && (y == 0 || !rows[y - 1])) ++bands;
    return bands;
}

}  // namespace

TEST_F(AboutWindow, LabelsShowTheirTextsInPlaceInBlackOnButtonFace) {
    HWND about = ClickAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(BecomesActive(about));
    int children = 0;
    for (HWND h = GetWindow(about, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, 4) << "the four labels and nothing else";
    const std::uint32_t face = Rgb(GetSysColor(COLOR_BTNFACE));
    for (int i = 0; i < 4; ++i) {
        const LabelCase& c = kLabels[i];
        SCOPED_TRACE("标签" + std::to_string(i + 1));
        HWND label = app.Control(about, i);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(ClassOf(label), L"TovimarLabel");
        EXPECT_EQ(GetParent(label), about);
        EXPECT_EQ(Text(label), c.text);
        EXPECT_TRUE(SameRect(ClientRectIn(label, about), c.rect))
            << "at " << Show(ClientRectIn(label, about));

        const Shot expected = Expected(c);
        Shot seen;
        const bool same = WaitUntil([&] {
            seen = Capture(ScreenRect(label));
            return seen.px == expected.px;
        }, 2000);
        EXPECT_TRUE(same) << "not drawn as the text in the default GUI font";

        // The same, told in terms a reader can check on a screenshot.
        const Ink ink = InkOf(seen, face);
        ASSERT_LT(ink.around.left, ink.around.right) << "no text at all";
        EXPECT_TRUE(ink.grey_only) << "coloured text";
        const int left = ink.around.left, right = seen.width - ink.around.right;
        const int top = ink.around.top, bottom = seen.height - ink.around.bottom;
        if (c.centred) {
            // A trailing space is part of the centred line: it shifts the ink
            // left by half its width.
            std::wstring ink_text = c.text;
            ink_text.erase(ink_text.find_last_not_of(L' ') + 1);
            const int blank = TextWidth(c.text) - TextWidth(ink_text.c_str());
            EXPECT_LE(std::abs(right - left - blank), 3)
                << "margins " << left << " | " << right << ", trailing blank " << blank;
        } else {
            EXPECT_LE(left, 1) << "left margin " << left;
        }
        EXPECT_LE(std::abs(top - bottom), 3) << "margins " << top << " / " << bottom;
        EXPECT_EQ(Bands(ink.rows), 1) << "the text must be one line";
    }

    // "Version" and ":1.0" stand side by side: the ink of the third label is
    // one band of rows (checked above) at least as wide as both words.
    const Ink third = InkOf(Capture(ScreenRect(app.Control(about, 2))), face);
    EXPECT_GE(third.around.right - third.around.left,
              TextWidth(L"Version") + TextWidth(L":1.0") - 2);
}

// ---- finding the one window again

TEST_F(AboutWindow, LaterClicksBringTheOneWindowToTheFront) {
    HWND about = ClickAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(BecomesActive(about));
    for (int click = 2; click <= 3; ++click) {
        SCOPED_TRACE("click " + std::to_string(click));
        ActivateMain();
        ASSERT_TRUE(WaitUntil([&] { return Above(Main(), about); }, 2000));
        EXPECT_EQ(ClickAbout(), about);
        EXPECT_TRUE(BecomesActive(about));
        EXPECT_TRUE(WaitUntil([&] { return Above(about, Main()); }, 2000));
        EXPECT_EQ(CountTops(app.pid(), kAboutTitle), 1);
        EXPECT_TRUE(SameRect(ScreenRect(about), kAboutRect)) << "at " << Show(ScreenRect(about));
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(about) == about; }, 2000))
            << "focus on " << FocusOf(about);
    }
}

TEST_F(AboutWindow, MinimisedWindowIsRestoredByTheNextClick) {
    HWND about = ClickAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(BecomesActive(about));
    ShowWindow(about, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(about) != 0; }));
    ActivateMain();

    EXPECT_EQ(ClickAbout(), about);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(about); })) << "still minimised";
    EXPECT_TRUE(BecomesActive(about));
    EXPECT_TRUE(SameRect(ScreenRect(about), kAboutRect)) << "at " << Show(ScreenRect(about));
    EXPECT_EQ(CountTops(app.pid(), kAboutTitle), 1);
}

TEST_F(AboutWindow, ClosedWindowIsBuiltAnewInTheCentre) {
    HWND about = ClickAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(BecomesActive(about));
    // The user drags it aside, then closes it with its close box.
    ASSERT_NO_FATAL_FAILURE(DragWindowTo(about, {kAboutRect.left - 250, kAboutRect.top - 200}));
    const POINT close = CloseBoxOf(about);
    ASSERT_GE(close.x, 0);
    ClickAt(close.x, close.y);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << "not closed";
    ASSERT_TRUE(IsWindowVisible(Main()));
    ASSERT_TRUE(app.Running());

    ActivateMain();
    HWND again = ClickAbout();
    ASSERT_NE(again, nullptr) << "not opened again";
    EXPECT_NE(again, about);
    EXPECT_TRUE(SameRect(ScreenRect(again), kAboutRect)) << "at " << Show(ScreenRect(again));
    EXPECT_TRUE(BecomesActive(again));
    EXPECT_EQ(CountTops(app.pid(), kAboutTitle), 1);
    HWND last = app.Control(again, 3);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(Text(last), kLabels[3].text);
}

// ---- MainWindow goes on working beside it

TEST_F(AboutWindow, MainWindowTakesTypingClicksAndFacesWhileItIsOpen) {
    HWND about = ClickAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(BecomesActive(about));

    // Back to MainWindow by its title bar, into the first line, type.
    const POINT title = TitleBarPoint(Main());
    ASSERT_GE(title.x, 0);
    ClickAt(title.x, title.y);
    ASSERT_TRUE(WaitUntil([&] { return ActiveOf(Main()) == Main(); }, 2000));
    HWND line = app.Control(Main(), kFirstLine);
    ClickVisible(line);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(Main()) == line; }, 2000));
    TypeUnicode(L"Hi你好");
    EXPECT_TRUE(WaitUntil([&] { return Text(line) == L"Hi你好"; }, 2000))
        << "the box holds \"" << ::testing::PrintToString(Text(line)) << "\"";

    // "点击生成" puts the line over the face.
    HWND box = app.Control(Main(), kPicture);
    const Shot before = CaptureClient(box);
    ClickVisible(app.Control(Main(), kGenerate));
    Change caption;
    EXPECT_TRUE(WaitUntil([&] {
        caption = Compare(before, CaptureClient(box));
        return caption.count > 0;
    }, 2000)) << "no caption appeared";
    if (caption.count > 0) {
        const RECT& a = caption.around;
        EXPECT_TRUE(a.left >= kCaptionInBox.left && a.right <= kCaptionInBox.right &&
                    a.top >= kCaptionInBox.top && a.bottom <= kCaptionInBox.bottom)
            << "caption drawn at " << Show(a);
        EXPECT_TRUE(a.top >= 126 && a.bottom <= 146) << "caption drawn at " << Show(a);
    }

    // "表情2" from the drop-down list changes the face within about a second.
    HWND list = app.Control(Main(), kFaceList);
    const Shot face1 = CaptureClient(box);
    const RECT lr = ScreenRect(list);
    ClickAt(lr.right - 8, (lr.top + lr.bottom) / 2);
    HWND drop = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        drop = nullptr;
        for (HWND h = GetTopWindow(nullptr); h && !drop; h = GetWindow(h, GW_HWNDNEXT)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == app.pid() && IsWindowVisible(h) && ClassOf(h) == L"ComboLBox") drop = h;
        }
        return drop != nullptr;
    }, 2000)) << "the list did not drop down";
    const int row = static_cast<int>(SendMessageW(list, CB_GETITEMHEIGHT, 0, 0));
    const RECT dr = ScreenRect(drop);
    ClickAt(dr.left + 20, dr.top + 1 + row + row / 2);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(list, CB_GETCURSEL, 0, 0) == 1; }, 2000));
    const ULONGLONG picked = GetTickCount64();
    EXPECT_TRUE(WaitUntil([&] { return Compare(face1, CaptureClient(box)).count > 1000; }, 1300))
        << "the face did not change";
    EXPECT_LE(GetTickCount64() - picked, 1300u);

    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about)) << "the About window went away";
    EXPECT_EQ(CountTops(app.pid(), kAboutTitle), 1);
}

// ---- keys

TEST_F(AboutWindow, TabAndEnterDoNothingAndEscClosesItAlone) {
    HWND about = ClickAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(BecomesActive(about));
    // No label takes the focus: the window keeps it.
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(about) == about; }, 2000))
        << "focus on " << FocusOf(about);

    for (WORD vk : {VK_TAB, VK_RETURN}) {
        SCOPED_TRACE(vk == VK_TAB ? "Tab" : "Enter");
        Tap(vk);
        Settle();
        EXPECT_EQ(FocusOf(about), about);
        EXPECT_TRUE(IsWindowVisible(about));
        EXPECT_EQ(ActiveOf(about), about);
    }

    Tap(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << "Esc did not close it";
    Settle();
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(IsWindow(Main()) && IsWindowVisible(Main())) << "MainWindow went too";

    // And "About_" opens it again.
    ActivateMain();
    HWND again = ClickAbout();
    EXPECT_NE(again, nullptr);
    EXPECT_TRUE(BecomesActive(again));
}

// ---- the end of the process

TEST(AboutEnd, ClosingMainWindowFirstLeavesTheProcessToTheAboutWindow) {
    const std::wstring log = TempFile(L"tovimar-exit-log-about.txt");
    App app(kTestBuild, L"--exit-log \"" + log + L"\"");
    ClickVisible(app.Control(app.main(), kAboutButton));
    HWND about = app.WaitTop(kAboutTitle);
    ASSERT_NE(about, nullptr);

    Foreground(app.main());
    const POINT main_close = CloseBoxOf(app.main());
    ASSERT_GE(main_close.x, 0);
    ClickAt(main_close.x, main_close.y);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(app.main()); })) << "MainWindow did not close";
    Settle();
    EXPECT_TRUE(app.Running()) << "the process ended with the About window open";
    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about));
    EXPECT_EQ(ReadAll(log), "") << "the exit routine ran too early";

    Foreground(about);
    const POINT about_close = CloseBoxOf(about);
    ASSERT_GE(about_close.x, 0);
    ClickAt(about_close.x, about_close.y);
    EXPECT_EQ(app.WaitExit(), 0u);
    EXPECT_EQ(ReadAll(log), "exit routine\n");
}


