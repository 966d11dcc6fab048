// The handlers of MainWindow and AboutWindow against a recording run time:
// the exact calls, in order, and the rules for handed-out texts.
#include <gtest/gtest.h>

#include "about/about.h"
#include "editor/faces.h"
#include "editor/handlers.h"
#include "fake_runtime.h"

namespace {

using Log = std::vector<std::string>;

class Handlers : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(rt.faults.empty()) << rt.faults.front();
        EXPECT_EQ(rt.Outstanding(), 0u) << "a handed-out text was never released";
    }
    fake::Runtime rt;
};

TEST_F(Handlers, CreatedShowsTheFirstFaceThenStartsPolling) {
    editor::OnMainWindowCreated();
    EXPECT_EQ(rt.log, (Log{"WriteBytes MainWindow/图片框1.Picture 5070",
                           "WriteInt MainWindow/时钟2.Period 700"}));
    EXPECT_EQ(rt.picture, editor::kFace1);
}

const Log kTickReads0 = {
    "ReadInt MainWindow/组合框1.Selection -> 0",
    "ItemText MainWindow/组合框1 0 -> \"表情1\"",
    "Release \"表情1\"",
};

TEST_F(Handlers, TickWithTheFirstItemWritesFaceOneAndReadsTheSelectionTwice) {
    rt.selection = 0;
    editor::OnFaceTimerTick();
    EXPECT_EQ(rt.log, (Log{
                          "ReadInt MainWindow/组合框1.Selection -> 0",
                          "ItemText MainWindow/组合框1 0 -> \"表情1\"",
                          "Release \"表情1\"",
                          "WriteBytes MainWindow/图片框1.Picture 5070",
                          "ReadInt MainWindow/组合框1.Selection -> 0",
                          "ItemText MainWindow/组合框1 0 -> \"表情1\"",
                          "Release \"表情1\"",
                      }));
    EXPECT_EQ(rt.picture, editor::kFace1);
}

TEST_F(Handlers, TickWithTheSecondItemWritesFaceTwo) {
    rt.selection = 1;
    editor::OnFaceTimerTick();
    EXPECT_EQ(rt.log, (Log{
                          "ReadInt MainWindow/组合框1.Selection -> 1",
                          "ItemText MainWindow/组合框1 1 -> \"表情2\"",
                          "Release \"表情2\"",
                          "ReadInt MainWindow/组合框1.Selection -> 1",
                          "ItemText MainWindow/组合框1 1 -> \"表情2\"",
                          "Release \"表情2\"",
                          "WriteBytes MainWindow/图片框1.Picture 4891",
                      }));
    EXPECT_EQ(rt.picture, editor::kFace2);
}

// Every tick writes the face again: nothing is remembered between ticks.
TEST_F(Handlers, EveryTickWritesTheSelectedFaceAgain) {
    rt.selection = 1;
    for (int i = 0; i < 3; ++i) editor::OnFaceTimerTick();
    int writes = 0;
    for (const auto& line : rt.log) writes += line.rfind("WriteBytes", 0) == 0;
    EXPECT_EQ(writes, 3);
}

// Without a selection, or with an item that is neither face, a tick reads
// twice and writes nothing; no text is released that was not handed out.
struct NoWriteCase {
    const char* name;
    int selection;
    std::vector<std::string> items;
    std::string typed;
};

class TickWithoutMatch : public ::testing::TestWithParam<NoWriteCase> {};

