// The two caption lines over the face, as a user makes and sees them: typed
// lines shown centred in their bands, replaced and cleared by the next press,
// long lines cut at the label edges, "&" as a mnemonic prefix, characters
// outside GBK, the captions across the face timer's ticks, the two labels'
// common rows, and no leak over many presses.
//
// Expected pictures are built in this process: the face decoded by the
// program's own decoder, cut to the box, and the captions drawn with the same
// font (bold 16-pixel 宋体, which Wine maps to the same face in both
// processes) black and transparent, centred both ways in each label's
// rectangle and clipped by it.  Structural checks (bands, centring, edges,
// underline) come first; the exact picture is the last word.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "driver.h"
#include "editor/faces.h"
#include "editor/picture.h"

using namespace ui;

namespace {

// Controls of MainWindow by creation index.
constexpr int kFaceList = 0, kBox = 1, kLine1Box = 2, kLine2Box = 5, kGenerate = 7,
              kCaption1 = 8, kCaption2 = 9;
constexpr UINT_PTR kFaceTimer = 106;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// The caption font as the layout asks for it.
HFONT CaptionFont() {
    return CreateFontW(-16, 0, 0, 0, 700, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                       L"宋体");
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// A 32-bit picture in this process to draw on.
class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bmp_ = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<std::uint32_t*>(bits);
        old_ = SelectObject(dc_, bmp_);
        ReleaseDC(nullptr, screen);
        Fill(kWhite);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bmp_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    void Fill(std::uint32_t rgb) {
        GdiFlush();
        std::fill(bits_, bits_ + std::size_t(w_) * h_, rgb);
    }
    // The picture unscaled at the top-left corner on black, as a picture box
    // shows it.
    void PutPicture(const editor::Picture& p) {
        Fill(0);
        for (int y = 0; y < std::min(h_, p.height); ++y)
            for (int x = 0; x < std::min(w_, p.width); ++x) {
                const unsigned char* px = &p.rgb[(std::size_t(y) * p.width + x) * 3];
                bits_[std::size_t(y) * w_ + x] = (px[0] << 16) | (px[1] << 8) | px[2];
            }
    }
    // One caption line in a label's rectangle: black, transparent, one line
    // centred both ways, cut at the rectangle.  `extra` adds DrawText flags.
    void Caption(const RECT& label, const std::wstring& text, UINT extra = 0) {
        if (text.empty()) return;
        const int saved = SaveDC(dc_);
        IntersectClipRect(dc_, label.left, label.top, label.right, label.bottom);
        HFONT font = CaptionFont();
        SelectObject(dc_, font);
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, RGB(0, 0, 0));
        RECT r = label;
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOCLIP | extra);
        RestoreDC(dc_, saved);
        DeleteObject(font);
    }
    Shot Take() const {
        GdiFlush();
        Shot s;
        s.width = w_;
        s.height = h_;
        s.px.assign(bits_, bits_ + std::size_t(w_) * h_);
        for (auto& v : s.px) v &= 0xFFFFFF;
        return s;
    }

private:
    int w_, h_;
    HDC dc_ = nullptr;
    HBITMAP bmp_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// Facts of the caption font, measured in this process.
struct FontFacts {
    int cell = 0;  // the line height DrawText centres (tmHeight)
};
FontFacts MeasureFont() {
    Canvas c(8, 8);
    HFONT font = CaptionFont();
    HGDIOBJ old = SelectObject(c.dc(), font);
    TEXTMETRICW tm{};
    GetTextMetricsW(c.dc(), &tm);
    SelectObject(c.dc(), old);
    DeleteObject(font);
    return {static_cast<int>(tm.tmHeight)};
}

// Bounding box (inclusive) and count of pixels picked in a rectangle.
struct Extent {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    int count = 0;
    void Add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        ++count;
    }
};

RECT Whole(const Shot& s) { return {s.left, s.top, s.left + s.width, s.top + s.height}; }

// Non-white pixels: glyph ink on the white band.
Extent InkIn(const Shot& s, const RECT& r) {
    Extent e;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (s.at(x, y) != kWhite) e.Add(x, y);
    return e;
}

