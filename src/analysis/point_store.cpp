#include "analysis/point_store.h"

#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdlib>

#include "foundation/memory.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/textfile.h"
#include "sim/engine/run_helpers.h"

namespace ob7 {

namespace {
constexpr int kWrite = 1;
constexpr int kRead = 2;
constexpr long kBlockBytes = kPageValues * sizeof(double);
}  // namespace

std::uint64_t SystemAvailablePageFile() {
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return 0;
    std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    return (std::uint64_t(info.freeram) + info.bufferram + info.freeswap) * unit;
}

PointStore::~PointStore() {
    Free();
    CloseSwapFile();
}

std::string PointStore::SwapFilePath() const {
    return swapFileName_.empty() ? std::string() : TempFolderPath(swapFileName_);
}

void PointStore::FreeBlocks(double** blocks, int count) {
    if (!blocks)
        return;
    for (int c = 0; c < count; ++c)
        std::free(blocks[c]);
    std::free(blocks);
}

int PointStore::SetColumnCount(int columns) {
    Free();
    columnCount_ = std::max(columns, 1);
    sharedPage_ = static_cast<double**>(MemAllocZero(sizeof(double*) * columnCount_));
    if (sharedPage_) {
        for (int c = 0; c < columnCount_; ++c) {
            sharedPage_[c] = static_cast<double*>(MemAllocZero(kBlockBytes));
            if (!sharedPage_[c]) {
                FreeBlocks(sharedPage_, c);
                sharedPage_ = nullptr;
                break;
            }
        }
    }
    if (!sharedPage_) {
        ReportOutOfMemoryDuringRun();
        return kMsgInsufficientMemory;
    }
    sharedColumnCount_ = columnCount_;
    dirty_ = 0;
    return 0;
}

void PointStore::Reset() {
    highestFilePage_ = -1;
    currentPage_ = 0;
    // Pages of an earlier run keep their places; file pages already numbered stay ahead
    // of the numbers handed out now, so two pages never share a file slot.
    filePageCount_ = 0;
    for (int p = 0; p < pageCount_; ++p)
        if (pageTable_[p].state == kPageInFile)
            filePageCount_ = std::max(filePageCount_, pageTable_[p].filePage + 1);
    failed_ = 0;
    dirty_ = 0;
    memoryReported_ = 0;
    MakePageResident();
}

void PointStore::FailForMemory() {
    currentPage_ = -1;
    failed_ = 1;
    if (!memoryReported_) {
        memoryReported_ = 1;
        ReportOutOfMemoryDuringRun();
    }
}

double** PointStore::AllocatePageBlocks() {
    if (filePageCount_ > 0)  // once a page went to the file, every later page follows it
        return nullptr;
    if (probe_() < kMinPageFileBytes)
        return nullptr;
    double** blocks = static_cast<double**>(MemAllocZero(sizeof(double*) * columnCount_));
    if (!blocks)
        return nullptr;
    for (int c = 0; c < columnCount_; ++c) {
        blocks[c] = static_cast<double*>(MemAllocZero(kBlockBytes));
        if (!blocks[c]) {
            FreeBlocks(blocks, c);
            return nullptr;
        }
    }
    return blocks;
}

int PointStore::MakePageResident() {
    if (!sharedPage_) {
        currentPage_ = -1;
        return 1;
    }
    while (currentPage_ >= pageCount_) {
        if (failed_) {
            currentPage_ = -1;
            return 1;
        }
        if (pageCount_ >= pageCapacity_) {
            void* grown = MemReallocRetry(pageTable_, sizeof(PageEntry) * (pageCount_ + 100));
            if (!grown) {
                FailForMemory();
                return 1;
            }
            pageTable_ = static_cast<PageEntry*>(grown);
            pageCapacity_ = pageCount_ + 100;
        }
        PageEntry& entry = pageTable_[pageCount_++];
        entry = PageEntry{};
        if (double** blocks = AllocatePageBlocks()) {
            entry.state = kPageInMemory;
            entry.blocks = blocks;
        } else if (swapFileName_.empty()) {
            // No memory and nowhere to swap: the store keeps what it holds and takes no more.
            FailForMemory();
            return 1;
        } else {
            entry.state = kPageInFile;
            entry.filePage = filePageCount_++;
        }
    }
    if (currentPage_ >= 0 && pageTable_[currentPage_].state == kPageInFile)
        pageTable_[currentPage_].blocks = sharedPage_;
    return 0;
}

int PointStore::SaveCurrentPage() {
    dirty_ = 0;
    PageEntry& entry = pageTable_[currentPage_];
    if (entry.state != kPageInFile || swapFileName_.empty())
        return 0;
    highestFilePage_ = std::max(highestFilePage_, entry.filePage);
    if (!swapFile_) {
        swapFile_ = OpenBinaryUpdate(SwapFilePath().c_str());
        if (!swapFile_) {
            ReportMessage("E", ErrnoToMessageId());
            currentPage_ = -1;
            failed_ = 1;
            return 1;
        }
    }
    long offset = long(entry.filePage) * columnCount_ * kBlockBytes;
    bool ok = std::fseek(swapFile_, offset, SEEK_SET) == 0;
    for (int c = 0; ok && c < columnCount_; ++c)
        ok = std::fwrite(sharedPage_[c], sizeof(double), kPageValues, swapFile_) == size_t(kPageValues);
    if (!ok) {
        // A full disk ends the run's storing; the points so far stay readable.
        failed_ = 1;
        ReportMessage("E", kMsgWriteError, SwapFilePath().c_str());
    }
    return 0;
}

void PointStore::LoadCurrentPage() {
    const PageEntry& entry = pageTable_[currentPage_];
    long offset = long(entry.filePage) * columnCount_ * kBlockBytes;
    bool ok = swapFile_ && std::fflush(swapFile_) == 0 && std::fseek(swapFile_, offset, SEEK_SET) == 0;
    for (int c = 0; ok && c < columnCount_; ++c)
        ok = std::fread(sharedPage_[c], sizeof(double), kPageValues, swapFile_) == size_t(kPageValues);
    if (!ok)
        currentPage_ = -1;
}

double* PointStore::Locate(int column, int index, int mode) {
    if (index < 0 || column < 0 || column >= columnCount_)
        return nullptr;
    int page = index >> kPageShift;
    int slot = index & (kPageValues - 1);
    if (page != currentPage_ && currentPage_ != -1 && !failed_ && dirty_) {
        if (SaveCurrentPage())
            return nullptr;
    }
    int previous = currentPage_;
    currentPage_ = page;
    if (mode == kRead ||
        (page != previous && page < pageCount_ && pageTable_[page].state == kPageInFile &&
         pageTable_[page].filePage <= highestFilePage_)) {
        if (MakePageResident())
            return nullptr;
        if (currentPage_ != -1 && currentPage_ != previous && pageTable_[currentPage_].state == kPageInFile &&
            pageTable_[currentPage_].filePage <= highestFilePage_)
            LoadCurrentPage();
    }
    if (mode == kWrite) {
        dirty_ = 1;
        if (MakePageResident())
            return nullptr;
    }
    if (currentPage_ != -1 && currentPage_ < pageCount_ && pageTable_[currentPage_].blocks)
        return &pageTable_[currentPage_].blocks[column][slot];
    return nullptr;
}

double PointStore::GetPointValue(int column, int index) {
    double* p = Locate(column, index, kRead);
    return p ? *p : 0.0;
}

void PointStore::SetPointValue(int column, int index, double value) {
    if (double* p = Locate(column, index, kWrite))
        *p = value;
}

void PointStore::Free() {
    for (int p = 0; p < pageCount_; ++p)
        if (pageTable_[p].state == kPageInMemory)
            FreeBlocks(pageTable_[p].blocks, columnCount_);
    std::free(pageTable_);
    pageTable_ = nullptr;
    pageCount_ = pageCapacity_ = 0;
    FreeBlocks(sharedPage_, sharedColumnCount_);
    sharedPage_ = nullptr;
    sharedColumnCount_ = 0;
    currentPage_ = -1;
    dirty_ = 0;
}

void PointStore::CloseSwapFile() {
    if (swapFile_) {
        std::fclose(swapFile_);
        swapFile_ = nullptr;
    }
    if (highestFilePage_ >= 0 && !swapFileName_.empty())
        std::remove(SwapFilePath().c_str());
    highestFilePage_ = -1;
}

}  // namespace ob7
