// Window layouts: constant tables that describe a window, its controls in
// creation order and its event bindings.  The run time reads and checks them
// at start and builds windows from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace forms {

enum class Align : std::uint8_t { Left, Center, Right };

struct Font {
    const char* face;  // GBK
    int height;        // em height in pixels (without internal leading)
    int weight;        // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

struct Control {
    const char* name;    // GBK, unique within its window
    const char* cls;     // EditBox, PicBox, Label, Button, ComboBox, Timer, TransLabel
    const char* parent;  // the window's name or an earlier control's name
    int x = 0, y = 0, w = 0, h = 0;
    const char* text = "";
    const Font* font = nullptr;       // nullptr: the system's default GUI font
    std::uint32_t color = 0x000000;  // text colour, 0xRRGGBB
    Align align = Align::Left;
    bool visible = true;
    bool tabstop = false;
    const char* const* items = nullptr;  // ComboBox list, in order
    std::size_t item_count = 0;
    const unsigned char* picture = nullptr;  // PicBox: stored JPEG file
    std::size_t picture_size = 0;
    int period = 0;  // Timer, milliseconds
};

struct Binding {
    const char* source;   // the window's name or a control's name
    const char* event;    // "created", "clicked", "tick"
    const char* handler;  // a name from the program's handler table
};

struct Window {
    const char* name;
    const char* title;  // GBK
    int w, h;           // outer size
    bool visible;
    const Control* controls;
    std::size_t control_count;
    const Binding* bindings;
    std::size_t binding_count;
};

using HandlerFn = void (*)();

struct Handler {
    const char* name;
    HandlerFn fn;
};

// Everything the run time is started with.
struct Program {
    const Window* const* windows;
    std::size_t window_count;
    const Handler* handlers;
    std::size_t handler_count;
};

// Checks that every layout refers only to known classes, parents, events and
// handlers, and that names are unique.  Returns an empty string when the
// window data is sound, otherwise what is wrong (for tests and diagnostics).
std::string CheckProgram(const Program& program);

const Window* FindWindowLayout(const Program& program, const char* name);
HandlerFn FindHandler(const Program& program, const char* name);
// The handler bound to `event` of `source` in `window`, or nullptr.
HandlerFn BoundHandler(const Program& program, const Window& window, const char* source,
                       const char* event);

// A drop-down combo box is never created lower than this: it is the room its
// opened list drops into.
constexpr int kComboMinHeight = 160;

}  // namespace forms
