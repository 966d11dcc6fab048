// Painting of the run time's own controls, each a function of a DC and the
// control's state, shared by WM_PAINT, WM_PRINTCLIENT and the compositions
// below.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "forms/layout.h"

namespace forms::win32 {

// An opaque label: button-face background, one line, vertically centred.
void PaintLabel(HDC dc, const RECT& client, const std::wstring& text, HFONT font, COLORREF color,
                Align align);

// A caption of a transparent label placed at `rect` in the DC's coordinates:
// glyphs only, one line, centred as aligned, "&" as a mnemonic prefix, and
// cut at the label's edges.
struct Caption {
    const std::wstring* text;
    HFONT font;
    COLORREF color;
    Align align;
    RECT rect;
};
void DrawCaption(HDC dc, const Caption& caption);

// A picture box's picture, ready for the device: 24-bit bottom-up rows
// padded to four bytes, as SetDIBitsToDevice takes them.
struct DevicePicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bits;
    bool empty() const { return bits.empty(); }
};
DevicePicture ToDevicePicture(int width, int height, const unsigned char* rgb);

// The whole stack over a picture box, in the box's client coordinates: the
// black background, the picture unscaled at the top-left corner, then the
// captions that lie over the box, bottom to top.
void ComposePicBox(HDC dc, const RECT& client, const DevicePicture& picture,
                   const std::vector<Caption>& captions);

}  // namespace forms::win32
