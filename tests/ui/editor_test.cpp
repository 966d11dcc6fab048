#include <gtest/gtest.h>
#include <cstdio>
#include <map>
#include "driver.h"
using namespace ui;

TEST(EditorProbe, Dump) {
    App app;
    HWND m = app.main();
    for (int i = 0; i < 12; ++i) {
        HWND h = app.Control(m, i);
        if (!h) { printf("%d none\n", i); continue; }
        RECT r = ClientRectIn(h, m);
        LOGFONTW lf = FontOf(h);
        HFONT f = (HFONT)SendMessageW(h, WM_GETFONT, 0, 0);
        printf("%d cls=%ls rect=%ld,%ld %ldx%ld style=%08lx ex=%08lx font=%p stock=%p lf h=%ld w=%ld u=%d face=%ls\n", i,
               ClassOf(h).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top,
               GetWindowLongW(h, GWL_STYLE), GetWindowLongW(h, GWL_EXSTYLE), (void*)f,
               GetStockObject(DEFAULT_GUI_FONT), lf.lfHeight, lf.lfWeight, lf.lfUnderline, lf.lfFaceName);
    }
    HWND combo = app.Control(m, 0);
    RECT dr{};
    LRESULT ok = SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&dr);
    printf("dropped rect ok=%ld %ld,%ld,%ld,%ld ih=%ld ih-1=%ld\n", (long)ok, dr.left, dr.top, dr.right, dr.bottom,
           (long)SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0), (long)SendMessageW(combo, CB_GETITEMHEIGHT, (WPARAM)-1, 0));
    HWND f = FocusOf(m);
    printf("focus %p class %ls parent %p combo %p\n", (void*)f, ClassOf(f).c_str(), (void*)GetParent(f), (void*)combo);
    printf("btnface %06lx\n", GetSysColor(COLOR_BTNFACE));
    Sleep(500);
    for (int i : {3, 11}) {
        Shot s = Capture(ScreenRect(app.Control(m, i)));
        std::map<uint32_t, int> hist;
        for (auto v : s.px) hist[v]++;
        printf("label %d colors:", i);
        for (auto& [k, n] : hist) printf(" %06x:%d", k, n);
        printf("\n");
        for (int y = 0; y < s.height; ++y) {
            for (int x = 0; x < std::min(s.width, 100); ++x) putchar(s.px[y * s.width + x] == 0xf0f0f0 ? '.' : '#');
            putchar('\n');
        }
    }
}
