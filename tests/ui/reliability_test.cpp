// Reliability under load and at the edges: a soak of ticks and caption
// clicks, a monkey of random real input, and inputs of extreme sizes and
// kinds.  Each checks that the program stays alive and responsive, shows no
// error box, keeps its handle counts and memory flat and still works after.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"

using namespace ui;

namespace {

constexpr int kCombo = 0, kBox = 1, kEdit1 = 2, kEdit2 = 5, kGenerate = 7, kAbout = 10;
constexpr UINT kTimerId = 106;

// Answers within `ms`: the GUI thread is not stuck.
bool Responsive(HWND w, DWORD ms = 2000) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &r) != 0;
}

void SetText(HWND edit, const std::wstring& s) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

// Whether the box shows glyph pixels (non-white) in a row band.
bool BandHasInk(const Shot& box, int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = 0; x < box.width; ++x)
            if (box.at(x, y) != 0xFFFFFF) return true;
    return false;
}

// The first and second caption bands of the box, with a margin for the
// font's line height.
bool FirstCaptionShown(HWND box) { return BandHasInk(CaptureClient(box), 124, 147); }
bool SecondCaptionShown(HWND box) { return BandHasInk(CaptureClient(box), 149, 171); }

// Everything posted before has been handled.
void Drain(HWND w) { ASSERT_TRUE(DrainPosted(w)) << "the program did not catch up"; }

// A caption click and a face change still work.
void ExpectStillWorks(App& app) {
    HWND main = app.main(), box = app.Control(main, kBox);
    SetText(app.Control(main, kEdit1), L"still");
    SetText(app.Control(main, kEdit2), L"works");
    SendMessageW(app.Control(main, kGenerate), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FirstCaptionShown(box) && SecondCaptionShown(box); }, 3000));
    // Whatever face is shown now (typing may have left face 2 up without a
    // selection), pick face 1 and let two ticks show it, then pick face 2.
    HWND combo = app.Control(main, kCombo);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    Sleep(1500);
    const Shot before = CaptureClient(box);
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    EXPECT_TRUE(WaitUntil([&] { return CaptureClient(box).px != before.px; }, 2000))
        << "the face did not change";
}

HWND ErrorBoxOf(const App& app) { return app.FindTop(L"错误"); }

// Mouse input in one batch, without the pauses of a hand: the monkey's
// input comes fast.
void FastMouse(std::initializer_list<std::pair<POINT, DWORD>> steps) {
    const int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
    std::vector<INPUT> ins;
    for (const auto& [p, flags] : steps) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = p.x * 65535 / w;
        in.mi.dy = p.y * 65535 / h;
        in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
        ins.push_back(in);
    }
    SendInput(static_cast<UINT>(ins.size()), ins.data(), sizeof(INPUT));
}

void FastClick(int x, int y) {
    FastMouse({{{x, y}, MOUSEEVENTF_MOVE},
               {{x, y}, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN},
               {{x, y}, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP}});
}

}  // namespace

TEST(Soak, TicksAndClicksKeepHandlesAndMemoryFlat) {
    App app(kTestBuild);
    HWND main = app.main();
    HWND e1 = app.Control(main, kEdit1), e2 = app.Control(main, kEdit2);
    HWND go = app.Control(main, kGenerate);
    SendMessageW(app.Control(main, kCombo), CB_SETCURSEL, 1, 0);
    std::mt19937 rng(7);
    auto click = [&](int i) {
        const int n1 = int(rng() % 200), n2 = int(rng() % 40);
        SetText(e1, std::wstring(n1, L'a' + i % 26) + L"第" + std::to_wstring(i));
        SetText(e2, std::wstring(n2, L'字'));
        SendMessageW(go, BM_CLICK, 0, 0);
    };
    // Warm-up.
    for (int i = 0; i < 100; ++i) {
        PostMessageW(main, WM_TIMER, kTimerId, 0);
        click(i);
    }
    Drain(main);
    const long gdi0 = app.LiveGdi(), user0 = app.LiveUser();
    const std::size_t mem0 = app.Committed();
    ASSERT_GT(gdi0, 0);
    int ticks = 100000;
    if (const char* s = std::getenv("TOVIMAR_SOAK_TICKS")) ticks = std::atoi(s);
    for (int i = 0; i < ticks; ++i) {
        PostMessageW(main, WM_TIMER, kTimerId, 0);
        if (i % 10 == 0) click(i);
        if (i % 500 == 499) Drain(main);  // keep the queue short
    }
    Drain(main);
    EXPECT_EQ(app.LiveGdi(), gdi0);
    EXPECT_EQ(app.LiveUser(), user0);
    const std::size_t mem1 = app.Committed();
    EXPECT_LE(mem1, mem0 + 64 * 1024) << "committed memory grew from " << mem0 << " to " << mem1;
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(ErrorBoxOf(app), nullptr);
    ExpectStillWorks(app);
}

