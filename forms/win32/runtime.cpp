// The form run time on the Win32 window system: builds windows from their
// layouts, runs the message loop, dispatches events to the bound handlers and
// answers the handlers' property reads and writes.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "editor/picture.h"
#include "forms/app.h"
#include "forms/forms.h"
#include "forms/testing.h"
#include "forms/win32/handles.h"
#include "forms/win32/paint.h"
#include "forms/win32/text.h"

namespace forms {

#if TOVIMAR_TEST_BUILD
namespace testing {
std::size_t alloc_limit = 0;
bool fail_window_create = false;
}  // namespace testing
#endif

namespace win32 {
namespace {

constexpr wchar_t kFormClass[] = L"TovimarForm";
constexpr wchar_t kLabelClass[] = L"TovimarLabel";
constexpr wchar_t kPicBoxClass[] = L"TovimarPicBox";
constexpr wchar_t kTransLabelClass[] = L"TovimarTransLabel";

// Control ids start above IDOK (1) and IDCANCEL (2), which the window system
// may send on its own for Enter and Esc.
constexpr UINT kFirstControlId = 100;

bool Is(const Control* c, const char* cls) { return std::strcmp(c->cls, cls) == 0; }

COLORREF ToColorRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

struct LiveWindow;

struct LiveControl {
    const Control* desc = nullptr;
    LiveWindow* window = nullptr;
    HWND hwnd = nullptr;  // none for a timer
    UINT id = 0;
    HFONT font = nullptr;  // owned by the window; null: the system's default GUI font
    std::wstring caption;  // Label, TransLabel
    // PicBox: its own copy of the picture data and the decoded picture.
    std::vector<unsigned char> picture_data;
    DevicePicture picture;
    Bitmap back_buffer;  // the off-screen picture of the box's stack
    // Timer
    int period = 0;

    HFONT font_handle() const { return font; }
};

struct LiveWindow {
    const Window* desc = nullptr;
    HWND hwnd = nullptr;
    // One font per font description of the layout, shared by the controls
    // that use it; released with the window, after its controls.
    std::vector<std::pair<const forms::Font*, Font>> fonts;
    std::vector<std::unique_ptr<LiveControl>> controls;
    HWND saved_focus = nullptr;

    LiveControl* Find(const char* name) {
        for (auto& c : controls)
            if (std::strcmp(c->desc->name, name) == 0) return c.get();
        return nullptr;
    }
    LiveControl* ById(UINT id) {
        for (auto& c : controls)
            if (c->id == id) return c.get();
        return nullptr;
    }
};

class Win32Runtime final : public Runtime {
public:
    void Start(const Program& program);
    void RegisterExit(void (*routine)()) { exit_routine_ = routine; }
    int RunLoop();
    [[noreturn]] void Fatal(const char* message);

    bool LoadWindow(const char* window) override;
    char* ReadText(const char* window, const char* control, Prop prop) override;
    int ReadInt(const char* window, const char* control, Prop prop) override;
    void WriteText(const char* window, const char* control, Prop prop, const char* text) override;
    void WriteInt(const char* window, const char* control, Prop prop, int value) override;
    void WriteBytes(const char* window, const char* control, Prop prop,
                    const unsigned char* data, std::size_t size) override;
    char* ItemText(const char* window, const char* control, int index) override;
    void Release(char* text) override { std::free(text); }

