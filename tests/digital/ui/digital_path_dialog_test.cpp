// The Digital Path dialog on a small network: its rows, the highlight of the selected
// chain, the single instance, a circuit that does not compile, and printing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <unistd.h>

#include "platform/application.h"
#include "platform/automation.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/qt_app.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/ui/digital_path_dialog.h"
#include "sim/engine/simulation_options.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/print_services.h"
#include "ui/framework/shell_state.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

platform::FrameWindow& MainWindow() {
    static platform::FrameWindow* main = [] {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        auto* f = new platform::FrameWindow;
        f->CreateFrame("Ombrelic", platform::Rect{0, 0, 900, 640});
        TestApp().SetMainWindow(f);
        f->Show(true);
        return f;
    }();
    return *main;
}

// A schematic stand-in: its circuit is a digital description compiled on request, and
// it records what the dialog asks it to mark.
struct FakeSchematic : DigitalPathHost {
    DigitalCircuitDesc circuit;
    std::map<std::string, int> nodes;
    int compiles = 0, releases = 0;
    int compileResult = 0;
    std::vector<std::string> markedParts;
    std::vector<PathLink> markedLinks;
    int marks = 0;
    uint8_t markedColour = 0;

    int Node(const std::string& name) {
        auto it = nodes.find(name);
        if (it != nodes.end()) return it->second;
        nodes[name] = ++circuit.node_count;
        circuit.node_names.resize(circuit.node_count + 1);
        circuit.node_names[circuit.node_count] = name;
        return circuit.node_count;
    }
    DigitalPartDesc& Add(int type, const std::string& name, const std::vector<std::string>& pins,
                         std::map<std::string, double> delays = {}) {
        DigitalPartDesc p;
        p.type = type;
        p.name = name;
        for (const std::string& pin : pins) p.pins.push_back(Node(pin));
        p.timing.values = std::move(delays);
        circuit.parts.push_back(p);
        return circuit.parts.back();
    }

    platform::Window* PathWindow() override { return &MainWindow(); }
    int CompilePathCircuit() override {
        ++compiles;
        if (compileResult) return compileResult;
        return SetupDigitalPrimitives(circuit);
    }
    void ReleasePathCircuit() override {
        ++releases;
        FreeDigitalNetwork();
    }
    void HighlightPath(const std::vector<std::string>& parts, const std::vector<PathLink>& links,
                       uint8_t colour) override {
        ++marks;
        markedParts = parts;
        markedLinks = links;
        markedColour = colour;
    }
    std::string PathCircuitTitle() override { return "Path test"; }
};

class DigitalPathDialog : public ::testing::Test {
protected:
    void SetUp() override {
        MainWindow();
        Options = kStandardOptionValues;
        // S1 -> U1 (INV) -> U2 (BUF); U3 (DFF) Q -> U4 (INV) and U5 (BUF).
        auto& s = host.Add(kCtStim, "S1", {"A", "CLK"});
        s.attributes = {{"FORMAT", "11"}, {"COMMAND", "0 00"}};
        host.Add(kCtInv, "U1", {"A", "B"}, {{"TPLHTY", 1e-9}, {"TPHLTY", 2e-9}});
        host.Add(kCtBuf, "U2", {"B", "C"}, {{"TPLHTY", 3e-9}, {"TPHLTY", 4e-9}});
        host.Add(kCtDff, "U3", {"A", "A", "CLK", "A", "Q", "QB"}, {{"TPCLKQLHTY", 5e-9}, {"TPCLKQHLTY", 6e-9}});
        host.Add(kCtInv, "U4", {"Q", "D"}, {{"TPLHTY", 1e-9}, {"TPHLTY", 1e-9}});
        host.Add(kCtBuf, "U5", {"Q", "E"}, {{"TPLHTY", 2e-9}, {"TPHLTY", 2e-9}});
    }
    void TearDown() override {
        if (CDigitalPathDlg* d = OpenDigitalPathDialog()) d->Close();
        platform::Application::PumpMessages();
        FreeDigitalNetwork();
    }
    FakeSchematic host;
};

