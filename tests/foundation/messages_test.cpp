#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/owned_strings.h"
#include "foundation/report_sink.h"
#include "foundation/report_capture.h"
#include "platform/system_services.h"

using namespace ob7;

namespace {

struct Box {
    std::string text, caption;
    int style;
};

class FakeServices : public platform::SystemServices {
public:
    int ShowMessageBox(const std::string& text, const std::string& caption, int style) override {
        boxes.push_back({text, caption, style});
        return button;
    }
    void Beep(int type) override { beeps.push_back(type); }
    int PollKey() override { return 0; }
    std::vector<Box> boxes;
    std::vector<int> beeps;
    int button = kButtonOk;
};

struct Part {
    const char* name;
    int source;
};

class FakeContext : public ReportContext {
public:
    bool PartName(const void* part, std::string* name, int* sourceIndex) override {
        auto* p = static_cast<const Part*>(part);
        if (!p->name)
            return false;
        *name = p->name;
        *sourceIndex = p->source;
        return true;
    }
    bool SourceEntry(int index, std::string* prefix, std::string* file) override {
        if (index != 1)
            return false;
        *prefix = "X1";
        *file = "sub.cir";
        return true;
    }
    bool AnalysisLogNames(std::string* first, std::string* second) override {
        if (!withCircuit)
            return false;
        *first = "amp";
        *second = "Sensitivity";
        return true;
    }
    void MarkErrorSource(const void* part, const void* gridText) override { marked.push_back(part); }
    bool SoundEnabled() override { return sound; }
    int ShowReportDialog(ReportDelivery& report) override {
        dialogs.push_back(report);
        report.checkBoxTicked = tick;
        return ReportContext::ShowReportDialog(report);
    }
    std::vector<const void*> marked;
    std::vector<ReportDelivery> dialogs;
    bool sound = false;
    bool withCircuit = false;
    bool tick = false;
};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::InstallServices(&services);
        SetReportContext(&context);
        ClearPendingMessage();
    }
    void TearDown() override {
        SetBatchLogSink(nullptr);
        SetParameterCheckSink(nullptr);
        SetAnalysisLogSink(nullptr);
        SetReportContext(nullptr);
        platform::InstallServices(nullptr);
        SetExtendedHelpFile("");
        ClearPendingMessage();
    }
    const ReportDelivery& Last() { return context.dialogs.back(); }
    FakeServices services;
    FakeContext context;
};

}  // namespace

TEST_F(ReportTest, SilentCodesShowNothing) {
    for (int code : {0, 15055, 15056, 15057})
        EXPECT_EQ(ReportMessage("E", code), 0) << code;
    EXPECT_TRUE(services.boxes.empty());
    EXPECT_TRUE(context.dialogs.empty());
}

TEST_F(ReportTest, ErrorsGetTheErrorCaptionHandIconAndBeep) {
    context.sound = true;
    EXPECT_EQ(ReportMessage("E", kMsgInsufficientMemory), kButtonOk);
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].caption, "OB7 Error");
    EXPECT_EQ(services.boxes[0].text, "Insufficient memory.\n");
    EXPECT_EQ(services.boxes[0].style, 16);
    EXPECT_EQ(services.beeps, std::vector<int>{16});

    context.sound = false;
    ReportMessage("sF", 'W', "Disk %s is %d%% full", "C", 93);
    EXPECT_EQ(Last().caption, "OB7 Warning");
    EXPECT_EQ(Last().text, "Disk C is 93% full\n");
    EXPECT_EQ(Last().style, 4144);
    EXPECT_EQ(services.beeps.size(), 1u);  // no sound preference, no beep

    // Without a severity: the program's name and no beep; S and B replace style and caption.
    ReportMessage("F", "Plain notice");
    EXPECT_EQ(Last().caption, "Ombrelic");
    EXPECT_EQ(Last().beepType, 0);
    services.button = kButtonNo;
    EXPECT_EQ(ReportMessage("SBE", kStyleYesNo | kIconQuestion, "A caption much longer than twenty-nine", 15002),
              kButtonNo);
    EXPECT_EQ(Last().caption, "A caption much longer than tw");
    EXPECT_EQ(Last().style, 0x24);
    EXPECT_EQ(Last().beepType, 16);  // the beep keeps the severity's type
}