    // Window procedures' side.
    LRESULT OnFormMessage(LiveWindow* w, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void OnFormDestroyed(LiveWindow* w);
    void PaintPicBox(LiveControl* box, HDC dc, const RECT& area);
    void PaintTransLabel(LiveControl* label, HDC dc);
    bool PreTranslate(MSG& msg);

private:
    LiveWindow* Loaded(const char* name);
    LiveControl* Target(const char* window, const char* control, const char* cls);
    void Fire(LiveWindow* w, const char* source, const char* event);
    bool Create(const Window& layout);
    bool CreateControl(LiveWindow& w, LiveControl& c);
    void MoveFocus(LiveWindow& w, int step);
    HWND FirstTabStop(LiveWindow& w);
    void WriteCaption(LiveControl& label, const char* text);
    void WritePicture(LiveControl& box, const unsigned char* data, std::size_t size);
    void WritePeriod(LiveControl& timer, int period);
    std::vector<Caption> CaptionsOver(LiveControl& box);
    LiveControl* BackdropOf(LiveControl& label);

    const Program* program_ = nullptr;
    void (*exit_routine_)() = nullptr;
    std::vector<std::unique_ptr<LiveWindow>> windows_;
    Icon icon_large_, icon_small_;
    bool loop_flag_ = false;
    bool ending_ = false;
#if TOVIMAR_TEST_BUILD
    UINT live_handles_msg_ = 0;
    UINT icon_sizes_msg_ = 0;
    UINT time_writes_msg_ = 0;
    UINT mark_msg_ = 0;
    WPARAM last_mark_ = 0;
    LRESULT TimePictureWrites(LiveWindow& w, int count);
#endif
};

Win32Runtime g_rt;

char* CopyOut(const std::string& s) {
    if (s.empty()) return nullptr;
    char* p = static_cast<char*>(Alloc(s.size() + 1));
    std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

// ---- window procedures: each attaches its object at WM_NCCREATE and
// delegates.

template <class T>
T* Attached(HWND hwnd, UINT msg, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* w = Attached<LiveWindow>(hwnd, msg, lp);
    if (!w) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        WindowGone();
        g_rt.OnFormDestroyed(w);
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    return g_rt.OnFormMessage(w, hwnd, msg, wp, lp);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* c = Attached<LiveControl>(hwnd, msg, lp);
    switch (msg) {
        case WM_ERASEBKGND: return 1;  // the paint fills the whole label
        case WM_PAINT:
        case WM_PRINTCLIENT: {
            PAINTSTRUCT ps;
            HDC dc = msg == WM_PAINT ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wp);
            RECT client;
            GetClientRect(hwnd, &client);
            if (c)
                PaintLabel(dc, client, c->caption, c->font_handle(), ToColorRef(c->desc->color),
                           c->desc->align);
            if (msg == WM_PAINT) EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_NCHITTEST: return HTTRANSPARENT;
        case WM_NCDESTROY: WindowGone(); break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PicBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* c = Attached<LiveControl>(hwnd, msg, lp);
    switch (msg) {
        case WM_ERASEBKGND: return 1;  // no black frame between paints
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (c) g_rt.PaintPicBox(c, dc, ps.rcPaint);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd, &client);
            if (c) g_rt.PaintPicBox(c, reinterpret_cast<HDC>(wp), client);
            return 0;
        }
        case WM_NCDESTROY: WindowGone(); break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TransLabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* c = Attached<LiveControl>(hwnd, msg, lp);
    switch (msg) {
        case WM_ERASEBKGND: return 1;  // transparent: no background of its own
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (c) g_rt.PaintTransLabel(c, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            if (c) g_rt.PaintTransLabel(c, reinterpret_cast<HDC>(wp));
            return 0;
        case WM_NCHITTEST: return HTTRANSPARENT;
        case WM_NCDESTROY: WindowGone(); break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The standard controls (edit, button, combo box) are subclassed only to see
// their destruction, so that the ledger stays exact.
template <int Slot>
struct Subclass {
    static WNDPROC original;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCDESTROY) WindowGone();
        return CallWindowProcW(original, hwnd, msg, wp, lp);
    }
};
template <int Slot>
WNDPROC Subclass<Slot>::original = nullptr;

template <int Slot>
void CountDestruction(HWND hwnd) {
    WNDPROC old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass<Slot>::Proc)));
    if (!Subclass<Slot>::original) Subclass<Slot>::original = old;
}

void RegisterClasses() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);

    wc.lpfnWndProc = FormProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);

    wc.lpfnWndProc = LabelProc;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kLabelClass;
    RegisterClassExW(&wc);

    wc.lpfnWndProc = PicBoxProc;
    wc.lpszClassName = kPicBoxClass;
    RegisterClassExW(&wc);

    wc.lpfnWndProc = TransLabelProc;
    wc.lpszClassName = kTransLabelClass;
    RegisterClassExW(&wc);
}

Font MakeFont(const forms::Font* f) {
    if (!f) return Font();
    const std::wstring face = Widen(f->face);
    return Font(CreateFontW(-f->height, 0, 0, 0, f->weight, f->italic, f->underline, f->strikeout,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            PROOF_QUALITY, DEFAULT_PITCH, face.c_str()));
}

}  // namespace

