#include "circuit/document_files.h"
#include "circuit/protected_file.h"
#include "foundation/paths.h"
#include "libraries/component_library.h"
#include "circuit_fixture.h"
#include "report_capture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ob7;
using namespace ob7::test;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Runs `body` where the folder cannot be written: as an unprivileged user in a child
// process when the tests run as root (root writes through any mode bits), else here.
int RunWithoutWriteAccess(const std::string& folder, int (*body)(const std::string&), const std::string& arg)
{
    chmod(folder.c_str(), 0555);
    if (geteuid() != 0) {
        int code = body(arg);
        chmod(folder.c_str(), 0755);
        return code;
    }
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(255);
        _exit(body(arg) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(folder.c_str(), 0755);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 254;
}

}  // namespace

// Saving goes through "$$TEMP$$" and keeps the previous content in "_bak".
TEST(DocumentFiles, SaveKeepsTheOldFileAsBackup)
{
    ScratchFolder folder;
    const std::string path = folder.File("amp.cir");
    CircuitDocument doc;
    doc.AddPart(Defs().resistor, 10, 10);
    ASSERT_EQ(SaveCircuitDocument(doc, path), 0);
    const std::string first = ReadFile(path);
    EXPECT_FALSE(Exists(path + "_bak"));
    doc.AddWire(10, 10, 10, 20);
    doc.MarkModified();
    ASSERT_EQ(SaveCircuitDocument(doc, path), 0);
    EXPECT_EQ(ReadFile(path + "_bak"), first);
    EXPECT_FALSE(Exists(path + "$$TEMP$$"));
    EXPECT_FALSE(doc.modified);
    const std::string second = ReadFile(path);
    ASSERT_EQ(SaveCircuitDocument(doc, path), 0);
    EXPECT_EQ(ReadFile(path + "_bak"), second);  // each save replaces the backup

    // A replacement whose temporary file cannot be renamed leaves the target in place.
    const std::string third = ReadFile(path);
    EXPECT_NE(ReplaceWithTempFile(path + "$$TEMP$$", path), 0);
    EXPECT_EQ(ReadFile(path), third);
}

// A save into a folder that cannot be written fails with a code, and the old file stays.
TEST(DocumentFiles, FailedSaveLeavesThePreviousFile)
{
    ScratchFolder folder;
    chmod(folder.path.c_str(), 0755);
    const std::string path = folder.File("amp.cir");
    WriteFile(path, "previous content");
    chmod(path.c_str(), 0644);
    int result = RunWithoutWriteAccess(
        folder.path.string(),
        [](const std::string& target) {
            CircuitDocument doc;
            doc.AddWire(1, 1, 2, 2);
            return SaveCircuitFile(doc, target, kCircuitVersion70);
        },
        path);
    EXPECT_NE(result, 0);
    EXPECT_EQ(ReadFile(path), "previous content");
    EXPECT_FALSE(Exists(path + "$$TEMP$$"));
    EXPECT_FALSE(Exists(path + "_bak"));

    // A text page is written through a temporary file as well.
    result = RunWithoutWriteAccess(
        folder.path.string(),
        [](const std::string& target) {
            CircuitDocument doc;
            doc.kind = DOC_TEXT;
            doc.text = "R1 1 0 1k\r\n";
            return SaveTextToFile(doc, target);
        },
        path);
    EXPECT_NE(result, 0);
    EXPECT_EQ(ReadFile(path), "previous content");

    // Only plain files are read: a folder is not a circuit.
    int code = 0;
    EXPECT_FALSE(OpenCircuitDocument(folder.path.string(), DOC_SCHEMATIC, kLoadQuiet, &code));
    EXPECT_EQ(code, 15022);
}

