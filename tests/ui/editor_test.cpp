// MainWindow as a user meets it: where its controls are and how they look,
// where the keyboard focus goes, the face shown in the picture box and how
// the face list changes it, and that a long run of face ticks costs no
// handles and no memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "driver.h"
#include "editor/faces.h"
#include "editor/picture.h"

using namespace ui;

namespace {

// For messages.
std::string Utf8(const std::wstring& s) {
    std::string out(s.size() * 4, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()),
                                      out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Control indexes in MainWindow's creation order.
enum : int {
    kFaceList = 0,   // 组合框1
    kPicture = 1,    // 图片框1
    kLine1Edit = 2,  // 编辑框2
    kLine1Label = 3, // 标签1
    kLine2Label = 4, // 标签2
    kLine2Edit = 5,  // 编辑框3
    kTimer = 6,      // 时钟2, no window
    kGenerate = 7,   // 按钮1
    kCaption1 = 8,   // 透明标签1, inside the picture box
    kCaption2 = 9,   // 透明标签2
    kAbout = 10,     // 按钮2
    kNotice = 11,    // 标签3
};
constexpr UINT kFaceTimerId = 100 + kTimer;
constexpr int kTickMs = 700;

// Whether the focus window of `top`'s thread is `control` or inside it (the
// edit field of a combo box).
bool FocusIn(HWND top, HWND control) {
    HWND f = FocusOf(top);
    return f && (f == control || IsChild(control, f));
}

// Runs this thread's own windows while waiting.
void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}
template <class Pred>
bool PumpUntil(Pred pred, DWORD ms) {
    return WaitUntil([&] {
        Pump();
        return pred();
    }, ms);
}

bool SamePixels(const Shot& a, const Shot& b) {
    return a.width == b.width && a.height == b.height && a.px == b.px;
}

// How two pictures differ, for messages.
std::string Difference(const Shot& a, const Shot& b) {
    if (a.width != b.width || a.height != b.height) return "sizes differ";
    int n = 0, fx = -1, fy = -1;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.px[std::size_t(y) * a.width + x] != b.px[std::size_t(y) * a.width + x] && n++ == 0) {
                fx = x;
                fy = y;
            }
    if (!n) return "no difference";
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d pixels differ, the first at (%d, %d): %06x against %06x", n,
                  fx, fy, a.px[std::size_t(fy) * a.width + fx], b.px[std::size_t(fy) * a.width + fx]);
    return buf;
}

