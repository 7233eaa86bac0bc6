#include "foundation/paths.h"

#include "foundation/message_codes.h"
#include "foundation/recent_list.h"
#include "foundation/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace ob7;

namespace {

// A program folder of our own with data and library folders.
class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedHome_ = std::getenv("OB7_HOME") ? std::getenv("OB7_HOME") : "";
        ::setenv("OB7_HOME", home.Path().c_str(), 1);
        std::filesystem::create_directories(home / "data");
        std::filesystem::create_directories(home / "library");
        SetDefaultFolders();
    }
    void TearDown() override {
        if (savedHome_.empty())
            ::unsetenv("OB7_HOME");
        else
            ::setenv("OB7_HOME", savedHome_.c_str(), 1);
    }
    TempFolder home;

private:
    std::string savedHome_;
};

}  // namespace

TEST_F(PathsTest, ProgramAndDefaultFolders) {
    EXPECT_EQ(GetModuleFolder(), home.Path());
    EXPECT_EQ(GetDefaultPath(kProgramPath), home.Path());
    EXPECT_EQ(GetDefaultPath(kDataPath), home / "data/");
    EXPECT_EQ(GetDefaultPath(kDataPath2), home / "data/");
    EXPECT_EQ(GetDefaultPath(kLibraryPath), home / "library/");
    EXPECT_EQ(GetDefaultPath(4), "");
    EXPECT_EQ(JoinProgramFolder("ombr.dat"), home / "ombr.dat");
    SetDefaultPath(kProgramPath, "/elsewhere");  // fixed
    EXPECT_EQ(GetDefaultPath(kProgramPath), home.Path());
}

TEST_F(PathsTest, SearchAlongTheDataList) {
    std::string a = home / "A", b = home / "B";
    std::filesystem::create_directories(a);
    home.Write("B/X.CIR", "");
    SetDefaultPath(kDataPath, a + ";" + b);

    std::string path = "  X.CIR ";
    EXPECT_EQ(ResolveFilePath(path, kDataPath), 0);
    EXPECT_EQ(path, b + "/X.CIR");
    path = "x.cir";  // another case finds the same file
    EXPECT_EQ(ResolveFilePath(path, kDataPath), 0);
    EXPECT_EQ(path, b + "/X.CIR");

    path = "Y.CIR";
    EXPECT_EQ(ResolveFilePath(path, kDataPath), kMsgErrnoBase + ENOENT);
    EXPECT_EQ(path, "Y.CIR");
    EXPECT_EQ(ResolveBareFileName(path, kDataPath), 0);
    EXPECT_EQ(path, a + "/Y.CIR");  // a new file goes into the first folder

    path = b + "\\X.CIR";
    EXPECT_EQ(ResolveFilePath(path, kDataPath), 0);
    EXPECT_EQ(path, b + "/X.CIR");

    SetDefaultPath(kDataPath, a + ";;" + b);  // an empty entry is skipped like ';;'
    EXPECT_EQ(SearchPathList("X.CIR", kDataPath), b + "/X.CIR");
}

TEST_F(PathsTest, FullPathsAndDefaultFolderPrefix) {
    std::string path = "out.txt";
    EXPECT_EQ(MakeFullPath(path, kDataPath), 0);
    EXPECT_EQ(path, home / "data/out.txt");
    path = "  ";
    EXPECT_EQ(MakeFullPath(path, kDataPath), kMsgErrnoBase + ENOENT);

    path = "D:/old/out.txt";
    PrefixDefaultFolder(path, kDataPath);
    EXPECT_EQ(path, home / "data/out.txt");
    path = "C:\\old\\in.txt";
    PrefixDefaultFolder(path, kDataPath);
    EXPECT_EQ(path, home / "data/in.txt");
}

