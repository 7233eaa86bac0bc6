#include "foundation/binfile.h"

#include "foundation/message_codes.h"
#include "foundation/owned_strings.h"
#include "foundation/temp_folder.h"

#include <gtest/gtest.h>

using namespace ob7;

TEST(BinFileHeader, BytesOfAModelLibraryHeader) {
    TempFolder dir;
    std::string path = dir / "nom.lbr";
    BinFile f;
    ASSERT_EQ(f.OpenCreate(path.c_str()), 0);
    EXPECT_EQ(f.WriteHeader("LBR", 0x6000b), 0);
    ASSERT_EQ(f.Close(), 0);
    const unsigned char expected[24] = {'L', 'B', 'R', 0, 0x0b, 0, 0x06, 0, 'O', 'm', 'b', 'r',
                                        'e', 'l', 'i', 'c', 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(TempFolder::Read(path), std::string(reinterpret_cast<const char*>(expected), 24));

    BinFile in;
    ASSERT_EQ(in.OpenRead(path.c_str()), 0);
    int32_t version = 0;
    EXPECT_EQ(in.ReadHeader("LBR", version), 0);
    EXPECT_EQ(version, 0x6000b);
}

TEST(BinFileHeader, WrongTagProgramOrShortHeader) {
    TempFolder dir;
    std::string path = dir / "lib.cmp";
    {
        BinFile f;
        ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
        f.WriteHeader("CMP", 0x10000);
        ASSERT_EQ(f.Close(), 0);
    }
    BinFile asShape;
    ASSERT_EQ(asShape.OpenRead(path.c_str()), 0);
    int32_t version = 0;
    EXPECT_EQ(asShape.ReadHeader("SHP", version), kMsgBadFileFormat);
    EXPECT_EQ(version, 0x10000);  // returned all the same
    EXPECT_EQ(asShape.ReadInt(), 0);  // the first error stays
    EXPECT_EQ(asShape.error, kMsgBadFileFormat);

    std::string header = TempFolder::Read(path);
    std::string other = header;
    other.replace(8, 8, "Otherpro");
    BinFile foreign;
    ASSERT_EQ(foreign.OpenRead(dir.Write("foreign.cmp", other).c_str()), 0);
    EXPECT_EQ(foreign.ReadHeader("CMP", version), kMsgBadFileFormat);

    for (std::size_t length : {0, 6, 23}) {
        BinFile shortFile;
        ASSERT_EQ(shortFile.OpenRead(dir.Write("short.cmp", header.substr(0, length)).c_str()), 0);
        EXPECT_EQ(shortFile.ReadHeader("CMP", version), kMsgLoadError) << length;
    }
}

TEST(BinFileOpen, MissingFileAndSafeReplace) {
    TempFolder dir;
    BinFile f;
    std::string missing = dir / "none.shp";
    EXPECT_EQ(f.OpenRead(missing.c_str()), kMsgErrnoBase + ENOENT);
    EXPECT_EQ(f.OpenRead(""), kMsgNoFileName);

    std::string path = dir.Write("keep.crp", "old");
    BinFile w;
    ASSERT_EQ(w.OpenWrite(path.c_str()), 0);
    w.WriteInt(5);
    w.error = kMsgWriteFailed;  // a write failed on the way
    EXPECT_EQ(w.Close(), kMsgWriteFailed);
    EXPECT_EQ(TempFolder::Read(path), "old");
}

TEST(BinFileStrings, LengthPrefixedTexts) {
    TempFolder dir;
    std::string path = dir / "s.bin";
    {
        BinFile f;
        ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
        f.WriteLenString("");
        f.WriteLenString(nullptr);
        f.WriteLenString("Resistor");
        f.WriteLenString("0123456789");
        f.WriteInt(-2);
        ASSERT_EQ(f.Close(), 0);
    }
    std::string bytes = TempFolder::Read(path);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\0\0\0\0\x08\0", 6));

    BinFile f;
    ASSERT_EQ(f.OpenRead(path.c_str()), 0);
    char* text = nullptr;
    EXPECT_EQ(f.ReadLenStringAlloc(&text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(f.ReadLenStringAlloc(&text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(f.ReadLenStringAlloc(&text), 0);
    EXPECT_STREQ(text, "Resistor");
    char small[5];
    EXPECT_EQ(f.ReadLenString(small, sizeof small), 0);  // cut to the buffer, rest skipped
    EXPECT_STREQ(small, "0123");
    EXPECT_EQ(f.ReadInt(), -2);
    StrFree(&text);
}

TEST(BinFileStrings, BadLengths) {
    TempFolder dir;
    struct Case {
        std::string bytes;
        int code;
    } cases[] = {
        {std::string("\xff\xff", 2) + "abc", kMsgBadFileFormat},   // negative
        {std::string("\x00\x80", 2) + "abc", kMsgBadFileFormat},   // 32768 as int16
        {std::string("\x10\x00", 2) + "abc", kMsgLoadError},       // beyond the end
        {std::string("\x05", 1), kMsgLoadError},                   // the length itself is cut
    };
    for (const Case& c : cases) {
        std::string path = dir.Write("bad.bin", c.bytes);
        char buffer[64] = "unchanged";
        BinFile f;
        ASSERT_EQ(f.OpenRead(path.c_str()), 0);
        EXPECT_EQ(f.ReadLenString(buffer, sizeof buffer), c.code);
        EXPECT_STREQ(buffer, "");
        BinFile g;
        ASSERT_EQ(g.OpenRead(path.c_str()), 0);
        char* text = nullptr;
        EXPECT_EQ(g.ReadLenStringAlloc(&text), c.code);
        EXPECT_EQ(text, nullptr);
    }
}

TEST(BinFileStrings, OverlongTextIsCutToAValidLength) {
    TempFolder dir;
    std::string path = dir / "long.bin";
    std::string big(40000, 'q');
    {
        BinFile f;
        ASSERT_EQ(f.OpenWrite(path.c_str()), 0);
        f.WriteLenString(big.c_str());
        ASSERT_EQ(f.Close(), 0);
    }
    BinFile f;
    ASSERT_EQ(f.OpenRead(path.c_str()), 0);
    char* text = nullptr;
    EXPECT_EQ(f.ReadLenStringAlloc(&text), 0);
    EXPECT_EQ(std::string(text).size(), 32767u);
    StrFree(&text);
}

TEST(FileFinderSearch, PatternsWithoutAndWithMatches) {
    TempFolder dir;
    FileFinder finder;
    finder.Init();
    EXPECT_EQ(finder.First(dir / "*.cir"), "");
    EXPECT_EQ(finder.Next(), "");
    finder.Close();

    dir.Write("b.CIR", "");
    dir.Write("a.cir", "");
    dir.Write("c.txt", "");
    dir.Write("sub.cir/x", "");  // a folder is not listed
    EXPECT_EQ(finder.First(dir.Path() + "\\*.cir"), "a.cir");
    EXPECT_EQ(finder.Next(), "b.CIR");
    EXPECT_EQ(finder.Next(), "");
    finder.Close();
}