// The drop-down list of the program's face list while it is open.
HWND OpenList(const App& app) {
    struct Ctx {
        DWORD pid;
        HWND found;
    } ctx{app.pid(), nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == c->pid && IsWindowVisible(h) && ClassOf(h) == L"ComboLBox") {
                c->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HFONT SongTi12(bool underline) {
    return CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       L"宋体");
}
HFONT GuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// A popup window of the test process, at the top-left of the desktop (away
// from the program's centred window), holding controls made with the
// system's own classes to compare with the program's.
class Bench {
public:
    Bench() {
        static const ATOM cls = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = L"TovimarEditorTestBench";
            return RegisterClassW(&wc);
        }();
        (void)cls;
        hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"TovimarEditorTestBench", L"", WS_POPUP, 0, 0,
                                250, 700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;
    ~Bench() {
        DestroyWindow(hwnd_);
        for (HFONT f : fonts_) DeleteObject(f);
        Pump();
    }
    HWND hwnd() const { return hwnd_; }
    // A control below the previous one; the font is owned by the bench
    // unless it is a stock object.
    HWND Add(const std::wstring& cls, DWORD style, DWORD ex, int w, int h, const std::wstring& text,
             HFONT font) {
        HWND c = CreateWindowExW(ex, cls.c_str(), text.c_str(), (style & ~WS_VISIBLE) | WS_CHILD,
                                 8, next_y_, w, h, hwnd_, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
        if (font != GuiFont()) fonts_.push_back(font);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowTextW(c, text.c_str());  // a combo box ignores its creation text
        next_y_ += Height(ScreenRect(c)) + 8;
        return c;
    }
    // Shows the bench in front; this also takes activation away from the
    // program, so that none of its controls shows a focus.
    void Show() {
        for (HWND h = GetWindow(hwnd_, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            ShowWindow(h, SW_SHOWNA);
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        RedrawWindow(hwnd_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
    }

private:
    HWND hwnd_ = nullptr;
    int next_y_ = 8;
    std::vector<HFONT> fonts_;
};

// ---- pixels of text

// The ink of one line of text drawn in `fg` on `bg`: every pixel that is
// not the background, each of which must lie between the two colours (the
// text is smoothed), and the box they span.
struct Ink {
    int count = 0;
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive
    bool mixes_only = true;    // no pixel outside the span from bg to fg
    bool reaches_fg = false;   // some pixel is the text colour itself
    std::uint32_t stray = 0;   // the first pixel that is no mix
};

int Channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

Ink InkOf(const Shot& s, std::uint32_t bg, std::uint32_t fg) {
    Ink ink;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t c = s.px[std::size_t(y) * s.width + x];
            if (c == bg) continue;
            ++ink.count;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
            if (c == fg) ink.reaches_fg = true;
            // Each channel between its background and text values, and
            // channels that go the same way stay equal (the smoothing is
            // not linear per channel).
            bool mix = true;
            for (int sh : {16, 8, 0}) {
                const int lo = std::min(Channel(bg, sh), Channel(fg, sh));
                const int hi = std::max(Channel(bg, sh), Channel(fg, sh));
                mix = mix && Channel(c, sh) >= lo - 1 && Channel(c, sh) <= hi + 1;
                for (int other : {16, 8, 0})
                    if (Channel(bg, other) == Channel(bg, sh) && Channel(fg, other) == Channel(fg, sh))
                        mix = mix && std::abs(Channel(c, other) - Channel(c, sh)) <= 2;
            }
            if (!mix && ink.mixes_only) {
                ink.mixes_only = false;
                ink.stray = c;
            }
        }
    return ink;
}

std::uint32_t Rgb(COLORREF c) {
    return (std::uint32_t(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// ---- the faces

struct Face {
    int width = 0, height = 0;
    std::vector<std::uint32_t> px;  // 0xRRGGBB
};

// Face picture `n` as the program's decoder makes it, cut to the picture
// box's size from the top-left corner.
Face DecodedFace(int n, int width, int height) {
    editor::Picture pic;
    const bool ok = n == 1 ? editor::DecodePicture(editor::kFace1, editor::kFace1Size, pic)
                           : editor::DecodePicture(editor::kFace2, editor::kFace2Size, pic);
    Face f;
    if (!ok || pic.width < width || pic.height < height) return f;
    f.width = width;
    f.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &pic.rgb[(std::size_t(y) * pic.width + x) * 3];
            f.px.push_back((std::uint32_t(p[0]) << 16) | (p[1] << 8) | p[2]);
        }
    return f;
}

bool Shows(HWND box, const Face& face) {
    const Shot s = CaptureClient(box);
    return s.width == face.width && s.height == face.height && s.px == face.px;
}

// The two faces as the picture box shows them, decoded once.
class EditorFace : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(face1_->px.empty()) << "face 1 does not decode";
        ASSERT_FALSE(face2_->px.empty()) << "face 2 does not decode";
        ASSERT_NE(face1_->px, face2_->px);
    }
    static const Face& Decoded(int n) {
        static const Face faces[] = {DecodedFace(1, 192, 184), DecodedFace(2, 192, 184)};
        return faces[n - 1];
    }
    const Face* face1_ = &Decoded(1);
    const Face* face2_ = &Decoded(2);
};

}  // namespace

// ---------------------------------------------------------------- layout

namespace {

struct Expected {
    int index;
    const char* name;
    const wchar_t* cls;  // a system class, or nullptr for the program's own
    bool in_picture;     // a child of the picture box, placed in its client area
    int x, y, w, h;      // h < 0: not checked here (the combo box's field)
    bool tabstop;
    const wchar_t* text;
    DWORD style_set, style_clear, ex_set, ex_clear;
};

constexpr wchar_t kNoticeText[] = L"本软件尚不成熟,如要将制作完成的图片导出,请手动截图!";

constexpr DWORD kEditMustNot = ES_NOHIDESEL | ES_READONLY | ES_PASSWORD | ES_UPPERCASE |
                               ES_LOWERCASE | ES_NUMBER | ES_MULTILINE;
constexpr DWORD kBorders = WS_BORDER | WS_DLGFRAME | WS_THICKFRAME;
constexpr DWORD kExBorders = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE |
                             WS_EX_DLGMODALFRAME;

const Expected kLayout[] = {
    {kFaceList, "组合框1", L"ComboBox", false, 256, 152, 80, -1, true, L"表情1",
     CBS_DROPDOWN, CBS_SIMPLE | CBS_SORT, 0, 0},
    {kPicture, "图片框1", nullptr, false, 16, 16, 192, 184, false, nullptr,
     0, kBorders, 0, kExBorders},
    {kLine1Edit, "编辑框2", L"Edit", false, 296, 64, 136, 24, true, L"",
     ES_AUTOHSCROLL, kEditMustNot, WS_EX_CLIENTEDGE, 0},
    {kLine1Label, "标签1", nullptr, false, 216, 72, 72, 16, false, L"第一行文字：",
     0, 0, 0, WS_EX_TRANSPARENT},
    {kLine2Label, "标签2", nullptr, false, 216, 112, 72, 16, false, L"第二行文字：",
     0, 0, 0, WS_EX_TRANSPARENT},
    {kLine2Edit, "编辑框3", L"Edit", false, 296, 104, 136, 24, true, L"",
     ES_AUTOHSCROLL, kEditMustNot, WS_EX_CLIENTEDGE, 0},
    {kGenerate, "按钮1", L"Button", false, 360, 144, 64, 32, true, L"点击生成",
     0, BS_TYPEMASK, 0, 0},  // type BS_PUSHBUTTON, not the default button
    {kCaption1, "透明标签1", nullptr, true, 24, 120, 136, 32, false, L"",
     0, 0, WS_EX_TRANSPARENT, 0},
    {kCaption2, "透明标签2", nullptr, false, 32, 160, 160, 32, false, L"",
     0, 0, WS_EX_TRANSPARENT, 0},
    {kAbout, "按钮2", L"Button", false, 400, 208, 56, 24, true, L"About_",
     0, BS_TYPEMASK, 0, 0},
    {kNotice, "标签3", nullptr, false, 16, 216, 312, 24, false, kNoticeText,
     0, 0, 0, WS_EX_TRANSPARENT},
};

}  // namespace

TEST(EditorLayout, ControlsSitWhereTheLayoutPutsThem) {
    App app;
    HWND main = app.main();
    HWND box = app.Control(main, kPicture);
    ASSERT_NE(box, nullptr);
    for (const Expected& e : kLayout) {
        SCOPED_TRACE(e.name);
        HWND h = app.Control(main, e.index);
        ASSERT_NE(h, nullptr) << "no control with id " << 100 + e.index;
        if (e.cls) {
            EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), e.cls), 0) << "class " << Utf8(ClassOf(h));
        }
        EXPECT_EQ(GetParent(h), e.in_picture ? box : main);
        RECT r = ClientRectIn(h, e.in_picture ? box : main);
        EXPECT_EQ(r.left, e.x);
        EXPECT_EQ(r.top, e.y);
        EXPECT_EQ(Width(r), e.w);
        if (e.h >= 0) {
            EXPECT_EQ(Height(r), e.h);
        }
        EXPECT_TRUE(IsWindowVisible(h));
        const DWORD style = GetWindowLongW(h, GWL_STYLE);
        const DWORD ex = GetWindowLongW(h, GWL_EXSTYLE);
        EXPECT_EQ((style & WS_TABSTOP) != 0, e.tabstop);
        EXPECT_EQ(style & e.style_set, e.style_set) << std::hex << "style " << style;
        EXPECT_EQ(style & e.style_clear, 0u) << std::hex << "style " << style;
        EXPECT_EQ(ex & e.ex_set, e.ex_set) << std::hex << "ex style " << ex;
        EXPECT_EQ(ex & e.ex_clear, 0u) << std::hex << "ex style " << ex;
        if (e.text) {
            EXPECT_EQ(Utf8(Text(h)), Utf8(e.text));
        }
    }
    // The picture box has no frame: its client area is the whole window.
    RECT client;
    GetClientRect(box, &client);
    EXPECT_EQ(client.right, 192);
    EXPECT_EQ(client.bottom, 184);

    // The timer (index 6) has no window; apart from the combo box's own
    // parts there is no other window inside MainWindow.
    EXPECT_EQ(app.Control(main, kTimer), nullptr);
    std::multiset<int> ids;
    EnumChildWindows(
        main,
        [](HWND h, LPARAM lp) -> BOOL {
            if (ClassOf(GetParent(h)) != L"ComboBox")
                reinterpret_cast<std::multiset<int>*>(lp)->insert(GetDlgCtrlID(h));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ids));
    std::multiset<int> want;
    for (const Expected& e : kLayout) want.insert(100 + e.index);
    EXPECT_EQ(ids, want);
}