TEST(Monkey, RandomRealInputLeavesTheProgramWorking) {
    unsigned seed = static_cast<unsigned>(GetTickCount64());
    if (const char* s = std::getenv("TOVIMAR_MONKEY_SEED")) seed = unsigned(std::strtoul(s, nullptr, 10));
    int steps = 20000;
    if (const char* s = std::getenv("TOVIMAR_MONKEY_STEPS")) steps = std::atoi(s);
    std::printf("monkey seed %u (replay with TOVIMAR_MONKEY_SEED=%u)\n", seed, seed);
    std::fflush(stdout);
    RecordProperty("seed", static_cast<int>(seed));
    std::mt19937 rng(seed);

    App app(kTestBuild);
    HWND main = app.main();
    Foreground(main);
    const long gdi0 = app.LiveGdi(), user0 = app.LiveUser();
    const std::size_t mem0 = app.Committed();
    const wchar_t* texts[] = {L"字", L"a", L"&", L" ", L"\U0001F600", L"表情2", L"ab&&c"};
    const WORD keys[] = {VK_TAB, VK_RETURN, VK_SPACE, VK_LEFT, VK_RIGHT, VK_UP,
                         VK_DOWN, VK_HOME, VK_END, VK_BACK, VK_DELETE, 'A'};
    for (int i = 0; i < steps; ++i) {
        HWND about = app.FindTop(kAboutTitle);
        HWND target = (about && rng() % 4 == 0) ? about : main;
        RECT r;
        GetClientRect(target, &r);
        MapWindowPoints(target, nullptr, reinterpret_cast<POINT*>(&r), 2);
        const int x = r.left + int(rng() % unsigned(r.right - r.left));
        const int y = r.top + int(rng() % unsigned(r.bottom - r.top));
        switch (rng() % 8) {
            case 0:
            case 1: FastClick(x, y); break;
            case 2: {  // a drag inside the client area
                const int x2 = r.left + int(rng() % unsigned(r.right - r.left));
                const int y2 = r.top + int(rng() % unsigned(r.bottom - r.top));
                FastMouse({{{x, y}, MOUSEEVENTF_MOVE},
                           {{x, y}, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN},
                           {{(x + x2) / 2, (y + y2) / 2}, MOUSEEVENTF_MOVE},
                           {{x2, y2}, MOUSEEVENTF_MOVE},
                           {{x2, y2}, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP}});
                break;
            }
            case 3: TypeUnicode(texts[rng() % 7]); break;
            case 4: Tap(keys[rng() % 12]); break;
            case 5: Chord(VK_SHIFT, VK_TAB); break;
            case 6: Chord(VK_MENU, VK_DOWN); break;  // opens the list when it has the focus
            case 7: {
                const RECT b = ScreenRect(app.Control(main, rng() % 2 ? kGenerate : kAbout));
                FastClick((b.left + b.right) / 2, (b.top + b.bottom) / 2);
                break;
            }
        }
        if (i % 50 == 0) DrainPosted(main, 10000);  // let the program keep up
        if (i % 200 == 0) {
            ASSERT_TRUE(app.Running()) << "seed " << seed << ", step " << i;
            ASSERT_TRUE(Responsive(main)) << "seed " << seed << ", step " << i;
            ASSERT_EQ(ErrorBoxOf(app), nullptr) << "seed " << seed << ", step " << i;
            // Bounded: the About window and an open list may add a few.
            ASSERT_LE(app.LiveGdi(), gdi0 + 8) << "seed " << seed;
            ASSERT_LE(app.LiveUser(), user0 + 16) << "seed " << seed;
        }
    }
    Drain(main);
    EXPECT_LE(app.Committed(), mem0 + 2 * 1024 * 1024) << "seed " << seed;
    // Close the list and the About window, then the usual work.
    SendMessageW(app.Control(main, kCombo), CB_SHOWDROPDOWN, FALSE, 0);
    if (HWND about = app.FindTop(kAboutTitle)) PostMessageW(about, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(main)) << "seed " << seed;
    ExpectStillWorks(app);
}