// Pixels where two pictures of the same place differ.
Extent ChangedIn(const Shot& a, const Shot& b, const RECT& r) {
    Extent e;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (a.at(x, y) != b.at(x, y)) e.Add(x, y);
    return e;
}

bool Inside(const Extent& e, const RECT& r) {
    return e.count == 0 ||
           (e.left >= r.left && e.right < r.right && e.top >= r.top && e.bottom < r.bottom);
}

std::string Describe(const Extent& e) {
    if (!e.count) return "nothing";
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d pixels in x %d..%d, y %d..%d", e.count, e.left, e.right,
                  e.top, e.bottom);
    return buf;
}

std::string Describe(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "x %ld..%ld, y %ld..%ld", r.left, r.right - 1, r.top,
                  r.bottom - 1);
    return buf;
}

// Where a line of text drawn from pen position 0 puts its ink, and how far
// the pen advances: measured in this process.
struct TextFacts {
    int advance = 0;
    int ink_left = 0, ink_right = 0;  // relative to the pen's start
};
TextFacts MeasureText(const std::wstring& text) {
    Canvas c(40 + 20 * static_cast<int>(text.size()), 40);
    HFONT font = CaptionFont();
    HGDIOBJ old = SelectObject(c.dc(), font);
    SetBkMode(c.dc(), TRANSPARENT);
    SIZE size{};
    GetTextExtentPoint32W(c.dc(), text.c_str(), static_cast<int>(text.size()), &size);
    TextOutW(c.dc(), 20, 10, text.c_str(), static_cast<int>(text.size()));
    SelectObject(c.dc(), old);
    DeleteObject(font);
    const Shot s = c.Take();
    const Extent ink = InkIn(s, Whole(s));
    return {static_cast<int>(size.cx), ink.left - 20, ink.right - 20};
}

editor::Picture Decode(const unsigned char* data, std::size_t size) {
    editor::Picture p;
    editor::DecodePicture(data, size, p);
    return p;
}

const editor::Picture& Face1() {
    static const editor::Picture p = Decode(editor::kFace1, editor::kFace1Size);
    return p;
}
const editor::Picture& Face2() {
    static const editor::Picture p = Decode(editor::kFace2, editor::kFace2Size);
    return p;
}

