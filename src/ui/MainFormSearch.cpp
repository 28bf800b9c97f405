// TMainForm: the search from the window. The handlers read the controls into the engine's
// snapshot and show what the engine reports.

#include "ui/MainForm.h"

#include "base/Messages.h"
#include "search/Criteria.h"
#include "ui/Controls.h"
#include "ui/NotSearchedForm.h"

#include <utility>

namespace quarrow {
namespace {

TDateTime PickerDateTime(HWND picker) {
    SYSTEMTIME value{};
    return PickerValue(picker, value) ? SystemTimeToDateTime(value) : 0;
}

} // namespace

TSearchInput TMainForm::ReadSearchInput() const {
    const TMainControls& c = controls_;
    TSearchInput input;
    input.PatternText = WindowText(c.ComboBoxSearchPattern);
    input.LocationText = WindowText(c.ComboBoxSearchLocation);
    input.SearchInSubfolders = IsChecked(c.CheckBoxSearchInSubfolders);
    input.ShowMatchingFilenames = IsChecked(c.CheckBoxShowMatchingFilenames);
    input.ShowMatchingFoldernames = IsChecked(c.CheckBoxShowMatchingFoldernames);

    input.SearchForDateTime = IsChecked(c.CheckBoxSearchForDateTime);
    input.DSNewerThan = IsChecked(c.RadioButtonDSNewerThan);
    input.DSOlderThan = IsChecked(c.RadioButtonDSOlderThan);
    input.DSBetween = IsChecked(c.RadioButtonDSBetween);
    input.DTCount = UpDownPosition(c.UpDownDTCount);
    input.DTUnitIndex = ComboIndex(c.ComboBoxDTUnits);
    input.BeginDate = PickerDateTime(c.DateTimePickerBegin);
    input.EndDate = PickerDateTime(c.DateTimePickerEnd);

    input.SearchForSize = IsChecked(c.CheckBoxSearchForSize);
    input.SZLargerThan = IsChecked(c.RadioButtonSZLargerThan);
    input.SZSmallerThan = IsChecked(c.RadioButtonSZSmallerThan);
    input.SZCount = UpDownPosition(c.UpDownSZCount);
    input.SZUnitIndex = ComboIndex(c.ComboBoxSZUnits);

    input.ContainingText = WindowText(c.ComboBoxContainingText);
    input.CTCaseSensitive = IsChecked(c.CheckBoxCTCaseSensitive);
    input.CTIgnoreExecutableFiles = IsChecked(c.CheckBoxCTIgnoreExecutableFiles);
    input.CTIgnoreMediaFiles = IsChecked(c.CheckBoxCTIgnoreMediaFiles);
    return input;
}

void TMainForm::BtnSearchClick() {
    // Search is disabled while a walk runs; a key press can still reach here through it.
    if (launching_)
        return;
    launching_ = true;
    struct TLaunchEnd {
        TMainForm& form;
        ~TLaunchEnd() {
            form.launching_ = false;
            // A close asked for during the walk is carried out from the message loop.
            if (form.closeRequested_ && form.handle_ != nullptr)
                PostMessageW(form.handle_, WM_CLOSE, 0, 0);
        }
    } launchEnd{*this};
    ClampCountEdits();
    // A rejected launch has switched monitoring off.
    if (!engine_->Launch(ReadSearchInput()) && ShellChangeNotifier)
        ShellChangeNotifier->CloseFileSystemWatch();
}

void TMainForm::BtnStopClick() {
    engine_->Stop();
}

void TMainForm::BtnResetClick() {
    if (!created_)
        return;
    SetChangeMonitoring(false);
    ResetResults(false);
    UpdateActionStates();
}

void TMainForm::ActionToolsNotSearchedExecute() {
    if (engine_->NotSearched.Count() == 0)
        return;
    TNotSearchedForm form(handle_, Prompt(), engine_->NotSearched);
    Prompt().ShowModalForm(form);
}

void TMainForm::BitBtnOpenFolderDialogClick() {
    std::wstring folder = WindowText(controls_.ComboBoxSearchLocation);
    if (folder.empty())
        folder = L"C:\\";
    if (Prompt().PickFolder(folder, L"Select a search location: "))
        SetWindowTextOf(controls_.ComboBoxSearchLocation, folder);
}

void TMainForm::CheckBoxSearchForDateTimeClick() {
    const TMainControls& c = controls_;
    const BOOL enabled = IsChecked(c.CheckBoxSearchForDateTime);
    for (HWND control :
         {c.RadioButtonDSNewerThan, c.RadioButtonDSOlderThan, c.RadioButtonDSBetween, c.ComboBoxDTUnits,
          c.DateTimePickerBegin, c.DateTimePickerEnd, c.EditDTCount, c.UpDownDTCount})
        EnableWindow(control, enabled);
    const bool marked = IsChecked(c.CheckBoxSearchForDateTime) || IsChecked(c.CheckBoxSearchForSize);
    SetTabCaption(c.PageControl, 1, marked ? L"Date and Size *" : L"Date and Size");
}

void TMainForm::CheckBoxSearchForSizeClick() {
    const TMainControls& c = controls_;
    const BOOL enabled = IsChecked(c.CheckBoxSearchForSize);
    for (HWND control : {c.RadioButtonSZLargerThan, c.RadioButtonSZSmallerThan, c.ComboBoxSZUnits,
                         c.EditSZCount, c.UpDownSZCount})
        EnableWindow(control, enabled);
    const bool marked = IsChecked(c.CheckBoxSearchForDateTime) || IsChecked(c.CheckBoxSearchForSize);
    SetTabCaption(c.PageControl, 1, marked ? L"Date and Size *" : L"Date and Size");
}

void TMainForm::ComboBoxContainingTextChange() {
    const bool marked = !WindowText(controls_.ComboBoxContainingText).empty();
    SetTabCaption(controls_.PageControl, 2, marked ? L"Containing text *" : L"Containing text");
}

void TMainForm::FocusSearchLocation() {
    SelectPage(0);
    SetFocus(controls_.ComboBoxSearchLocation);
}

void TMainForm::FocusSearchPattern() {
    SelectPage(0);
    SetFocus(controls_.ComboBoxSearchPattern);
}

// The up-down keeps its last valid position when its box holds something else: the box
// shows the number that is searched instead.
void TMainForm::ClampCountEdits() {
    for (const auto& [edit, upDown] : {std::pair{controls_.EditDTCount, controls_.UpDownDTCount},
                                       std::pair{controls_.EditSZCount, controls_.UpDownSZCount}}) {
        // Rewriting a box repaints it: under Wine a millisecond, at every search.
        const std::wstring text = WindowText(edit);
        const int count = CountFromText(text);
        if (UpDownPosition(upDown) != count)
            SetUpDownPosition(upDown, count);
        if (const std::wstring shown = std::to_wstring(count); text != shown)
            SetWindowTextOf(edit, shown);
    }
}

void TMainForm::SetChangeMonitoring(bool enabled) {
    ChangeMonitoringEnabled = enabled;
    EnableShellChangeNotifier(enabled);
}

void TMainForm::RewriteCountEdits() {
    SetWindowTextOf(controls_.EditDTCount, std::to_wstring(UpDownPosition(controls_.UpDownDTCount)));
    SetWindowTextOf(controls_.EditSZCount, std::to_wstring(UpDownPosition(controls_.UpDownSZCount)));
}

void TMainForm::SearchStarted() {
    ResetWalkPace();
    shellInfo_.Clear();
    // Focused before the clicked Search button is disabled, the list takes the focus from it
    // in one change rather than after the focus was lost.
    SetFocus(controls_.ListViewResults);
    SetSearchButtons(false);
    SortColumn = -1;
    SortAscending = true;
    TotalSelectedFiles = 0;
    TotalSelectedSize = 0;
    ClearResultRows();
    UpdateActionStates();
    UpdateStatusBar(1, 1, 1);
    WatchSearchLocation();
}

void TMainForm::SearchFinished() {
    FlushResultRowCount();
    ResetWalkPace();
    UpdateActionStates();
    UpdateStatusBar(2, 2, 2);
    // A disabled Stop would keep the focus from Enter and Tab.
    const bool stopFocused = GetFocus() == controls_.BtnStop;
    SetSearchButtons(true);
    if (focusedControl_ == controls_.BtnStop)
        focusedControl_ = controls_.BtnSearch;
    if (stopFocused)
        SetFocus(controls_.BtnSearch);
    SearchWalkEnded();
}

// The walk's status texts, the row count and the handling of messages follow the walk at
// a bounded rate (src/results/MainFormProgress.cpp).
void TMainForm::SetStatusText(int panel, const std::wstring& text) {
    ShowWalkProgress(panel, text);
}

void TMainForm::ResultCountChanged(int) {
    KeepPaceWithWalk();
}

void TMainForm::ProcessMessages() {
    KeepPaceWithWalk();
    PumpDuringWalk();
}

} // namespace quarrow
