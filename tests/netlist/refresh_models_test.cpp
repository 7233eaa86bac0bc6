// Refresh Models of a text circuit: library models and subcircuits copied before
// ".END", local copies replaced on "Update", include-file models left alone.

#include "netlist/refresh_models.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

class RefreshModelsTest : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        Write("MY.LIB", ".MODEL DLIB D(IS=2E-14 N=1.5)\n.SUBCKT LIBAMP A B\nR1 A B 5K\n.ENDS\n");
    }
    std::string Refresh(const std::string& text, RefreshChoice choice) {
        EXPECT_EQ(Read(text), 0) << FirstReport();
        EXPECT_EQ(RefreshModels(*circuit, choice), 0) << FirstReport();
        return page->Text();
    }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
};

TEST_F(RefreshModelsTest, AddCopiesLibraryModelsAndSubcircuitsOnce) {
    const std::string text = "T\n.LIB MY.LIB\nD1 1 0 DLIB\nD2 1 2 DLIB\nX1 1 0 LIBAMP\nR1 1 0 1\n.END\n";
    RefreshChoice add{true, true, false};
    const std::string once = Refresh(text, add);
    const std::string from = "*** From file " + Path("MY.LIB");
    EXPECT_EQ(Count(once, from), 1u) << once;
    EXPECT_EQ(Count(once, ".MODEL DLIB D"), 1u) << once;
    EXPECT_EQ(Count(once, "***  From file " + Path("MY.LIB")), 1u) << once;
    EXPECT_EQ(Count(once, ".SUBCKT LIBAMP A B"), 1u) << once;
    // Everything goes before ".END", which stays the last statement.
    EXPECT_EQ(once.rfind(".END\n"), once.size() - 5) << once;
    EXPECT_LT(once.find(".MODEL DLIB"), once.find(".END\n"));
    EXPECT_EQ(once, text.substr(0, text.size() - 5) + from + "\r\n.MODEL DLIB D (IS=2E-14 N=1.5)\r\n***  From file " + Path("MY.LIB") +
                        "\r\n.SUBCKT LIBAMP A B\r\nR1 A B 5K\r\n.ENDS\r\n.END\n");
    // A second run adds nothing.
    EXPECT_EQ(Refresh(once, add), once);
    // With subcircuits only, models are left alone.
    const std::string subcircuits = Refresh(text, RefreshChoice{false, true, false});
    EXPECT_EQ(Count(subcircuits, ".MODEL DLIB"), 0u);
    EXPECT_EQ(Count(subcircuits, ".SUBCKT LIBAMP"), 1u);
}

TEST_F(RefreshModelsTest, UpdateReplacesLocalModelsAndKeepsLaterLinesRight) {
    const std::string text =
        "T\n.LIB MY.LIB\nD1 1 0 DLIB\n.MODEL DLIB D(IS=1E-14\n+ RS=3)\nR1 1 0 1\n.MODEL DX D(IS=3E-14)\n"
        "D2 1 0 DX\n.END\n";
    const std::string updated = Refresh(text, RefreshChoice{true, false, true});
    EXPECT_EQ(Count(updated, "IS=1E-14"), 0u) << updated;
    EXPECT_EQ(Count(updated, "RS=3"), 0u) << updated;
    EXPECT_EQ(Count(updated, ".MODEL DLIB D"), 1u) << updated;
    EXPECT_EQ(updated, "T\n.LIB MY.LIB\nD1 1 0 DLIB\n.MODEL DLIB D (IS=2E-14 N=1.5)\r\nR1 1 0 1\n"
                       ".MODEL DX D(IS=3E-14)\nD2 1 0 DX\n.END\n");
    // The circuit still reads, with the library's parameters in its own text.
    ASSERT_EQ(Read(updated), 0) << FirstReport();
    EXPECT_EQ(circuit->tables.models.size(), 2u);
    // "Add" leaves a local model as it is.
    EXPECT_EQ(Refresh(text, RefreshChoice{true, false, false}), text);
}

TEST_F(RefreshModelsTest, IncludedModelsAreNeitherCopiedNorReplaced) {
    Write("local.inc", ".MODEL DLIB D(IS=9E-14)\n");
    const std::string text = "T\n.LIB MY.LIB\n.INC local.inc\nD1 1 0 DLIB\n.END\n";
    EXPECT_EQ(Refresh(text, RefreshChoice{true, true, true}), text);
}

}  // namespace

#include "netlist/subckt_blocks.h"

namespace {

TEST_F(RefreshModelsTest, SubcircuitBlocksFetchedAndReplaced) {
    const std::string text =
        "T\nX1 1 0 AMP PARAMS: G=2\nX2 1 0 LIBAMP\n"
        ".SUBCKT AMP A B OPTIONAL: P=$G_P PARAMS: G=1 R=2 TEXT: T=X\r\nR1 A B {R}\r\n.ENDS AMP\r\nR9 1 0 1\n.LIB MY.LIB\n.END\n";
    ASSERT_EQ(Read(text), 0) << FirstReport();
    const NetlistPart& amp = *Part("X1");
    EXPECT_EQ(GetSubcktSection(*circuit, amp, ATTR_PARAMS), "PARAMS: G=1 R=2");
    EXPECT_EQ(GetSubcktSection(*circuit, amp, ATTR_TEXT_PARAMS), "TEXT: T=X");
    EXPECT_EQ(GetSubcktSection(*circuit, amp, ATTR_FILE), services.title);
    size_t start = 0, end = 0;
    EXPECT_EQ(GetSubcktBlockText(*circuit, amp, &start, &end),
              ".SUBCKT AMP A B OPTIONAL: P=$G_P PARAMS: G=1 R=2 TEXT: T=X\r\nR1 A B {R}\r\n.ENDS AMP\r\n");
    EXPECT_EQ(text.substr(start, end - start).rfind(".SUBCKT AMP", 0), 0u);
    // A library definition: its file, and its block.
    const NetlistPart& lib = *Part("X2");
    EXPECT_EQ(GetSubcktSection(*circuit, lib, ATTR_FILE), Path("MY.LIB"));
    EXPECT_EQ(GetSubcktBlockText(*circuit, lib, nullptr, nullptr), ".SUBCKT LIBAMP A B\nR1 A B 5K\n.ENDS\n");

    // Replaced in place in the page; a library definition's new text goes before .END.
    ASSERT_TRUE(ReplaceSubcktBlock(*circuit, amp, ".SUBCKT AMP A B\nR1 A B 7\n.ENDS"));
    ASSERT_TRUE(ReplaceSubcktBlock(*circuit, lib, ".SUBCKT LIBAMP A B\nR1 A B 8\n.ENDS"));
    EXPECT_EQ(page->Text(), "T\nX1 1 0 AMP PARAMS: G=2\nX2 1 0 LIBAMP\n.SUBCKT AMP A B\r\nR1 A B 7\r\n.ENDS\r\n"
                            "R9 1 0 1\n.LIB MY.LIB\n.SUBCKT LIBAMP A B\r\nR1 A B 8\r\n.ENDS\r\n.END\n");
}

}  // namespace