// The top-level window of this process with a given class, if visible.
HWND VisibleTopOfClass(DWORD pid, const wchar_t* cls) {
    struct Ctx {
        DWORD pid;
        const wchar_t* cls;
        HWND found;
    } ctx{pid, cls, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == c->pid && IsWindowVisible(h) && ClassOf(h) == c->cls) {
                c->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

std::wstring Repeat(const std::wstring& unit, std::size_t chars) {
    std::wstring s;
    s.reserve(chars);
    while (s.size() < chars) s += unit;
    s.resize(chars);
    return s;
}

// ---- the fixture: MainWindow with its face box and caption labels

class Captions : public ::testing::Test {
protected:
    explicit Captions(const wchar_t* exe = kProduct) : app_(exe) {}

    void SetUp() override {
        main_ = app_.main();
        box_ = app_.Control(main_, kBox);
        line1_ = app_.Control(main_, kLine1Box);
        line2_ = app_.Control(main_, kLine2Box);
        generate_ = app_.Control(main_, kGenerate);
        for (HWND h : {box_, line1_, line2_, generate_}) ASSERT_NE(h, nullptr);
        label1_ = InBox(app_.Control(main_, kCaption1));
        label2_ = InBox(app_.Control(main_, kCaption2));
        RECT client;
        GetClientRect(box_, &client);
        client_ = client;
        // The checks read glyph ink as "not white": both labels must lie on
        // the box's white band (rows 120 and below are white in both faces).
        RECT common;
        for (const RECT& l : {label1_, label2_}) {
            ASSERT_TRUE(IntersectRect(&common, &l, &client) && EqualRect(&common, &l))
                << "label at " << Describe(l) << " is not inside the box";
            ASSERT_GE(l.top, 120) << "label at " << Describe(l) << " is not on the white band";
        }
        cell_ = MeasureFont().cell;
        ASSERT_GT(cell_, 0);
        // The face the program starts with, no captions yet.
        ASSERT_TRUE(ShowsEventually(Expected(Face1(), L"", L"")))
            << "the box does not show the first face";
    }

    RECT InBox(HWND label) const {
        RECT r = ScreenRect(label);
        MapWindowPoints(nullptr, box_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    // The rows DrawText gives a line in a label: the font's line height
    // centred in the label (rows 128..143 and 152..167 with a 16-pixel line).
    RECT Band(const RECT& label) const {
        const int top = label.top + (Height(label) - cell_) / 2;
        return {label.left, top, label.right, top + cell_};
    }

    Shot Seen() const { return CaptureClient(box_); }

    Shot Expected(const editor::Picture& face, const std::wstring& l1, const std::wstring& l2,
                  UINT extra = 0) const {
        Canvas c(Width(client_), Height(client_));
        c.PutPicture(face);
        c.Caption(label1_, l1, extra);
        c.Caption(label2_, l2, extra);
        return c.Take();
    }

    // Polls the screen until the box shows `want`; the last picture seen is
    // kept in last_.
    bool ShowsEventually(const Shot& want, DWORD ms = 3000) {
        return WaitUntil([&] { return (last_ = Seen()).px == want.px; }, ms);
    }

    // The whole window repainted at once, as the window system asks after a
    // change of its own: sent WM_PAINTs, children before the window under
    // them (Wine paints top-down), the last painter winning.  It must give
    // back `want` exactly.
    void ExpectSurvivesAFullRepaint(const Shot& want) {
        ASSERT_TRUE(RedrawWindow(main_, nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW));
        Sleep(150);  // the repainted surface reaches the screen
        EXPECT_TRUE(ShowsEventually(want))
            << "after a full repaint the box shows something else: "
            << Describe(ChangedIn(want, last_, Whole(want))) << " differ";
    }

    // Types `text` into a caption box as a user does: click into it, select
    // what is there, type over it (or delete it).
    void Type(HWND edit, const std::wstring& text) {
        Foreground(main_);
        Click(edit);
        ASSERT_TRUE(WaitUntil([&] { return FocusOf(main_) == edit; }, 2000))
            << "the caption box did not take the focus";
        Tap(VK_HOME);
        Chord(VK_SHIFT, VK_END);
        if (text.empty())
            Tap(VK_DELETE);
        else
            TypeUnicode(text);
        ASSERT_TRUE(WaitUntil([&] { return Text(edit) == text; }, 3000))
            << "the caption box holds other text than was typed";
    }

    void TypeLines(const std::wstring& l1, const std::wstring& l2) {
        Type(line1_, l1);
        Type(line2_, l2);
    }

    // A real click on "点击生成".
    void Press() {
        Foreground(main_);
        Click(generate_);
    }

    // Both lines typed, a press, and the box showing them on the first face.
    void MakeCaptions(const std::wstring& l1, const std::wstring& l2) {
        ASSERT_NO_FATAL_FAILURE(TypeLines(l1, l2));
        Press();
        const Shot want = Expected(Face1(), l1, l2);
        EXPECT_TRUE(ShowsEventually(want))
            << "the box does not show the two typed lines over the face: "
            << Describe(ChangedIn(want, last_, Whole(want))) << " differ; the labels hold \""
            << Narrow(Text(app_.Control(main_, kCaption1))) << "\" and \""
            << Narrow(Text(app_.Control(main_, kCaption2))) << "\"";
    }

    // Where one line's glyphs may be: its band, within its label's columns.
    void ExpectOnlyInBands(const Shot& before, const Shot& after) const {
        const RECT b1 = Band(label1_), b2 = Band(label2_);
        Extent outside;
        for (int y = 0; y < after.height; ++y)
            for (int x = 0; x < after.width; ++x) {
                const POINT p{x, y};
                if (after.at(x, y) != before.at(x, y) && !PtInRect(&b1, p) && !PtInRect(&b2, p))
                    outside.Add(x, y);
            }
        EXPECT_EQ(outside.count, 0) << "the box changed outside the caption bands ("
                                    << Describe(b1) << " and " << Describe(b2)
                                    << "): " << Describe(outside);
    }

    // A line is horizontally centred in its label within one pixel: the
    // ink's place, less the glyphs' own bearings, gives where the line
    // starts; its middle and the label's may differ by half a pixel when
    // the widths' parities differ, so one pixel allows for the rounding.
    void ExpectCentred(const Shot& s, const RECT& label, const std::wstring& text) const {
        const TextFacts t = MeasureText(text);
        const Extent ink = InkIn(s, Band(label));
        ASSERT_GT(ink.count, 0) << "no glyphs of \"" << Narrow(text) << "\"";
        const int start = ink.left - t.ink_left;
        EXPECT_EQ(ink.right - ink.left, t.ink_right - t.ink_left)
            << "the ink is not as wide as the line's glyphs";
        const int twice_off = (2 * start + t.advance) - (2 * label.left + Width(label));
        EXPECT_LE(std::abs(twice_off), 2)
            << "\"" << Narrow(text) << "\" starts at x " << start << ", " << t.advance
            << " wide, in a label at " << Describe(label) << ": off centre by "
            << twice_off / 2.0 << " px";
    }

    static std::string Narrow(const std::wstring& w) {
        if (w.size() > 60) return Narrow(w.substr(0, 60)) + "...";
        const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()),
                                          nullptr, 0, nullptr, nullptr);
        std::string s(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n,
                            nullptr, nullptr);
        return s;
    }

    App app_;
    HWND main_ = nullptr, box_ = nullptr, line1_ = nullptr, line2_ = nullptr,
         generate_ = nullptr;
    RECT client_{}, label1_{}, label2_{};
    int cell_ = 0;
    Shot last_;
};

}  // namespace

// ---- typing and pressing

TEST_F(Captions, TypedLinesShowCentredInTheirBandsAndNothingElseChanges) {
    const Shot before = last_;
    const std::wstring l1 = L"熊猫头表情包", l2 = L"Tovimar 你好!";
    ASSERT_NO_FATAL_FAILURE(TypeLines(l1, l2));
    Press();
    const bool shown = ShowsEventually(Expected(Face1(), l1, l2));
    const Shot& after = last_;
    EXPECT_TRUE(shown) << "the box never showed the face with both lines as typed";

    // Each line's glyphs lie in its own band, in its label's columns.
    const RECT b1 = Band(label1_), b2 = Band(label2_);
    EXPECT_GT(InkIn(after, b1).count, 0) << "no first line in " << Describe(b1);
    EXPECT_GT(InkIn(after, b2).count, 0) << "no second line in " << Describe(b2);
    ExpectOnlyInBands(before, after);
    ExpectCentred(after, label1_, l1);
    ExpectCentred(after, label2_, l2);
    ExpectSurvivesAFullRepaint(Expected(Face1(), l1, l2));
}

TEST_F(Captions, PressingAgainReplacesTheLinesAndAnEmptyBoxClearsItsLine) {
    const Shot before = last_;
    struct Step {
        const wchar_t* l1;
        const wchar_t* l2;
    };
    // Each press after the first changes the lines: longer, shorter, one
    // line emptied, then both.
    const Step steps[] = {
        {L"第一次的一行", L"one"},
        {L"二", L"the second, longer line"},
        {L"", L"只剩第二行"},
        {L"又回来了", L""},
        {L"", L""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(Narrow(s.l1) + " / " + Narrow(s.l2));
        ASSERT_NO_FATAL_FAILURE(TypeLines(s.l1, s.l2));
        Press();
        EXPECT_TRUE(ShowsEventually(Expected(Face1(), s.l1, s.l2)))
            << "the box does not show exactly the new lines";
        const Shot& seen = last_;
        ExpectOnlyInBands(before, seen);
        for (const auto& [label, text] : {std::pair{label1_, s.l1}, std::pair{label2_, s.l2}}) {
            const Extent ink = InkIn(seen, label);
            if (*text)
                EXPECT_GT(ink.count, 0) << "no line in the label at " << Describe(label);
            else
                EXPECT_EQ(ink.count, 0) << "the label at " << Describe(label)
                                        << " is not back to white: " << Describe(ink);
        }
    }
    EXPECT_EQ(last_.px, before.px) << "with both boxes empty the face is not as at the start";
}

// ---- long lines

TEST_F(Captions, ALineWiderThanItsLabelIsCutAtTheLabelEdgesOnOneLine) {
    // Full blocks and box-drawing lines leave no gap between glyphs, so
    // whatever the centring, a cut line has ink in both edge columns of its
    // label.
    const std::wstring l1 = Repeat(L"█", 40), l2 = Repeat(L"─█", 40);
    ASSERT_GT(MeasureText(l1).advance, 3 * Width(label1_));
    ASSERT_GT(MeasureText(l2).advance, 3 * Width(label2_));
    const Shot before = last_;
    ASSERT_NO_FATAL_FAILURE(TypeLines(l1, l2));
    Press();
    const Shot want = Expected(Face1(), l1, l2);
    EXPECT_TRUE(ShowsEventually(want));
    // Repainting the whole box, not just the labels, cuts them the same way.
    ExpectSurvivesAFullRepaint(want);
    const Shot& seen = last_;
    ExpectOnlyInBands(before, seen);  // one line each: nothing below or above
    for (const RECT& label : {label1_, label2_}) {
        const RECT band = Band(label);
        const RECT row{0, band.top, Width(client_), band.bottom};
        const Extent ink = InkIn(seen, row);
        EXPECT_EQ(ink.left, label.left) << "the line does not reach the label's left edge";
        EXPECT_EQ(ink.right, label.right - 1) << "the line does not reach the label's right edge";
        EXPECT_TRUE(Inside(ink, label)) << "the line runs out of its label at "
                                        << Describe(label) << ": " << Describe(ink);
    }
}

TEST_F(Captions, AHundredThousandCharacterLineIsShownAndTheProgramStaysResponsive) {
    // "熊猫" repeated, a multiple of four characters long: centred, the middle
    // of the line shows the same glyphs in the same places whatever its
    // length, so the long line must look like a short one that overflows too.
    const std::wstring huge = Repeat(L"熊猫", 100000), short_line = Repeat(L"熊猫", 40);
    ASSERT_NO_FATAL_FAILURE(Type(line2_, L"第二行"));
    ASSERT_TRUE(SendMessageW(line1_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(huge.c_str())));
    ASSERT_EQ(SendMessageW(line1_, WM_GETTEXTLENGTH, 0, 0), 100000);

    Press();
    const ULONGLONG clicked = GetTickCount64();
    EXPECT_TRUE(ShowsEventually(Expected(Face1(), short_line, L"第二行"), 10000))
        << "the long line does not show as the middle of a line of the same glyphs";
    const ULONGLONG shown = GetTickCount64();
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer))
        << "the program does not answer within 2 s";
    const ULONGLONG answered = GetTickCount64();
    HWND caption1 = app_.Control(main_, kCaption1);
    EXPECT_EQ(SendMessageW(caption1, WM_GETTEXTLENGTH, 0, 0), 100000)
        << "the caption does not hold the whole line";
    RecordProperty("click_to_shown_ms", static_cast<int>(shown - clicked));
    RecordProperty("click_to_answer_ms", static_cast<int>(answered - clicked));
    std::printf("100,000-character line: shown %llu ms after the click, answering after %llu ms\n",
                shown - clicked, answered - clicked);
}

