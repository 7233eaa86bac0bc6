#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "foundation/paths.h"
#include "framework_fixture.h"
#include "platform/automation.h"
#include "ui/framework/file_dialogs.h"

using namespace ob7;
namespace automation = platform::automation;
namespace fs = std::filesystem;

namespace {

// Data and library folders of their own, with a few files.
struct Folders : ::testing::Test {
    // One folder per process: ctest runs the cases of this fixture side by side.
    fs::path root = fs::temp_directory_path() / ("ob7_file_dialogs_" + std::to_string(::getpid()));
    std::string data, library;
    void SetUp() override {
        fs::remove_all(root);
        fs::create_directories(root / "data");
        fs::create_directories(root / "lib");
        data = (root / "data").string() + "/";
        library = (root / "lib").string() + "/";
        SetDefaultPath(kDataPath, data);
        SetDefaultPath(kLibraryPath, library);
        for (const char* f : {"data/amp.CIR", "lib/amp.MAC", "lib/opamp.MAC", "data/list.ckt"})
            std::ofstream(root / f) << "*\n";
    }
    void TearDown() override {
        fs::remove_all(root);
        automation::ClearAnswers();
    }
};

}  // namespace

TEST_F(Folders, DocumentKindsCompleteAndForceExtensions) {
    struct Case { std::string name; int mode; int kind; int result; std::string expect; } cases[] = {
        {"amp", kFileModeOpen, -2, 1, data + "amp.CIR"},         // CIR comes before MAC
        {"opamp", kFileModeOpen, -2, 1, library + "opamp.MAC"},
        {"missing", kFileModeOpen, -2, -1, "missing"},
        {"list.ckt", kFileModeOpen, -2, 2, data + "list.ckt"},
        {"new", kFileModeSaveAs, 1, 1, data + "new.CIR"},       // a circuit without extension gets CIR
        {"models.abc", kFileModeSaveAs, 3, 3, library + "models.LBR"},  // forced
        {"deck.net", kFileModeSaveAs, 2, 2, data + "deck.net"},         // kept as typed
        {"sub.MAC", kFileModeSaveAs, 1, 1, library + "sub.MAC"},
    };
    for (const Case& c : cases) {
        std::string path = c.name;
        EXPECT_EQ(FileKindFromName(path, c.mode, c.kind), c.result) << c.name;
        EXPECT_EQ(path, c.expect) << c.name;
    }
}

TEST_F(Folders, FilterExtensionsAndTheirCheck) {
    EXPECT_EQ(FilterExtensions("Filter (*.RES;*.CAP;*.IND)|*.res;*.cap;*.ind|"),
              (std::vector<std::string>{"RES", "CAP", "IND"}));
    EXPECT_EQ(FilterExtensions("All Files (*.*)|*.*|"), (std::vector<std::string>{"*"}));
    std::string many;
    for (int i = 0; i < 14; ++i) many += "F|*.e" + std::to_string(i) + "|";
    EXPECT_EQ(FilterExtensions(many).size(), 10u);

    std::string message;
    std::vector<std::string> pictures{"wmf", "emf", "bmp"};
    EXPECT_TRUE(ExtensionAccepted(pictures, "a.BMP", message));
    EXPECT_TRUE(ExtensionAccepted(pictures, "noext", message));
    EXPECT_TRUE(ExtensionAccepted({"*"}, "any.thing", message));
    EXPECT_FALSE(ExtensionAccepted(pictures, "a.png", message));
    EXPECT_EQ(message, "File name must have an 'wmf', 'emf' or 'bmp' extension.");
}

TEST_F(Folders, PlainDialogFiltersFoldersAndRefusal) {
    MainFrame();
    // A wrong extension is refused with the message and the dialog is shown again.
    automation::QueueFileDialogAnswer({data + "wave.txt"});
    automation::QueueMessageBoxAnswer(1);
    automation::QueueFileDialogAnswer({data + "wave.usr"});
    std::string path = "start.usr";
    EXPECT_EQ(FileSaveDialog(nullptr, data + ";" + library, path, 10141, "Save Waveform", nullptr), 1);
    EXPECT_EQ(path, data + "wave.usr");
    EXPECT_EQ(automation::MessageBoxTexts().back(), "File name must have an 'USR' extension.");
    const platform::FileDialogOptions& seen = automation::LastFileDialogOptions();
    EXPECT_EQ(seen.title, "Save Waveform");
    ASSERT_EQ(seen.filters.size(), 1u);
    EXPECT_EQ(seen.filters[0].name, "Waveform");
    EXPECT_EQ(seen.filters[0].patterns, "*.usr");
    EXPECT_EQ(seen.folder, data);
    EXPECT_FALSE(seen.confirmOverwrite);  // never for waveforms

    // A folder that does not exist gives way to the data folder; Cancel empties the path.
    automation::QueueFileDialogAnswer({});
    path = "x.bom";
    EXPECT_EQ(FileOpenDialog(nullptr, "/no/such/folder", path, 10118, "Open"), 2);
    EXPECT_EQ(path, "");
    EXPECT_EQ(automation::LastFileDialogOptions().folder, data);

    // Browse for a macro attribute: macro filter in the library folders.
    automation::QueueFileDialogAnswer({library + "opamp.MAC"});
    path.clear();
    EXPECT_EQ(BrowseFileForAttribute(nullptr, path, 22), 1);
    EXPECT_EQ(automation::LastFileDialogOptions().title, "Browse");
    EXPECT_EQ(automation::LastFileDialogOptions().folder, library);
    EXPECT_EQ(automation::LastFileDialogOptions().filters[0].patterns, "*.MAC");
}