// ---- start and loop

void Win32Runtime::Start(const Program& program) {
    // The current directory is the executable's folder.
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        if (wchar_t* slash = std::wcsrchr(path, L'\\')) {
            *slash = 0;
            SetCurrentDirectoryW(path);
        }
    }
    SetRuntime(this);
    if (!CheckProgram(program).empty()) Fatal(kErrWindowData);
    program_ = &program;
    RegisterClasses();
    HINSTANCE inst = GetModuleHandleW(nullptr);
    icon_large_ = Icon(static_cast<HICON>(LoadImageW(inst, L"DEFAULT_ICON", IMAGE_ICON, 32, 32, 0)));
    icon_small_ = Icon(static_cast<HICON>(LoadImageW(inst, L"DEFAULT_ICON", IMAGE_ICON, 16, 16, 0)));
#if TOVIMAR_TEST_BUILD
    live_handles_msg_ = RegisterWindowMessageW(testing::kLiveHandlesMessage);
    icon_sizes_msg_ = RegisterWindowMessageW(testing::kIconSizesMessage);
    time_writes_msg_ = RegisterWindowMessageW(testing::kTimePictureWritesMessage);
    mark_msg_ = RegisterWindowMessageW(testing::kMarkMessage);
#endif
}

int Win32Runtime::RunLoop() {
    loop_flag_ = true;
    int code = 0;
    if (!windows_.empty()) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        code = static_cast<int>(msg.wParam);
    }
    // Normal shutdown: mark the end, release the layouts, call the exit
    // routine once, release the run time's own resources.
    ending_ = true;
    program_ = nullptr;
    if (auto routine = std::exchange(exit_routine_, nullptr)) routine();
    windows_.clear();
    icon_small_.reset();
    icon_large_.reset();
    return code;
}

void Win32Runtime::Fatal(const char* message) {
    // No handler runs any more, also not from the message box's own loop.
    ending_ = true;
    exit_routine_ = nullptr;
    const std::wstring text = Widen(FatalText(message).c_str());
    const std::wstring caption = Widen(kErrCaption);
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    ExitProcess(0xFFFFFFFFu);
}

// Keyboard handling of the loop: Tab and Shift+Tab walk the tab stops in
// creation order, Esc closes the window, Enter does nothing.  The window
// system's dialog manager is not used: it walks tab stops in stacking order,
// which here is the reverse of the creation order, and it would turn Enter
// into IDOK.
bool Win32Runtime::PreTranslate(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    LiveWindow* w = nullptr;
    for (auto& lw : windows_)
        if (lw->hwnd == top) w = lw.get();
    if (!w) return false;
    // An open drop-down list takes Enter and Esc itself, to close the list.
    HWND combo = GetParent(msg.hwnd);
    const bool list_open = combo && SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0);
    switch (msg.wParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
            MoveFocus(*w, GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
            return true;
        case VK_ESCAPE:
            if (list_open) return false;
            PostMessageW(top, WM_CLOSE, 0, 0);
            return true;
        case VK_RETURN:
            return !list_open;
    }
    return false;
}

// ---- loading and unloading

LiveWindow* Win32Runtime::Loaded(const char* name) {
    for (auto& w : windows_)
        if (std::strcmp(w->desc->name, name) == 0) return w.get();
    return nullptr;
}

bool Win32Runtime::LoadWindow(const char* name) {
    if (!program_) return false;
    if (LiveWindow* w = Loaded(name)) {
        if (IsIconic(w->hwnd))
            ShowWindow(w->hwnd, SW_RESTORE);
        else
            SetForegroundWindow(w->hwnd);
        return true;
    }
    const Window* layout = FindWindowLayout(*program_, name);
    return layout && Create(*layout);
}