// ---- "&"

TEST_F(Captions, AmpersandUnderlinesTheNextCharacterAndADoubleOneShowsItself) {
    // First press: plain "ab" above, "a&&b" below; second: "a&b" above.
    ASSERT_NO_FATAL_FAILURE(MakeCaptions(L"ab", L"a&&b"));
    const Shot plain = last_;
    ASSERT_NO_FATAL_FAILURE(MakeCaptions(L"a&b", L"ab"));
    const Shot prefixed = last_;

    // "a&b" is "ab" with one underline row under the b, inside the band.
    const RECT band1 = Band(label1_);
    const Extent diff = ChangedIn(plain, prefixed, label1_);
    ASSERT_GT(diff.count, 0) << "\"a&b\" looks exactly like \"ab\": no underline";
    EXPECT_EQ(diff.top, diff.bottom) << "more than one row changed: " << Describe(diff);
    EXPECT_TRUE(Inside(diff, band1)) << "the underline is outside the line: " << Describe(diff);
    EXPECT_EQ(diff.count, diff.right - diff.left + 1) << "the underline is not one run";
    int gaps = 0;
    for (int x = diff.left; x <= diff.right; ++x) gaps += prefixed.at(x, diff.top) == kWhite;
    EXPECT_EQ(gaps, 0) << "the underline has white gaps";
    // Under b: within b's advance, from where "ab" starts centred.
    const TextFacts ab = MeasureText(L"ab"), a = MeasureText(L"a");
    const int start = InkIn(plain, band1).left - ab.ink_left;
    EXPECT_GE(diff.left, start + a.advance - 1) << "the underline reaches under the a";
    EXPECT_LE(diff.right, start + ab.advance) << "the underline runs past the b";
    EXPECT_GE(diff.right - diff.left + 1, (ab.advance - a.advance) / 2) << "too short for b";

    // "a&&b" draws "a&b" literally: wider than "ab", no underline.
    const Shot literal = Expected(Face1(), L"", L"a&b", DT_NOPREFIX);
    EXPECT_EQ(ChangedIn(plain, literal, label2_).count, 0)
        << "\"a&&b\" is not drawn as \"a&b\"";
    const Extent amp = InkIn(plain, Band(label2_)), two = InkIn(prefixed, Band(label2_));
    EXPECT_GT(amp.right - amp.left, two.right - two.left + 4) << "no ampersand between a and b";
}

