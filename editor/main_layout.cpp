// The layout of MainWindow: the face on the left with its two caption labels
// over it, the two caption boxes, the face list and the buttons on the right,
// the notice along the bottom.
#include "editor/main_layout.h"

#include "editor/faces.h"

namespace editor {
namespace {

using forms::Align;
using forms::Binding;
using forms::Control;
using forms::Font;

const Font kEditFont{.face = "宋体", .height = 12, .weight = 400};
const Font kAboutButtonFont{.face = "宋体", .height = 12, .weight = 400, .underline = true};
const Font kCaptionFont{.face = "宋体", .height = 16, .weight = 700};

const char* const kFaceItems[] = {"表情1", "表情2"};
constexpr std::uint32_t kRed = 0xFF0000;

// Creation order; later controls lie above earlier ones among siblings, and
// the tab stops are visited in this order.
const Control kControls[] = {
    {.name = "组合框1", .cls = "ComboBox", .parent = "MainWindow",
     .x = 256, .y = 152, .w = 80, .h = 20, .text = "表情1", .tabstop = true,
     .items = kFaceItems, .item_count = 2},
    {.name = "图片框1", .cls = "PicBox", .parent = "MainWindow",
     .x = 16, .y = 16, .w = 192, .h = 184,
     .picture = kFace2, .picture_size = kFace2Size},
    {.name = "编辑框2", .cls = "EditBox", .parent = "MainWindow",
     .x = 296, .y = 64, .w = 136, .h = 24, .font = &kEditFont, .tabstop = true},
    {.name = "标签1", .cls = "Label", .parent = "MainWindow",
     .x = 216, .y = 72, .w = 72, .h = 16, .text = "第一行文字："},
    {.name = "标签2", .cls = "Label", .parent = "MainWindow",
     .x = 216, .y = 112, .w = 72, .h = 16, .text = "第二行文字："},
    {.name = "编辑框3", .cls = "EditBox", .parent = "MainWindow",
     .x = 296, .y = 104, .w = 136, .h = 24, .font = &kEditFont, .tabstop = true},
    {.name = "时钟2", .cls = "Timer", .parent = "MainWindow", .visible = false, .period = 0},
    {.name = "按钮1", .cls = "Button", .parent = "MainWindow",
     .x = 360, .y = 144, .w = 64, .h = 32, .text = "点击生成", .tabstop = true},
    {.name = "透明标签1", .cls = "TransLabel", .parent = "图片框1",
     .x = 24, .y = 120, .w = 136, .h = 32, .font = &kCaptionFont, .align = Align::Center},
    {.name = "透明标签2", .cls = "TransLabel", .parent = "MainWindow",
     .x = 32, .y = 160, .w = 160, .h = 32, .font = &kCaptionFont, .align = Align::Center},
    {.name = "按钮2", .cls = "Button", .parent = "MainWindow",
     .x = 400, .y = 208, .w = 56, .h = 24, .text = "About_", .font = &kAboutButtonFont,
     .tabstop = true},
    {.name = "标签3", .cls = "Label", .parent = "MainWindow",
     .x = 16, .y = 216, .w = 312, .h = 24,
     .text = "本软件尚不成熟,如要将制作完成的图片导出,请手动截图!", .color = kRed},
};

const Binding kBindings[] = {
    {"MainWindow", "created", "OnMainWindowCreated"},
    {"按钮1", "clicked", "OnGenerateClick"},
    {"按钮2", "clicked", "OnAboutClick"},
    {"时钟2", "tick", "OnFaceTimerTick"},
};

}  // namespace

const forms::Window kMainWindowLayout{
    .name = "MainWindow",
    .title = "Tovimar Ver1.0 beta",
    .w = 483,
    .h = 274,
    .visible = true,
    .controls = kControls,
    .control_count = sizeof kControls / sizeof kControls[0],
    .bindings = kBindings,
    .binding_count = sizeof kBindings / sizeof kBindings[0],
};

}  // namespace editor
