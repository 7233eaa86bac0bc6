#include "analysis/user_source_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/message_codes.h"
#include "foundation/report_capture.h"
#include "foundation/report_sink.h"
#include "foundation/temp_folder.h"

namespace ob7 {
namespace {

// The file layout as the program writes it: header, menu block, then the waveforms.
const std::string kHeader =
    "[Main]\nFileType=USR\nVersion=2.00\nProgram=Ombrelic\n\n[Menu]\n"
    ";Simple    = T,X,Y\n;SimpleNoX = T,Y\n;Complex   = F,Xr,Xi,Yr,Yi\n;ComplexNoX= F,Yr,Yi\n"
    ";FormatType = Simple | Complex | SimpleNoX | ComplexNoX\n;Format=FormatType\n";

std::string Waveform(const std::string& label, const std::string& mainX, const std::string& format, int count,
                     const std::string& rows) {
    return "\n[Waveform]\nLabel=" + label + "\nMainX=" + mainX + "\nLabelX=T\nLabelY=v(1)\nFormat=" + format +
           "\nData Point Count=" + std::to_string(count) + "\n" + rows;
}

const std::string kFile = kHeader + "WaveformMenu=v(1) vs T\nWaveformMenu=gain\nWaveformMenu=raw\n" +
                          Waveform("v(1) vs T", "T", "Simple", 3, "0,0,1\n1.5E-09,1.5E-09,2\n3E-09,3E-09,-4.25\n") +
                          Waveform("gain", "F", "Complex", 2, "1000,1000,0,0.5,-0.25\n2000,2000,0,0.125,1E+300\n") +
                          Waveform("raw", "T", "SimpleNoX", 3, "0,7\n1,8\n2,9\n");

TEST(UserSourceFileTest, ReadsTheWaveformOfItsLabelAndMainX) {
    UserWaveform w;
    UserWaveformProblem p;
    ASSERT_EQ(ParseUserSourceWaveform(kFile, "v(1) vs T", "T", UserWaveformUse::Source, w, p), 0);
    ASSERT_EQ(w.PointCount(), 3);
    EXPECT_EQ(w.mainX[1], 1.5e-9);  // read back exactly
    EXPECT_EQ(w.yRe[2], -4.25);
    EXPECT_FALSE(w.complex);

    ASSERT_EQ(ParseUserSourceWaveform(kFile, "gain", "F", UserWaveformUse::Curve, w, p), 0);
    ASSERT_EQ(w.PointCount(), 2);
    EXPECT_TRUE(w.complex);
    EXPECT_EQ(w.yRe[0], 0.5);
    EXPECT_EQ(w.yIm[0], -0.25);
    EXPECT_EQ(w.yIm[1], 1e300);

    // Same label, other main X: not this waveform.
    EXPECT_EQ(ParseUserSourceWaveform(kFile, "gain", "T", UserWaveformUse::Curve, w, p), 13547);
    // Without X the main X is not compared: a transient and an AC run both use it.
    for (const char* mainX : {"T", "F"}) {
        ASSERT_EQ(ParseUserSourceWaveform(kFile, "raw", mainX, UserWaveformUse::Source, w, p), 0) << mainX;
        EXPECT_EQ(w.yRe[2], 9.0);
        EXPECT_FALSE(w.hasX);
    }
}

TEST(UserSourceFileTest, MainXNames) {
    EXPECT_EQ(UserSourceMainXName(0, ""), "T");
    EXPECT_EQ(UserSourceMainXName(1, ""), "F");
    EXPECT_EQ(UserSourceMainXName(2, "q1"), "V(Q1)");
    const std::string dc = kHeader + Waveform("sweep", "V(Q1)", "Simple", 2, "0,0,1\n1,1,2\n");
    UserWaveform w;
    UserWaveformProblem p;
    EXPECT_EQ(ParseUserSourceWaveform(dc, "sweep", UserSourceMainXName(2, "q1"), UserWaveformUse::Source, w, p), 0);
}

TEST(UserSourceFileTest, BadInputNamesItsLine) {
    // Header lines: 12 of them, so the rows of one waveform start at line 21.
    struct Case {
        const char* name;
        std::string text;
        UserWaveformUse use;
        int result, code, line, found;
    };
    const std::string head = kHeader + Waveform("w", "T", "Simple", 4, "");
    const Case cases[] = {
        {"text in a number column", head + "0,0,1\n1,1,2\n2,two,3\n3,3,4\n", UserWaveformUse::Source, 15009, 15009,
         23, 2},
        {"engineering suffix", head + "0,0,1\n1n,1,2\n2,2,3\n3,3,4\n", UserWaveformUse::Source, 15009, 15009, 22, 1},
        {"times going backwards", head + "0,0,1\n2,2,2\n1,1,3\n3,3,4\n", UserWaveformUse::Source, 15009, 15009, 23,
         2},
        {"short row inside the file", head + "0,0,1\n1,1\n2,2,3\n3,3,4\n", UserWaveformUse::Source, 15009, 15009, 22,
         1},
        {"truncated last line", head + "0,0,1\n1,1,2\n2,2,3\n3,3", UserWaveformUse::Source, 0, 13548, 24, 3},
        {"number cut in the last line", head + "0,0,1\n1,1,2\n2,2,3\n3,3,4.5e", UserWaveformUse::Source, 0, 13548,
         24, 3},
        {"fewer rows than announced", head + "0,0,1\n1,1,2\n2,2,3\n", UserWaveformUse::Source, 0, 13548, 23, 3},
        {"two rows only", head + "0,0,1\n1,1,2\n", UserWaveformUse::Source, 15007, 15007, 22, 2},
        {"no [Menu]", "[Main]\nFileType=USR\nVersion=2.00\nProgram=Ombrelic\n", UserWaveformUse::Source, 5355, 5355,
         0, 0},
        {"other version", "[Main]\nFileType=USR\nVersion=1.00\nProgram=Ombrelic\n[Menu]\n", UserWaveformUse::Source,
         5355, 5355, 0, 0},
        {"older layout", "Version=1\n256\n", UserWaveformUse::Source, 5355, 5355, 0, 0},
    };
    for (const Case& c : cases) {
        UserWaveform w;
        UserWaveformProblem p;
        EXPECT_EQ(ParseUserSourceWaveform(c.text, "w", "T", c.use, w, p), c.result) << c.name;
        EXPECT_EQ(p.code, c.code) << c.name;
        EXPECT_EQ(p.line, c.line) << c.name;
        EXPECT_EQ(p.found, c.found) << c.name;
        if (c.code == 13548) {
            EXPECT_EQ(w.PointCount(), c.found) << c.name;
            EXPECT_EQ(p.announced, 4) << c.name;
        }
    }
    // CurveX and CurveY read a main X that goes back, and only note it.
    UserWaveform w;
    UserWaveformProblem p;
    ASSERT_EQ(ParseUserSourceWaveform(head + "0,0,1\n2,2,2\n1,1,3\n3,3,4\n", "w", "T", UserWaveformUse::Curve, w, p), 0);
    EXPECT_FALSE(w.mainXIncreasing);
    EXPECT_EQ(w.PointCount(), 4);
}

TEST(UserSourceFileTest, LoadReportsTheMessageWithItsLines) {
    TempFolder tmp;
    const std::string head = kHeader + Waveform("w", "T", "Simple", 100, "");
    std::string rows;
    for (int i = 0; i < 50; ++i)
        rows += std::to_string(i) + "," + std::to_string(i) + ",1\n";
    std::string path = tmp.Write("wave.usr", head + rows);
    tmp.Write("bad.USR", head + "0,0,1\n1,1,x\n");
    UserWaveform w;
    {
        ReportCapture reports;
        EXPECT_EQ(LoadUserSourceWaveform(tmp / "wave", "w", "T", UserWaveformUse::Source, w), 0);
        ASSERT_EQ(reports.reports.size(), 1u);
        EXPECT_TRUE(reports.Contains("Found 50 data points out of 100.")) << reports.Last().text;
        EXPECT_EQ(w.PointCount(), 50);
    }
    {
        ReportCapture reports;
        EXPECT_EQ(LoadUserSourceWaveform(tmp / "bad", "w", "T", UserWaveformUse::Source, w), 15055);
        ASSERT_EQ(reports.reports.size(), 1u);
        EXPECT_EQ(reports.Last().id, 15009);
        bool lineNamed = reports.Contains("22");
        for (const ReportLine& l : reports.Last().lines)
            lineNamed = lineNamed || l.value == "22";
        EXPECT_TRUE(lineNamed) << reports.Last().text;
    }
    {
        ReportCapture reports;
        EXPECT_EQ(LoadUserSourceWaveform(tmp / "wave", "other", "T", UserWaveformUse::Source, w), 15055);
        EXPECT_EQ(reports.Last().id, 13547);
    }
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

UserWaveformSave Saved(const std::string& label, std::vector<double> t, std::vector<double> y) {
    UserWaveformSave w;
    w.label = label;
    w.mainX = "T";
    w.labelX = "T";
    w.labelY = "v(out)";
    w.mainXValues = t;
    w.xRe = t;
    w.yRe = y;
    return w;
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
        ++n;
    return n;
}

TEST(UserSourceFileTest, SavedWaveformsReadBackAndReplaceTheirLabel) {
    TempFolder tmp;
    std::string file = tmp / "curves.USR";
    ASSERT_EQ(SaveUserSourceWaveform(tmp / "curves", Saved("a", {0, 1.5e-9, 3e-9}, {2, 3, 1.2345678901})), 0);
    ASSERT_EQ(SaveUserSourceWaveform(file, Saved("b", {0, 1, 2}, {5, 6, 7})), 0);
    ASSERT_EQ(SaveUserSourceWaveform(file, Saved("a", {0, 1, 2, 3}, {9, 8, 7, 6})), 0);
    std::string text = TempFolder::Read(file);
    EXPECT_EQ(text.rfind(kHeader, 0), 0u) << text;
    EXPECT_EQ(Count(text, "WaveformMenu=a\n"), 1);
    EXPECT_LT(text.find("WaveformMenu=b"), text.find("WaveformMenu=a"));  // the saved label comes last
    EXPECT_EQ(Count(text, "[Waveform]"), 2);
    EXPECT_FALSE(std::filesystem::exists(tmp / "curves.$$$"));

    UserWaveform w;
    UserWaveformProblem p;
    ASSERT_EQ(ParseUserSourceWaveform(text, "a", "T", UserWaveformUse::Source, w, p), 0);
    EXPECT_EQ(w.yRe, (std::vector<double>{9, 8, 7, 6}));
    ASSERT_EQ(ParseUserSourceWaveform(text, "b", "T", UserWaveformUse::Source, w, p), 0);
    EXPECT_EQ(w.yRe, (std::vector<double>{5, 6, 7}));

    // "%.10G" rows: 1.5E-09 comes back exactly.
    std::string first = NewUserSourceFileText(Saved("a", {0, 1.5e-9, 3e-9}, {2, 3, 1.2345678901}));
    EXPECT_NE(first.find("1.5E-09,1.5E-09,3\n"), std::string::npos) << first;
    ASSERT_EQ(ParseUserSourceWaveform(first, "a", "T", UserWaveformUse::Source, w, p), 0);
    EXPECT_EQ(w.mainX[1], 1.5e-9);
    EXPECT_EQ(w.yRe[2], 1.23456789);  // ten significant digits
}

TEST(UserSourceFileTest, RemovingTheOnlyWaveformLeavesTheHeader) {
    TempFolder tmp;
    std::string file = tmp / "one.USR";
    ASSERT_EQ(SaveUserSourceWaveform(file, Saved("only", {0, 1, 2}, {1, 2, 3})), 0);
    ASSERT_EQ(RemoveUserSourceWaveform(file, "only"), 0);
    EXPECT_EQ(TempFolder::Read(file), kHeader);
}

TEST(UserSourceFileTest, FailedRewriteKeepsTheFile) {
    TempFolder tmp;
    const std::string foreign = "[Main]\nFileType=TOP\nVersion=2.00\nProgram=Ombrelic\n\n[Menu]\n";
    std::string file = tmp.Write("old.USR", foreign);
    ReportCapture reports;
    EXPECT_EQ(SaveUserSourceWaveform(file, Saved("a", {0, 1, 2}, {1, 2, 3})), 15055);
    EXPECT_EQ(reports.Last().id, 5355);
    EXPECT_EQ(TempFolder::Read(file), foreign);
    EXPECT_EQ(SaveUserSourceWaveform(tmp / "missing/folder/x.USR", Saved("a", {0}, {1})), 15055);
    EXPECT_FALSE(std::filesystem::exists(tmp / "missing"));
}

// A file reached through a link is rewritten where the link points; a read-only file is
// refused and kept.
TEST(UserSourceFileTest, RewriteFollowsLinksAndRefusesReadOnlyFiles) {
    TempFolder tmp;
    const std::string real = tmp / "real.USR";
    const std::string link = tmp / "link.USR";
    ASSERT_EQ(SaveUserSourceWaveform(real, Saved("a", {0, 1, 2}, {1, 2, 3})), 0);
    std::filesystem::create_symlink("real.USR", link);
    ASSERT_EQ(SaveUserSourceWaveform(link, Saved("b", {0, 1, 2}, {4, 5, 6})), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Count(TempFolder::Read(real), "[Waveform]"), 2);

    const std::string kept = TempFolder::Read(real);
    std::filesystem::permissions(real, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    ReportCapture reports;
    EXPECT_EQ(SaveUserSourceWaveform(real, Saved("c", {0, 1, 2}, {7, 8, 9})), 15055);
    EXPECT_EQ(TempFolder::Read(real), kept);
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
    std::filesystem::permissions(real, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

// Older layouts, built as they were laid out: "Version=1", point count, waveform count,
// then per waveform a label and time/value pairs; or a bare list of values.
TEST(UserSourceFileTest, OlderLayoutsConvertToSections) {
    struct Case {
        const char* name;
        std::string old;
        std::string converted;
    };
    const Case cases[] = {
        {"version 1, two waveforms, one cut short",
         "Version=1\n3\n2\nin\n0,1\n1E-3 2\n2E-3,-0.5\nout\n0\n4\n1E-3,5\n",
         kHeader + "WaveformMenu=in\nWaveformMenu=out\n" +
             "\n[Waveform]\nLabel=in\nMainX=T\nLabelX=T\nLabelY=in\nFormat=Simple\nData Point Count=3\n"
             "0,0,1\n0.001,0.001,2\n0.002,0.002,-0.5\n" +
             "\n[Waveform]\nLabel=out\nMainX=T\nLabelX=T\nLabelY=out\nFormat=Simple\nData Point Count=2\n"
             "0,0,4\n0.001,0.001,5\n"},
        {"version 1, point count 0 means 256", "Version=1\n0\n1\nw\n0,1\n1,2\n",
         kHeader + "WaveformMenu=w\n" +
             "\n[Waveform]\nLabel=w\nMainX=T\nLabelX=T\nLabelY=w\nFormat=Simple\nData Point Count=2\n"
             "0,0,1\n1,1,2\n"},
        {"bare, counted", "4\n1\n2\n3\n4\n5\n",
         kHeader + "WaveformMenu=Label vs T\n" +
             "\n[Waveform]\nLabel=Label vs T\nMainX=T\nLabelX=T\nLabelY=Label vs T\nFormat=Simple\n"
             "Data Point Count=4\n1E-06,1E-06,1\n0.001001,0.001001,2\n0.002001,0.002001,3\n0.003001,0.003001,4\n"},
    };
    for (const Case& c : cases) {
        std::string out;
        ASSERT_EQ(ConvertOldUserSourceText(c.old, 1e-6, 3.001e-3, out), 0) << c.name;
        EXPECT_EQ(out, c.converted) << c.name;
    }

    // A first line holding a "." is the first of 256 values: the step is range / 255.
    std::string out;
    ASSERT_EQ(ConvertOldUserSourceText("0.5\n1.5\n", 0.0, 2.55, out), 0);
    UserWaveform w;
    UserWaveformProblem p;
    ASSERT_EQ(ParseUserSourceWaveform(out, "", "T", UserWaveformUse::Source, w, p), 0);
    ASSERT_EQ(w.PointCount(), 2);
    EXPECT_DOUBLE_EQ(w.mainX[1], 0.01);
    EXPECT_EQ(w.yRe[0], 0.5);
    EXPECT_EQ(w.yRe[1], 1.5);

    for (const char* bad : {"", "Version=1\nx\n1\n", "Version=1\n3\n1\nw\n", "3\n1\nabc\n"})
        EXPECT_EQ(ConvertOldUserSourceText(bad, 0.0, 1.0, out), 5355) << bad;
}

// The question before converting, answered by the test.
struct Answer : ReportContext {
    explicit Answer(int button) : button(button) { SetReportContext(this); }
    ~Answer() override { SetReportContext(nullptr); }
    int ShowReportDialog(ReportDelivery& report) override {
        ids.push_back(report.id);
        return button;
    }
    int button;
    std::vector<int> ids;
};

TEST(UserSourceFileTest, AnOldFileIsConvertedOnlyWhenTheUserAgrees) {
    TempFolder tmp;
    const std::string old = "Version=1\n2\n1\nsrc\n0,1\n1E-3,3\n";
    std::string file = tmp.Write("old.USR", old);
    UserWaveform w;
    {
        Answer no(kButtonNo);
        EXPECT_EQ(LoadUserSourceWaveform(file, "src", "T", UserWaveformUse::Source, w), 15055);
        EXPECT_EQ(no.ids, std::vector<int>{13549});
        EXPECT_EQ(TempFolder::Read(file), old);
        // Saving into it is declined as well and leaves it alone.
        EXPECT_EQ(SaveUserSourceWaveform(file, Saved("a", {0}, {1})), 0);
        EXPECT_EQ(TempFolder::Read(file), old);
    }
    {
        Answer yes(kButtonYes);
        ASSERT_EQ(LoadUserSourceWaveform(file, "src", "T", UserWaveformUse::Source, w), 0);
        EXPECT_EQ(yes.ids, std::vector<int>{13549});
        ASSERT_EQ(w.PointCount(), 2);
        EXPECT_EQ(w.mainX[1], 1e-3);
        EXPECT_EQ(w.yRe[1], 3.0);
        EXPECT_EQ(TempFolder::Read(file).rfind("[Main]\n", 0), 0u);
        EXPECT_FALSE(std::filesystem::exists(tmp / "old.$$$"));
        // Converted once: the next load asks nothing.
        ASSERT_EQ(LoadUserSourceWaveform(file, "src", "T", UserWaveformUse::Source, w), 0);
        EXPECT_EQ(yes.ids.size(), 1u);
    }
    {
        // A file of neither layout: agreed, but the conversion fails and the file stays.
        std::string junk = tmp.Write("junk.USR", "hello\nworld\n");
        Answer yes(kButtonYes);
        EXPECT_EQ(LoadUserSourceWaveform(junk, "x", "T", UserWaveformUse::Source, w), 15055);
        EXPECT_EQ(yes.ids, (std::vector<int>{13549, 5355}));
        EXPECT_EQ(TempFolder::Read(junk), "hello\nworld\n");
    }
}

}  // namespace
}  // namespace ob7