TEST_P(TickWithoutMatch, WritesNothing) {
    fake::Runtime rt;
    rt.selection = GetParam().selection;
    rt.items = GetParam().items;
    rt.combo_field = GetParam().typed;
    editor::OnFaceTimerTick();
    int reads = 0;
    for (const auto& line : rt.log) {
        EXPECT_NE(line.rfind("Write", 0), 0u) << line;
        EXPECT_EQ(line.find("ReadText"), std::string::npos) << "the typed text was consulted";
        reads += line.rfind("ReadInt", 0) == 0;
    }
    EXPECT_EQ(reads, 2);
    EXPECT_TRUE(rt.faults.empty());
    EXPECT_EQ(rt.Outstanding(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TickWithoutMatch,
    ::testing::Values(
        NoWriteCase{"NothingSelected", -1, {"表情1", "表情2"}, "表情2"},
        NoWriteCase{"IndexPastTheList", 2, {"表情1", "表情2"}, ""},
        NoWriteCase{"LongerItemText", 0, {"表情1 ", "表情2"}, "表情1"},
        NoWriteCase{"EmptyItem", 0, {"", "表情2"}, ""},
        NoWriteCase{"OtherItem", 1, {"表情1", "表情3"}, "表情2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Handlers, NoSelectionReleasesNothing) {
    rt.selection = -1;
    editor::OnFaceTimerTick();
    EXPECT_EQ(rt.log, (Log{
                          "ReadInt MainWindow/组合框1.Selection -> -1",
                          "ItemText MainWindow/组合框1 -1 -> none",
                          "ReadInt MainWindow/组合框1.Selection -> -1",
                          "ItemText MainWindow/组合框1 -1 -> none",
                      }));
}

// ---- the caption click

struct ClickCase {
    const char* name;
    std::string first, second;
    Log expected;
};

class GenerateClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(GenerateClick, CopiesBothLinesInOrder) {
    fake::Runtime rt;
    rt.edit_text["编辑框2"] = GetParam().first;
    rt.edit_text["编辑框3"] = GetParam().second;
    editor::OnGenerateClick();
    EXPECT_EQ(rt.log, GetParam().expected);
    EXPECT_EQ(rt.captions["透明标签1"], GetParam().first);
    EXPECT_EQ(rt.captions["透明标签2"], GetParam().second);
    EXPECT_TRUE(rt.faults.empty());
    EXPECT_EQ(rt.Outstanding(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GenerateClick,
    ::testing::Values(
        ClickCase{"BothFilled", "  第一行 ", "second line",
                  {"ReadText MainWindow/编辑框2.Text -> \"  第一行 \"",
                   "WriteText MainWindow/透明标签1.Caption \"  第一行 \"",
                   "Release \"  第一行 \"",
                   "ReadText MainWindow/编辑框3.Text -> \"second line\"",
                   "WriteText MainWindow/透明标签2.Caption \"second line\"",
                   "Release \"second line\""}},
        ClickCase{"BothEmpty", "", "",
                  {"ReadText MainWindow/编辑框2.Text -> none",
                   "WriteText MainWindow/透明标签1.Caption none",
                   "ReadText MainWindow/编辑框3.Text -> none",
                   "WriteText MainWindow/透明标签2.Caption none"}},
        ClickCase{"OnlyFirst", "上", "",
                  {"ReadText MainWindow/编辑框2.Text -> \"上\"",
                   "WriteText MainWindow/透明标签1.Caption \"上\"", "Release \"上\"",
                   "ReadText MainWindow/编辑框3.Text -> none",
                   "WriteText MainWindow/透明标签2.Caption none"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Handlers, TwoClicksWriteTheSameCaptionsTwice) {
    rt.edit_text["编辑框2"] = "a";
    rt.edit_text["编辑框3"] = "b";
    editor::OnGenerateClick();
    const Log once = rt.log;
    editor::OnGenerateClick();
    ASSERT_EQ(rt.log.size(), 2 * once.size());
    EXPECT_TRUE(std::equal(once.begin(), once.end(), rt.log.begin() + once.size()));
    EXPECT_EQ(rt.captions["透明标签1"], "a");
}

TEST_F(Handlers, LongTextPassesWhole) {
    const std::string line(100000, 'x');
    rt.edit_text["编辑框2"] = line;
    editor::OnGenerateClick();
    EXPECT_EQ(rt.captions["透明标签1"], line);
}

TEST_F(Handlers, AboutClickLoadsTheAboutWindowOnce) {
    about::OnAboutClick();
    EXPECT_EQ(rt.log, (Log{"Load AboutWindow"}));
}

}  // namespace