TEST(EditorLayout, ChildrenAreStackedLaterAboveEarlier) {
    App app;
    std::vector<int> order;
    for (HWND h = GetWindow(app.main(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        order.push_back(GetDlgCtrlID(h) - 100);
    const std::vector<int> top_to_bottom = {kNotice,     kAbout,      kCaption2,  kGenerate,
                                            kLine2Edit,  kLine2Label, kLine1Label, kLine1Edit,
                                            kPicture,    kFaceList};
    EXPECT_EQ(order, top_to_bottom);
}

TEST(EditorLayout, FaceListHoldsTheTwoFacesAndRoomForItsList) {
    App app;
    HWND combo = app.Control(app.main(), kFaceList);
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    const wchar_t* const items[] = {L"表情1", L"表情2"};  // in this order: not sorted
    for (int i = 0; i < 2; ++i) {
        wchar_t buf[32] = {};
        ASSERT_EQ(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0), 3);
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
        EXPECT_STREQ(buf, items[i]) << "item " << i;
    }
    EXPECT_EQ(Utf8(Text(combo)), "表情1");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR) << "no item is selected at start";

    // Combo boxes made here with the same style, width and font as the
    // program's: one 160 high and its neighbours, to compare with.  Wine
    // reports the dropped rectangle of a combo box from its created height
    // less the field, so the created height is read by comparison.
    HWND top = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                               nullptr, nullptr);
    auto made = [&](int height) {
        HWND c = CreateWindowExW(0, L"COMBOBOX", L"",
                                 WS_CHILD | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0, 0, 80,
                                 height, top, nullptr, nullptr, nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
        return c;
    };
    auto dropped = [](HWND c) {
        RECT r{};
        SendMessageW(c, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
        return r;
    };
    HWND ref = made(160);
    const RECT want = dropped(ref);
    ASSERT_NE(Height(want), Height(dropped(made(159))));
    ASSERT_NE(Height(want), Height(dropped(made(161))));
    const RECT got = dropped(combo);
    EXPECT_EQ(Width(got), 80);
    EXPECT_EQ(Height(got), Height(want)) << "the list's room is not that of a box made 160 high";
    // Its closed window is only the field.
    EXPECT_LT(Height(ScreenRect(combo)), 160);

    // The list's rows are one pixel taller than the font's own rows.
    const LRESULT own_rows = SendMessageW(ref, CB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(own_rows, 0);
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0), own_rows + 1);
    // The field keeps the font's height.
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, WPARAM(-1), 0),
              SendMessageW(ref, CB_GETITEMHEIGHT, WPARAM(-1), 0));
    DestroyWindow(top);
}