TEST_F(DigitalPathDialog, ListsEveryChainAndHighlightsTheSelectedOne) {
    CDigitalPathDlg* d = ShowDigitalPathDialog(host, "", "");
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Shell.digitalPathDialogOpen);
    EXPECT_EQ(d->Template().caption, "Path");
    // Header, then the chains "S1 U1 U2", "S1", "U3", "U3 U4", "U3 U5".
    ASSERT_EQ(d->ItemCount(kIdPathList), 6);
    EXPECT_EQ(d->ItemString(kIdPathList, 0).substr(0, 9), "No.  Path");
    EXPECT_EQ(d->ItemString(kIdPathList, 1).substr(0, 14), "0001 S1 U1 U2 ");
    // S1 U1 U2: one inversion, so the output rises 1 + 3 ns after the stimulus falls.
    EXPECT_NE(d->ItemString(kIdPathList, 1).find("      4N        6N"), std::string::npos)
        << d->ItemString(kIdPathList, 1);
    EXPECT_EQ(d->ItemData(kIdPathList, 4), 4);
    // Row 1 is selected and its chain marked, with the nodes between its parts.
    EXPECT_EQ(d->CurSel(kIdPathList), 1);
    EXPECT_EQ(host.markedParts, (std::vector<std::string>{"S1", "U1", "U2"}));
    ASSERT_EQ(host.markedLinks.size(), 2u);
    EXPECT_EQ(host.markedLinks[0].from_part, "S1");
    EXPECT_EQ(host.markedLinks[0].node_name, "A");
    EXPECT_EQ(host.markedLinks[1].node_name, "B");
    EXPECT_EQ(host.markedColour, host.highlightColour);

    platform::Application::PumpMessages();
    std::filesystem::create_directories("png");
    EXPECT_TRUE(d->Grab().SavePng("png/digital_path_dialog.png"));

    // Another row marks its chain.
    d->SetCurSel(kIdPathList, 5);
    d->OnControlNotify(kIdPathList, platform::Notify::SelChange);
    EXPECT_EQ(host.markedParts, (std::vector<std::string>{"U3", "U5"}));
    ASSERT_EQ(host.markedLinks.size(), 1u);
    EXPECT_EQ(host.markedLinks[0].node_name, "Q");

    // Color... takes the chosen slot (red) and marks the chain again in it.
    automation::QueueModalScript([](platform::Dialog& sheet) {
        automation::ClickItem(static_cast<CFontProp&>(sheet).colourPage, 19809);
        automation::ClickItem(sheet, 1);
        return 0;
    });
    const int marks = host.marks;
    d->RouteCommand(kIdPathColour);
    EXPECT_EQ(host.highlightColour, 9);
    EXPECT_EQ(host.marks, marks + 1);
    EXPECT_EQ(host.markedColour, 9);

    // A second opening brings the same dialog up without compiling again.
    EXPECT_EQ(ShowDigitalPathDialog(host, "U3", ""), d);
    EXPECT_EQ(host.compiles, 1);

    // Closing frees the circuit and gives the menus back.
    d->RouteCommand(kIdPathClose);
    platform::Application::PumpMessages();
    EXPECT_EQ(OpenDigitalPathDialog(), nullptr);
    EXPECT_FALSE(Shell.digitalPathDialogOpen);
    EXPECT_EQ(host.releases, 1);
}

TEST_F(DigitalPathDialog, StartAndEndPartsChooseTheChains) {
    CDigitalPathDlg* d = ShowDigitalPathDialog(host, "U3", "");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Paths().paths.size(), 3u);
    d->Close();
    platform::Application::PumpMessages();
    d = ShowDigitalPathDialog(host, "S1", "U2");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Paths().paths.size(), 1u);
    EXPECT_EQ(host.markedParts, (std::vector<std::string>{"S1", "U1", "U2"}));
}

TEST_F(DigitalPathDialog, ACircuitThatDoesNotCompileOpensNothing) {
    host.compileResult = 15055;
    EXPECT_EQ(ShowDigitalPathDialog(host, "", ""), nullptr);
    EXPECT_EQ(OpenDigitalPathDialog(), nullptr);
    EXPECT_FALSE(Shell.digitalPathDialogOpen);
    EXPECT_EQ(host.releases, 1);
}

TEST_F(DigitalPathDialog, PrintsTheListAPageAtATime) {
    // 150 buffers on one stimulus: 150 chains of one row each, over three pages.
    host.circuit = {};
    host.nodes.clear();
    auto& s = host.Add(kCtStim, "S1", {"A"});
    s.attributes = {{"FORMAT", "1"}, {"COMMAND", "0 0"}};
    for (int i = 0; i < 150; ++i) host.Add(kCtBuf, "B" + std::to_string(i), {"A", "Y" + std::to_string(i)});
    CDigitalPathDlg* d = ShowDigitalPathDialog(host, "", "");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Rows().size(), 151u);
    const std::string pdf =
        (std::filesystem::temp_directory_path() / ("ob7_paths_" + std::to_string(::getpid()) + ".pdf")).string();
    std::filesystem::remove(pdf);
    PrinterChoice.outputFile = pdf;
    EXPECT_TRUE(d->PrintList());
    PrinterChoice = platform::PrintSettings{};
    std::ifstream in(pdf, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), 100u);
    std::regex page("/Type\\s*/Page[^s]");
    const auto pages = std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator());
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 4);
    std::filesystem::remove(pdf);
}

}  // namespace
