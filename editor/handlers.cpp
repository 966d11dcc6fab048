#include "editor/handlers.h"

#include "editor/compare_text.h"
#include "editor/faces.h"
#include "forms/forms.h"

namespace editor {

using forms::Prop;
using forms::rt;

const char kMainWindow[] = "MainWindow";
const char kFaceName1[] = "表情1";
const char kFaceName2[] = "表情2";

namespace {
constexpr int kPollPeriodMs = 700;

// Whether the item selected in the face list right now is named `face`.
bool SelectedFaceIs(const char* face) {
    const int index = rt().ReadInt(kMainWindow, "组合框1", Prop::Selection);
    char* item = rt().ItemText(kMainWindow, "组合框1", index);
    const bool same = CompareText(item, face) == 0;
    if (item) rt().Release(item);
    return same;
}

void CopyLine(const char* edit, const char* label) {
    char* text = rt().ReadText(kMainWindow, edit, Prop::Text);
    rt().WriteText(kMainWindow, label, Prop::Caption, text);
    if (text) rt().Release(text);
}
}  // namespace

void OnMainWindowCreated() {
    rt().WriteBytes(kMainWindow, "图片框1", Prop::Picture, kFace1, kFace1Size);
    rt().WriteInt(kMainWindow, "时钟2", Prop::Period, kPollPeriodMs);
}

// Two separate reads of the selection, one per face: nothing is kept between
// ticks and the face is written again on every tick while an item is picked.
void OnFaceTimerTick() {
    if (SelectedFaceIs(kFaceName1))
        rt().WriteBytes(kMainWindow, "图片框1", Prop::Picture, kFace1, kFace1Size);
    if (SelectedFaceIs(kFaceName2))
        rt().WriteBytes(kMainWindow, "图片框1", Prop::Picture, kFace2, kFace2Size);
}

void OnGenerateClick() {
    CopyLine("编辑框2", "透明标签1");
    CopyLine("编辑框3", "透明标签2");
}

}  // namespace editor
