#include "analysis/point_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "analysis/runs.h"
#include "foundation/report_capture.h"
#include "foundation/temp_folder.h"

namespace ob7 {
namespace {

std::uint64_t NoPageFile() { return 0; }
std::uint64_t PlentyOfPageFile() { return std::uint64_t(1) << 40; }
int g_memoryPages = 0;  // pages the probe grants before memory runs short
std::uint64_t ShrinkingPageFile() { return g_memoryPages-- > 0 ? (std::uint64_t(1) << 40) : 0; }

// A value that names its column and index, so a page in the wrong place shows.
double Mark(int column, int index) { return column * 1e7 + index + 0.25; }

class PointStoreTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("TMP", tmp.Path().c_str(), 1); }
    void TearDown() override { unsetenv("TMP"); }

    // Fills columns 0..columns-1 with `points` marked values, as a run stores them.
    static void Fill(PointStore& store, int columns, int points) {
        store.Reset();
        for (int i = 0; i < points; ++i)
            for (int c = 0; c < columns; ++c)
                store.SetPointValue(c, i, Mark(c, i));
    }
    TempFolder tmp;
};

TEST_F(PointStoreTest, ForcedFileModeReadsBackEveryValue) {
    PointStore store;
    store.SetSwapFileName("graph7.tmp");
    store.SetAvailablePageFileProbe(NoPageFile);
    ASSERT_EQ(store.SetColumnCount(3), 0);
    Fill(store, 3, 5000);
    EXPECT_EQ(store.Page(0).state, kPageInFile);
    EXPECT_EQ(store.PageCount(), 5);
    // Backwards and across columns, so every read selects another page.
    for (int i = 4999; i >= 0; i -= 7)
        for (int c = 2; c >= 0; --c)
            ASSERT_EQ(store.GetPointValue(c, i), Mark(c, i)) << "column " << c << " index " << i;
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(store.GetPointValue(1, i), Mark(1, i));
    std::string path = tmp / "graph7.tmp";
    EXPECT_TRUE(std::filesystem::exists(path));
    store.CloseSwapFile();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(PointStoreTest, SwapFileHoldsColumnsOfEachPageInOrder) {
    PointStore store;
    store.SetSwapFileName("graph7.tmp");
    store.SetAvailablePageFileProbe(NoPageFile);
    ASSERT_EQ(store.SetColumnCount(3), 0);
    const int points = 7 * 1024;
    Fill(store, 3, points);
    store.GetPointValue(0, 0);  // the last page goes to the file
    std::string bytes = TempFolder::Read(tmp / "graph7.tmp");
    ASSERT_EQ(bytes.size(), std::size_t(7 * 3 * 8192));
    struct Case { int filePage, column, slot; long offset; };
    const Case cases[] = {
        {0, 0, 0, 0}, {0, 2, 1023, 2 * 8192 + 1023 * 8}, {5, 0, 0, 122880},
        {5, 1, 17, 122880 + 8192 + 17 * 8}, {6, 2, 1023, 6 * 24576 + 2 * 8192 + 1023 * 8},
    };
    for (const Case& k : cases) {
        double v;
        std::memcpy(&v, bytes.data() + k.offset, sizeof v);
        EXPECT_EQ(v, Mark(k.column, k.filePage * 1024 + k.slot)) << "byte " << k.offset;
    }
}

TEST_F(PointStoreTest, PagesFollowTheFileOnceOneWentThere) {
    PointStore store;
    store.SetSwapFileName("graph7.tmp");
    g_memoryPages = 2;
    store.SetAvailablePageFileProbe(ShrinkingPageFile);
    ASSERT_EQ(store.SetColumnCount(2), 0);
    Fill(store, 2, 1024 * 3 + 10);
    store.SetAvailablePageFileProbe(PlentyOfPageFile);  // memory free again
    for (int i = 1024 * 3 + 10; i < 1024 * 5; ++i)
        for (int c = 0; c < 2; ++c)
            store.SetPointValue(c, i, Mark(c, i));
    const PageState expected[] = {kPageInMemory, kPageInMemory, kPageInFile, kPageInFile, kPageInFile};
    ASSERT_EQ(store.PageCount(), 5);
    for (int p = 0; p < 5; ++p)
        EXPECT_EQ(store.Page(p).state, expected[p]) << "page " << p;
    for (int i = 0; i < 1024 * 5; i += 3)
        ASSERT_EQ(store.GetPointValue(1, i), Mark(1, i));
}

TEST_F(PointStoreTest, StoreThatCannotGrowReportsOnceAndKeepsItsPoints) {
    PointStore store;  // no swap file name: nowhere to go when memory runs short
    g_memoryPages = 2;
    store.SetAvailablePageFileProbe(ShrinkingPageFile);
    std::vector<StoreCurve> curves(1);
    RunBook runs;
    ReportCapture reports;
    ASSERT_EQ(PrepareDataColumns(store, curves, runs, 1, false), 0);
    store.Reset();
    BeginRun(curves, runs, RunStartValues{});
    int stored = 0;
    for (int i = 0; i < 5000; ++i) {
        store.SetPointValue(curves[0].columns[0], i, Mark(1, i));
        store.SetPointValue(curves[0].columns[1], i, Mark(2, i));
        stored += CountStoredPoint(store, curves[0], runs);
    }
    EXPECT_EQ(stored, 2048);
    EXPECT_EQ(curves[0].pointCount, 2047);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_TRUE(reports.Contains("Insufficient memory."));
    for (int i = 0; i < 2048; i += 5)
        ASSERT_EQ(store.GetPointValue(curves[0].columns[1], i), Mark(2, i));
}

TEST_F(PointStoreTest, SwapFileThatCannotBeCreatedStopsTheStore) {
    setenv("TMP", (tmp / "missing/folder").c_str(), 1);
    PointStore store;
    store.SetSwapFileName("graph7.tmp");
    store.SetAvailablePageFileProbe(NoPageFile);
    ASSERT_EQ(store.SetColumnCount(1), 0);
    ReportCapture reports;
    Fill(store, 1, 1025);
    EXPECT_TRUE(store.Failed());
    EXPECT_EQ(reports.reports.size(), 1u);
}

TEST(RunsTest, IndicesFindTheirRuns) {
    PointStore store;
    store.SetSwapFileName("graph7.tmp");
    std::vector<StoreCurve> curves(1);
    RunBook runs;
    ASSERT_EQ(PrepareDataColumns(store, curves, runs, 2, false), 0);
    store.Reset();
    double steps[kStepVariableCount] = {1.5, 2.5};
    std::int32_t lists[kStepVariableCount] = {3};
    for (int r = 0; r < 2; ++r) {
        BeginRun(curves, runs, RunStartValues{r + 1, 27.0 + r, steps, lists, 0.0});
        for (int i = 0; i < 10; ++i) {
            store.SetPointValue(curves[0].columns[1], curves[0].pointCount + 1, r * 100 + i);
            ASSERT_EQ(CountStoredPoint(store, curves[0], runs), 1);
        }
        EXPECT_EQ(PointsInCurrentRun(curves[0], runs), 9);
    }
    struct Case { int index, run, first; };
    const Case cases[] = {{0, 0, 0}, {9, 0, 0}, {10, 1, 10}, {19, 1, 10}, {20, -1, 10}, {-1, -1, 10}};
    for (const Case& k : cases) {
        EXPECT_EQ(FindRunOfIndex(curves[0], runs, k.index), k.run) << k.index;
        EXPECT_EQ(RunFirstIndexOf(curves[0], runs, k.index), k.first) << k.index;
    }
    EXPECT_EQ(GetRunPointValue(store, curves[0].columns[1], curves[0], 4, 1), 104.0);
    EXPECT_EQ(runs.records[1].caseNumber, 2);
    EXPECT_EQ(runs.records[1].temperature, 28.0);
    EXPECT_EQ(runs.records[1].stepValues[1], 2.5);
    EXPECT_EQ(runs.records[1].stepListIndices[0], 3);
}

TEST(RunsTest, ColumnsShareTheSweepWhereTheCurveAllows) {
    PointStore store;
    RunBook runs;
    std::vector<StoreCurve> curves(3);
    curves[0].xIsSweep = true;  // X exactly T, linear, transient
    ASSERT_EQ(PrepareDataColumns(store, curves, runs, 1, false), 0);
    EXPECT_EQ(curves[0].columns[0], 0);
    EXPECT_EQ(curves[0].columns[1], 1);
    EXPECT_EQ(curves[1].columns[0], 2);
    EXPECT_EQ(curves[1].columns[1], 3);
    EXPECT_EQ(store.ColumnCount(), 6);
    ASSERT_EQ(PrepareDataColumns(store, curves, runs, 1, true), 0);
    EXPECT_EQ(store.ColumnCount(), 1 + 7 + 8 + 8);
    EXPECT_EQ(RunCapacityFor(3, TemperatureCount(0, 100, 50), false, 1), 9);
    EXPECT_EQ(RunCapacityFor(3, TemperatureCount(0, 100, 50), true, 2), 6);
}

}  // namespace
}  // namespace ob7
