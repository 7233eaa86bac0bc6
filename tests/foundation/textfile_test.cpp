#include "foundation/textfile.h"

#include "foundation/binfile.h"
#include "foundation/messages.h"
#include "foundation/owned_strings.h"
#include "foundation/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

using namespace ob7;

TEST(TextFileOpen, NameChecksAndPendingText) {
    TextFile f;
    EXPECT_EQ(f.OpenRead(""), kMsgNoFileName);
    EXPECT_EQ(f.OpenRead("bare.cir"), kMsgErrnoBase + 2);  // no folder: "no such file"
    EXPECT_STREQ(PendingMessage.text1, "bare.cir");
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.OpenRead("/no/such/folder/x.cir"), kMsgErrnoBase + 2);
    EXPECT_STREQ(PendingMessage.text1, "/no/such/folder/x.cir");
    EXPECT_TRUE(f.fileName.empty());

    TextFile never;
    EXPECT_EQ(never.Close(), 0);
}

TEST(TextFileOpen, ErrnoCodes) {
    EXPECT_EQ(ErrnoToMessageId(-1), kMsgCannotAccess);
    EXPECT_EQ(ErrnoToMessageId(-7), kMsgFileNotFound);
    EXPECT_EQ(ErrnoToMessageId(0), 0);
    EXPECT_EQ(ErrnoToMessageId(13), 16013);
}

TEST(TextFileRead, LineEndsLongLinesAndEnd) {
    TempFolder dir;
    std::string longLine(100000, 'x');
    std::string path = dir.Write("in.txt", "one\r\ntwo  \nthree,four\r\n" + longLine);
    TextFile f;
    ASSERT_EQ(f.OpenRead(path.c_str()), 0);
    std::string line;
    EXPECT_EQ(f.ReadLine(line), 0);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(f.ReadLineTrim(line), 0);
    EXPECT_EQ(line, "two");
    EXPECT_EQ(f.ReadField(line), 0);
    EXPECT_EQ(line, "three");
    EXPECT_EQ(f.ReadField(line), 0);
    EXPECT_EQ(line, "four");
    EXPECT_EQ(f.ReadLine(line), 0);
    EXPECT_EQ(line, longLine);
    EXPECT_EQ(f.line, 4);
    EXPECT_EQ(f.ReadLine(line), kMsgLoadError);
    EXPECT_EQ(f.Close(), 0);
}

TEST(TextFileRead, FileIsFoundWithBackslashesAndAnotherCase) {
    TempFolder dir;
    dir.Write("Sub/import.cmp", "data\n");
    std::string asked = dir.Path() + "\\sub\\Import.cmp";
    TextFile f;
    ASSERT_EQ(f.OpenRead(asked.c_str()), 0);
    std::string line;
    f.ReadLine(line);
    EXPECT_EQ(line, "data");
}

TEST(TextFileRead, RangeIntoMemoryWithTellAndSeek) {
    TempFolder dir;
    std::string path = dir.Write("r.txt", "aaa\nbbb\r\nccc\n");
    TextFile f;
    ASSERT_EQ(f.OpenReadPreferWindow(path.c_str(), -1, 4, -999), 0);
    ASSERT_NE(f.buffer, nullptr);
    std::string line;
    EXPECT_EQ(f.Tell(), 4);
    f.ReadLine(line);
    EXPECT_EQ(line, "bbb");
    EXPECT_EQ(f.Tell(), 9);
    f.Seek(4);
    f.ReadLine(line);
    EXPECT_EQ(line, "bbb");
    f.ReadLine(line);
    EXPECT_EQ(line, "ccc");
    EXPECT_EQ(f.ReadLine(line), kMsgLoadError);
}

namespace {
std::string liveFor;
bool LiveText(const std::string& path, std::string& text) {
    if (path != liveFor) return false;
    text = "first\r\nsecond edited\r\n";
    return true;
}
}  // namespace

TEST(TextFileRead, OpenDocumentTextWinsOverTheDisk) {
    TempFolder dir;
    std::string path = dir.Write("open.cir", "on disk\n");
    liveFor = path;
    SetOpenDocumentTextSource(LiveText);
    TextFile f;
    ASSERT_EQ(f.OpenReadPreferWindow(path.c_str()), 0);
    std::string line;
    f.ReadLine(line);
    EXPECT_EQ(line, "first");
    f.ReadLine(line);
    EXPECT_EQ(line, "second edited");
    SetOpenDocumentTextSource(nullptr);
}

namespace {
int promptsCleared = 0;
void ClearPrompt() { ++promptsCleared; }
}  // namespace