bool Win32Runtime::Create(const Window& layout) {
#if TOVIMAR_TEST_BUILD
    if (testing::fail_window_create) return false;
#endif
    auto owned = std::make_unique<LiveWindow>();
    LiveWindow* w = owned.get();
    w->desc = &layout;
    // Centred on the primary screen, by the outer size.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - layout.w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - layout.h) / 2;
    const std::wstring title = Widen(layout.title);
    windows_.push_back(std::move(owned));
    w->hwnd = CreateCountedWindow(WS_EX_APPWINDOW, kFormClass, title.c_str(),
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, x, y,
                                  layout.w, layout.h, nullptr, nullptr, w);
    if (!w->hwnd) {
        windows_.pop_back();
        return false;
    }
    RECT r;
    GetWindowRect(w->hwnd, &r);
    if (r.right - r.left != layout.w || r.bottom - r.top != layout.h)
        SetWindowPos(w->hwnd, nullptr, 0, 0, layout.w, layout.h,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(w->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_large_.get()));
    SendMessageW(w->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));

    for (std::size_t i = 0; i < layout.control_count; ++i) {
        auto c = std::make_unique<LiveControl>();
        c->desc = &layout.controls[i];
        c->window = w;
        c->id = kFirstControlId + static_cast<UINT>(i);
        LiveControl* raw = c.get();
        w->controls.push_back(std::move(c));
        if (!CreateControl(*w, *raw)) {
            DestroyWindow(w->hwnd);
            return false;
        }
    }
    // Later controls lie above earlier ones among siblings.
    for (auto& c : w->controls)
        if (c->hwnd)
            SetWindowPos(c->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (auto& c : w->controls)
        if (c->hwnd && c->desc->visible) ShowWindow(c->hwnd, SW_SHOWNA);

    HWND hwnd = w->hwnd;
    Fire(w, layout.name, "created");
    if (!IsWindow(hwnd)) return true;  // the handler closed it again
    if (layout.visible) {
        ShowWindow(hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(hwnd);
        HWND first = FirstTabStop(*w);
        SetFocus(first ? first : hwnd);
    }
    return true;
}

bool Win32Runtime::CreateControl(LiveWindow& w, LiveControl& c) {
    const Control& d = *c.desc;
    HWND parent = w.hwnd;
    if (std::strcmp(d.parent, w.desc->name) != 0) {
        LiveControl* p = w.Find(d.parent);
        if (!p || !p->hwnd) return false;
        parent = p->hwnd;
    }
    if (d.font) {
        for (auto& [desc, f] : w.fonts)
            if (desc == d.font) c.font = f.get();
        if (!c.font) {
            w.fonts.emplace_back(d.font, MakeFont(d.font));
            c.font = w.fonts.back().second.get();
        }
    }
    HFONT font = c.font ? c.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const std::wstring text = Widen(d.text);
    const DWORD child = WS_CHILD | (d.tabstop ? WS_TABSTOP : 0);
    HMENU id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(c.id));

    if (Is(&d, "Timer")) {
        c.period = 0;
        WritePeriod(c, d.period);
        return true;
    }
    if (Is(&d, "EditBox")) {
        // No ES_NOHIDESEL: the selection hides while the box has no focus.
        c.hwnd = CreateCountedWindow(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                                     child | ES_LEFT | ES_AUTOHSCROLL, d.x, d.y, d.w, d.h, parent,
                                     id, nullptr);
        if (!c.hwnd) return false;
        CountDestruction<0>(c.hwnd);
        SendMessageW(c.hwnd, EM_LIMITTEXT, 0, 0);  // no limit of our own
    } else if (Is(&d, "Button")) {
        c.hwnd = CreateCountedWindow(0, L"BUTTON", text.c_str(),
                                     child | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE,
                                     d.x, d.y, d.w, d.h, parent, id, nullptr);
        if (!c.hwnd) return false;
        CountDestruction<1>(c.hwnd);
    } else if (Is(&d, "ComboBox")) {
        c.hwnd = CreateCountedWindow(0, L"COMBOBOX", L"",
                                     child | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, d.x, d.y,
                                     d.w, d.h < kComboMinHeight ? kComboMinHeight : d.h, parent,
                                     id, nullptr);
        if (!c.hwnd) return false;
        CountDestruction<2>(c.hwnd);
    } else if (Is(&d, "Label") || Is(&d, "TransLabel")) {
        const bool trans = Is(&d, "TransLabel");
        c.caption = text;
        c.hwnd = CreateCountedWindow(trans ? WS_EX_TRANSPARENT : 0,
                                     trans ? kTransLabelClass : kLabelClass, text.c_str(), child,
                                     d.x, d.y, d.w, d.h, parent, id, &c);
        if (!c.hwnd) return false;
    } else if (Is(&d, "PicBox")) {
        // Neither WS_CLIPCHILDREN nor WS_CLIPSIBLINGS: the box paints under
        // the transparent captions that lie over it.
        c.hwnd = CreateCountedWindow(0, kPicBoxClass, L"", child, d.x, d.y, d.w, d.h, parent, id,
                                     &c);
        if (!c.hwnd) return false;
        WritePicture(c, d.picture, d.picture_size);
    } else {
        return false;
    }
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (Is(&d, "ComboBox")) {
        SendMessageW(c.hwnd, CB_LIMITTEXT, 0, 0);
        for (std::size_t k = 0; k < d.item_count; ++k) {
            const std::wstring item = Widen(d.items[k]);
            SendMessageW(c.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        const LRESULT row = SendMessageW(c.hwnd, CB_GETITEMHEIGHT, 0, 0);
        if (row != CB_ERR && SendMessageW(c.hwnd, CB_SETITEMHEIGHT, 0, row + 1) == CB_ERR) {
            // Under Wine a combo box whose list is not owner-drawn refuses
            // the rows' height (CB_ERR): give it to the list directly.
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            if (GetComboBoxInfo(c.hwnd, &info) && info.hwndList)
                SendMessageW(info.hwndList, LB_SETITEMHEIGHT, 0, row + 1);
        }
        // The field shows the stored text while no list item is selected.
        SetWindowTextW(c.hwnd, text.c_str());
    }
    return true;
}

void Win32Runtime::OnFormDestroyed(LiveWindow* w) {
    // The window and its controls are gone: unload it.
    for (auto it = windows_.begin(); it != windows_.end(); ++it) {
        if (it->get() == w) {
            windows_.erase(it);
            break;
        }
    }
    if (windows_.empty() && loop_flag_ && !ending_) PostQuitMessage(0);
}

LRESULT Win32Runtime::OnFormMessage(LiveWindow* w, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED && lp) {
                if (LiveControl* c = w->ById(LOWORD(wp)); c && Is(c->desc, "Button"))
                    Fire(w, c->desc->name, "clicked");
            }
            return 0;
        case WM_TIMER:
            if (LiveControl* c = w->ById(static_cast<UINT>(wp)); c && Is(c->desc, "Timer"))
                Fire(w, c->desc->name, "tick");
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND f = GetFocus();
                if (f && IsChild(hwnd, f)) w->saved_focus = f;
            } else if (!HIWORD(wp)) {
                // Back to the control that had the focus, else the first tab stop.
                HWND f = w->saved_focus && IsWindow(w->saved_focus) ? w->saved_focus
                                                                     : FirstTabStop(*w);
                SetFocus(f ? f : hwnd);
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(hwnd);  // no close query is bound
            return 0;
    }
#if TOVIMAR_TEST_BUILD
    if (msg == live_handles_msg_ && live_handles_msg_)
        return wp == 0 ? LiveHandles().gdi : LiveHandles().user;
    if (msg == mark_msg_ && mark_msg_) {
        if (lp == 0) last_mark_ = wp;
        return static_cast<LRESULT>(last_mark_);
    }
    if (msg == time_writes_msg_ && time_writes_msg_)
        return TimePictureWrites(*w, static_cast<int>(wp));
    if (msg == icon_sizes_msg_ && icon_sizes_msg_) {
        // Wine answers WM_GETICON from another process with nothing, so the
        // test build reports the sizes of the window's own icons.
        auto size = [&](WPARAM which) -> LRESULT {
            ICONINFO ii{};
            auto icon = reinterpret_cast<HICON>(DefWindowProcW(hwnd, WM_GETICON, which, 0));
            if (!icon || !GetIconInfo(icon, &ii)) return 0;
            BITMAP bm{};
            GetObjectW(ii.hbmColor, sizeof bm, &bm);
            DeleteObject(ii.hbmColor);
            DeleteObject(ii.hbmMask);
            return bm.bmWidth;
        };
        return MAKELONG(size(ICON_BIG), size(ICON_SMALL));
    }
#endif
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Runtime::Fire(LiveWindow* w, const char* source, const char* event) {
    if (ending_ || !program_) return;
    if (HandlerFn fn = BoundHandler(*program_, *w->desc, source, event)) fn();
}

#if TOVIMAR_TEST_BUILD
// Rewrites the picture box's own picture `count` times, each write followed
// by its repaint, and answers the median time of one in microseconds.
LRESULT Win32Runtime::TimePictureWrites(LiveWindow& w, int count) {
    LiveControl* box = nullptr;
    for (auto& c : w.controls)
        if (Is(c->desc, "PicBox")) box = c.get();
    if (!box || count <= 0) return -1;
    const std::vector<unsigned char> data = box->picture_data;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<long long> us;
    for (int i = 0; i < count; ++i) {
        QueryPerformanceCounter(&t0);
        WriteBytes(w.desc->name, box->desc->name, Prop::Picture, data.data(), data.size());
        UpdateWindow(box->hwnd);
        QueryPerformanceCounter(&t1);
        us.push_back((t1.QuadPart - t0.QuadPart) * 1000000 / freq.QuadPart);
    }
    std::sort(us.begin(), us.end());
    return static_cast<LRESULT>(us[us.size() / 2]);
}
#endif

// ---- focus

HWND Win32Runtime::FirstTabStop(LiveWindow& w) {
    for (auto& c : w.controls)
        if (c->desc->tabstop && c->hwnd && IsWindowVisible(c->hwnd) && IsWindowEnabled(c->hwnd))
            return c->hwnd;
    return nullptr;
}

void Win32Runtime::MoveFocus(LiveWindow& w, int step) {
    std::vector<LiveControl*> stops;
    for (auto& c : w.controls)
        if (c->desc->tabstop && c->hwnd && IsWindowVisible(c->hwnd) && IsWindowEnabled(c->hwnd))
            stops.push_back(c.get());
    if (stops.empty()) return;
    HWND focus = GetFocus();
    int at = -1;
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (stops[i]->hwnd == focus || IsChild(stops[i]->hwnd, focus)) at = static_cast<int>(i);
    const int n = static_cast<int>(stops.size());
    const int next = at < 0 ? (step > 0 ? 0 : n - 1) : ((at + step) % n + n) % n;
    LiveControl* to = stops[next];
    SetFocus(to->hwnd);
    // As in dialogs, a text field entered by Tab has its text selected.
    if (Is(to->desc, "EditBox")) SendMessageW(to->hwnd, EM_SETSEL, 0, -1);
    if (Is(to->desc, "ComboBox")) SendMessageW(to->hwnd, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

// ---- properties

LiveControl* Win32Runtime::Target(const char* window, const char* control, const char* cls) {
    if (!program_ || !FindWindowLayout(*program_, window)) Fatal(kErrNoSuchWindow);
    LiveWindow* w = Loaded(window);
    if (!w) Fatal(kErrWindowNotLoaded);
    LiveControl* c = w->Find(control);
    if (!c || !Is(c->desc, cls)) Fatal(kErrItemTarget);
    return c;
}

char* Win32Runtime::ReadText(const char* window, const char* control, Prop prop) {
    if (prop != Prop::Text) Fatal(kErrItemTarget);
    LiveControl* c = Target(window, control, "EditBox");
    const int n = GetWindowTextLengthW(c->hwnd);
    if (n <= 0) return nullptr;
    std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(c->hwnd, buf.data(), n + 1);
    return CopyOut(Narrow(buf.c_str(), static_cast<std::size_t>(got > 0 ? got : 0)));
}

int Win32Runtime::ReadInt(const char* window, const char* control, Prop prop) {
    if (prop != Prop::Selection) Fatal(kErrItemTarget);
    LiveControl* c = Target(window, control, "ComboBox");
    return static_cast<int>(SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0));
}

void Win32Runtime::WriteText(const char* window, const char* control, Prop prop,
                             const char* text) {
    if (prop != Prop::Caption) Fatal(kErrItemTarget);
    WriteCaption(*Target(window, control, "TransLabel"), text);
}

void Win32Runtime::WriteInt(const char* window, const char* control, Prop prop, int value) {
    if (prop != Prop::Period) Fatal(kErrItemTarget);
    WritePeriod(*Target(window, control, "Timer"), value);
}

void Win32Runtime::WriteBytes(const char* window, const char* control, Prop prop,
                              const unsigned char* data, std::size_t size) {
    if (prop != Prop::Picture) Fatal(kErrItemTarget);
    WritePicture(*Target(window, control, "PicBox"), data, size);
}

char* Win32Runtime::ItemText(const char* window, const char* control, int index) {
    LiveWindow* w = Loaded(window);
    LiveControl* c = w ? w->Find(control) : nullptr;
    if (!c || !Is(c->desc, "ComboBox")) Fatal(kErrItemTarget);
    const LRESULT count = SendMessageW(c->hwnd, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) return nullptr;
    const LRESULT n = SendMessageW(c->hwnd, CB_GETLBTEXTLEN, index, 0);
    if (n <= 0) return nullptr;
    std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
    const LRESULT got = SendMessageW(c->hwnd, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buf.data()));
    return CopyOut(Narrow(buf.c_str(), static_cast<std::size_t>(got > 0 ? got : 0)));
}

void Win32Runtime::WritePeriod(LiveControl& timer, int period) {
    if (period < 0) period = 0;
    if (period == timer.period) return;  // unchanged: the count goes on
    HWND hwnd = timer.window->hwnd;
    KillTimer(hwnd, timer.id);
    timer.period = period;
    if (period > 0) SetTimer(hwnd, timer.id, static_cast<UINT>(period), nullptr);
}

// ---- picture box

void Win32Runtime::WritePicture(LiveControl& box, const unsigned char* data, std::size_t size) {
    // Every write decodes afresh, even of the picture already shown.
    box.picture_data.assign(data, data + (data ? size : 0));
    box.picture = DevicePicture();
    editor::Picture decoded;
    if (editor::DecodePicture(box.picture_data.data(), box.picture_data.size(), decoded))
        box.picture = ToDevicePicture(decoded.width, decoded.height, decoded.rgb.data());
    // No erase: the paint covers the whole box, so nothing flashes black.
    InvalidateRect(box.hwnd, nullptr, FALSE);
}

// The transparent captions drawn over `box`, bottom to top, in the box's
// client coordinates: its own child labels first, then the sibling labels
// that lie above it.
std::vector<Caption> Win32Runtime::CaptionsOver(LiveControl& box) {
    std::vector<Caption> out;
    auto add = [&](HWND h) {
        wchar_t cls[32];
        if (!IsWindowVisible(h) || !GetClassNameW(h, cls, 32) ||
            std::wcscmp(cls, kTransLabelClass) != 0)
            return;
        auto* c = reinterpret_cast<LiveControl*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (!c) return;
        RECT r;
        GetClientRect(h, &r);
        MapWindowPoints(h, box.hwnd, reinterpret_cast<POINT*>(&r), 2);
        out.push_back({&c->caption, c->font_handle(), ToColorRef(c->desc->color), c->desc->align, r});
    };
    std::vector<HWND> kids;
    for (HWND h = GetWindow(box.hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) kids.push_back(h);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) add(*it);
    for (HWND h = GetWindow(box.hwnd, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV)) add(h);
    return out;
}

void Win32Runtime::PaintPicBox(LiveControl* box, HDC dc, const RECT& area) {
    RECT client;
    GetClientRect(box->hwnd, &client);
    // The stack is composed off-screen and shown in one step, so that no
    // frame ever shows the black background or a face without its captions.
    if (!box->back_buffer)
        box->back_buffer = Bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    MemoryDC mem(dc);
    SelectGuard sel(mem.get(), box->back_buffer.get());
    ComposePicBox(mem.get(), client, box->picture, CaptionsOver(*box));
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, mem.get(),
           area.left, area.top, SRCCOPY);
}

