// The portable pieces: text comparison, the window data check, the error
// texts, picture decoding and the GB18030 four-byte forms.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/program.h"
#include "editor/compare_text.h"
#include "editor/faces.h"
#include "editor/main_layout.h"
#include "editor/picture.h"
#include "forms/app.h"
#include "forms/gb18030.h"

namespace {

// ---- CompareText

struct CompareCase {
    const char* a;
    const char* b;
    int expected;
};

TEST(CompareText, Table) {
    const CompareCase cases[] = {
        {nullptr, nullptr, 0},
        {nullptr, "", 0},
        {"", nullptr, 0},
        {"", "", 0},
        {"表情1", "表情1", 0},
        {nullptr, "表情1", -1},
        {"表情1", nullptr, 1},
        {"表情1", "表情1x", -1},  // a beginning of the other is smaller
        {"表情1x", "表情1", 1},
        {"表情1", "表情2", -1},
        {"表情2", "表情1", 1},
        {"a", "\xB1", -1},  // bytes compare unsigned
        {"\xFF", "\x7F", 1},
        {"abc", "abd", -1},
        {"ABC", "abc", -1},  // no case folding
        {" 表情1", "表情1", -1},  // no trimming
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "(none)") + " vs " + (c.b ? c.b : "(none)"));
        EXPECT_EQ(editor::CompareText(c.a, c.b), c.expected);
    }
}

// ---- the window data

TEST(WindowData, TheProgramsLayoutsAreSound) {
    EXPECT_EQ(forms::CheckProgram(app::TheProgram()), "");
}

struct Breakage {
    const char* name;
    void (*spoil)(forms::Control*, forms::Binding*);
};

class BrokenWindowData : public ::testing::TestWithParam<Breakage> {};