TEST(EditorLayout, CaptionBoxesTakeAnyLength) {
    App app;
    for (int i : {kLine1Edit, kLine2Edit}) {
        HWND edit = app.Control(app.main(), i);
        ASSERT_NE(edit, nullptr);
        // Single-line edit boxes allow 0x7FFFFFFE characters when unlimited
        // (the default is 30000).
        EXPECT_GE(static_cast<unsigned long long>(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0)),
                  0x7FFFFFFEull)
            << "control " << i;
    }
}

// The fonts, seen in what the controls draw: each of the program's controls
// (its window inactive) looks pixel for pixel like a control of the same
// class, style, size and text made here with the expected font, and unlike
// one with a neighbouring font.
TEST(EditorLayout, ControlsDrawWithTheirFonts) {
    App app;
    HWND main = app.main();
    const std::wstring sample = L"字样Abc";
    for (int i : {kLine1Edit, kLine2Edit})
        SendMessageW(app.Control(main, i), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sample.c_str()));

    struct Twin {
        int index;
        const char* font_name;
        HFONT font;
        bool same;
    };
    const Twin twins[] = {
        {kFaceList, "default GUI font", GuiFont(), true},
        {kLine1Edit, "宋体 12", SongTi12(false), true},
        {kLine2Edit, "宋体 12", SongTi12(false), true},
        {kGenerate, "default GUI font", GuiFont(), true},
        {kAbout, "宋体 12 underlined", SongTi12(true), true},
        {kFaceList, "宋体 12", SongTi12(false), false},
        {kLine1Edit, "default GUI font", GuiFont(), false},
        {kGenerate, "宋体 12", SongTi12(false), false},
        {kAbout, "宋体 12", SongTi12(false), false},
    };
    Bench bench;
    std::vector<HWND> made;
    for (const Twin& t : twins) {
        HWND c = app.Control(main, t.index);
        const RECT r = ScreenRect(c);
        const bool combo = t.index == kFaceList;
        HWND m = bench.Add(ClassOf(c), GetWindowLongW(c, GWL_STYLE),
                           GetWindowLongW(c, GWL_EXSTYLE), Width(r), combo ? 160 : Height(r),
                           Text(c), t.font);
        if (combo)
            for (const wchar_t* item : {L"表情1", L"表情2"})
                SendMessageW(m, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        made.push_back(m);
    }
    bench.Show();
    ASSERT_TRUE(WaitUntil([&] { return ActiveOf(main) != main; }, 2000))
        << "the program's window stays active";
    // The face list had the focus at start, which selected its text, and
    // Wine keeps showing that selection after the window is deactivated;
    // the bench's was never focused.  Drop the selection to compare the text.
    SendMessageW(app.Control(main, kFaceList), CB_SETEDITSEL, 0, MAKELPARAM(-1, 0));
    for (std::size_t k = 0; k < std::size(twins); ++k) {
        const Twin& t = twins[k];
        SCOPED_TRACE("control " + std::to_string(t.index) +
                     " against " + t.font_name);
        HWND c = app.Control(main, t.index);
        // Drawn with some dark text at all, so that a difference means the font.
        const bool drawn = PumpUntil(
            [&] {
                const Shot s = Capture(ScreenRect(made[k]));
                return std::any_of(s.px.begin(), s.px.end(),
                                   [](std::uint32_t v) { return (v & 0x808080) == 0; });
            },
            2000);
        ASSERT_TRUE(drawn) << "the bench control shows no text";
        if (t.same) {
            EXPECT_TRUE(PumpUntil(
                [&] { return SamePixels(Capture(ScreenRect(c)), Capture(ScreenRect(made[k]))); },
                2000))
                << "the control does not draw like one in " << t.font_name << ": "
                << Difference(Capture(ScreenRect(c)), Capture(ScreenRect(made[k])));
        } else {
            Pump();
            EXPECT_FALSE(SamePixels(Capture(ScreenRect(c)), Capture(ScreenRect(made[k]))))
                << "the comparison cannot tell " << t.font_name << " apart";
        }
    }
}