// ---- characters outside GBK

TEST_F(Captions, CharactersOutsideGbkAreDrawnNotQuestionMarks) {
    // ő (Latin Extended-A) is outside GBK and the caption font has it; the
    // emoji, a surrogate pair, is outside GBK and outside the font, where
    // Wine draws its missing-glyph box: drawn as such, it still must not
    // become a "?".
    const std::wstring latin = L"ő", emoji = L"\U0001F600";
    for (const std::wstring& s : {latin, emoji}) {
        BOOL lost = FALSE;
        char gbk[16];
        WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, s.c_str(), static_cast<int>(s.size()), gbk,
                            sizeof gbk, nullptr, &lost);
        ASSERT_TRUE(lost) << Narrow(s) << " is in GBK";
    }
    {
        Canvas c(4, 4);
        HFONT font = CaptionFont();
        HGDIOBJ old = SelectObject(c.dc(), font);
        WORD glyph = 0;
        GetGlyphIndicesW(c.dc(), latin.c_str(), 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
        SelectObject(c.dc(), old);
        DeleteObject(font);
        ASSERT_NE(glyph, 0xFFFF) << "the caption font has no glyph for ő";
    }

    ASSERT_NO_FATAL_FAILURE(MakeCaptions(L"?", L"?"));
    const Shot questions = last_;
    ASSERT_NO_FATAL_FAILURE(TypeLines(latin, emoji));
    Press();
    EXPECT_TRUE(ShowsEventually(Expected(Face1(), latin, emoji)))
        << "the two characters are not drawn as themselves";
    const Shot& seen = last_;
    EXPECT_GT(ChangedIn(questions, seen, Band(label1_)).count, 0) << "ő is drawn as ?";
    EXPECT_GT(ChangedIn(questions, seen, Band(label2_)).count, 0) << "the emoji is drawn as ?";
    EXPECT_GT(InkIn(seen, Band(label1_)).count, 0);
    EXPECT_GT(InkIn(seen, Band(label2_)).count, 0);
    // The captions hold the characters themselves.
    EXPECT_EQ(Text(app_.Control(main_, kCaption1)), latin);
    EXPECT_EQ(Text(app_.Control(main_, kCaption2)), emoji);
}