// A circuit reached through a symbolic link: the link stays and the file it points to
// takes the new content; a read-only circuit is refused, not replaced. Each saver alike.
TEST(DocumentFiles, SavesFollowLinksAndRefuseReadOnlyFiles)
{
    struct Saver {
        const char* name;
        int (*save)(const std::string&);
    };
    const Saver savers[] = {
        {"circuit", [](const std::string& path) {
             CircuitDocument doc;
             doc.AddWire(1, 1, 2, 2);
             return SaveCircuitDocument(doc, path);
         }},
        {"text", [](const std::string& path) {
             CircuitDocument doc;
             doc.kind = DOC_TEXT;
             doc.text = "R1 1 0 1k\r\n";
             return SaveCircuitDocument(doc, path);
         }},
        {"protected", [](const std::string& path) { return SaveProtectedCopy(path, "pw"); }},
    };
    for (const Saver& s : savers) {
        ScratchFolder folder;
        const std::string real = folder.File("real.cir");
        const std::string link = folder.File("link.cir");
        CircuitDocument first;
        first.AddPart(Defs().resistor, 10, 10);
        ASSERT_EQ(SaveCircuitFile(first, real, kCircuitVersion70), 0);
        const std::string before = ReadFile(real);
        ASSERT_EQ(::symlink("real.cir", link.c_str()), 0);
        ASSERT_EQ(s.save(link), 0) << s.name;
        struct stat st;
        ASSERT_EQ(::lstat(link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << s.name;
        EXPECT_NE(ReadFile(real), before) << s.name;
        EXPECT_EQ(ReadFile(link), ReadFile(real)) << s.name;
        EXPECT_FALSE(Exists(link + "$$TEMP$$")) << s.name;

        const std::string kept = ReadFile(real);
        chmod(real.c_str(), 0444);
        EXPECT_EQ(s.save(real), 16000 + EACCES) << s.name;
        EXPECT_EQ(ReadFile(real), kept) << s.name;
        ASSERT_EQ(::stat(real.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0444u) << s.name;
        EXPECT_FALSE(Exists(real + "$$TEMP$$")) << s.name;
        chmod(real.c_str(), 0644);
    }
}

TEST(DocumentFiles, HiddenOpenOfACircuitNumbersItsNodes)
{
    ScratchFolder folder;
    const TestDefs& d = Defs();
    CircuitDocument doc;
    doc.AddPart(d.resistor, 10, 10);
    doc.AddPart(d.ground, 10, 10);
    ASSERT_EQ(SaveCircuitDocument(doc, folder.File("r.cir")), 0);
    int code = -1;
    auto hidden = OpenCircuitDocument(folder.File("r.cir"), DOC_SCHEMATIC, 0xE1A2 & ~kLoadNoNumbering, &code);
    ASSERT_TRUE(hidden);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(hidden->hidden);
    EXPECT_EQ(hidden->displayName, "r.cir");
    EXPECT_EQ(hidden->objects[0]->pinNodes, (std::vector<int32_t>{0, 1}));

    ReportCapture capture;
    EXPECT_FALSE(OpenCircuitDocument(folder.File("none.cir"), DOC_SCHEMATIC, kLoadQuiet, &code));
    EXPECT_EQ(code, 15022);
    EXPECT_TRUE(capture.reports.empty());  // a quiet open shows nothing
    EXPECT_FALSE(OpenCircuitDocument(folder.File("none.cir"), DOC_SCHEMATIC, 0, &code));
    EXPECT_EQ(code, 15055);
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.Last().id, 15022);
}

// A SPICE text page opens as a document (hidden too), edits, and saves byte for byte.
TEST(DocumentFiles, SpiceTextDocument)
{
    ScratchFolder folder;
    const std::string path = folder.File("rc.ckt");
    const std::string netlist = "RC filter\r\nR1 in out 1k\r\nC1 out 0 1u\n+ IC=0\r\nV1 in 0 AC 1\r\n.END\r\n";
    WriteFile(path, netlist);
    int code = -1;
    auto doc = OpenCircuitDocument(path, DOC_TEXT, kLoadHidden | kLoadQuiet, &code);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->hidden);
    EXPECT_EQ(doc->text, netlist);
    TextLines lines(doc->text);
    ASSERT_EQ(lines.Count(), 6);
    EXPECT_EQ(lines.Line(2), "C1 out 0 1u");
    EXPECT_EQ(lines.Line(3), "+ IC=0");
    EXPECT_EQ(lines.Start(4), netlist.find("V1"));
    EXPECT_EQ(lines.LineOfOffset(netlist.find("IC")), 3);

    doc->text.replace(doc->text.find("1k"), 2, "2k2");
    doc->MarkModified();
    ASSERT_EQ(SaveCircuitDocument(*doc, path), 0);
    EXPECT_FALSE(doc->modified);
    std::string expected = netlist;
    expected.replace(expected.find("1k"), 2, "2k2");
    EXPECT_EQ(ReadFile(path), expected);
    auto again = OpenCircuitDocument(path, DOC_TEXT, kLoadQuiet, &code);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->text, expected);
}