TEST_F(ReportTest, PendingMessagesCarryTheirTextAndId) {
    SetPendingMessage(kMsgInsufficientMemory);
    ReportMessage("E", kMsgPending);
    EXPECT_EQ(Last().id, kMsgInsufficientMemory);
    EXPECT_EQ(Last().caption, "OB7 Error");
    EXPECT_EQ(PendingMessage.id, 0);
    EXPECT_STREQ(PendingMessage.text1, "");

    SetPendingMessageText("%WDisk almost full");
    ReportMessage("E", kMsgPending);
    EXPECT_EQ(Last().caption, "OB7 Warning");
    EXPECT_EQ(Last().text, "Disk almost full\n");

    // A pending text is complete: a % in it is never taken as a format.
    SetPendingMessageText("%EFile 100%s%n.cir");
    ReportMessage("E", kMsgPending);
    EXPECT_EQ(Last().text, "File 100%s%n.cir\n");
}

TEST_F(ReportTest, RuntimeAndFileCodesUseThePendingFileName) {
    SetPendingMessageText("/no/such/file.cir");
    ReportMessage("E", kMsgErrnoBase + ENOENT);
    EXPECT_EQ(Last().caption, "OB7 Error");
    EXPECT_EQ(Last().text, std::string(std::strerror(ENOENT)) + " /no/such/file.cir\n");

    ReportMessage("E", kMsgWriteFailed);
    EXPECT_EQ(Last().text, std::string(std::strerror(28)) + "\n");

    SetPendingMessageText("a%d.cir");
    ReportMessage("E", kMsgLoadError);
    EXPECT_EQ(Last().text, "Error in loading file a%d.cir.\n");
    EXPECT_STREQ(PendingMessage.text1, "");  // consumed

    ReportMessage("E", kMsgErrnoBase + 9999);  // outside the runtime's texts
    EXPECT_EQ(Last().text, "\n");
    char buffer[8];
    int code = kMsgInsufficientMemory;
    EXPECT_STREQ(GetMessageText(buffer, sizeof buffer, &code), "Error");
    EXPECT_STREQ(buffer, "Insuffi");  // bounded by the buffer
}

TEST_F(ReportTest, LabelledLinesAreListedOrWrittenIntoTheText) {
    const std::string value61(61, 'v');
    ReportMessage("EMMMM", 15002, "A", "1", "B", "2", "C", "3", "D", value61.c_str());
    EXPECT_EQ(Last().text, "Insufficient memory.\n");
    ASSERT_EQ(Last().lines.size(), 4u);
    EXPECT_EQ(Last().lines[3].value, value61);

    ReportMessage("EMMn", 15002, "A", "1", "Value", value61.c_str());
    EXPECT_EQ(Last().text, "Insufficient memory.\n\nA\t1\nValue\t" + std::string(60, 'v') + "...");
    EXPECT_TRUE(Last().lines.empty());

    // An 11th line is dropped but its arguments are still taken.
    ReportMessage("MMMMMMMMMMMnF", "1", "a", "2", "a", "3", "a", "4", "a", "5", "a", "6", "a", "7", "a", "8", "a",
                  "9", "a", "10", "a", "11", "a", "x=%d", 7);
    EXPECT_EQ(Last().text.substr(0, 4), "x=7\n");
    EXPECT_EQ(Last().text.find("11\t"), std::string::npos);
    EXPECT_NE(Last().text.find("10\ta"), std::string::npos);
}

TEST_F(ReportTest, TheTextStaysBoundedWithLongFormatsAndLines) {
    const std::string longText(5000, 'x');
    const std::string longValue(500, 'y');
    ReportMessage("nMMMMMMMMMMF", "L", longValue.c_str(), "L", longValue.c_str(), "L", longValue.c_str(), "L",
                  longValue.c_str(), "L", longValue.c_str(), "L", longValue.c_str(), "L", longValue.c_str(), "L",
                  longValue.c_str(), "L", longValue.c_str(), "L", longValue.c_str(), "%s", longText.c_str());
    EXPECT_EQ(Last().text.size(), 1370u + 1 + 10 * (1 + 1 + 1 + 60 + 3));
}

TEST_F(ReportTest, PartsTextsAndFilesNameThePlace) {
    Part part{"R1", 1};
    ReportMessage("NE", &part, 15002);
    EXPECT_EQ(Last().text, "Insufficient memory.\nPart:\tX1.R1\nFile:\tsub.cir");
    ASSERT_EQ(context.marked.size(), 1u);
    EXPECT_EQ(context.marked[0], &part);

    ReportMessage("tLME", "V(OUT)>=2", 1, "File:", "SUB.CIR", 15002);  // the same file once
    EXPECT_EQ(Last().lines.size(), 2u);
    EXPECT_EQ(Last().lines[0].label, "File:");
    EXPECT_EQ(Last().lines[1].label, "Text:");

    Part unnamed{nullptr, -1};
    ReportMessage("NsF", &unnamed, 'W', "Check");
    EXPECT_EQ(context.marked.size(), 1u);  // warnings mark no error place
}