// The picture box that a transparent label lies over: its parent, or a
// sibling below it.
LiveControl* Win32Runtime::BackdropOf(LiveControl& label) {
    auto box_of = [](HWND h) -> LiveControl* {
        wchar_t cls[32];
        if (!h || !GetClassNameW(h, cls, 32) || std::wcscmp(cls, kPicBoxClass) != 0) return nullptr;
        return reinterpret_cast<LiveControl*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    };
    if (LiveControl* p = box_of(GetParent(label.hwnd))) return p;
    RECT lr;
    GetWindowRect(label.hwnd, &lr);
    for (HWND h = GetWindow(label.hwnd, GW_HWNDNEXT); h; h = GetWindow(h, GW_HWNDNEXT)) {
        RECT br, common;
        if (LiveControl* b = box_of(h); b && IsWindowVisible(h) && GetWindowRect(h, &br) &&
                                        IntersectRect(&common, &lr, &br))
            return b;
    }
    return nullptr;
}

void Win32Runtime::PaintTransLabel(LiveControl* label, HDC dc) {
    RECT client;
    GetClientRect(label->hwnd, &client);
    LiveControl* box = BackdropOf(*label);
    if (!box) {
        DrawCaption(dc, {&label->caption, label->font_handle(), ToColorRef(label->desc->color),
                         label->desc->align, client});
        return;
    }
    // Over a picture box the label shows the box's composed stack for its
    // own rectangle: the same pixels the box shows there, so painting the
    // label and the box in either order gives one and the same picture.
    POINT origin{0, 0};
    MapWindowPoints(label->hwnd, box->hwnd, &origin, 1);
    RECT box_client;
    GetClientRect(box->hwnd, &box_client);
    Bitmap buffer(CreateCompatibleBitmap(dc, client.right, client.bottom));
    MemoryDC mem(dc);
    SelectGuard sel(mem.get(), buffer.get());
    SetViewportOrgEx(mem.get(), -origin.x, -origin.y, nullptr);
    ComposePicBox(mem.get(), box_client, box->picture, CaptionsOver(*box));
    SetViewportOrgEx(mem.get(), 0, 0, nullptr);
    BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
}