TEST(ProtectedFile, PermutationTable)
{
    const uint8_t* t = ProtectTable();
    // Values 0, 1, 2 ... go to positions 0, 5, 10 ..., then on to 1, 6 ..., 2, 7 ...
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[5], 1);
    EXPECT_EQ(t[255], 51);
    EXPECT_EQ(t[1], 52);
    EXPECT_EQ(t[251], 102);
    EXPECT_EQ(t[4], 205);
    EXPECT_EQ(t[254], 255);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(ProtectTableInverse()[t[i]], i);
}

TEST(ProtectedFile, LayoutAndRoundTrip)
{
    const std::string plain = "[Main]\nFileType=CIR\nVersion=7.00\n";
    const std::string password = "Secret7Secret7Secre";  // the longest kept: 19 characters
    const std::string file = ProtectCircuitBytes(plain, password);
    ASSERT_EQ(file.size(), 24 + 256 + plain.size());
    EXPECT_EQ(file.substr(0, 4), std::string("CRP\0", 4));
    EXPECT_EQ(file.substr(4, 4), std::string("\0\0\1\0", 4));  // version 0x10000
    EXPECT_EQ(file[24], 'T');                                   // 65 + 19
    EXPECT_EQ(file[24 + 1], static_cast<char>('S' - 12));
    EXPECT_EQ(file[24 + 11], static_cast<char>('e' - 12));
    // The last byte of the circuit text comes first, through the table.
    EXPECT_EQ(static_cast<uint8_t>(file[280]), ProtectTable()[(0 + '\n' + plain.size()) % 256]);

    std::string back;
    bool wrong = true;
    ASSERT_EQ(ReadProtectedBytes(file, "SECRET7secret7SECRE", back, wrong), 0);
    EXPECT_FALSE(wrong);  // the password is compared without regard to case
    EXPECT_EQ(back, plain);
    ASSERT_EQ(ReadProtectedBytes(file, "other", back, wrong), 0);
    EXPECT_TRUE(wrong);
    EXPECT_EQ(ReadProtectedBytes(file.substr(0, 200), "x", back, wrong), 15009);

    // A damaged length byte claims more characters than the block holds.
    std::string damaged = file;
    damaged[24] = '\xFF';
    ASSERT_EQ(ReadProtectedBytes(damaged, "x", back, wrong), 0);
    EXPECT_TRUE(wrong);
    EXPECT_EQ(back, plain);
}