TEST_F(PathsTest, CircuitFileNames) {
    home.Write("library/amp.MAC", "");
    std::string result;
    EXPECT_EQ(CheckCircuitFileName(result, "amp"), 0);
    EXPECT_EQ(result, home / "library/amp.MAC");
    EXPECT_EQ(CheckCircuitFileName(result, "amp.txt"), kMsgBadMacroExtension);
    EXPECT_EQ(CheckCircuitFileName(result, "filter.cir"), 0);
    EXPECT_EQ(result, "filter.cir");  // not found: the bare name stays
}

TEST_F(PathsTest, ListEntriesAndMissingFolders) {
    std::string list = ";;C:\\A;";
    std::string entry;
    const char* pos = NextPathListEntry(list.c_str(), entry);
    EXPECT_EQ(entry, "C:\\A");
    EXPECT_EQ(NextPathListEntry(pos, entry), nullptr);
    EXPECT_EQ(entry, "");
    std::string tooLong(kMaxPath + 1, 'x');
    EXPECT_EQ(NextPathListEntry(tooLong.c_str(), entry), nullptr);

    std::string missing;
    EXPECT_EQ(FindMissingPathEntry(home / "data;" + home / "gone;" + home / "library", missing), 0);
    EXPECT_EQ(missing, home / "gone");
    EXPECT_EQ(FindMissingPathEntry(home / "data;" + home / "LIBRARY", missing), 1);
    EXPECT_EQ(missing, "");
}

TEST_F(PathsTest, TemporaryFolder) {
    std::string saved = std::getenv("TMP") ? std::getenv("TMP") : "";
    ::setenv("TMP", "/var/tmp/ob7;/other", 1);
    EXPECT_EQ(TempFolderPath("graph7.tmp"), "/var/tmp/ob7/graph7.tmp");
    ::setenv("TMP", "C:\\Temp\\", 1);
    EXPECT_EQ(TempFolderPath("x"), "C:/Temp/x");
    ::unsetenv("TMP");
    EXPECT_FALSE(TempFolderPath("x").empty());
    if (!saved.empty()) ::setenv("TMP", saved.c_str(), 1);
}

TEST(PathPieces, NamesAndExtensions) {
    std::string path = "C:\\a.b\\file";
    EXPECT_EQ(FindExtensionDot(path), std::string::npos);
    ReplaceFileExtension(path, "TXT");
    EXPECT_EQ(path, "C:\\a.b\\file.TXT");
    EXPECT_EQ(GetFileTitle("/x/y/amp.cir"), "amp");
    EXPECT_EQ(GetFileNameAndExtension("c:\\x\\amp.cir"), "amp.cir");
    EXPECT_EQ(GetFileDriveDir("c:\\x\\amp.cir"), "c:/x/");
    EXPECT_EQ(GetFileExtension("/x/amp.cir"), ".cir");
    EXPECT_EQ(GetFileExtension("/x.y/amp"), "");
    std::string old;
    path = "/x/amp.cir";
    EXPECT_TRUE(CutExtension(path, &old));
    EXPECT_EQ(path, "/x/amp");
    EXPECT_EQ(old, "cir");
    EXPECT_EQ(AddDefaultExtension(path), 1);
    EXPECT_EQ(path, "/x/amp.MAC");
    EXPECT_EQ(AddDefaultExtension(path), 0);
}

TEST(PathPieces, FirstUnusedNumberedName) {
    TempFolder dir;
    dir.Write("run.0", "");
    dir.Write("run.1", "");
    std::string path = dir / "run.cir";
    FirstUnusedNumberedName(path);
    EXPECT_EQ(path, dir / "run.2");
}

namespace {
bool recentAllowed = true;
bool RecentAllowed() { return recentAllowed; }
}  // namespace

TEST(RecentFiles, AddRecentFileHonoursTheGate) {
    FileMru().Clear();
    FileMru().SetSize(8);
    AddRecentFile("/c/one.cir");
    SetRecentFileGate(RecentAllowed);
    recentAllowed = false;  // a batch run or a demo
    AddRecentFile("/c/two.cir");
    SetRecentFileGate(nullptr);
    EXPECT_EQ(FileMru().Name(0), "/c/one.cir");
    EXPECT_EQ(FileMru().Name(1), "");
}