// ---- inputs at the edges

struct EdgeCase {
    const char* name;
    std::wstring first, second;
};

class EdgeInput : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(EdgeInput, NeitherHangsNorLosesTheOtherCaption) {
    App app;
    HWND main = app.main(), box = app.Control(main, kBox);
    HWND e1 = app.Control(main, kEdit1), e2 = app.Control(main, kEdit2);
    HWND go = app.Control(main, kGenerate);
    // One caption first, then the edge input into the other box.
    SetText(e1, L"first");
    SetText(e2, L"second");
    SendMessageW(go, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return SecondCaptionShown(box) && FirstCaptionShown(box); }, 2000));
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which == 0 ? "edge input in the first box" : "edge input in the second box");
        SetText(which == 0 ? e1 : e2, which == 0 ? GetParam().first : GetParam().second);
        DWORD_PTR r = 0;
        const ULONGLONG t0 = GetTickCount64();
        ASSERT_TRUE(SendMessageTimeoutW(go, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r))
            << "the click did not answer within 2 s";
        EXPECT_LE(GetTickCount64() - t0, 2000u);
        ASSERT_TRUE(Responsive(main));
        // The other caption is still drawn.
        if (which == 0)
            EXPECT_TRUE(SecondCaptionShown(box));
        else
            EXPECT_TRUE(FirstCaptionShown(box) || GetParam().first.find_first_not_of(L" &") ==
                                                     std::wstring::npos);
        SetText(which == 0 ? e1 : e2, which == 0 ? L"first" : L"second");
    }
    EXPECT_EQ(ErrorBoxOf(app), nullptr);
    EXPECT_TRUE(app.Running());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EdgeInput,
    ::testing::Values(EdgeCase{"MillionCharacters", std::wstring(1000000, L'字'),
                               std::wstring(1000000, L'x')},
                      EdgeCase{"OnlySpaces", std::wstring(500, L' '), L"   "},
                      EdgeCase{"OnlyAmpersands", std::wstring(501, L'&'), L"&"},
                      EdgeCase{"MixedScripts", L"Tovimar 表情 Ωμέγα русский ☺ 123",
                               L"ﾊﾟﾝﾀﾞ 熊猫 panda"},
                      EdgeCase{"OutsideGbk", L"\U0001F600\U0001F43C \u20AC \u0E01",
                               L"\U00020000\U0001F600"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EdgeInput, HugeTextInTheFaceListFieldChangesNothing) {
    App app;
    HWND main = app.main(), box = app.Control(main, kBox);
    HWND combo = app.Control(main, kCombo);
    const Shot before = CaptureClient(box);
    const std::wstring huge(100000, L'表');
    DWORD_PTR r = 0;
    ASSERT_TRUE(SendMessageTimeoutW(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(huge.c_str()),
                                    SMTO_ABORTIFHUNG, 2000, &r));
    for (int i = 0; i < 3; ++i) PostMessageW(main, WM_TIMER, kTimerId, 0);
    ASSERT_TRUE(Responsive(main));
    EXPECT_EQ(CaptureClient(box).px, before.px) << "typed text must not change the face";
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    ExpectStillWorks(app);
}