// A protected circuit opens with its password; without it a visible open is refused and a
// hidden one reads the circuit and marks it locked; a truncated file is refused.
TEST(ProtectedFile, OpeningProtectedCircuits)
{
    ScratchFolder folder;
    const std::string path = folder.File("secret.cir");
    CircuitDocument doc;
    doc.AddPart(Defs().resistor, 10, 10).SetAttr(ATTR_PART, "R7");
    doc.text = "; hidden statements\r\n";
    ASSERT_EQ(SaveCircuitDocument(doc, path), 0);
    const std::string plain = ReadFile(path);
    ASSERT_EQ(SaveProtectedCopy(path, "pw"), 0);
    EXPECT_NE(ReadFile(path), plain);

    int code = -1;
    auto open = OpenCircuitDocument(path, DOC_SCHEMATIC, kLoadQuiet, &code, "PW");
    ASSERT_TRUE(open);
    EXPECT_FALSE(open->locked);
    EXPECT_EQ(open->objects[0]->FindAttr(ATTR_PART)->value, "R7");
    EXPECT_EQ(open->text, doc.text);

    EXPECT_FALSE(OpenCircuitDocument(path, DOC_SCHEMATIC, kLoadQuiet, &code, "wrong"));
    EXPECT_EQ(code, 13509);
    EXPECT_FALSE(OpenCircuitDocument(path, DOC_SCHEMATIC, kLoadQuiet, &code, nullptr));
    EXPECT_EQ(code, 13509);

    auto hidden = OpenCircuitDocument(path, DOC_SCHEMATIC, kLoadQuiet | kLoadHidden, &code, nullptr);
    ASSERT_TRUE(hidden);
    EXPECT_TRUE(hidden->locked);
    EXPECT_EQ(hidden->objects.size(), 1u);

    const std::string whole = ReadFile(path);
    WriteFile(path, whole.substr(0, 100));
    EXPECT_FALSE(OpenCircuitDocument(path, DOC_SCHEMATIC, kLoadQuiet, &code, "pw"));
    EXPECT_EQ(code, 15009);
}

// The open flow's reports: missing components once (the circuit opens anyway), illegal
// coordinates as a warning; a 5.20 circuit saved again is written as 7.0; a circuit from
// another screen forgets its window placements.
TEST(DocumentFiles, OpenReportsAndVersions)
{
    ScratchFolder folder;
    Defs();
    const std::string path = folder.File("old.cir");
    WriteFile(path, "[Main]\nFileType=CIR\nVersion=5.20\nScreen=800,600\n"
                    "[Window Placement]\nCircuit=0,1, 0,0, 0,0, 10,10,500,400\n"
                    "[Comp]\nName=Gizmo\nGrid=5,5\n[Comp]\nName=Gizmo\nGrid=40000,5\n"
                    "[Comp]\nName=Resistor\nGrid=20,20\n");
    ReportCapture capture;
    int code = -1;
    auto doc = OpenCircuitDocument(path, DOC_SCHEMATIC, 0, &code);
    ASSERT_TRUE(doc);
    ASSERT_EQ(capture.reports.size(), 2u);
    EXPECT_EQ(capture.reports[0].id, 15026);
    EXPECT_NE(capture.reports[0].text.find(path), std::string::npos);
    EXPECT_EQ(capture.reports[1].id, 15080);
    EXPECT_NE(capture.reports[1].text.find("'Gizmo'"), std::string::npos);
    EXPECT_EQ(doc->objects.size(), 3u);
    EXPECT_EQ(doc->objects[1]->coords[0], 10);  // out of range: moved to 10
    EXPECT_EQ(doc->placements.circuit.normal.right, 0);
    EXPECT_EQ(doc->fileVersion, kCircuitVersion520);

    ASSERT_EQ(SaveCircuitDocument(*doc, path), 0);
    EXPECT_EQ(ReadFile(path).rfind("[Main]\nFileType=CIR\nVersion=7.00\n", 0), 0u);
}

TEST(DocumentFiles, OpenDocumentsAreFoundByPath)
{
    ScratchFolder folder;
    CircuitDocument doc;
    doc.path = folder.File("a.cir");
    RegisterOpenDocument(doc);
    RegisterOpenDocument(doc);
    EXPECT_EQ(FindOpenCircuitDocument(folder.path.string() + "/sub/../a.cir"), &doc);
    EXPECT_EQ(FindOpenCircuitDocument(folder.File("b.cir")), nullptr);
    UnregisterOpenDocument(doc);
    EXPECT_EQ(FindOpenCircuitDocument(folder.File("a.cir")), nullptr);
}

