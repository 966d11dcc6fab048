/* Holds the Wine virtual desktop open for the whole test run: a process with
   one hidden window and a message loop.  Without it every test program would
   pay for a new desktop (and the desktop would inherit its output pipe). */
#include <windows.h>

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show)
{
    (void)prev; (void)cmd; (void)show;
    HWND w = CreateWindowExW(0, L"STATIC", L"tovimar-test-keeper", WS_POPUP, 0, 0, 1, 1,
                             NULL, NULL, inst, NULL);
    if (!w) return 1;
    MSG m;
    while (GetMessageW(&m, NULL, 0, 0) > 0) DispatchMessageW(&m);
    return 0;
}
