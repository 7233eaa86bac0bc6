// The tip file and the Tip of the Day dialog: the index wraps both ways, Close moves it
// on, the close box does not, the check box is kept however the dialog ends, and a
// missing file shows its reason as the tip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/settings_profile.h"
#include "app/tip_of_day.h"
#include "foundation/profile.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/qt_app.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

struct TipFixture : ::testing::Test {
    fs::path folder = fs::temp_directory_path() / ("ob7_tip_" + std::to_string(::getpid()));
    std::string saved;
    void SetUp() override {
        TestApp();
        fs::create_directories(folder);
        const char* home = std::getenv("OB7_HOME");
        saved = home ? home : "";
        setenv("OB7_HOME", folder.c_str(), 1);
        Tip = TipSettings{};
        ASSERT_EQ(WriteTipFile(TipFilePath(), {"First\nbody one", "Second\nbody two", "Heading only"}), 0);
    }
    void TearDown() override {
        if (saved.empty()) unsetenv("OB7_HOME");
        else setenv("OB7_HOME", saved.c_str(), 1);
        fs::remove_all(folder);
    }
};

}  // namespace

TEST_F(TipFixture, FileLayoutAndIndexWrapping) {
    // The layout as bytes: count, the (offset, spare) table, then length and text.
    std::ifstream in(TipFilePath(), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GE(bytes.size(), 28u);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[4], 28);  // 4 + 3 * 8
    EXPECT_EQ(bytes[28], 14);  // "First\nbody one"
    struct Case {
        int index;
        const char* text;
        int stored;
    };
    for (const Case& c : {Case{0, "First\nbody one", 0}, Case{5, "Heading only", 2}, Case{-1, "Heading only", 2},
                          Case{3, "First\nbody one", 0}}) {
        Tip.index = c.index;
        EXPECT_EQ(LoadTipText().value_or("<none>"), c.text) << c.index;
        EXPECT_EQ(Tip.index, c.stored) << c.index;
    }
    // No tips: nothing to show; no file: the reason as heading and body.
    ASSERT_EQ(WriteTipFile(TipFilePath(), {}), 0);
    EXPECT_FALSE(LoadTipText().has_value());
    fs::remove(TipFilePath());
    std::string reason = LoadTipText().value_or("");
    EXPECT_EQ(reason.substr(0, 6), "Error\n");
    EXPECT_GT(reason.size(), 8u);
}

TEST_F(TipFixture, DialogStepsAndClosing) {
    Tip.index = 0;
    Tip.show = 1;
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& tip = static_cast<CTipDlg&>(d);
        platform::Application::PumpMessages();
        EXPECT_EQ(tip.text.value_or(""), "First\nbody one");
        fs::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/tip_of_the_day.png"));
        d.RouteCommand(6503);  // Previous from the first: the last
        EXPECT_EQ(tip.text.value_or(""), "Heading only");
        d.RouteCommand(6501);  // Next wraps to the first
        EXPECT_EQ(tip.text.value_or(""), "First\nbody one");
        d.CheckButton(6502, 0);
        d.RouteCommand(8);  // Close moves the index on
        return 0;
    });
    RunTipOfTheDay();
    EXPECT_EQ(Tip.index, 1);
    EXPECT_EQ(Tip.show, 0);
    // The close box keeps the index but still takes the check box.
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        d.CheckButton(6502, 1);
        static_cast<CTipDlg&>(d).OnCancel();
        return 2;
    });
    RunTipOfTheDay();
    EXPECT_EQ(Tip.index, 1);
    EXPECT_EQ(Tip.show, 1);
}

TEST_F(TipFixture, TipSectionRoundTrips) {
    ProfileFile.path = (folder / "ombr.dat").string();
    Tip = {0, 7};
    ASSERT_EQ(SaveProfile(), 0);
    std::ifstream in(ProfileFile.path);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(all.find("[Tip]\nShow=No\nIndex=7\n"), std::string::npos) << all;
    Tip = TipSettings{};
    LoadProfile();
    EXPECT_EQ(Tip.show, 0);
    EXPECT_EQ(Tip.index, 7);
}
