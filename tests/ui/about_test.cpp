#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "driver.h"

using namespace ui;

static void SaveBmp(const Shot& s, const char* path) {
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = s.width;
    ih.biHeight = -s.height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(s.px.size() * 4);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
    out.write(reinterpret_cast<const char*>(s.px.data()), s.px.size() * 4);
}

TEST(AboutScratch, Dump) {
    App app;
    Click(app.Control(app.main(), 10));
    HWND about = app.WaitTop(kAboutTitle);
    ASSERT_NE(about, nullptr);
    Sleep(500);
    RECT r = ScreenRect(about);
    printf("rect %ld %ld %ld %ld active %p fg %p about %p focus %p\n", r.left, r.top, r.right, r.bottom,
           (void*)ActiveOf(about), (void*)GetForegroundWindow(), (void*)about, (void*)FocusOf(about));
    RECT all{0, 0, 1024, 768};
    SaveBmp(Capture(all), "Z:\\tmp\\about-screen.bmp");
    for (int i = 0; i < 4; ++i) {
        HWND l = app.Control(about, i);
        RECT c = ClientRectIn(l, about);
        printf("label %d %ls [%ls] %ld %ld %ld %ld\n", i, ClassOf(l).c_str(), Text(l).c_str(), c.left, c.top, c.right, c.bottom);
        Shot s = Capture(ScreenRect(l));
        for (int y = 0; y < s.height; ++y) {
            for (int x = 0; x < s.width; ++x) {
                auto v = s.px[y * s.width + x];
                putchar(v == 0xF0F0F0 ? '.' : v == 0 ? '#' : '+');
            }
            putchar('\n');
        }
    }
    printf("btnface %06lx\n", (unsigned long)GetSysColor(COLOR_BTNFACE));
}