// ---- the face timer

namespace {

// What went wrong in a picture of the box that is not the expected one.
struct Faults {
    int black = 0;     // black pixels where the face has none
    int no_line = 0;   // a band without its line
    int other = 0;
};

}  // namespace

TEST_F(Captions, CaptionsStayOnTheFaceAcrossTheTimersTicks) {
    const std::wstring l1 = L"我太难了", l2 = L"表情包 Tovimar";
    ASSERT_NO_FATAL_FAILURE(MakeCaptions(l1, l2));

    // Pick "表情2" from the list with the mouse: the drop arrow, then the item.
    HWND list = app_.Control(main_, kFaceList);
    Foreground(main_);
    const RECT field = ScreenRect(list);
    ClickAt(field.right - GetSystemMetrics(SM_CXVSCROLL) / 2 - 1,
                   (field.top + field.bottom) / 2);
    HWND dropped = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dropped = VisibleTopOfClass(app_.pid(), L"ComboLBox")); },
                          3000))
        << "the face list did not drop down";
    const int row = static_cast<int>(SendMessageW(dropped, LB_GETITEMHEIGHT, 0, 0));
    RECT items;
    GetClientRect(dropped, &items);
    MapWindowPoints(dropped, nullptr, reinterpret_cast<POINT*>(&items), 2);
    ClickAt(items.left + 12, items.top + row + row / 2);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(list, CB_GETCURSEL, 0, 0) == 1; }, 3000))
        << "表情2 is not selected";
    ASSERT_EQ(Text(list), L"表情2");

    const Shot want = Expected(Face2(), l1, l2);
    ASSERT_TRUE(ShowsEventually(want, 3000)) << "the second face with both captions never shows";

    // Ten ticks and more: 7.5 s of the 700 ms timer, with a tick posted
    // between every two pictures; every picture must be the face with both
    // lines.
    Faults faults;
    int pictures = 0;
    std::string first_fault;
    const ULONGLONG end = GetTickCount64() + 7500;
    while (GetTickCount64() < end || pictures < 500) {
        PostMessageW(main_, WM_TIMER, kFaceTimer, 0);
        const Shot s = Seen();
        ++pictures;
        if (s.px == want.px) continue;
        int black = 0;
        for (std::size_t i = 0; i < s.px.size(); ++i) black += s.px[i] == 0 && want.px[i] != 0;
        const bool lost_line = InkIn(s, Band(label1_)).count < InkIn(want, Band(label1_)).count ||
                               InkIn(s, Band(label2_)).count < InkIn(want, Band(label2_)).count;
        if (black)
            ++faults.black;
        else if (lost_line)
            ++faults.no_line;
        else
            ++faults.other;
        if (first_fault.empty())
            first_fault = "picture " + std::to_string(pictures) + ": " + std::to_string(black) +
                          " black pixels, " + Describe(ChangedIn(want, s, Whole(s)));
    }
    // After the last tick the picture settles on the same face and lines.
    EXPECT_TRUE(ShowsEventually(want, 3000)) << "after the ticks the captions are gone";
    EXPECT_EQ(faults.black + faults.no_line + faults.other, 0)
        << pictures << " pictures: " << faults.black << " with black, " << faults.no_line
        << " without a caption line, " << faults.other << " otherwise wrong; first: "
        << first_fault;
    RecordProperty("pictures", pictures);
    std::printf("%d pictures of the box across the ticks\n", pictures);
}

