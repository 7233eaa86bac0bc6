#include "ui/framework/edit_list.h"

#include <cstdio>

namespace ob7 {

namespace {
std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.16g", value);
    return text;
}
}  // namespace

int CEditListCtrl::AddColumn(const std::string& name, int width, int kind) {
    if (static_cast<int>(kinds_.size()) >= kMaxColumns) return -1;
    kinds_.push_back(kind);
    return dialog_.InsertColumn(id_, static_cast<int>(kinds_.size()) - 1, name, width);
}

void CEditListCtrl::SetCell(int column, int row, const std::string& text) {
    if (!dialog_.SetCellText(id_, row, column, text)) return;
    // Only text columns are edited in place by the list itself.
    int kind = Kind(column);
    dialog_.SetCellEditable(id_, row, column, kind != 0 && kind != 1 && CanEditCell(column, row));
}

void CEditListCtrl::SetCellNumber(int column, int row, double value) { SetCell(column, row, Number(value)); }

void CEditListCtrl::PutCell(int column, int row, const std::string& text) {
    if (column == 0) {
        int at = dialog_.InsertRow(id_, row, text);
        if (at >= 0) dialog_.SetCellEditable(id_, at, 0, Kind(0) != 0 && Kind(0) != 1 && CanEditCell(0, at));
    } else {
        SetCell(column, row, text);
    }
}

void CEditListCtrl::PutCellNumber(int column, int row, double value) { PutCell(column, row, Number(value)); }

std::string CEditListCtrl::GetCell(int column, int row) const {
    std::string text = dialog_.CellText(id_, row, column);
    if (text.size() > 99) text.resize(99);
    return text;
}

bool CEditListCtrl::CanEditCell(int column, int row) const { return Kind(column) != 0; }

void CEditListCtrl::ClickCell(int column, int row) {
    EndCellEdit();
    if (row < 0 || row >= dialog_.RowCount(id_)) return;
    dialog_.SetCurSel(id_, row);
    editColumn_ = column;
    editRow_ = row;
    int kind = Kind(column);
    if (kind == 0) return;
    if (kind == 1) {
        OnSpecialCell(column, row);
        return;
    }
    if (!CanEditCell(column, row)) return;
    before_ = dialog_.CellText(id_, row, column);
    editing_ = dialog_.EditCell(id_, row, column);
}

bool CEditListCtrl::EndCellEdit() {
    if (!editing_) return false;
    editing_ = false;
    std::string text = dialog_.CellText(id_, editRow_, editColumn_);
    bool changed = text != before_;
    if (changed) {
        if (text.size() > 199) text.resize(199);
        SetCell(editColumn_, editRow_, text);
    }
    before_.clear();
    editColumn_ = editRow_ = -1;
    return changed;
}

}  // namespace ob7
