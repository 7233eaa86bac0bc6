#pragma once
// PointStore: the columns of doubles behind a plot, cut into pages of 1024 values. Pages
// stay in memory while the system has page file to spare; after that every new page lives
// in a swap file in the temporary folder and is moved through one shared page buffer.
//
// Swap file layout: no header; file page p starts at byte p * ColumnCount * 8192 and holds
// the columns of one page in column order, 1024 little-endian doubles each.

#include <cstdint>
#include <cstdio>
#include <string>

namespace ob7 {

inline constexpr int kPageValues = 1024;
inline constexpr int kPageShift = 10;
inline constexpr std::uint64_t kMinPageFileBytes = 8u * 1024u * 1024u;

enum PageState : std::int32_t { kPageUnassigned = 0, kPageInFile = 1, kPageInMemory = 3 };

struct PageEntry {
    std::int32_t state = kPageUnassigned;
    std::int32_t filePage = 0;
    double** blocks = nullptr;  // one block of 1024 doubles per column
};

// The available page file (memory plus swap) the system reports, in bytes.
std::uint64_t SystemAvailablePageFile();

class PointStore {
public:
    PointStore() = default;
    ~PointStore();
    PointStore(const PointStore&) = delete;
    PointStore& operator=(const PointStore&) = delete;

    // The swap file's bare name ("graph7.tmp", "graph6p.tmp"); empty keeps no pages when
    // memory is short. The file lies in the temporary folder.
    void SetSwapFileName(const std::string& name) { swapFileName_ = name; }
    const std::string& SwapFileName() const { return swapFileName_; }
    std::string SwapFilePath() const;
    // Where the available page file is read; a probe that answers 0 forces file mode.
    void SetAvailablePageFileProbe(std::uint64_t (*probe)()) { probe_ = probe; }

    // Sizes the shared page for `columns` columns. 0, or 15002 after the report.
    int SetColumnCount(int columns);
    int ColumnCount() const { return columnCount_; }

    // Empties the store for a new run and makes page 0 current.
    void Reset();
    double GetPointValue(int column, int index);
    void SetPointValue(int column, int index, double value);
    // Frees the pages, the page table and the shared page.
    void Free();
    // Closes the swap file and deletes it when any page was written to it.
    void CloseSwapFile();

    // True while the current page is usable (false after a failure or a short read).
    bool Usable() const { return currentPage_ != -1 && !failed_; }
    bool Failed() const { return failed_ != 0; }
    std::int32_t CurrentPage() const { return currentPage_; }
    std::int32_t PageCount() const { return pageCount_; }
    std::int32_t FilePageCount() const { return filePageCount_; }
    std::int32_t HighestFilePage() const { return highestFilePage_; }
    const PageEntry& Page(int p) const { return pageTable_[p]; }

private:
    int MakePageResident();
    double** AllocatePageBlocks();
    void FreeBlocks(double** blocks, int count);
    int SaveCurrentPage();
    void LoadCurrentPage();
    double* Locate(int column, int index, int mode);
    void FailForMemory();

    std::FILE* swapFile_ = nullptr;
    std::string swapFileName_;
    double** sharedPage_ = nullptr;
    std::int32_t columnCount_ = 0;
    std::int32_t sharedColumnCount_ = 0;
    std::int32_t highestFilePage_ = -1;
    std::int32_t currentPage_ = -1;
    std::int32_t failed_ = 0;
    std::int32_t filePageCount_ = 0;
    std::int32_t dirty_ = 0;
    PageEntry* pageTable_ = nullptr;
    std::int32_t pageCount_ = 0;
    std::int32_t pageCapacity_ = 0;
    std::int32_t memoryReported_ = 0;
    std::uint64_t (*probe_)() = SystemAvailablePageFile;
};

}  // namespace ob7