TEST_P(BrokenWindowData, IsRefused) {
    const forms::Window& main = editor::kMainWindowLayout;
    std::vector<forms::Control> controls(main.controls, main.controls + main.control_count);
    std::vector<forms::Binding> bindings(main.bindings, main.bindings + main.binding_count);
    GetParam().spoil(controls.data(), bindings.data());
    forms::Window broken = main;
    broken.controls = controls.data();
    broken.bindings = bindings.data();
    const forms::Window* windows[] = {&broken};
    forms::Program program = app::TheProgram();
    program.windows = windows;
    program.window_count = 1;
    EXPECT_NE(forms::CheckProgram(program), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenWindowData,
    ::testing::Values(
        Breakage{"UnknownClass", [](forms::Control* c, forms::Binding*) { c[0].cls = "Slider"; }},
        Breakage{"UnknownParent",
                 [](forms::Control* c, forms::Binding*) { c[2].parent = "NoSuchWindow"; }},
        // A label cannot hold controls.
        Breakage{"ParentNotAContainer",
                 [](forms::Control* c, forms::Binding*) { c[8].parent = "标签1"; }},
        // Parents come before their children.
        Breakage{"ParentCreatedLater",
                 [](forms::Control* c, forms::Binding*) { c[0].parent = "图片框1"; }},
        Breakage{"DuplicateName", [](forms::Control* c, forms::Binding*) { c[4].name = "标签1"; }},
        Breakage{"UnknownHandler",
                 [](forms::Control*, forms::Binding* b) { b[1].handler = "OnNothing"; }},
        Breakage{"UnknownSource",
                 [](forms::Control*, forms::Binding* b) { b[1].source = "按钮9"; }},
        Breakage{"EventTheSourceCannotRaise",
                 [](forms::Control*, forms::Binding* b) { b[3].event = "clicked"; }},
        Breakage{"EventBoundTwice",
                 [](forms::Control*, forms::Binding* b) { b[2] = b[1]; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowData, BindingsReachTheirHandlers) {
    const forms::Program& p = app::TheProgram();
    const forms::Window& main = editor::kMainWindowLayout;
    EXPECT_NE(forms::BoundHandler(p, main, "MainWindow", "created"), nullptr);
    EXPECT_NE(forms::BoundHandler(p, main, "按钮1", "clicked"), nullptr);
    EXPECT_NE(forms::BoundHandler(p, main, "按钮2", "clicked"), nullptr);
    EXPECT_NE(forms::BoundHandler(p, main, "时钟2", "tick"), nullptr);
    EXPECT_EQ(forms::BoundHandler(p, main, "按钮1", "tick"), nullptr);
    EXPECT_EQ(forms::BoundHandler(p, *forms::FindWindowLayout(p, "AboutWindow"), "AboutWindow",
                                  "created"),
              nullptr);
}

// ---- error texts (GBK bytes)

TEST(FatalText, IsTheMessageBetweenTheFixedLines) {
    EXPECT_EQ(forms::FatalText(forms::kErrStartupLoad),
              "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n"
              "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA"
              "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC\r\n");
    EXPECT_EQ(forms::FatalText(""), "运行时出错!\r\n\r\n错误信息：\r\n");
}

TEST(FatalText, AllocationFailureNamesTheWholeSize) {
    EXPECT_EQ(forms::AllocFailureMessage(153036), "分配 153036 字节内存失败!");
    // Sizes past 2 GB are not shown as negative numbers.
    EXPECT_EQ(forms::AllocFailureMessage(std::size_t(3000000000u)), "分配 3000000000 字节内存失败!");
}

// ---- picture decoding

TEST(Picture, DecodesBothFaces) {
    editor::Picture p;
    ASSERT_TRUE(editor::DecodePicture(editor::kFace1, editor::kFace1Size, p));
    EXPECT_EQ(p.width, 195);
    EXPECT_EQ(p.height, 189);
    EXPECT_EQ(p.rgb.size(), 195u * 189u * 3u);
    ASSERT_TRUE(editor::DecodePicture(editor::kFace2, editor::kFace2Size, p));
    EXPECT_EQ(p.width, 218);
    EXPECT_EQ(p.height, 234);
}

TEST(Picture, BadDataGivesNoPictureAndALaterGoodWriteWorks) {
    const std::vector<unsigned char> face(editor::kFace1, editor::kFace1 + editor::kFace1Size);
    std::vector<unsigned char> flipped = face;
    for (std::size_t i = 700; i < 900; ++i) flipped[i] ^= 0x5A;  // inside the tables and scan
    const std::vector<std::vector<unsigned char>> bad = {
        {},
        {0xFF},
        {0xFF, 0xD8},
        {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0},
        std::vector<unsigned char>(face.begin(), face.begin() + 600),   // inside the headers
        std::vector<unsigned char>(face.begin(), face.begin() + 3000),  // inside the scan
        flipped,
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        editor::Picture p;
        p.width = 1;
        EXPECT_FALSE(editor::DecodePicture(bad[i].data(), bad[i].size(), p));
        EXPECT_TRUE(p.empty());
        EXPECT_EQ(p.width, 0);
        ASSERT_TRUE(editor::DecodePicture(face.data(), face.size(), p));
        EXPECT_EQ(p.width, 195);
    }
}

// ---- GB18030 four-byte forms, against the C library's converter

std::string Iconv(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) return "";
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size(), room = out.size();
    char* dst = out.data();
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (r == std::size_t(-1)) return "";
    out.resize(out.size() - room);
    return out;
}

TEST(Gb18030, FourByteFormsMatchTheStandardConverter) {
    int four = 0, checked = 0;
    for (char32_t cp = 0x80; cp <= 0x10FFFF; cp += (cp < 0x10000 ? 1 : 0x3F7)) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        // Code points the converters disagree on (GB18030-2000 against
        // -2005) stay out: the user area and the few remapped ideographs.
        if ((cp >= 0xE000 && cp <= 0xF8FF) || cp == 0x1E3F || cp == 0xFE10 ||
            (cp >= 0xFE10 && cp <= 0xFE19) || cp == 0x9FB4 || (cp >= 0x9FA6 && cp <= 0x9FBB))
            continue;
        const std::u32string one(1, cp);
        const std::string utf32(reinterpret_cast<const char*>(one.data()), 4);
        const std::string ref = Iconv("GB18030", "UTF-32LE", utf32);
        if (ref.empty()) continue;
        ++checked;
        unsigned char mine[4];
        const bool has = forms::FourByteOf(cp, mine);
        SCOPED_TRACE(std::to_string(static_cast<unsigned long>(cp)));
        if (ref.size() == 4) {
            ++four;
            ASSERT_TRUE(has);
            ASSERT_EQ(std::string(reinterpret_cast<char*>(mine), 4), ref);
            ASSERT_EQ(forms::CodePointOfFourByte(mine), cp);
        } else {
            ASSERT_FALSE(has) << "a GBK character must keep its GBK bytes";
        }
    }
    EXPECT_GT(checked, 55000);
    EXPECT_GT(four, 30000);
}

TEST(Gb18030, RejectsWhatIsNoFourByteForm) {
    const unsigned char not_four[][4] = {{0x81, 0x40, 0x81, 0x30}, {0x30, 0x30, 0x81, 0x30},
                                         {0xFE, 0x39, 0xFE, 0x39}};
    for (const auto& b : not_four) EXPECT_EQ(forms::CodePointOfFourByte(b), 0u);
    unsigned char b[4];
    EXPECT_FALSE(forms::FourByteOf(U'A', b));
    EXPECT_FALSE(forms::FourByteOf(0xD800, b));
    EXPECT_FALSE(forms::FourByteOf(0x110000, b));
    EXPECT_TRUE(forms::FourByteOf(0x1F600, b));  // an emoji
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 4), "\x94\x39\xFC\x36");
}

}  // namespace
