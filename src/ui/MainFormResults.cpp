// TMainForm: the results list's rows, the selection totals, the action states, the status
// bar, the search buttons and the reset of the criteria.

#include "ui/MainForm.h"

#include "base/DateTime.h"
#include "base/Messages.h"
#include "results/ActionStates.h"
#include "results/DisplayFormats.h"
#include "results/ResultFinding.h"
#include "results/StatusTexts.h"
#include "ui/Controls.h"

#include <algorithm>

namespace quarrow {

void TMainForm::SetResultRowCount(int count) {
    const ULONGLONG start = GetTickCount64();
    ListView_SetItemCountEx(controls_.ListViewResults, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    shownRowCount_ = count;
    rowCountSetAt_ = GetTickCount64();
    // Emptying the list is cheap; showing rows is what the pace weighs.
    if (count > 0)
        rowCountCost_ = rowCountSetAt_ - start;
}

void TMainForm::ListViewResultsData(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (item.iItem < 0 || item.iItem >= IDList.Count())
        return;
    const TShellItem& record = GetResult(item.iItem);
    if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0)
        item.iImage = record.ImageIndex;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0)
        return;
    switch (item.iSubItem) {
    case 0:
        displayText_ = record.Name;
        break;
    case 1:
        displayText_ = record.Folder();
        break;
    case 2:
        displayText_ = record.IsFolder ? std::wstring() : SizeText(record.Size);
        break;
    case 3:
        displayText_ = DateText(record.Modified);
        break;
    case 4:
        displayText_ = record.FileType;
        break;
    default:
        displayText_.clear();
        break;
    }
    const size_t length = std::min(displayText_.size(), static_cast<size_t>(item.cchTextMax - 1));
    displayText_.copy(item.pszText, length);
    item.pszText[length] = L'\0';
}

// Icons and type names are fetched once per record, when its row is first about to be drawn.
void TMainForm::ListViewResultsDataHint(int startIndex, int endIndex) {
    if (startIndex < 0 || startIndex >= IDList.Count() || endIndex >= IDList.Count() || endIndex < startIndex)
        return;
    for (int i = startIndex; i <= endIndex; ++i) {
        TShellItem& record = IDList[i];
        if (record.InfoLoaded)
            continue;
        const std::wstring fullName = record.FullName();
        record.ImageIndex = shellInfo_.IconIndex(fullName);
        if (Settings.ShowTypeInsteadOfExtension)
            record.FileType = shellInfo_.TypeName(fullName);
        record.InfoLoaded = true;
    }
}

int TMainForm::ListViewResultsFindItem(const NMLVFINDITEMW& find) {
    constexpr UINT FindSubstring = 0x0004; // LVFI_SUBSTRING, which some SDK headers lack
    const LVFINDINFOW& info = find.lvfi;
    const bool partial = (info.flags & (LVFI_PARTIAL | FindSubstring)) != 0;
    if (info.psz == nullptr || (!partial && (info.flags & LVFI_STRING) == 0))
        return -1;
    // The rows must be the records' before a row is named.
    FlushResultRowCount();
    return FindResultRow(IDList, {info.psz, find.iStart, partial, (info.flags & LVFI_WRAP) != 0});
}

void TMainForm::ListViewResultsMouseDown(UINT button) {
    if (button != VK_LBUTTON && button != VK_RBUTTON)
        return;
    HandOverSelection();
    if (button == VK_RBUTTON)
        ShowResultsPopup();
}

void TMainForm::SelectionChanged() {
    ShowPendingRemovals();
    const TListViewDirect list(controls_.ListViewResults);
    TotalSelectedFiles = list.SelectedCount();
    TotalSelectedSize = 0;
    Vantor->MultiObjects().clear();
    Vantor->SetFolder(L"");
    if (TotalSelectedFiles == 1) {
        const int row = list.NextSelected(-1);
        if (row >= 0 && row < IDList.Count()) {
            const TShellItem& record = GetResult(row);
            try {
                Vantor->SetObjectName(record.FullName());
            } catch (const std::exception&) {
                // A vanished file: the verbs then have no object, and the totals still count it.
            }
            TotalSelectedSize = record.Size;
        }
    } else if (TotalSelectedFiles > 1) {
        WaitCursor wait;
        TFileNames& objects = Vantor->MultiObjects();
        const int rows = std::min(list.Count(), IDList.Count());
        objects.reserve(static_cast<size_t>(std::min(TotalSelectedFiles, rows)));
        const auto add = [&](int row) {
            const TShellItem& record = GetResult(row);
            objects.push_back(record.FullName());
            TotalSelectedSize += record.Size;
        };
        // Every row selected needs no question per row.
        if (TotalSelectedFiles == rows) {
            for (int row = 0; row < rows; ++row)
                add(row);
        } else {
            for (int row = list.NextSelected(-1); row >= 0 && row < rows; row = list.NextSelected(row))
                add(row);
        }
    }
}