// ---- the labels' common rows

// Where the labels overlap (box rows 144..151) the second label lies above
// the first.  With these captions that order cannot be seen: both lines are
// centred 16-pixel lines (ink rows 128..143 and 152..167), no glyph of the
// caption font leaves its 16-pixel cell (an underline included), and both
// captions are black, whose ink darkens the same in either order.  What can
// be seen is that neither label's drawing wipes the other's line: changing
// one line leaves every pixel of the other label as it was, the common rows
// included, and the common rows stay white.
TEST_F(Captions, ChangingOneLineLeavesTheOtherLabelAsItWas) {
    const std::wstring wide = Repeat(L"█", 30);
    ASSERT_NO_FATAL_FAILURE(MakeCaptions(wide, wide));
    const Shot both = last_;
    RECT common;
    ASSERT_TRUE(IntersectRect(&common, &label1_, &label2_));
    EXPECT_EQ(InkIn(both, common).count, 0) << "ink in the common rows " << Describe(common);

    ASSERT_NO_FATAL_FAILURE(MakeCaptions(L"只改第一行", wide));
    const Shot first_changed = last_;
    EXPECT_GT(ChangedIn(both, first_changed, label1_).count, 0);
    EXPECT_EQ(ChangedIn(both, first_changed, label2_).count, 0)
        << "changing the first line changed the second label";

    ASSERT_NO_FATAL_FAILURE(MakeCaptions(L"只改第一行", L"再改第二行"));
    const Shot second_changed = last_;
    EXPECT_GT(ChangedIn(first_changed, second_changed, label2_).count, 0);
    EXPECT_EQ(ChangedIn(first_changed, second_changed, label1_).count, 0)
        << "changing the second line changed the first label";
    // Painted in Wine's top-down order, the second label first, the labels
    // still give the same picture.
    ExpectSurvivesAFullRepaint(Expected(Face1(), L"只改第一行", L"再改第二行"));
}

