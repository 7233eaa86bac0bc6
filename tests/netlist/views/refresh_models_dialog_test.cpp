// The Refresh Models dialog, answered by scripts as a user would, and the command that
// refreshes a text circuit with the dialog's choice.
#include <gtest/gtest.h>

#include <filesystem>

#include "netlist/text_circuit_fixture.h"
#include "netlist/views/refresh_models_dialog.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/qt_app.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

class RefreshModelsDialogTest : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        static platform::FrameWindow* main = [] {
            TestApp();
            auto* f = new platform::FrameWindow;
            f->CreateFrame("Ombrelic", platform::Rect{0, 0, 900, 640});
            TestApp().SetMainWindow(f);
            f->Show(true);
            return f;
        }();
        (void)main;
        Write("MY.LIB", ".MODEL DLIB D(IS=2E-14 N=1.5)\n.SUBCKT LIBAMP A B\nR1 A B 5K\n.ENDS\n");
        ASSERT_EQ(Read(kText), 0) << FirstReport();
    }
    void TearDown() override {
        automation::ClearAnswers();
        TextCircuitTest::TearDown();
    }
    static constexpr const char* kText = "T\n.LIB MY.LIB\nD1 1 0 DLIB\nX1 1 0 LIBAMP\nR1 1 0 1\n.END\n";
};

TEST_F(RefreshModelsDialogTest, DefaultsPromptsAndPicture) {
    bool shown = false;
    automation::QueueModalScript([&](platform::Dialog& d) {
        shown = true;
        EXPECT_EQ(d.Template().caption, "Refresh Models");
        EXPECT_EQ(d.IsButtonChecked(kIdRefreshModelStatements), 1);
        EXPECT_EQ(d.IsButtonChecked(kIdRefreshSubcircuits), 1);
        EXPECT_EQ(d.IsButtonChecked(kIdRefreshAdd), 0);
        EXPECT_EQ(d.IsButtonChecked(kIdRefreshUpdate), 1);
        automation::HoverItem(d, kIdRefreshAdd);
        EXPECT_EQ(d.ItemText(kIdRefreshPrompt),
                  "Adds missing but does not update existing model statements or subckts in the local circuit.");
        platform::Image image = d.Grab();
        std::filesystem::create_directories("png");
        EXPECT_TRUE(image.SavePng((std::filesystem::current_path() / "png" / "refresh_models.png").string()));
        return 2;
    });
    // Cancel leaves the page as it was.
    EXPECT_EQ(OnRefreshModels(*circuit, nullptr), 0);
    EXPECT_TRUE(shown);
    EXPECT_EQ(page->Text(), kText);
}

TEST_F(RefreshModelsDialogTest, TheRefreshFollowsTheChoice) {
    // Subcircuits only, Add: the library subcircuit is copied, the model is not.
    automation::QueueModalScript([](platform::Dialog& d) {
        automation::ClickItem(d, kIdRefreshModelStatements);
        automation::ClickItem(d, kIdRefreshAdd);
        automation::ClickItem(d, 1);
        return 1;
    });
    EXPECT_EQ(OnRefreshModels(*circuit, nullptr), 0) << FirstReport();
    const std::string text = page->Text();
    EXPECT_NE(text.find(".SUBCKT LIBAMP A B"), std::string::npos) << text;
    EXPECT_EQ(text.find(".MODEL DLIB"), std::string::npos) << text;

    // While an analysis is active the command does nothing and shows no dialog.
    services.analysisKind = 0;
    bool shown = false;
    automation::QueueModalScript([&](platform::Dialog&) {
        shown = true;
        return 2;
    });
    EXPECT_EQ(OnRefreshModels(*circuit, nullptr), 0);
    EXPECT_FALSE(shown);
    EXPECT_EQ(page->Text(), text);
}

}  // namespace