// The labels as drawn on the screen: text colour, button-face background,
// one line, from the left edge, vertically centred.
TEST(EditorLayout, LabelsShowTheirTextInTheirColour) {
    App app;
    HWND main = app.main();
    const std::uint32_t face = Rgb(GetSysColor(COLOR_BTNFACE));
    struct Case {
        int index;
        std::uint32_t color;
    };
    const Case cases[] = {{kLine1Label, 0x000000}, {kLine2Label, 0x000000}, {kNotice, 0xFF0000}};

    // The height of one line and the width of the notice in the default GUI font.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GuiFont());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SIZE notice_size{};
    const std::wstring notice = kNoticeText;
    GetTextExtentPoint32W(dc, notice.c_str(), static_cast<int>(notice.size()), &notice_size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);

    for (const Case& c : cases) {
        SCOPED_TRACE("control " + std::to_string(c.index));
        HWND label = app.Control(main, c.index);
        ASSERT_NE(label, nullptr);
        Shot s;
        ASSERT_TRUE(WaitUntil(
            [&] {
                s = Capture(ScreenRect(label));
                return InkOf(s, face, c.color).reaches_fg;
            },
            3000))
            << "no pixel of the label is in its text colour";
        const Ink ink = InkOf(s, face, c.color);
        EXPECT_TRUE(ink.mixes_only) << std::hex << "pixel " << ink.stray
                                    << " is neither the background nor the text colour";
        EXPECT_GT(ink.count, 40);
        EXPECT_LT(ink.count, s.width * s.height / 2) << "the background is not the button face";
        for (int x = 0; x < s.width; ++x) {
            ASSERT_EQ(s.px[x], face) << "top row, x " << x;
            ASSERT_EQ(s.px[std::size_t(s.height - 1) * s.width + x], face) << "bottom row, x " << x;
        }
        EXPECT_LE(ink.left, 2) << "the text does not start at the left edge";
        EXPECT_LE(ink.bottom - ink.top + 1, tm.tmHeight) << "more than one line";
        const int above = ink.top, below = s.height - 1 - ink.bottom;
        EXPECT_LE(std::abs(above - below), 2) << "rows above " << above << ", below " << below;
        if (c.index == kNotice && notice_size.cx < s.width) {
            // The whole notice on its one line.
            EXPECT_GE(ink.right - ink.left + 1, notice_size.cx - 4);
        }
    }
}