// ---- leaks (test build)

namespace {

class CaptionLeaks : public Captions {
protected:
    CaptionLeaks() : Captions(kTestBuild) {}

    // Texts of changing length and content; a press through BM_CLICK, which
    // returns once the handler has run.
    void PressWith(int i) {
        const std::wstring l1 = Repeat(L"熊猫&头", 1 + i % 29) + std::to_wstring(i);
        const std::wstring l2 = L"第" + std::to_wstring(i) + L"行" + Repeat(L"ab", i % 17);
        SendMessageW(line1_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(l1.c_str()));
        SendMessageW(line2_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(l2.c_str()));
        SendMessageW(generate_, BM_CLICK, 0, 0);
    }
    // Lets the paints the last press left pending happen.
    void Settle() {
        Sleep(300);
        DWORD_PTR r = 0;
        SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
    }
};

}  // namespace

TEST_F(CaptionLeaks, AThousandPressesLeaveHandlesAndMemoryFlat) {
    for (int i = 0; i < 100; ++i) PressWith(i);  // every text length once
    Settle();
    const long gdi = app_.LiveGdi(), user = app_.LiveUser();
    const long objects = GdiObjectsOf(app_.process());
    const std::size_t memory = app_.Committed();
    ASSERT_GT(gdi, 0);
    ASSERT_GT(user, 0);
    ASSERT_GT(objects, 0) << "the GDI handle table cannot be read";
    ASSERT_GT(memory, 0u);

    for (int i = 100; i < 1100; ++i) PressWith(i);
    Settle();
    // The last press is on the screen: the program did draw all along.
    const std::wstring l1 = Text(line1_), l2 = Text(line2_);
    EXPECT_TRUE(ShowsEventually(Expected(Face1(), l1, l2)));

    EXPECT_EQ(app_.LiveGdi(), gdi) << "GDI handles of the run time";
    EXPECT_EQ(app_.LiveUser(), user) << "USER handles of the run time";
    EXPECT_EQ(GdiObjectsOf(app_.process()), objects) << "GDI objects of the process";
    const std::size_t now = app_.Committed();
    EXPECT_LE(now, memory + 256 * 1024)
        << "committed memory grew from " << memory << " to " << now << " bytes";
    RecordProperty("committed_growth", static_cast<int>(now > memory ? now - memory : 0));
    std::printf("after warm-up: %ld GDI, %ld USER handles, %ld GDI objects, %zu bytes committed; "
                "1,000 presses later: %zu bytes\n",
                gdi, user, objects, memory, now);
}