// A hidden open of a file that is open already takes the open document as it stands
// (edits not yet saved included) instead of reading the file again; the copy is numbered
// and owns its records.
TEST(DocumentFiles, HiddenOpenOfAnOpenDocumentIsAShadow)
{
    ScratchFolder folder;
    const TestDefs& d = Defs();
    CircuitDocument open;
    open.path = folder.File("open.cir");
    open.AddPart(d.resistor, 10, 10).SetAttr(ATTR_PART, "R1");
    open.AddPart(d.ground, 14, 10);
    open.text = "* saved text";
    ASSERT_EQ(SaveCircuitDocument(open, open.path), 0);
    open.text = "* edited, not saved";
    open.modified = true;
    RegisterOpenDocument(open);

    int code = -1;
    auto shadow = OpenCircuitDocument(open.path, DOC_SCHEMATIC, kLoadHidden | kLoadQuiet, &code);
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(shadow->hidden);
    EXPECT_EQ(shadow->text, "* edited, not saved");
    ASSERT_EQ(shadow->objects.size(), 2u);
    EXPECT_NE(shadow->objects[0].get(), open.objects[0].get());
    EXPECT_EQ(shadow->objects[0]->pinNodes, (std::vector<int32_t>{1, 0}));
    EXPECT_TRUE(open.objects[0]->pinNodes.empty());  // the open document is not touched

    // A visible open is the window's business; without the hidden flag the file is read.
    auto read = OpenCircuitDocument(open.path, DOC_SCHEMATIC, kLoadQuiet, &code);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text, "* saved text");
    UnregisterOpenDocument(open);
    auto closed = OpenCircuitDocument(open.path, DOC_SCHEMATIC, kLoadHidden | kLoadQuiet, &code);
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(closed->text, "* saved text");
}

// A definition the file carries that differs from the library's goes into the import
// library under a numbered name, in the group Import / <file name>; the open lists it and
// writes the library; opening the circuit again finds it there and adds nothing.
TEST(DocumentFiles, CarriedDefinitionsGoToTheImportLibrary)
{
    ScratchFolder folder;
    const TestDefs& d = Defs();
    CircuitDocument doc;
    doc.AddPart(d.resistor, 10, 10).SetAttr(ATTR_PART, "R1");
    std::string text;
    CircuitFile writer;
    writer.Compose(doc, kCircuitVersion70, text);
    const std::string moved = "Pin=\"Minus\",8,0";
    text.replace(text.find("Pin=\"Minus\",4,0"), moved.size() - 1, moved);
    const std::string path = folder.File("carried.cir");
    WriteFile(path, text);
    // The program folder is the scratch folder for this test: the import library the
    // build ships stays as it is.
    const char* home = std::getenv("OB7_HOME");
    const std::string savedHome = home ? home : "";
    setenv("OB7_HOME", folder.path.c_str(), 1);
    GetModuleFolder();
    const std::string library = JoinProgramFolder(kImportComponentLibrary);
    ASSERT_EQ(library.rfind(folder.path.string(), 0), 0u);

    ReportCapture capture;
    CircuitDocument first;
    ASSERT_EQ(LoadCircuitDocument(first, path, 0), 0);
    ASSERT_EQ(first.objects.size(), 1u);
    const ComponentDef* imported = first.objects[0]->def;
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(imported->name, "Resistor1");
    EXPECT_EQ(imported->pins[1].x, 8);
    EXPECT_TRUE(first.localDefinitions.empty());
    const ComponentLibrary* lib = FindLibraryOfComponent(imported);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(lib->fileName, library);
    const ComponentGroup* group = const_cast<ComponentLibrary*>(lib)->root.FindPath("Import\ncarried.cir");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(imported->group, group->number);
    EXPECT_TRUE(Exists(library));
    EXPECT_TRUE(capture.Contains("Component(s) added to import.cmp\nResistor1\n"));

    capture.reports.clear();
    CircuitDocument second;
    ASSERT_EQ(LoadCircuitDocument(second, path, 0), 0);
    EXPECT_EQ(second.objects[0]->def, imported);
    EXPECT_FALSE(capture.Contains("Component(s) added"));

    RemoveComponentLibrary(FindComponentLibraryByName(library));
    if (savedHome.empty())
        unsetenv("OB7_HOME");
    else
        setenv("OB7_HOME", savedHome.c_str(), 1);
    GetModuleFolder();
}