// ---------------------------------------------------------------- focus

TEST(EditorFocus, StartsInTheFaceList) {
    App app;
    HWND combo = app.Control(app.main(), kFaceList);
    EXPECT_TRUE(WaitUntil([&] { return FocusIn(app.main(), combo); }, 2000))
        << "focus is in a " << Utf8(ClassOf(FocusOf(app.main())));
}

// Tab visits the tab stops in creation order and wraps round; Shift+Tab
// walks them backwards.
TEST(EditorFocus, TabAndShiftTabWalkTheTabStops) {
    App app;
    HWND main = app.main();
    Foreground(main);
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, app.Control(main, kFaceList)); }, 2000));
    struct Walk {
        bool back;
        std::vector<int> stops;
    };
    const Walk walks[] = {
        {false, {kLine1Edit, kLine2Edit, kGenerate, kAbout, kFaceList}},
        {true, {kAbout, kGenerate, kLine2Edit, kLine1Edit, kFaceList}},
    };
    for (const Walk& w : walks) {
        for (int stop : w.stops) {
            if (w.back)
                Chord(VK_SHIFT, VK_TAB);
            else
                Tap(VK_TAB);
            EXPECT_TRUE(WaitUntil([&] { return FocusIn(main, app.Control(main, stop)); }, 2000))
                << (w.back ? "Shift+Tab" : "Tab") << " does not reach control " << stop;
        }
    }
}

TEST(EditorFocus, ComesBackToTheSameControlAfterAnotherWindow) {
    App app;
    HWND main = app.main();
    Foreground(main);
    HWND edit = app.Control(main, kLine2Edit);
    Tap(VK_TAB);
    Tap(VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, edit); }, 2000));
    {
        App other;  // a second copy comes up in front
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other.main(); }, 3000));
        EXPECT_FALSE(FocusIn(main, edit));
        Foreground(main);
        EXPECT_TRUE(WaitUntil([&] { return FocusIn(main, edit); }, 2000))
            << "the focus did not come back to 编辑框3";
    }
}

TEST(EditorFocus, EscWhileTypingClosesTheWindow) {
    App app;
    HWND main = app.main();
    Foreground(main);
    HWND edit = app.Control(main, kLine1Edit);
    Tap(VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, edit); }, 2000));
    TypeUnicode(L"半句");
    ASSERT_TRUE(WaitUntil([&] { return Text(edit) == L"半句"; }, 2000));
    Tap(VK_ESCAPE);
    EXPECT_EQ(app.WaitExit(), 0u);
}

// Enter in a caption box neither presses a button nor changes a text, the
// focus or the captions over the face.  A character typed after Enter shows
// that Enter has been handled.
TEST(EditorFocus, EnterInACaptionBoxChangesNothing) {
    App app;
    HWND main = app.main();
    Foreground(main);
    HWND edits[] = {app.Control(main, kLine1Edit), app.Control(main, kLine2Edit)};
    const std::wstring lines[] = {L"上句", L"下句"};
    for (int k = 0; k < 2; ++k) {
        Tap(VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, edits[k]); }, 2000));
        TypeUnicode(lines[k]);
        ASSERT_TRUE(WaitUntil([&] { return Text(edits[k]) == lines[k]; }, 2000));
    }
    HWND box = app.Control(main, kPicture);  // both captions lie over it
    const Shot before = CaptureClient(box);

    for (int k : {1, 0}) {
        SCOPED_TRACE("caption box " + std::to_string(k + 1));
        if (k == 0) Chord(VK_SHIFT, VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, edits[k]); }, 2000));
        Tap(VK_END);
        Tap(VK_RETURN);
        TypeUnicode(L"!");
        ASSERT_TRUE(WaitUntil([&] { return Text(edits[k]) == lines[k] + L"!"; }, 2000))
            << "the box holds " << Utf8(Text(edits[k]));
        EXPECT_TRUE(FocusIn(main, edits[k]));
        EXPECT_EQ(Utf8(Text(edits[1 - k])), Utf8(lines[1 - k]));
        EXPECT_FALSE(WaitUntil([&] { return !SamePixels(CaptureClient(box), before); }, 300))
            << "the captions changed";
        EXPECT_EQ(app.FindTop(kAboutTitle), nullptr);
        Tap(VK_BACK);
        ASSERT_TRUE(WaitUntil([&] { return Text(edits[k]) == lines[k]; }, 2000));
    }
    // The same region does show it when the captions are made.
    Click(app.Control(main, kGenerate));
    EXPECT_TRUE(WaitUntil([&] { return !SamePixels(CaptureClient(box), before); }, 2000))
        << "clicking 点击生成 leaves the captions region as it was";
}

