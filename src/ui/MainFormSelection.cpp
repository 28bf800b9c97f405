// TMainForm: the selection handed over to the shell component after every change, Select
// All and Invert Selection, the double click and the end of an in-place rename.

#include "ui/MainForm.h"

#include "base/FileSystem.h"
#include "base/Messages.h"
#include "base/SystemError.h"
#include "ui/Controls.h"
#include "ui/MainFormIds.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quarrow {
namespace {

constexpr wchar_t InvalidNameCharacters[] = L"\\/:*?\"<>|";

// The name a file or folder has on disk after a rename (the platform may have dropped
// trailing dots or blanks); `requested` when it cannot be read.
std::wstring NameOnDisk(const std::wstring& path, const std::wstring& requested) {
    WIN32_FIND_DATAW entry;
    const UniqueFind find(FindFirstFileW(ExtendedLengthPath(path).c_str(), &entry));
    return find ? std::wstring(entry.cFileName) : requested;
}

// The row of a record, found by the record itself: rows move when records are removed or
// sorted. -1 when it is no longer listed.
int RowOfRecord(const TIDList& records, const TShellItem* record) {
    const auto& items = records.Items();
    const auto found =
        std::find_if(items.begin(), items.end(), [&](const auto& item) { return item.get() == record; });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

} // namespace

TMainForm::TSelectionSync::TSelectionSync(TMainForm& form) : form_(form) {
    ++form_.selectionSyncDepth_;
}
TMainForm::TSelectionSync::~TSelectionSync() {
    --form_.selectionSyncDepth_;
}

void TMainForm::ScheduleSelectionHandOver() {
    if (selectionSyncDepth_ > 0 || handOverPending_ || handle_ == nullptr)
        return;
    handOverPending_ = true;
    PostMessageW(handle_, WmSelectionHandOver, 0, 0);
}

void TMainForm::FlushSelectionHandOver() {
    ShowPendingRemovals();
    if (handOverPending_)
        HandOverSelection();
}

void TMainForm::HandOverSelection() {
    handOverPending_ = false;
    SelectionChanged();
    UpdateActionStates();
    UpdateStatusBar(3, 4, 4);
}

void TMainForm::SelectResults(bool invert) {
    TotalSelectedSize = 0;
    Vantor->MultiObjects().clear();
    Vantor->SetFolder(L"");
    const TListViewDirect list(controls_.ListViewResults);
    {
        WaitCursor wait;
        TSelectionSync sync(*this);
        FlushResultRowCount();
        const int rows = std::min(list.Count(), IDList.Count());
        // One message selects or clears every row; only the rows that differ from that are
        // set one by one.
        std::vector<bool> wasSelected(static_cast<size_t>(rows), false);
        int selectedBefore = 0;
        for (int row = list.NextSelected(-1); row >= 0 && row < rows; row = list.NextSelected(row)) {
            wasSelected[static_cast<size_t>(row)] = true;
            ++selectedBefore;
        }
        const auto isSelected = [&](int row) { return !invert || !wasSelected[static_cast<size_t>(row)]; };
        const bool mostSelected = !invert || selectedBefore * 2 <= rows;
        {
            TRedrawSuspended suspended(controls_.ListViewResults);
            list.SetSelected(-1, mostSelected);
            for (int row = 0; row < rows && invert; ++row) {
                if (isSelected(row) != mostSelected)
                    list.SetSelected(row, !mostSelected);
            }
        }
        TFileNames& objects = Vantor->MultiObjects();
        objects.reserve(static_cast<size_t>(invert ? rows - selectedBefore : rows));
        for (int row = 0; row < rows; ++row) {
            if (!isSelected(row))
                continue;
            const TShellItem& record = GetResult(row);
            objects.push_back(record.FullName());
            TotalSelectedSize += record.Size;
        }
    }
    TotalSelectedFiles = list.SelectedCount();
    handOverPending_ = false;
    UpdateActionStates();
    UpdateStatusBar(3, 4, 4);
}

void TMainForm::ActionActionSelectAllExecute() {
    SelectResults(false);
}

void TMainForm::ActionActionInvertSelectionExecute() {
    SelectResults(true);
}

void TMainForm::ListViewResultsDblClick() {
    FlushSelectionHandOver();
    RunActionHandler(TActionId::ActionActionOpen);
}

bool TMainForm::ListViewResultsEditing(int row) {
    renamedRecord_ = row >= 0 && row < std::min(shownRowCount_, IDList.Count()) ? &IDList[row] : nullptr;
    renameEditRow_ = row;
    return renamedRecord_ == nullptr;
}

// The edit renames the record it began on, wherever that record's row is now.
void TMainForm::ListViewResultsEditEnded(const wchar_t* text) {
    const TShellItem* record = std::exchange(renamedRecord_, nullptr);
    if (record == nullptr || text == nullptr)
        return;
    const int row = RowOfRecord(IDList, record);
    if (row >= 0)
        ListViewResultsEdited(row, text);
}

void TMainForm::CancelRename() {
    if (std::exchange(renamedRecord_, nullptr) != nullptr)
        ListView_CancelEditLabel(controls_.ListViewResults);
}

// The list keeps the row its edit began on, and leaves that row's name unpainted: when the
// record has moved, the edit starts again on its row with what was typed so far.
void TMainForm::MoveRenameEditWithItsRecord() {
    const HWND list = controls_.ListViewResults;
    const HWND edit = ListView_GetEditControl(list);
    if (renamedRecord_ == nullptr || edit == nullptr)
        return;
    const int row = RowOfRecord(IDList, renamedRecord_);
    if (row < 0 || row == renameEditRow_)
        return;
    const std::wstring typed = WindowText(edit);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const bool focused = GetFocus() == edit;
    renamedRecord_ = nullptr; // the cancelled edit renames nothing
    ListView_CancelEditLabel(list);
    if (focused)
        SetFocus(list);
    if (const HWND again = ListView_EditLabel(list, row)) {
        SetWindowTextW(again, typed.c_str());
        SendMessageW(again, EM_SETSEL, start, end);
    }
}

void TMainForm::ListViewResultsEdited(int row, const std::wstring& text) {
    if (row < 0 || row >= IDList.Count())
        return;
    TShellItem& record = IDList[row];
    if (text == record.Name)
        return;
    // The platform drops a new name's trailing dots and blanks; the rename is made through
    // the exact paths, so it does that here.
    const std::wstring newName = text.substr(0, text.find_last_not_of(L". ") + 1);
    if (newName == record.Name)
        return;
    if (newName.empty()) {
        renameRefusal_ = L"You must type a file name.";
    } else if (text.find_first_of(InvalidNameCharacters) != std::wstring::npos) {
        renameRefusal_ =
            L"A file name cannot contain any of the following characters:\r\n\\ / : * ? \" < > |";
    } else {
        const std::wstring newPath = record.Folder() + newName;
        if (RenameExactly(record.FullName(), newPath)) {
            record.Name = NameOnDisk(newPath, newName);
            ListView_RedrawItems(controls_.ListViewResults, row, row);
            // The shell component may hold the old path.
            ScheduleSelectionHandOver();
            SchedulePreviewOfFocus();
            return;
        }
        renameRefusal_ = L"\"" + record.Name + L"\" could not be renamed to \"" + text + L"\".\r\n" +
                         SystemErrorText(GetLastError()) + L".";
    }
    // Shown once the edit has ended; the row shows the old name again.
    ListView_RedrawItems(controls_.ListViewResults, row, row);
    PostMessageW(handle_, WmRenameRefused, 0, 0);
}

void TMainForm::ShowRenameRefusal() {
    const std::wstring text = std::exchange(renameRefusal_, std::wstring());
    if (!text.empty())
        ShowWarning(Prompt(), text);
}

} // namespace quarrow
