// The form run time as the program's handlers see it: windows and controls are
// named by their stored names, and one property is read or written at a time.
// Texts are zero-terminated GBK byte strings; an empty text is handed out as
// no text (nullptr), and every text handed out is the caller's to release.
#pragma once

#include <cstddef>

namespace forms {

enum class Prop {
    Text,       // EditBox: the whole current text (read)
    Caption,    // TransLabel: the caption (write; no text means empty)
    Picture,    // PicBox: one complete JPEG file (write)
    Period,     // Timer: milliseconds (write)
    Selection,  // ComboBox: index of the selected list item, -1 for none (read)
};

// One implementation is live per process: the Win32 binding in the program,
// a recording fake in the unit tests.
class Runtime {
public:
    virtual ~Runtime() = default;
    // Loads a window without a parent and not modal; an already loaded window
    // is only restored or activated.  Returns whether the window is loaded.
    virtual bool LoadWindow(const char* window) = 0;
    virtual char* ReadText(const char* window, const char* control, Prop prop) = 0;
    virtual int ReadInt(const char* window, const char* control, Prop prop) = 0;
    virtual void WriteText(const char* window, const char* control, Prop prop,
                           const char* text) = 0;
    virtual void WriteInt(const char* window, const char* control, Prop prop, int value) = 0;
    virtual void WriteBytes(const char* window, const char* control, Prop prop,
                            const unsigned char* data, std::size_t size) = 0;
    // Text of list item `index` of a combo box; no text when the index is
    // outside the list or the item is empty.
    virtual char* ItemText(const char* window, const char* control, int index) = 0;
    // Releases a text handed out above; no text is a no-op.
    virtual void Release(char* text) = 0;
};

Runtime& rt();
void SetRuntime(Runtime* runtime);

}  // namespace forms
