/* The floor for the benchmark: a bare Win32 program built by the same
   toolchain and options, with one empty window of the main window's size
   that closes on WM_CLOSE. */
#include <windows.h>

static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_DESTROY) { PostQuitMessage(0); return 0; }
    return DefWindowProcW(h, m, w, l);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show)
{
    (void)prev; (void)cmd; (void)show;
    WNDCLASSW wc = {0};
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TovimarFloor";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, L"TovimarFloor", L"Tovimar floor",
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                             (GetSystemMetrics(SM_CXSCREEN) - 483) / 2,
                             (GetSystemMetrics(SM_CYSCREEN) - 274) / 2, 483, 274,
                             NULL, NULL, inst, NULL);
    ShowWindow(w, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}