// ---- transparent label

void Win32Runtime::WriteCaption(LiveControl& label, const char* text) {
    // 1. Store the caption; it is also the window text.
    label.caption = Widen(text);
    SetWindowTextW(label.hwnd, label.caption.c_str());
    // 2. The top-level window of the label.
    HWND top = label.hwnd;
    while (HWND p = GetParent(top)) {
        if (GetWindowLongW(top, GWL_STYLE) & WS_POPUP) break;
        top = p;
    }
    // 3. Repaint what the top-level window has under the label.
    RECT screen;
    GetWindowRect(label.hwnd, &screen);
    RECT r = screen;
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    InvalidateRect(top, &r, TRUE);
    UpdateWindow(top);
    // 4. Every visible window inside it, bottom of the stack to the top and
    //    each window before its children, repaints where it meets the label.
    std::vector<HWND> stack;
    struct Walk {
        static void Collect(HWND parent, std::vector<HWND>& out) {
            for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
                if (!IsWindowVisible(h)) continue;
                Collect(h, out);
                out.push_back(h);
            }
        }
    };
    Walk::Collect(top, stack);
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        RECT wr, common;
        GetWindowRect(*it, &wr);
        if (!IntersectRect(&common, &wr, &screen)) continue;
        MapWindowPoints(nullptr, *it, reinterpret_cast<POINT*>(&common), 2);
        RedrawWindow(*it, &common, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN);
    }
    // 5. One more drawing of the label when the loop next runs.
    InvalidateRect(label.hwnd, nullptr, FALSE);
}

}  // namespace win32

// ---- the entry point's side

void Start(const Program& program) { win32::g_rt.Start(program); }
void RegisterExitRoutine(void (*routine)()) { win32::g_rt.RegisterExit(routine); }
void LoadStartupWindow(const char* window) {
    if (!win32::g_rt.LoadWindow(window)) win32::g_rt.Fatal(kErrStartupLoad);
}
int RunLoop() { return win32::g_rt.RunLoop(); }
void Fatal(const char* message) { win32::g_rt.Fatal(message); }

void* Alloc(std::size_t size) {
#if TOVIMAR_TEST_BUILD
    if (testing::alloc_limit && size > testing::alloc_limit)
        Fatal(AllocFailureMessage(size).c_str());
#endif
    void* p = std::malloc(size ? size : 1);
    if (!p) Fatal(AllocFailureMessage(size).c_str());
    return p;
}

}  // namespace forms

// Every allocation of the program goes through the run time's allocator, so
// that memory exhaustion anywhere ends in the one error box.
void* operator new(std::size_t size) { return forms::Alloc(size); }
void* operator new[](std::size_t size) { return forms::Alloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
