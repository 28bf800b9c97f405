// TMainForm: sorting the results by a column click. The list keeps its selection by row, so
// the selection is carried over to the records' new rows.

#include "ui/MainForm.h"

#include "base/Messages.h"
#include "results/ResultSorting.h"
#include "ui/Controls.h"

#include <algorithm>

namespace quarrow {

void TMainForm::ListViewResultsColumnClick(int column) {
    if (column < 0 || column >= ResultColumnCount)
        return;
    {
        WaitCursor wait;
        FlushResultRowCount();
        StoreSelection();
        const bool ascending = column != SortColumn || !SortAscending;
        SortColumn = column;
        SortResults(IDList, static_cast<TResultColumn>(column), ascending);
        SortAscending = ascending;
        RestoreSelection();
    }
    MoveRenameEditWithItsRecord();
    InvalidateRect(controls_.ListViewResults, nullptr, FALSE);
    SchedulePreviewOfFocus();
}

// `Selected` is set only from here to RestoreSelection, which clears it again: with nothing
// selected, neither visits a million records.
void TMainForm::StoreSelection() {
    const TListViewDirect list(controls_.ListViewResults);
    const int rows = std::min(list.Count(), IDList.Count());
    storedSelection_ = std::min(list.SelectedCount(), rows);
    if (storedSelection_ == rows) {
        for (int row = 0; row < rows; ++row)
            IDList[row].Selected = true;
        return;
    }
    for (int row = list.NextSelected(-1); row >= 0 && row < rows; row = list.NextSelected(row))
        IDList[row].Selected = true;
}

// One message sets every row to the state most rows get; only the others are set one by one.
void TMainForm::RestoreSelection() {
    TSelectionSync sync(*this);
    const TListViewDirect list(controls_.ListViewResults);
    const int rows = std::min(list.Count(), IDList.Count());
    const bool mostSelected = storedSelection_ * 2 > rows;
    TRedrawSuspended suspended(controls_.ListViewResults);
    list.SetSelected(-1, mostSelected);
    if (storedSelection_ == 0 || storedSelection_ == rows) {
        for (int row = 0; row < rows && storedSelection_ > 0; ++row)
            IDList[row].Selected = false;
        return;
    }
    for (int row = 0; row < rows; ++row) {
        TShellItem& record = IDList[row];
        if (record.Selected != mostSelected)
            list.SetSelected(row, !mostSelected);
        record.Selected = false;
    }
}

} // namespace quarrow
