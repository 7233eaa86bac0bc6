#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/desktop.h"
#include "platform/image.h"
#include "ui/framework/report_dialog.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

struct WithDialog : ::testing::Test {
    DialogReportContext context;
    void SetUp() override {
        MainFrame();
        SetReportContext(&context);
    }
    void TearDown() override {
        SetReportContext(nullptr);
        automation::ClearAnswers();
    }
};

}  // namespace

TEST_F(WithDialog, FiveButtonQuestionWithTheDontWarnBox) {
    std::vector<int> buttons;
    automation::QueueModalScript([&](platform::Dialog& d) {
        for (int id : {1, 2, 6, 7, 32, 33, 21, 34})
            if (d.HasItem(id)) buttons.push_back(id);
        EXPECT_EQ(d.ItemText(101), "Save changes in 'amp.cir'?");
        EXPECT_EQ(d.ItemText(32), "Yes to &All");
        EXPECT_EQ(d.FocusedItem(), 6);  // the first button
        EXPECT_TRUE(d.IsItemVisible(112));
        d.CheckButton(112, 1);
        std::filesystem::create_directories("png");
        d.Grab().SavePng("png/save_question.png");
        automation::ClickItem(d, 32);
        return 0;
    });
    int warn = 1;
    int answer = ReportMessage("SCE", kIconQuestion | kStyleYesAllNoAllCancel, &warn, 13556, "amp.cir");
    EXPECT_EQ(answer, kButtonYesToAll);
    EXPECT_EQ(buttons, (std::vector<int>{2, 6, 7, 32, 33}));
    EXPECT_EQ(warn, 0);  // ticked
}

TEST_F(WithDialog, LabelledLinesListAndOffsetPlacement) {
    platform::Size screen = platform::desktop::ScreenSize();
    platform::Rect where;
    std::string list;
    automation::QueueModalScript([&](platform::Dialog& d) {
        where = d.WindowRect();
        list = d.ItemText(109);
        EXPECT_FALSE(d.IsItemVisible(112));
        EXPECT_TRUE(d.HasItem(1));
        EXPECT_FALSE(d.HasItem(2));
        return 1;
    });
    EXPECT_EQ(ReportMessage("OMMsBF", 50, 0, "Part:", "R1", "Value:", "1k", 'W', "Check", "Value out of range"), 1);
    EXPECT_EQ(list, "Part:\tR1\nValue:\t1k");
    // Half a screen's half to the right of the centre.
    EXPECT_NEAR(where.left + where.Width() / 2, screen.cx / 2 + screen.cx / 4, where.Width() / 2 + 2);
}