TEST_F(Folders, SaveAsRefusesAWrongCircuitExtensionAndOpenListsEveryDocumentType) {
    MainFrame();
    automation::QueueFileDialogAnswer({data + "amp2.txt"});
    automation::QueueMessageBoxAnswer(1);
    automation::QueueFileDialogAnswer({data + "amp2"});
    std::string path = data + "amp.CIR";
    EXPECT_EQ(RunSaveAsDialog(nullptr, nullptr, path, 1), 1);
    EXPECT_EQ(path, data + "amp2.CIR");
    EXPECT_EQ(automation::MessageBoxTexts().back(), "File name must have an 'CIR' or 'MAC' extension.");
    const auto& filters = automation::LastFileDialogOptions().filters;
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[1].name, "Macro");

    automation::QueueFileDialogAnswer({});
    path = "x";
    EXPECT_EQ(RunSaveAsDialog(nullptr, nullptr, path, 2), -1);
    EXPECT_EQ(path, "");

    std::vector<std::pair<std::string, int>> opened;
    automation::QueueFileDialogAnswer({data + "amp.CIR", data + "list.ckt"});
    EXPECT_EQ(RunFileOpenCommand(nullptr, [&](const std::string& p, int k) { opened.push_back({p, k}); }), 2);
    EXPECT_EQ(opened, (std::vector<std::pair<std::string, int>>{{data + "amp.CIR", 1}, {data + "list.ckt", 2}}));
    const auto& open = automation::LastFileDialogOptions();
    ASSERT_EQ(open.filters.size(), 8u);
    EXPECT_EQ(open.filters[0].name, "Schematic");
    EXPECT_EQ(open.filters[7].name, "All Files");
    EXPECT_TRUE(open.multiple);
    EXPECT_EQ(open.folder, data);
}

TEST_F(Folders, AnotherFileTypeMovesToItsFolderAndIsRememberedOnOk) {
    MainFrame();
    // Save As of a circuit: picking "Macro" moves the dialog to the library folder.
    LastFileType = 1;
    automation::QueueFileDialogAnswer({library + "amp3.MAC"}, 1);
    std::string path = data + "amp.CIR";
    EXPECT_EQ(RunSaveAsDialog(nullptr, nullptr, path, 1), 1);
    EXPECT_EQ(automation::LastFileDialogOptions().folder, library);
    EXPECT_EQ(LastFileType, 2);

    // File/Open starts in the folder of the last file type and keeps the one chosen.
    automation::QueueFileDialogAnswer({data + "list.ckt"}, 2);
    EXPECT_EQ(RunFileOpenCommand(nullptr, [](const std::string&, int) {}), 1);
    EXPECT_EQ(LastFileType, 3);
    automation::QueueFileDialogAnswer({});
    RunFileOpenCommand(nullptr, [](const std::string&, int) {});
    EXPECT_EQ(automation::LastFileDialogOptions().filterIndex, 2);
    EXPECT_EQ(automation::LastFileDialogOptions().folder, data);
    LastFileType = 1;

    // A plain Save dialog: the type's single pattern puts its extension on the name, and
    // the chosen type goes back to the caller.
    int index = 0;
    automation::QueueFileDialogAnswer({data + "plot.bmp"}, 2);
    path = data + "plot.wmf";
    EXPECT_EQ(FileSaveDialog(nullptr, data, path, 10145, "Save Picture", &index), 1);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(automation::LastFileDialogOptions().fileName, "plot.bmp");
    EXPECT_EQ(platform::ReplaceExtensionForPatterns("plot.wmf", "*.wmf;*.emf"), "plot.wmf");
    EXPECT_EQ(platform::ReplaceExtensionForPatterns("plot", "*.emf"), "plot.emf");
    EXPECT_EQ(platform::ReplaceExtensionForPatterns("plot.x", "*.*"), "plot.x");
}
