#include "forms/win32/paint.h"

#include "forms/win32/handles.h"

namespace forms::win32 {
namespace {

UINT AlignFlags(Align align) {
    switch (align) {
        case Align::Center: return DT_CENTER;
        case Align::Right: return DT_RIGHT;
        default: return DT_LEFT;
    }
}

}  // namespace

void PaintLabel(HDC dc, const RECT& client, const std::wstring& text, HFONT font, COLORREF color,
                Align align) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (text.empty()) return;
    SelectGuard sel(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    RECT r = client;
    // One line whatever the text holds: a line feed does not break it.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | AlignFlags(align));
}

void DrawCaption(HDC dc, const Caption& c) {
    if (!c.text || c.text->empty()) return;
    // The text routine draws unclipped (DT_NOCLIP); the label's own
    // rectangle is what cuts a long line.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, c.rect.left, c.rect.top, c.rect.right, c.rect.bottom);
    SelectObject(dc, c.font ? c.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, c.color);
    RECT r = c.rect;
    DrawTextW(dc, c.text->c_str(), static_cast<int>(c.text->size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | AlignFlags(c.align));
    RestoreDC(dc, saved);  // also puts the old font back
}

DevicePicture ToDevicePicture(int width, int height, const unsigned char* rgb) {
    DevicePicture p;
    if (width <= 0 || height <= 0 || !rgb) return p;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    p.width = width;
    p.height = height;
    p.bits.assign(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = rgb + std::size_t(y) * width * 3;
        unsigned char* dst = p.bits.data() + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return p;
}

void ComposePicBox(HDC dc, const RECT& client, const DevicePicture& picture,
                   const std::vector<Caption>& captions) {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (!picture.empty()) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = picture.width;
        bi.bmiHeader.biHeight = picture.height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bi.bmiHeader.biCompression = BI_RGB;
        // Unscaled at the top-left corner; the DC's bounds cut the rest.
        SetDIBitsToDevice(dc, 0, 0, picture.width, picture.height, 0, 0, 0, picture.height,
                          picture.bits.data(), &bi, DIB_RGB_COLORS);
    }
    for (const Caption& c : captions) DrawCaption(dc, c);
}

}  // namespace forms::win32