void TMainForm::UpdateActionStates() {
    const TActionSnapshot snapshot{IDList.Count(),           TotalSelectedFiles,
                                   !Settings.Editor.empty(), engine_->NotSearched.Count(),
                                   Settings.PreviewPane,     engine_->Criteria.SearchInFiles};
    for (const auto& [action, enabled] : ComputeActionStates(snapshot))
        SetActionEnabled(action, enabled);
}

void TMainForm::UpdateStatusBar(int infoMode, int countMode, int lightMode) {
    TStatusSnapshot snapshot;
    snapshot.ResultCount = IDList.Count();
    snapshot.TotalSelectedFiles = TotalSelectedFiles;
    snapshot.TotalSelectedSize = TotalSelectedSize;
    snapshot.ElapsedTime = engine_->RunState.ElapsedTime;
    snapshot.FindStopped = engine_->RunState.FindStopped;
    snapshot.NotSearchedCount = engine_->NotSearched.Count();
    if (const auto text = InfoPanelText(infoMode, snapshot))
        SetStatusTextOf(controls_.StatusBar, 0, *text);
    if (const auto text = CountPanelText(countMode, snapshot)) {
        SetStatusTextOf(controls_.StatusBar, 1, *text);
        LayoutStatusPanels();
    }
    if (const auto light = StatusLightFor(lightMode)) {
        // Each ShowWindow costs a round trip to the Wine server, changed or not.
        const auto show = [](HWND image, bool visible) {
            if ((IsWindowVisible(image) != FALSE) != visible)
                ShowWindow(image, visible ? SW_SHOW : SW_HIDE);
        };
        show(controls_.ImageStatusGreen, *light == TStatusLight::Green);
        show(controls_.ImageStatusRed, *light == TStatusLight::Red);
        show(controls_.ImageStatusGray, *light == TStatusLight::Gray);
    }
}

void TMainForm::SetSearchButtons(bool idle) {
    EnableWindow(controls_.BtnSearch, idle);
    EnableWindow(controls_.BtnStop, !idle);
    EnableWindow(controls_.BtnReset, idle);
}

void TMainForm::ResetResults(bool keepLocation) {
    const TMainControls& c = controls_;
    if (!keepLocation) {
        IDList.Clear();
        ClearResultRows();
        TotalSelectedFiles = 0;
        TotalSelectedSize = 0;
        Vantor->MultiObjects().clear();
        Vantor->SetFolder(L"");
        engine_->NotSearched.Clear();
    }
    SetWindowTextOf(c.ComboBoxSearchPattern, L"");
    if (!keepLocation)
        SetWindowTextOf(c.ComboBoxSearchLocation, L"C:\\");
    SetChecked(c.CheckBoxSearchInSubfolders, true);
    SetChecked(c.CheckBoxShowMatchingFilenames, true);
    SetChecked(c.CheckBoxShowMatchingFoldernames, false);
    SetChecked(c.CheckBoxSearchForDateTime, false);
    CheckBoxSearchForDateTimeClick();
    SetChecked(c.CheckBoxSearchForSize, false);
    CheckBoxSearchForSizeClick();
    SetChecked(c.CheckBoxExcludeFolders, Settings.ExcludeFolders);
    CheckBoxExcludeFoldersClick();

    SetChecked(c.RadioButtonDSNewerThan, true);
    SetChecked(c.RadioButtonDSOlderThan, false);
    SetChecked(c.RadioButtonDSBetween, false);
    SetUpDownPosition(c.UpDownDTCount, 1);
    SetComboIndex(c.ComboBoxDTUnits, 3);
    SetChecked(c.RadioButtonSZLargerThan, true);
    SetChecked(c.RadioButtonSZSmallerThan, false);

    const TDateTime now = NowLocal();
    SetPickerValue(c.DateTimePickerEnd, DateTimeToSystemTime(now));
    SetPickerValue(c.DateTimePickerBegin, DateTimeToSystemTime(IncMonth(now, -12)));

    SetUpDownPosition(c.UpDownSZCount, 1);
    SetComboIndex(c.ComboBoxSZUnits, 2);
    SetWindowTextOf(c.ComboBoxContainingText, L"");
    ComboBoxContainingTextChange();
    SetChecked(c.CheckBoxCTCaseSensitive, false);
    SetChecked(c.CheckBoxCTIgnoreExecutableFiles, true);

    UpdateStatusBar(0, 0, 0);
    SelectPage(0);
    focusedControl_ = c.ComboBoxSearchPattern;
    SetFocus(c.ComboBoxSearchPattern);
}

void TMainForm::EditKeyPress(wchar_t& key) {
    if (!(key >= L'0' && key <= L'9') && key != L'\b')
        key = L'\0';
}

} // namespace quarrow
