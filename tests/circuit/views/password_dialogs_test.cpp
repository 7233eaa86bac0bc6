// The password questions, answered by scripts as a user would.
#include <gtest/gtest.h>

#include <filesystem>

#include "circuit/report_capture.h"
#include "circuit/views/password_dialogs.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/image.h"
#include "views_fixture.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

constexpr int kField = 10, kField2 = 205;

void Answer(const char* first, const char* second, int button)
{
    automation::QueueModalScript([=](platform::Dialog& d) {
        automation::SendTextToItem(d, kField, first);
        if (second)
            automation::SendTextToItem(d, kField2, second);
        automation::ClickItem(d, button);
        return button;
    });
}

}  // namespace

TEST(PasswordDialogs, AskPassword)
{
    Main();
    Answer("Secret-Password-Of-Many-Letters", nullptr, 1);
    EXPECT_EQ(AskPassword(), "Secret-Password-Of-");  // 19 characters at most
    Answer("abc", nullptr, 2);
    EXPECT_EQ(AskPassword(), "");
    automation::ClearAnswers();
}

TEST(PasswordDialogs, NewPasswordIsAskedUntilBothEntriesAgree)
{
    Main();
    ReportCapture capture;
    Answer("alpha", "beta", 1);
    Answer("Alpha", "ALPHA", 1);  // case does not count
    EXPECT_EQ(AskNewPasswordTwice(), "Alpha");
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.Last().id, 263);
    Answer("x", "y", 2);
    EXPECT_EQ(AskNewPasswordTwice(), "");
    automation::ClearAnswers();
}

TEST(PasswordDialogs, Picture)
{
    Main();
    automation::QueueModalScript([](platform::Dialog& d) {
        automation::SendTextToItem(d, kField, "secret");
        automation::SendTextToItem(d, kField2, "secret");
        platform::Image image = d.Grab();
        std::filesystem::create_directories("png");
        EXPECT_TRUE(image.SavePng((std::filesystem::current_path() / "png" / "new_password.png").string()));
        return 2;
    });
    EXPECT_EQ(AskNewPasswordTwice(), "");
    automation::ClearAnswers();
}
