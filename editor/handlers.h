// The handlers of MainWindow.  They keep no state: the controls hold it all.
#pragma once

namespace editor {

extern const char kMainWindow[];
extern const char kFaceName1[];  // "表情1", list item 0
extern const char kFaceName2[];  // "表情2", list item 1

// Created event of MainWindow: the first face, then the polling timer.
void OnMainWindowCreated();
// Tick of 时钟2: shows the face picked in 组合框1.
void OnFaceTimerTick();
// Click of 按钮1: lays the two typed lines over the face.
void OnGenerateClick();

}  // namespace editor