// On the focused About_ button Enter does nothing and Space presses it.
TEST(EditorFocus, AboutButtonTakesSpaceButNotEnter) {
    App app;
    HWND main = app.main();
    Foreground(main);
    HWND about = app.Control(main, kAbout);
    HWND combo = app.Control(main, kFaceList);
    Chord(VK_SHIFT, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, about); }, 2000));
    Tap(VK_RETURN);
    Tap(VK_TAB);  // handled after Enter
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, combo); }, 2000));
    EXPECT_FALSE(WaitUntil([&] { return app.FindTop(kAboutTitle) != nullptr; }, 300))
        << "Enter opened the About window";

    Chord(VK_SHIFT, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, about); }, 2000));
    Tap(VK_SPACE);
    HWND window = app.WaitTop(kAboutTitle, 3000);
    ASSERT_NE(window, nullptr) << "Space did not open the About window";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }, 3000));
    EXPECT_TRUE(app.Running());
}

// ---------------------------------------------------------------- the face

TEST_F(EditorFace, FirstShowIsFaceOne) {
    App app;
    HWND box = app.Control(app.main(), kPicture);
    EXPECT_TRUE(WaitUntil([&] { return Shows(box, *face1_); }, 3000))
        << "the picture box does not show face picture 1";
}

// Picking a face from the list shows it by the next tick of the face timer.
TEST_F(EditorFace, PickingFromTheListShowsThatFace) {
    App app;
    HWND main = app.main();
    HWND box = app.Control(main, kPicture);
    HWND combo = app.Control(main, kFaceList);
    ASSERT_TRUE(WaitUntil([&] { return Shows(box, *face1_); }, 3000));
    Foreground(main);
    const DWORD limit = kTickMs + 300;

    // 表情2 with the mouse: the arrow, then the second row of the list.
    const RECT field = ScreenRect(combo);
    ClickAt(field.right - 8, (field.top + field.bottom) / 2);
    HWND list = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (list = OpenList(app)) != nullptr; }, 2000))
        << "the list did not open";
    const int row = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
    RECT lc;
    GetClientRect(list, &lc);
    POINT item{lc.right / 2, row + row / 2};
    MapWindowPoints(list, nullptr, &item, 1);
    ClickAt(item.x, item.y);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(combo, CB_GETCURSEL, 0, 0) == 1; }, 2000));
    ULONGLONG picked = GetTickCount64();
    EXPECT_EQ(Utf8(Text(combo)), "表情2");
    EXPECT_TRUE(WaitUntil([&] { return Shows(box, *face2_); }, limit))
        << "face picture 2 is not shown " << limit << " ms after it was picked";
    std::printf("face 2 shown %llu ms after the pick\n", GetTickCount64() - picked);

    // 表情1 with the keyboard: Alt+Down, Up, Enter.
    ASSERT_TRUE(WaitUntil([&] { return OpenList(app) == nullptr; }, 2000));
    ASSERT_TRUE(FocusIn(main, combo));
    Chord(VK_MENU, VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return OpenList(app) != nullptr; }, 2000))
        << "Alt+Down did not open the list";
    Tap(VK_UP);
    Tap(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(combo, CB_GETCURSEL, 0, 0) == 0; }, 2000));
    ASSERT_TRUE(WaitUntil([&] { return OpenList(app) == nullptr; }, 2000));
    picked = GetTickCount64();
    EXPECT_TRUE(WaitUntil([&] { return Shows(box, *face1_); }, limit))
        << "face picture 1 is not back " << limit << " ms after it was picked";
    std::printf("face 1 shown %llu ms after the pick\n", GetTickCount64() - picked);
    EXPECT_TRUE(app.Running());
}