TEST(TextFileWrite, SectionsAndCentredText) {
    TempFolder dir;
    std::string path = dir / "out.txt";
    TextFile f;
    ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
    SetStatusPromptClearer(ClearPrompt);
    f.progressFlag = 1;
    f.WriteSection("A");
    f.WriteSection("B");
    f.PrintCentered(20, "%s", "abcd");
    f.PrintCentered(-5, "xy");
    EXPECT_EQ(f.Close(), 0);
    SetStatusPromptClearer(nullptr);
    EXPECT_EQ(promptsCleared, 1);
    EXPECT_EQ(TempFolder::Read(path), "[A]\n\n[B]\n        abcd\nxy\n");
}

TEST(TextFileWrite, FailedWriteKeepsTheOldFile) {
    TempFolder dir;
    std::string path = dir.Write("keep.dat", "old content\n");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);

    TextFile f;
    ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
    std::string big(100000, 'z');
    f.WriteText(big.c_str());
    int code = f.Close();
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(code, kMsgErrnoBase + EFBIG);
    EXPECT_EQ(TempFolder::Read(path), "old content\n");
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // no temporary file left behind
}

// Saves through a text file and through a binary file, 0 or the error.
static int SaveText(const std::string& path, const char* text) {
    TextFile f;
    if (int code = f.OpenWrite(path.c_str())) return code;
    f.WriteText(text);
    return f.Close();
}

static int SaveBinary(const std::string& path, const char* text) {
    BinFile f;
    if (int code = f.OpenWrite(path.c_str())) return code;
    f.Write(text, std::strlen(text));
    return f.Close();
}

TEST(TextFileWrite, SavesThroughSymbolicLinksWriteTheTarget) {
    TempFolder dir;
    const std::string real = dir.Write("real.txt", "old\n");
    std::filesystem::create_directory(dir.Path() + "/sub");
    const std::string relative = dir.Path() + "/sub/relative.txt";   // -> ../real.txt
    const std::string absolute = dir.Path() + "/absolute.txt";       // -> /.../real.txt
    const std::string chained = dir.Path() + "/chained.txt";         // -> sub/relative.txt
    std::filesystem::create_symlink("../real.txt", relative);
    std::filesystem::create_symlink(real, absolute);
    std::filesystem::create_symlink("sub/relative.txt", chained);
    const std::string dangling = dir.Path() + "/dangling.txt";       // -> new.txt, not yet there
    std::filesystem::create_symlink("new.txt", dangling);
    struct Case { const std::string* link; const char* target; int (*save)(const std::string&, const char*); };
    const Case cases[] = {
        {&relative, "real.txt", SaveText}, {&absolute, "real.txt", SaveBinary},
        {&chained, "real.txt", SaveText},  {&dangling, "new.txt", SaveBinary},
    };
    for (const Case& c : cases) {
        const std::string content = "saved through " + *c.link + "\n";
        ASSERT_EQ(c.save(*c.link, content.c_str()), 0) << *c.link;
        EXPECT_TRUE(std::filesystem::is_symlink(*c.link)) << *c.link;
        EXPECT_EQ(TempFolder::Read(dir.Path() + "/" + c.target), content) << *c.link;
    }
}

TEST(TextFileWrite, AReadOnlyFileIsRefused) {
    TempFolder dir;
    const std::string path = dir.Write("locked.txt", "old\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    for (auto save : {SaveText, SaveBinary}) {
        EXPECT_EQ(save(path, "new\n"), kMsgErrnoBase + EACCES);
        EXPECT_EQ(TempFolder::Read(path), "old\n");
    }
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // no temporary file left behind
    // Once writable again, the save goes through.
    std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(SaveText(path, "new\n"), 0);
    EXPECT_EQ(TempFolder::Read(path), "new\n");
}

TEST(TextFileWrite, StoredErrorStopsWritesAndTheReplace) {
    TempFolder dir;
    std::string path = dir.Write("keep.dat", "old\n");
    TextFile f;
    ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
    f.WriteText("new\n");
    f.error = kMsgWriteFailed;
    EXPECT_EQ(f.WriteText("more"), kMsgWriteFailed);
    EXPECT_EQ(f.Close(), kMsgWriteFailed);
    EXPECT_EQ(TempFolder::Read(path), "old\n");
}

TEST(TextFileWrite, AppendModeWritesInPlace) {
    TempFolder dir;
    std::string path = dir.Write("log.txt", "one\n");
    TextFile f;
    ASSERT_EQ(f.OpenForWrite(path.c_str(), "a"), 0);
    f.Printf("%s %d\n", "two", 2);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(TempFolder::Read(path), "one\ntwo 2\n");
}