TEST_F(ReportTest, BatchAndParameterCheckLogsTakeTheMessage) {
    auto batch = std::make_unique<ReportCapture>();
    auto& sink = *batch;
    Part part{"R1", -1};
    EXPECT_EQ(ReportMessage("NME", &part, "Step", "2", 15002), 0);
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].caption, "OB7 Error");
    EXPECT_EQ(sink.reports[0].text, "Insufficient memory.\nStep\t2\nPart:\tR1");
    EXPECT_TRUE(services.boxes.empty());
    EXPECT_TRUE(context.marked.empty());
    batch.reset();

    ReportCapture check(SetParameterCheckSink);
    EXPECT_EQ(ReportMessage("S", kStyleYesNo, "E", 15002), 0);  // questions never block
    EXPECT_EQ(check.reports.size(), 1u);
    EXPECT_TRUE(services.boxes.empty());
}

TEST_F(ReportTest, AnAnalysisLogGetsOneLineAndTheBoxStillShows) {
    ReportCapture sink(SetAnalysisLogSink);
    SetPendingMessageText("x.cir");
    ReportMessage("ME", "File:", "x.cir", kMsgLoadError);
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].logLine, "OB7 Error, Error in loading file x.cir.\n");
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, "Error in loading file x.cir.");

    context.withCircuit = true;
    ReportMessage("F", "Note");
    EXPECT_EQ(sink.reports[1].logLine, "amp.Sensitivity: Ombrelic, Note\n");
}

TEST_F(ReportTest, DontWarnAgainBox) {
    int flag = 7;
    ReportMessage("CE", &flag, 15002);
    EXPECT_TRUE(Last().checkBox);
    EXPECT_EQ(flag, 1);
    context.tick = true;
    ReportMessage("CE", &flag, 15002);
    EXPECT_EQ(flag, 0);
    ReportMessage("OE", 10, -20, 15002);
    EXPECT_EQ(Last().offsetX, 10);
    EXPECT_EQ(Last().offsetY, -20);
}

namespace {

void PutInt(std::string& data, int32_t v) {
    for (int i = 0; i < 4; ++i)
        data += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}

}  // namespace

TEST_F(ReportTest, ExtendedHelpIsReadWithCheckedOffsets) {
    // Three entries: a good one, one whose offset lies past the end, one whose length does.
    std::string data;
    PutInt(data, 3);
    const int32_t textAt = 4 + 3 * 8;
    PutInt(data, textAt);
    PutInt(data, 15002);
    PutInt(data, 100000);
    PutInt(data, 15003);
    PutInt(data, textAt + 4 + 5);
    PutInt(data, 15007);
    PutInt(data, 5);
    data += "Help!";
    PutInt(data, 1000000);
    data += "ab";
    const std::string path = ::testing::TempDir() + "help.ob7";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    SetExtendedHelpFile(path.c_str());

    int exists = 0;
    EXPECT_EQ(LoadExtendedHelp(15002, &exists), nullptr);
    EXPECT_EQ(exists, 1);
    char* text = LoadExtendedHelp(15002, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "Help!");
    StrFree(&text);
    for (int id : {15003, 15007, 15008}) {
        EXPECT_EQ(LoadExtendedHelp(id, &exists), nullptr);
        EXPECT_EQ(exists, 0) << id;
    }
    ReportMessage("E", 15002);
    EXPECT_TRUE(Last().hasHelp);
    ReportMessage("E", 15007);
    EXPECT_FALSE(Last().hasHelp);

    // A count larger than the file can hold is refused as a whole.
    std::string bad;
    PutInt(bad, 0x7fffffff);
    f = std::fopen(path.c_str(), "wb");
    std::fwrite(bad.data(), 1, bad.size(), f);
    std::fclose(f);
    EXPECT_EQ(LoadExtendedHelp(15002, &exists), nullptr);
    EXPECT_EQ(exists, 0);
    std::remove(path.c_str());

    EXPECT_EQ(SyntaxTopicOf(13258), 6124);
    EXPECT_EQ(SyntaxTopicOf(15002), 0);
}