// A face name typed into the list's field is no pick: the face stays, at
// start and after a face was picked from the list.
TEST_F(EditorFace, TypedFaceNameIsNoPick) {
    App app;
    HWND main = app.main();
    HWND box = app.Control(main, kPicture);
    HWND combo = app.Control(main, kFaceList);
    ASSERT_TRUE(WaitUntil([&] { return Shows(box, *face1_); }, 3000));
    Foreground(main);
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(main, combo); }, 2000));
    struct Round {
        const char* when;
        int pick;  // list row picked first, or -1
        const wchar_t* typed;
        const Face* stays;
    };
    const Round rounds[] = {
        {"at start", -1, L"表情2", face1_},
        {"after picking 表情2", 1, L"表情1", face2_},
    };
    for (const Round& r : rounds) {
        SCOPED_TRACE(r.when);
        if (r.pick >= 0) {
            Chord(VK_MENU, VK_DOWN);
            ASSERT_TRUE(WaitUntil([&] { return OpenList(app) != nullptr; }, 2000));
            for (int i = 0; i <= r.pick; ++i) Tap(VK_DOWN);
            Tap(VK_RETURN);
            ASSERT_TRUE(WaitUntil([&] { return OpenList(app) == nullptr; }, 2000));
            ASSERT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), r.pick);
            ASSERT_TRUE(WaitUntil([&] { return Shows(box, *r.stays); }, kTickMs + 300));
        }
        Tap(VK_HOME);
        Chord(VK_SHIFT, VK_END);
        TypeUnicode(r.typed);
        ASSERT_TRUE(WaitUntil([&] { return Text(combo) == r.typed; }, 2000));
        // Two ticks and more: every frame still shows the face from before.
        EXPECT_FALSE(WaitUntil([&] { return !Shows(box, *r.stays); }, 2 * kTickMs + 200))
            << "typing changed the face";
    }
}

// ---------------------------------------------------------------- leaks

namespace {

// Posts `n` ticks of the face timer and waits until the window has handled
// them.
bool PostTicks(HWND main, int n) {
    for (int i = 0; i < n; ++i) PostMessageW(main, WM_TIMER, kFaceTimerId, 0);
    return DrainPosted(main);
}

}  // namespace

class EditorLeaks : public EditorFace {};

TEST_F(EditorLeaks, FaceTicksCostNoHandlesAndNoMemory) {
    App app(kTestBuild);
    HWND main = app.main();
    HWND combo = app.Control(main, kFaceList);
    HWND box = app.Control(main, kPicture);

    // A posted tick is the face timer's: right after the program's own
    // timer has shown face 2, a posted tick brings face 1 back long before
    // the timer's next tick.
    ASSERT_NE(SendMessageW(combo, CB_SETCURSEL, 1, 0), CB_ERR);
    ASSERT_TRUE(WaitUntil([&] { return Shows(box, *face2_); }, 2 * kTickMs));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    PostMessageW(main, WM_TIMER, kFaceTimerId, 0);
    ASSERT_TRUE(WaitUntil([&] { return Shows(box, *face1_); }, kTickMs / 2))
        << "a posted tick does not run the face timer's handler";

    ASSERT_NE(SendMessageW(combo, CB_SETCURSEL, 1, 0), CB_ERR);  // 表情2
    ASSERT_TRUE(PostTicks(main, 10));
    const long gdi = app.LiveGdi(), user = app.LiveUser();
    const std::size_t committed = app.Committed();
    ASSERT_GT(gdi, 0);
    ASSERT_GT(user, 0);
    ASSERT_GT(committed, 0u);
    for (int batch = 0; batch < 50; ++batch) {
        ASSERT_TRUE(PostTicks(main, 20)) << "batch " << batch;
        Sleep(5);  // room for a repaint between batches
    }
    EXPECT_EQ(app.LiveGdi(), gdi);
    EXPECT_EQ(app.LiveUser(), user);
    const std::size_t now = app.Committed();
    EXPECT_LE(now, committed + 256 * 1024)
        << "committed memory grew from " << committed << " to " << now << " bytes";
    std::printf("GDI %ld, USER %ld, committed %zu -> %zu bytes\n", gdi, user, committed, now);
}
