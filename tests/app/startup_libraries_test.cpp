// Start-up's library steps: the placeholders, the shipped libraries, the package list and
// the current component; the settings file's library sections, which leave the
// libraries as start-up registered them through a demo's save and reload; a component
// library that cannot be read; and the save and free at the end of the program.

#include "app/startup_libraries.h"

#include "../libraries/library_test_support.h"
#include "app/main_frame.h"
#include "app/settings_profile.h"
#include "libraries/component_types.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

namespace ob7 {
namespace {

class StartupLibraries : public test::LibraryTest {
protected:
    void SetUp() override {
        test::LibraryTest::SetUp();
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        ProfileFile.path = Path("ombr.dat");
        ProfileFile.screenWidth = 1280;
        ProfileFile.screenHeight = 800;
        ProfileFile.fatalStartup = false;
    }
    // The shipped files, or all but the package file.
    void CopyShipped(bool withPackages) {
        for (const char* name : {"Demo.cmp", "Standard.shp", "Demo.pkg"}) {
            if (!withPackages && std::string(name) == "Demo.pkg") continue;
            std::filesystem::copy_file(std::filesystem::path(OB7_SHIPPED_DATA) / name, dir / name);
        }
    }
    std::string ReadProfile() const {
        std::ifstream in(ProfileFile.path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(StartupLibraries, PlaceholdersLibrariesAndPackageListAreInPlace) {
    CopyShipped(true);
    MissingComponentPlaceholder() = ComponentDef();
    BuildPlaceholderRecords();
    const ComponentDef& placeholder = MissingComponentPlaceholder();
    EXPECT_EQ(placeholder.name, "Component Not Found");
    EXPECT_EQ(placeholder.type, CT_BLANK);
    EXPECT_EQ(placeholder.shape, &DefaultShape());
    EXPECT_EQ(DefaultShape().name, "Shape not Found");
    EXPECT_EQ(FindComponentByName("component not found", nullptr, false), &placeholder);

    ASSERT_EQ(LoadStartupLibraries(), StartupLibraryResult::Loaded);
    EXPECT_TRUE(reports.ids.empty());
    ASSERT_EQ(ComponentLibraryTable().size(), 1u);
    EXPECT_FALSE(ComponentLibraryTable()[0].components.empty());
    // The shipped package file has eight packages, the first two bound to the resistor
    // and the capacitor just loaded.
    ASSERT_EQ(PackageList().size(), 8u);
    EXPECT_EQ(PackageList()[0].name, "AXIAL400");
    EXPECT_EQ(PackageList()[0].component, FindComponentByName("Resistor", nullptr, false));
    EXPECT_EQ(PackageList()[1].name, "RAD200");
    EXPECT_EQ(PackageList()[1].component, FindComponentByName("Capacitor", nullptr, false));
    ASSERT_NE(PackageList()[1].component, nullptr);
    ASSERT_NE(CurrentComponent, nullptr);
    EXPECT_EQ(CurrentComponent->name, "Resistor");
    // A second start-up in the same process does not double the list.
    ASSERT_EQ(LoadStartupLibraries(), StartupLibraryResult::Loaded);
    EXPECT_EQ(PackageList().size(), 8u);
}

TEST_F(StartupLibraries, MissingPackageFileIsReportedAndStartupGoesOn) {
    CopyShipped(false);
    BuildPlaceholderRecords();
    ASSERT_EQ(LoadStartupLibraries(), StartupLibraryResult::Loaded);
    ASSERT_EQ(reports.texts.size(), 1u);
    EXPECT_NE(reports.texts[0].find("Demo.pkg"), std::string::npos);
    EXPECT_TRUE(PackageList().empty());
    ASSERT_NE(CurrentComponent, nullptr);
    EXPECT_EQ(CurrentComponent->name, "Resistor");
}

TEST_F(StartupLibraries, WithoutShippedLibrariesNothingIsLoaded) {
    EXPECT_EQ(LoadStartupLibraries(), StartupLibraryResult::NotInstalled);
    EXPECT_TRUE(ComponentLibraryTable().empty());
    EXPECT_TRUE(PackageList().empty());
    EXPECT_TRUE(reports.ids.empty());
}

// The listed files of an older settings file are passed over and the shipped libraries
// registered; the next save writes the sections empty.
TEST_F(StartupLibraries, ProfileLibrarySectionsRegisterTheShippedLibraries) {
    std::ofstream(ProfileFile.path) << "[Main]\nFileType=OMBR.DAT\nVersion=7.00\n"
                                       "[Component Files]\nFile1=C:\\old\\Mine.cmp\n"
                                       "[Shape Files]\nFile1=C:\\old\\Mine.shp\nFile2=Other.shp\n";
    LoadProfile();
    ASSERT_EQ(ComponentLibraryTable().size(), 1u);
    EXPECT_EQ(ComponentLibraryTable()[0].fileName, DefaultLibraryName());
    ASSERT_EQ(ShapeLibraryTable().size(), 1u);
    EXPECT_EQ(ShapeLibraryTable()[0].fileName, DefaultShapeLibraryPath());

    ASSERT_EQ(SaveProfile(), 0);
    const std::string text = ReadProfile();
    EXPECT_EQ(text.find("Mine"), std::string::npos);
    EXPECT_EQ(text.find("Other.shp"), std::string::npos);
    EXPECT_NE(text.find("[Component Files]\n\n[Shape Files]\n\n[Probe]"), std::string::npos);
}

// A demo saves the user's settings at its start and reads them back at its end: the
// loaded libraries stay as they are, with no second registration.
TEST_F(StartupLibraries, DemoSaveAndReloadKeepsTheLoadedLibraries) {
    CopyShipped(true);
    BuildPlaceholderRecords();
    LoadProfile();
    ASSERT_EQ(LoadStartupLibraries(), StartupLibraryResult::Loaded);
    const size_t components = ComponentLibraryTable()[0].components.size();
    const size_t shapes = ShapeLibraryTable()[0].shapes.size();
    ComponentDef* current = CurrentComponent;

    ASSERT_EQ(SaveProfile(), 0);
    LoadProfile();
    ASSERT_EQ(ComponentLibraryTable().size(), 1u);
    EXPECT_EQ(ComponentLibraryTable()[0].components.size(), components);
    ASSERT_EQ(ShapeLibraryTable().size(), 1u);
    EXPECT_EQ(ShapeLibraryTable()[0].shapes.size(), shapes);
    EXPECT_EQ(CurrentComponent, current);
    EXPECT_EQ(PackageList().size(), 8u);
}

// A component library that is there but cannot be read ends start-up; the file is left
// as it was, whether the settings file registered it or start-up added it.
TEST_F(StartupLibraries, UnreadableComponentLibraryFailsAndIsNotOverwritten) {
    const std::vector<uint8_t> damaged = {'C', 'M', 'P', 0, 1, 2, 3};
    for (bool registered : {true, false}) {
        SCOPED_TRACE(registered ? "registered by the settings file" : "added by start-up");
        Reset();
        reports.ids.clear();
        reports.texts.clear();
        std::filesystem::remove(Path("Demo.cmp"));
        std::filesystem::remove(Path("Standard.shp"));
        CopyShipped(false);
        WriteBytes("Demo.cmp", damaged);
        if (registered) AddComponentLibrary(DefaultLibraryName());
        BuildPlaceholderRecords();
        EXPECT_EQ(LoadStartupLibraries(), StartupLibraryResult::Failed);
        ASSERT_EQ(reports.ids.size(), 1u);
        EXPECT_EQ(reports.ids[0], 5355);  // "This File is not a recognizable format."
        EXPECT_TRUE(ComponentLibraryTable().empty());
        SaveComponentLibraries();
        EXPECT_EQ(ReadBytes("Demo.cmp"), damaged);
    }
}

// The settings file registers the component library whether or not it is installed;
// one that was never read is not written at the end, which would leave an empty library.
TEST_F(StartupLibraries, LibraryThatWasNeverReadIsNotSaved) {
    std::ofstream(ProfileFile.path) << "[Main]\nFileType=OMBR.DAT\nVersion=7.00\n[Component Files]\n";
    LoadProfile();
    ASSERT_EQ(ComponentLibraryTable().size(), 1u);
    EXPECT_EQ(LoadStartupLibraries(), StartupLibraryResult::NotInstalled);
    SaveComponentLibraries();
    EXPECT_FALSE(std::filesystem::exists(Path("Demo.cmp")));
    EXPECT_TRUE(reports.ids.empty());
}

// Closing the main frame writes the component libraries with what was changed in them;
// destroying it frees the libraries and everything that points into them.
TEST_F(StartupLibraries, CloseSavesTheLibrariesAndDestroyFreesThem) {
    CopyShipped(true);
    BuildPlaceholderRecords();
    LoadProfile();
    ASSERT_EQ(LoadStartupLibraries(), StartupLibraryResult::Loaded);
    ComponentLibrary& demo = ComponentLibraryTable()[0];
    const size_t count = demo.components.size();
    ComponentDef* added = demo.Add();
    added->name = "Added On Close";
    added->type = CT_RESISTOR;
    added->shapeName = "Resistor";
    ASSERT_FALSE(PackageList().empty());

    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 800, 600}));
    frame.quietClose = true;
    frame.Close();
    EXPECT_FALSE(frame.IsCreated());
    EXPECT_TRUE(reports.ids.empty());

    EXPECT_TRUE(ComponentLibraryTable().empty());
    EXPECT_TRUE(ShapeLibraryTable().empty());
    EXPECT_TRUE(PackageList().empty());
    EXPECT_EQ(CurrentComponent, nullptr);

    ComponentLibrary back;
    ASSERT_EQ(back.Read(Path("Demo.cmp"), false, nullptr, true), 0);
    ASSERT_EQ(back.components.size(), count + 1);
    EXPECT_EQ(back.components.back()->name, "Added On Close");
}

}  // namespace
}  // namespace ob7
