#pragma once
// CEditListCtrl: a report list of a dialog whose cells are edited in place, column by
// column as the column kinds allow (0 never, 1 handed to OnSpecialCell, else as text).

#include <string>
#include <vector>

#include "platform/dialog.h"

namespace ob7 {

class CEditListCtrl {
public:
    static constexpr int kMaxColumns = 8;

    CEditListCtrl(platform::Dialog& dialog, int id) : dialog_(dialog), id_(id) {}
    virtual ~CEditListCtrl() = default;

    // The next column, left-aligned; -1 once eight columns exist.
    int AddColumn(const std::string& name, int width, int kind);
    void SetCell(int column, int row, const std::string& text);
    void SetCellNumber(int column, int row, double value);
    // Column 0 inserts a new row at row; other columns set the cell.
    void PutCell(int column, int row, const std::string& text);
    void PutCellNumber(int column, int row, double value);
    // At most 99 characters.
    std::string GetCell(int column, int row) const;

    virtual void OnSpecialCell(int column, int row) {}
    virtual bool CanEditCell(int column, int row) const;
    // A click on a cell: selects its row and, as the column's kind says, edits it.
    void ClickCell(int column, int row);
    // The edited cell's new text, cut to 199 characters; false when nothing was stored.
    bool EndCellEdit();
    int EditedColumn() const { return editColumn_; }
    int EditedRow() const { return editRow_; }

private:
    int Kind(int column) const { return column >= 0 && column < static_cast<int>(kinds_.size()) ? kinds_[column] : 0; }
    platform::Dialog& dialog_;
    int id_;
    std::vector<int> kinds_;
    int editColumn_ = -1, editRow_ = -1;
    std::string before_;
    bool editing_ = false;  // the in-place editor is open on the edited cell
};

}  // namespace ob7