TEST(SerialRecords, RoundTrip) {
    TempFolder dir;
    std::string path = dir / "serial.txt";
    int32_t a = 12, b = -7, rect[4] = {1, 2, 3, 4}, pairTarget = 0;
    double d = 2.5;
    uint8_t byte = 200;
    char* text = StrDup("line one\r\nline two");
    char* name = StrDup("short name");
    {
        TextFile f;
        ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
        Serial::Int(f, a);
        Serial::Int(f, b, Serial::kEndLine);
        Serial::Marker(f, "COMPONENTS");
        Serial::Rect(f, rect);
        Serial::Double(f, d);
        Serial::Byte(f, byte);
        Serial::IntPair(f, 99, pairTarget);
        Serial::Text(f, &text);
        Serial::HeapString(f, &name);
        EXPECT_EQ(f.Close(), 0);
    }
    EXPECT_EQ(pairTarget, 99);
    EXPECT_EQ(TempFolder::Read(path),
              "12,-7\n:**** components ****\n1,2,3,4\n2.5,200,99\nline one\xFEline two\nshort name\n");

    int32_t a2 = 0, b2 = 0, rect2[4] = {}, pair2 = 0;
    double d2 = 0;
    uint8_t byte2 = 0;
    char* text2 = nullptr;
    char* name2 = nullptr;
    TextFile f;
    ASSERT_EQ(f.OpenRead(path.c_str()), 0);
    EXPECT_EQ(Serial::Int(f, a2), 0);
    EXPECT_EQ(Serial::Int(f, b2, Serial::kEndLine), 0);
    EXPECT_EQ(Serial::Marker(f, "COMPONENTS"), 0);
    EXPECT_EQ(Serial::Rect(f, rect2), 0);
    Serial::Double(f, d2);
    Serial::Byte(f, byte2);
    Serial::IntPair(f, 0, pair2);
    EXPECT_EQ(Serial::Text(f, &text2), 0);
    EXPECT_EQ(Serial::HeapString(f, &name2), 0);
    EXPECT_EQ(Serial::Int(f, a2), kMsgLoadError);
    EXPECT_EQ(a2, 12);
    EXPECT_EQ(b2, -7);
    EXPECT_EQ(rect2[3], 4);
    EXPECT_EQ(d2, 2.5);
    EXPECT_EQ(byte2, 200);
    EXPECT_EQ(pair2, 99);
    EXPECT_STREQ(text2, "line one\r\nline two");
    EXPECT_STREQ(name2, "short name");
    for (char** slot : {&text, &name, &text2, &name2}) StrFree(slot);
}

TEST(SerialRecords, UnsignedFieldsKeepTheirWholeRange) {
    TempFolder dir;
    std::string path = dir / "unsigned.txt";
    uint32_t big = 4000000000u;
    uint16_t word = 65535;
    {
        TextFile f;
        ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
        Serial::UInt(f, big);
        Serial::UShort(f, word, Serial::kEndLine);
        EXPECT_EQ(f.Close(), 0);
    }
    EXPECT_EQ(TempFolder::Read(path), "4000000000,65535\n");
    uint32_t big2 = 0;
    uint16_t word2 = 0;
    TextFile f;
    ASSERT_EQ(f.OpenRead(path.c_str()), 0);
    EXPECT_EQ(Serial::UInt(f, big2), 0);
    EXPECT_EQ(Serial::UShort(f, word2, Serial::kEndLine), 0);
    EXPECT_EQ(big2, big);
    EXPECT_EQ(word2, word);
}

TEST(SerialRecords, WrongMarkerIsBadFormat) {
    TempFolder dir;
    std::string path = dir.Write("m.txt", ":**** wires ****\n");
    TextFile f;
    ASSERT_EQ(f.OpenRead(path.c_str()), 0);
    EXPECT_EQ(Serial::Marker(f, "COMPONENTS"), kMsgBadFormat);
}

TEST(TextFileFormat, Version) {
    EXPECT_EQ(FormatVersion(7 << 16 | 5), "7.05");
    EXPECT_EQ(FormatVersion(6 << 16 | 11), "6.11");
}

TEST(TextFileWrite, ReopeningCommitsTheOpenWrite) {
    TempFolder dir;
    std::string first = dir / "first.txt";
    std::string second = dir.Write("second.txt", "2\n");
    TextFile f;
    ASSERT_EQ(f.OpenWrite(first.c_str()), 0);
    f.WriteText("1\n");
    ASSERT_EQ(f.OpenRead(second.c_str()), 0);
    EXPECT_EQ(TempFolder::Read(first), "1\n");
}
