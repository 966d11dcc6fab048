#include "forms/layout.h"

#include <cstring>

namespace forms {
namespace {

bool Eq(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

const char* const kClasses[] = {"EditBox", "PicBox", "Label", "Button",
                                "ComboBox", "Timer",  "TransLabel"};

bool KnownClass(const char* cls) {
    for (const char* c : kClasses)
        if (Eq(c, cls)) return true;
    return false;
}

// Which events each kind of source can raise.
bool KnownEvent(const char* cls, const char* event) {
    if (Eq(cls, "window")) return Eq(event, "created");
    if (Eq(cls, "Button")) return Eq(event, "clicked");
    if (Eq(cls, "Timer")) return Eq(event, "tick");
    return false;
}

// Only these classes can hold other controls.
bool CanBeParent(const char* cls) { return Eq(cls, "PicBox"); }

std::string CheckWindow(const Program& program, const Window& win) {
    const std::string where = std::string("window ") + (win.name ? win.name : "(unnamed)");
    if (!win.name || !*win.name) return "a window without a name";
    if (!win.title) return where + ": no title";
    if (win.w <= 0 || win.h <= 0) return where + ": bad size";
    if (win.control_count && !win.controls) return where + ": missing control table";
    if (win.binding_count && !win.bindings) return where + ": missing binding table";
    for (std::size_t i = 0; i < win.control_count; ++i) {
        const Control& c = win.controls[i];
        if (!c.name || !*c.name) return where + ": a control without a name";
        const std::string cw = where + ", control " + c.name;
        if (!KnownClass(c.cls)) return cw + ": unknown class";
        if (Eq(c.name, win.name)) return cw + ": named like its window";
        for (std::size_t j = 0; j < i; ++j)
            if (Eq(win.controls[j].name, c.name)) return cw + ": name used twice";
        // A parent is the window or a control created earlier that can hold others.
        bool parent_ok = Eq(c.parent, win.name);
        for (std::size_t j = 0; j < i && !parent_ok; ++j)
            parent_ok = Eq(win.controls[j].name, c.parent) && CanBeParent(win.controls[j].cls);
        if (!parent_ok) return cw + ": unknown parent";
        if (!c.text) return cw + ": no text";
        if (c.w < 0 || c.h < 0) return cw + ": bad size";
        if (c.font && (!c.font->face || c.font->height <= 0)) return cw + ": bad font";
        if (c.item_count && !c.items) return cw + ": missing list items";
        for (std::size_t k = 0; k < c.item_count; ++k)
            if (!c.items[k]) return cw + ": missing list item";
        if (c.picture_size && !c.picture) return cw + ": missing picture";
    }
    for (std::size_t i = 0; i < win.binding_count; ++i) {
        const Binding& b = win.bindings[i];
        const char* cls = nullptr;
        if (Eq(b.source, win.name)) cls = "window";
        for (std::size_t j = 0; j < win.control_count && !cls; ++j)
            if (Eq(win.controls[j].name, b.source)) cls = win.controls[j].cls;
        if (!cls) return where + ": binding of an unknown source";
        if (!KnownEvent(cls, b.event)) return where + ": binding of an unknown event";
        if (!FindHandler(program, b.handler)) return where + ": binding of an unknown handler";
        for (std::size_t j = 0; j < i; ++j)
            if (Eq(win.bindings[j].source, b.source) && Eq(win.bindings[j].event, b.event))
                return where + ": event bound twice";
    }
    return {};
}

}  // namespace

std::string CheckProgram(const Program& program) {
    if (!program.windows || program.window_count == 0) return "no windows";
    if (program.handler_count && !program.handlers) return "missing handler table";
    for (std::size_t i = 0; i < program.handler_count; ++i)
        if (!program.handlers[i].name || !program.handlers[i].fn) return "a broken handler entry";
    for (std::size_t i = 0; i < program.window_count; ++i) {
        const Window* w = program.windows[i];
        if (!w) return "a missing window";
        for (std::size_t j = 0; j < i; ++j)
            if (Eq(program.windows[j]->name, w->name)) return "window name used twice";
        std::string err = CheckWindow(program, *w);
        if (!err.empty()) return err;
    }
    return {};
}

const Window* FindWindowLayout(const Program& program, const char* name) {
    for (std::size_t i = 0; i < program.window_count; ++i)
        if (Eq(program.windows[i]->name, name)) return program.windows[i];
    return nullptr;
}

HandlerFn FindHandler(const Program& program, const char* name) {
    for (std::size_t i = 0; i < program.handler_count; ++i)
        if (Eq(program.handlers[i].name, name)) return program.handlers[i].fn;
    return nullptr;
}

HandlerFn BoundHandler(const Program& program, const Window& window, const char* source,
                       const char* event) {
    for (std::size_t i = 0; i < window.binding_count; ++i) {
        const Binding& b = window.bindings[i];
        if (Eq(b.source, source) && Eq(b.event, event)) return FindHandler(program, b.handler);
    }
    return nullptr;
}

}  // namespace forms
