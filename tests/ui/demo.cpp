// Opens the program, saves a picture of its main window as a BMP file,
// closes the window as a user would and reports the exit code.
//   tovimar-demo OUTPUT.bmp
#include <cstdio>
#include <fstream>

#include "driver.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tovimar-demo OUTPUT.bmp\n");
        return 2;
    }
    ui::App app;
    // Wait until the picture box shows something other than black.
    HWND box = app.Control(app.main(), 1);
    ui::WaitUntil([&] { return ui::CaptureClient(box).at(100, 40) != 0; }, 5000);
    Sleep(300);
    const ui::Shot s = ui::Capture(ui::ScreenRect(app.main()));

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
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
    out.write(reinterpret_cast<const char*>(s.px.data()), s.px.size() * 4);
    out.close();

    PostMessageW(app.main(), WM_CLOSE, 0, 0);
    const DWORD code = app.WaitExit();
    std::printf("tovimar.exe exit code: %lu\n", static_cast<unsigned long>(code));
    return static_cast<int>(code);
}
