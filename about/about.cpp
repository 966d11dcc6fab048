// AboutWindow: the program's name, a date, the version and the author.
#include "about/about.h"

#include "forms/forms.h"

namespace about {
namespace {

using forms::Align;
using forms::Control;

// The first text ends in a space and the third holds a bare line feed; the
// labels draw on one line, so "Version" and ":1.0" stand side by side.
const Control kControls[] = {
    {.name = "标签1", .cls = "Label", .parent = "AboutWindow",
     .x = 80, .y = 40, .w = 232, .h = 32, .text = "Tovimar测试版 ", .align = Align::Center},
    {.name = "标签2", .cls = "Label", .parent = "AboutWindow",
     .x = 96, .y = 88, .w = 200, .h = 32, .text = "2012年7月18日", .align = Align::Center},
    {.name = "标签3", .cls = "Label", .parent = "AboutWindow",
     .x = 96, .y = 136, .w = 200, .h = 40, .text = "Version\n:1.0", .align = Align::Center},
    {.name = "标签4", .cls = "Label", .parent = "AboutWindow",
     .x = 272, .y = 184, .w = 96, .h = 16, .text = "code by Velkor"},
};

}  // namespace

const forms::Window kAboutWindowLayout{
    .name = "AboutWindow",
    .title = "About_",
    .w = 381,
    .h = 250,
    .visible = true,
    .controls = kControls,
    .control_count = sizeof kControls / sizeof kControls[0],
    .bindings = nullptr,
    .binding_count = 0,
};

void OnAboutClick() { forms::rt().LoadWindow("AboutWindow"); }

}  // namespace about
