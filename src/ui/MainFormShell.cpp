// TMainForm: the commands that act on the selected results, the results list's keys and
// double click, and the change monitoring that drops results which vanished.

#include "ui/MainForm.h"

#include "base/FileSystem.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "ui/Controls.h"
#include "ui/MainFormIds.h"

#include <shellapi.h>

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace quarrow {
namespace {

constexpr wchar_t LocalHardDrives[] = L"Local Hard Drives";
constexpr UINT_PTR ResultsCheckTimer = 0x5143;
// How long one slice of the check against the disk may keep the window busy.
constexpr ULONGLONG ResultsCheckSliceMs = 15;
// How long a failed verb looks for a selected result that vanished: a cancelled delete of
// many results must not keep the window waiting.
constexpr ULONGLONG VanishedSearchMs = 200;

// Errors of the shell and of the platform inside a shell command are dropped: the shell
// reports, in its own dialogs, what the user needs to know.
template <typename F> void DroppingErrors(F command) {
    try {
        command();
    } catch (const std::exception&) {
    }
}

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsGoneFromDisk(const std::wstring& path) {
    if (GetFileAttributesW(ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Under Wine two names that differ only in case can both exist, and looking one up finds
// the other when it is gone: the record's name must be what the disk lists.
bool NameGoneFromDisk(const TShellItem& record) {
    WIN32_FIND_DATAW entry;
    const UniqueFind find(FindFirstFileW(ExtendedLengthPath(record.FullName()).c_str(), &entry));
    if (!find)
        return IsGoneFromDisk(record.FullName());
    return record.Name != entry.cFileName;
}

// A report names a record when its path is the record's, letter case aside: a location
// typed in another case than the disk's gives records in the typed case and the shell's
// reports in the disk's. A record whose case differs from the report's must also be gone.
bool ReportNames(const TShellItem& record, const std::wstring& path) {
    const std::wstring& folder = record.Folder();
    if (path.size() != folder.size() + record.Name.size())
        return false;
    const std::wstring_view pathFolder = std::wstring_view(path).substr(0, folder.size());
    const std::wstring_view pathName = std::wstring_view(path).substr(folder.size());
    // The names differ in most records, and sooner.
    if (!SamePathIgnoreCase(pathName, record.Name) || !SamePathIgnoreCase(pathFolder, folder))
        return false;
    return (pathName == record.Name && pathFolder == folder) || NameGoneFromDisk(record);
}

bool KeyIsDown(int key) {
    return GetKeyState(key) < 0;
}

// Keys, clicks and the keyboard's menu: what the user aims at a row.
bool IsInputForRows(UINT message) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
    case WM_CONTEXTMENU:
        return true;
    default:
        return false;
    }
}

} // namespace

// --- Commands on the selected results

int TMainForm::FirstSelectedRow() {
    ShowPendingRemovals();
    const int row = ListView_GetNextItem(controls_.ListViewResults, -1, LVNI_SELECTED);
    return row >= 0 && row < IDList.Count() ? row : -1;
}

// A verb that the shell could not carry out may have met a result that vanished after the
// search (Copy would then leave the clipboard as it was): the user is told.
void TMainForm::InvokeVerbOnSelection(const wchar_t* verb) {
    bool done = false;
    DroppingErrors([&] { done = Vantor->InvokeVerb(verb); });
    if (done)
        return;
    // The verb may have let removals in: the rows must be the records' again.
    ShowPendingRemovals();
    const HWND list = controls_.ListViewResults;
    const ULONGLONG end = GetTickCount64() + VanishedSearchMs;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0 && row < IDList.Count();
         row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
        if (!StillOnDisk(GetResult(row).FullName()) || GetTickCount64() > end)
            return;
    }
}

// A result gone from the disk is reported, and the check against the disk drops it and any
// other that went with it.
bool TMainForm::StillOnDisk(const std::wstring& path) {
    if (!IsGoneFromDisk(path))
        return true;
    ShowInformation(Prompt(),
                    L"\"" + path + L"\" can no longer be found. It was moved or deleted after the search.");
    CheckResultsOnDisk();
    return false;
}

void TMainForm::ActionActionOpenExecute() {
    if (ActOnExactPaths(TActionId::ActionActionOpen))
        return;
    InvokeVerbOnSelection(L"default");
}

void TMainForm::ActionActionCopyExecute() {
    if (ActOnExactPaths(TActionId::ActionActionCopy))
        return;
    InvokeVerbOnSelection(L"copy");
}

void TMainForm::ActionActionCutExecute() {
    if (ActOnExactPaths(TActionId::ActionActionCut))
        return;
    InvokeVerbOnSelection(L"cut");
}

void TMainForm::ActionActionDeleteExecute() {
    if (ActOnExactPaths(TActionId::ActionActionDelete))
        return;
    InvokeVerbOnSelection(L"delete");
}

void TMainForm::ActionActionPropertiesExecute() {
    if (ActOnExactPaths(TActionId::ActionActionProperties))
        return;
    InvokeVerbOnSelection(L"properties");
}

void TMainForm::ActionActionOpenContainingFolderExecute() {
    const int row = FirstSelectedRow();
    if (row < 0 || !StillOnDisk(GetResult(row).FullName()))
        return;
    const std::wstring& folder = GetResult(row).Folder();
    const std::wstring target = PathForPrograms(
        folder.size() > 3 ? folder.substr(0, folder.size() - 1) : folder, L"cannot be opened");
    if (target.empty())
        return;
    DroppingErrors([&] { ShellExecuteW(handle_, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL); });
}

void TMainForm::ActionActionRenameExecute() {
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    // The list edits a label only while it has the focus.
    SetFocus(controls_.ListViewResults);
    ListView_EditLabel(controls_.ListViewResults, row);
}

void TMainForm::ActionActionEditExecute() {
    const int row = FirstSelectedRow();
    if (row >= 0)
        EditFile(GetResult(row));
}

// The path is quoted, so that a path with blanks reaches the editor as one argument.
void TMainForm::EditFile(const TShellItem& record) {
    if (!IsExistingFile(Settings.Editor)) {
        ShowInformation(Prompt(), L"The editor could not be found.");
        return;
    }
    // The editor would offer to make a new file in its place.
    if (!StillOnDisk(record.FullName()))
        return;
    const std::wstring path = PathForPrograms(record.FullName(), L"cannot be opened in the editor");
    if (path.empty())
        return;
    const std::wstring parameters = L"\"" + path + L"\"";
    DroppingErrors([&] {
        ShellExecuteW(handle_, L"open", Settings.Editor.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    });
}

// --- The results list's keys

LRESULT CALLBACK ResultsListKeysProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data) {
    auto* form = reinterpret_cast<TMainForm*>(data);
    try {
        if (IsInputForRows(message))
            form->ShowPendingRemovals();
        switch (message) {
        case WM_GETDLGCODE:
            // Enter opens the result rather than pressing the window's default button.
            if (AsksAboutEnter(lParam))
                return DefSubclassProc(list, message, wParam, lParam) | DLGC_WANTMESSAGE;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (form->ListViewResultsKeyDown(wParam, (HIWORD(lParam) & KF_ALTDOWN) != 0))
                return 0;
            break;
        case WM_KEYUP:
            // The popup opened when the menu key went down.
            if (wParam == VK_APPS)
                return 0;
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
            // The characters of the shortcuts above (Enter, Ctrl+A, Ctrl+C, Ctrl+X) would
            // otherwise start the list's incremental search or a beep.
            if (wParam == L'\r' || wParam == 0x01 || wParam == 0x03 || wParam == 0x18)
                return 0;
            break;
        case WM_CONTEXTMENU:
            if (lParam == -1) {
                form->ShowResultsPopupAtFocusedRow();
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(list, ResultsListKeysProc, id);
            break;
        default:
            break;
        }
    } catch (const std::exception& error) {
        form->ReportError(error);
        return 0;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

void TMainForm::InstallResultsListKeys() {
    SetWindowSubclass(controls_.ListViewResults, ResultsListKeysProc, SubclassResultsListKeys,
                      reinterpret_cast<DWORD_PTR>(this));
}

bool TMainForm::ListViewResultsKeyDown(WPARAM key, bool alt) {
    const bool control = KeyIsDown(VK_CONTROL);
    const bool shift = KeyIsDown(VK_SHIFT);
    if (alt) {
        if (key != VK_RETURN || control || shift)
            return false;
        ExecuteAction(TActionId::ActionActionProperties);
        return true;
    }
    // Kept from the default handling, which would also open the menu bar when F10 comes up.
    if ((key == VK_F10 && shift && !control) || key == VK_APPS) {
        ShowResultsPopupAtFocusedRow();
        return true;
    }
    TActionId action;
    if (key == VK_RETURN && !control && !shift)
        action = TActionId::ActionActionOpen;
    else if (key == VK_DELETE && !control && !shift)
        action = TActionId::ActionActionDelete;
    else if (key == VK_F2 && !control && !shift)
        action = TActionId::ActionActionRename;
    else if (key == 'A' && control && !shift)
        action = TActionId::ActionActionSelectAll;
    else if (key == 'C' && control && !shift)
        action = TActionId::ActionActionCopy;
    else if (key == 'X' && control && !shift)
        action = TActionId::ActionActionCut;
    else
        return false;
    ExecuteAction(action);
    return true;
}

// The keyboard's popup (Shift+F10, the menu key) opens below the focused row, after the
// same refresh as a right click.
void TMainForm::ShowResultsPopupAtFocusedRow() {
    const HWND list = controls_.ListViewResults;
    SelectionChanged();
    UpdateActionStates();
    UpdateStatusBar(3, 4, 4);
    int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    if (row < 0)
        row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    POINT at{0, 0};
    RECT item{};
    if (row >= 0 && ListView_GetItemRect(list, row, &item, LVIR_LABEL)) {
        at.x = item.left;
        at.y = item.bottom;
    }
    ClientToScreen(list, &at);
    TrackPopupMenuEx(popupMenu_.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, handle_,
                     nullptr);
}

// --- Change monitoring

void TMainForm::CreateShellChangeNotifier() {
    ShellChangeNotifier = std::make_unique<TKelShellChangeNotifier>();
    ShellChangeNotifier->OnChange = [this](TKelShellChangeNotifier& sender, TNotificationEvent event,
                                           const std::wstring& path1, const std::wstring& path2) {
        ShellChangeNotifierChange(sender, event, path1, path2);
    };
    ShellChangeNotifier->OnChangesLost = [this] { CheckResultsOnDisk(); };
}

void TMainForm::DestroyShellChangeNotifier() {
    StopResultsCheck();
    ShellChangeNotifier.reset();
}

void TMainForm::EnableShellChangeNotifier(bool enabled) {
    if (!ShellChangeNotifier)
        return;
    if (!enabled) {
        // What is still waiting describes results that are about to be replaced.
        ++resultsGeneration_;
        diskCheckSeconds_ = -1;
        removalsUnshown_ = false;
        StopResultsCheck();
        ShellChangeNotifier->DropPendingDeliveries();
        ShellChangeNotifier->SetEnabled(false);
        // A launch replaces the watch itself, and keeps it for the same location.
        if (!launching_)
            ShellChangeNotifier->CloseFileSystemWatch();
        return;
    }
    ShellChangeNotifier->SetEventFilter(
        NotificationEvents({neFileDelete, neFileRename, neFolderDelete, neFolderRename}));
    ShellChangeNotifier->SetEnabled(true);
}

// The watch opens before the walk lists the first folder: under Wine a recursive watch
// sees only the sub-folders listed after it began. Its reports wait until the end of the
// walk turns the notifier on.
void TMainForm::WatchSearchLocation() {
    if (!ShellChangeNotifier)
        return;
    const std::wstring location = WindowText(controls_.ComboBoxSearchLocation);
    std::vector<std::wstring> roots;
    if (location == LocalHardDrives)
        roots = engine_->FixedDriveList;
    else if (const std::wstring full = ExpandNamedPath(location); !full.empty())
        roots.push_back(IncludeTrailingBackslash(full));
    ShellChangeNotifier->OpenFileSystemWatch(roots);
}

// A walk that found nothing leaves monitoring off, and then the watch closed.
void TMainForm::SearchWalkEnded() {
    if (ShellChangeNotifier && IDList.Empty())
        ShellChangeNotifier->CloseFileSystemWatch();
}

// The row count and the focus are brought in line later (ShowRemovalsWhenDue); until then
// the rows the list paints are the records', and the focused record's row is followed.
void TMainForm::RemoveResultAt(int index) {
    RemoveResultsAt({index});
}

void TMainForm::RemoveResultsAt(const std::vector<int>& rows) {
    if (rows.empty())
        return;
    const HWND list = controls_.ListViewResults;
    if (!removalsUnshown_) {
        focusAfterRemovals_ = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
        focusedRecordGone_ = false;
    }
    removalsUnshown_ = true;
    // The selection goes at once: its rows are about to name other records.
    if (TListViewDirect(list).SelectedCount() > 0) {
        TSelectionSync sync(*this);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    }
    // A position after removed rows moves up by their number.
    const auto below = [&rows](int position) {
        return static_cast<int>(std::lower_bound(rows.begin(), rows.end(), position) - rows.begin());
    };
    for (const int row : rows) {
        if (&IDList[row] == renamedRecord_)
            CancelRename();
    }
    TIDList::Storage& records = IDList.Items();
    size_t kept = static_cast<size_t>(rows.front());
    size_t next = 0;
    for (size_t at = kept; at < records.size(); ++at) {
        if (next < rows.size() && static_cast<size_t>(rows[next]) == at) {
            ++next;
            continue;
        }
        records[kept++] = std::move(records[at]);
    }
    records.resize(kept);
    if (resultsCheckNext_ > 0)
        resultsCheckNext_ -= below(resultsCheckNext_);
    for (int* scan : changeScans_)
        *scan -= below(*scan);
    if (focusAfterRemovals_ >= 0) {
        if (std::binary_search(rows.begin(), rows.end(), focusAfterRemovals_))
            focusedRecordGone_ = true;
        focusAfterRemovals_ -= below(focusAfterRemovals_);
    }
    // The rows on screen from the first removed one on now show other records.
    if (rows.front() <= ListView_GetTopIndex(list) + ListView_GetCountPerPage(list))
        InvalidateRect(list, nullptr, FALSE);
}

void TMainForm::ShowPendingRemovals() {
    if (removalsUnshown_)
        ShowResultsRemoved();
}

void TMainForm::ShowResultsRemoved() {
    removalsUnshown_ = false;
    removalsShownAt_ = GetTickCount64();
    const HWND list = controls_.ListViewResults;
    {
        TSelectionSync sync(*this);
        // Every row from the removed one on changes: redraw them all.
        ListView_SetItemCountEx(list, IDList.Count(), LVSICF_NOSCROLL);
        shownRowCount_ = IDList.Count();
        rowCountSetAt_ = removalsShownAt_;
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        // The focus stays with its record, or goes to the one that took the place of it.
        const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
        const int focus = std::min(focusAfterRemovals_, IDList.Count() - 1);
        if (focusAfterRemovals_ >= 0 && (focus != focused || focusedRecordGone_)) {
            if (focused >= 0)
                ListView_SetItemState(list, focused, 0, LVIS_FOCUSED);
            if (focus >= 0) {
                ListView_SetItemState(list, focus, LVIS_FOCUSED, LVIS_FOCUSED);
                ListView_SetSelectionMark(list, focus);
            }
        }
        focusAfterRemovals_ = -1;
        focusedRecordGone_ = false;
    }
    MoveRenameEditWithItsRecord();
    SelectionChanged();
    UpdateActionStates();
    UpdateStatusBar(3, 3, 3);
    SchedulePreviewOfFocus();
}

// Removes the first result that `path1` names. Messages are handled between comparisons,
// so deliveries, the disk check, a new search or closing the window can run in between: the
// walk's position moves with the records that they remove, and the walk stops at the list's
// current end and when the results were replaced. Under Wine handling messages costs fifty
// comparisons' time, so it is done once per ChangeHandlerPumpIntervalMs. A burst of reports
// is left to the check against the disk (DiskCheckAfterPendingReports).
void TMainForm::ShellChangeNotifierChange(TKelShellChangeNotifier&, TNotificationEvent,
                                          const std::wstring& path1, const std::wstring&) {
    if (handle_ == nullptr)
        return;
    if (ShellChangeNotifier && DiskCheckAfterPendingReports > 0 &&
        ShellChangeNotifier->PendingDeliveries() >= DiskCheckAfterPendingReports &&
        DiskCheckCheaperThan(ShellChangeNotifier->PendingDeliveries())) {
        ShellChangeNotifier->DropPendingDeliveries();
        if (CheckingResultsOnDisk())
            resultsCheckAgain_ = true;
        else
            CheckResultsOnDisk();
        return;
    }
    const unsigned generation = resultsGeneration_;
    struct TScan {
        std::vector<int*>& scans;
        int next = 0;
        explicit TScan(std::vector<int*>& all) : scans(all) { scans.push_back(&next); }
        TScan(const TScan&) = delete;
        TScan& operator=(const TScan&) = delete;
        ~TScan() { std::erase(scans, &next); }
    } scan(changeScans_);
    ULONGLONG lastPump = GetTickCount64();
    while (scan.next < IDList.Count()) {
        if (ReportNames(GetResult(scan.next), path1)) {
            RemoveResultAt(scan.next);
            break;
        }
        ++scan.next;
        if (ChangeHandlerPumpIntervalMs > 0 && GetTickCount64() - lastPump < ChangeHandlerPumpIntervalMs)
            continue;
        ProcessMessages();
        lastPump = GetTickCount64();
        if (handle_ == nullptr || generation != resultsGeneration_)
            return;
    }
    ShowRemovalsWhenDue();
}

// Each waiting report walks through the results, comparing names; the check against the
// disk looks each result up once. A few results are looked up to learn what that costs
// where these results are, once for each search.
bool TMainForm::DiskCheckCheaperThan(size_t pendingReports) {
    if (diskCheckSeconds_ < 0 && !IDList.Empty()) {
        const int samples = std::min(8, IDList.Count());
        LARGE_INTEGER frequency{}, start{}, end{};
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        for (int i = 0; i < samples; ++i)
            IsGoneFromDisk(GetResult(i * (IDList.Count() / samples)).FullName());
        QueryPerformanceCounter(&end);
        diskCheckSeconds_ = static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart) / samples;
    }
    return static_cast<double>(pendingReports) * ReportComparisonSeconds >= diskCheckSeconds_;
}

// A burst of removals (a folder deleted elsewhere) is shown once its deliveries have run,
// or every RemovalsShowIntervalMs.
void TMainForm::ShowRemovalsWhenDue() {
    if (!removalsUnshown_)
        return;
    const bool more = ShellChangeNotifier && ShellChangeNotifier->PendingDeliveries() > 0;
    if (more && GetTickCount64() - removalsShownAt_ < RemovalsShowIntervalMs)
        return;
    ShowResultsRemoved();
}

void CALLBACK ResultsCheckTimerProc(HWND window, UINT, UINT_PTR, DWORD) {
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr)
        return;
    try {
        form->CheckNextResultsSlice();
    } catch (const std::exception& error) {
        form->StopResultsCheck();
        form->ReportError(error);
    }
}

void TMainForm::CheckResultsOnDisk() {
    if (handle_ == nullptr || !ChangeMonitoringEnabled)
        return;
    resultsCheckNext_ = 0;
    resultsCheckAgain_ = false;
    SetTimer(handle_, ResultsCheckTimer, USER_TIMER_MINIMUM, ResultsCheckTimerProc);
}

void TMainForm::StopResultsCheck() {
    resultsCheckNext_ = -1;
    resultsCheckAgain_ = false;
    if (handle_ != nullptr)
        KillTimer(handle_, ResultsCheckTimer);
}

void TMainForm::CheckNextResultsSlice() {
    if (resultsCheckNext_ < 0 || !ChangeMonitoringEnabled) {
        StopResultsCheck();
        return;
    }
    const ULONGLONG end = GetTickCount64() + ResultsCheckSliceMs;
    std::vector<int> gone;
    // A folder deleted elsewhere takes its many results with it: once one of them is found
    // gone with its folder, the others are not looked up one by one.
    std::unordered_set<const std::wstring*> goneFolders;
    int next = resultsCheckNext_;
    for (; next < IDList.Count() && GetTickCount64() < end; ++next) {
        const TShellItem& record = GetResult(next);
        const std::wstring* folder = record.FolderText.get();
        const bool folderGone = goneFolders.contains(folder);
        if (folderGone || IsGoneFromDisk(record.FullName())) {
            gone.push_back(next);
            if (!folderGone && IsGoneFromDisk(*folder))
                goneFolders.insert(folder);
        }
    }
    resultsCheckNext_ = next;
    RemoveResultsAt(gone);
    const bool passEnded = resultsCheckNext_ >= IDList.Count();
    if (passEnded) {
        if (resultsCheckAgain_) {
            resultsCheckAgain_ = false;
            resultsCheckNext_ = 0;
        } else {
            StopResultsCheck();
        }
    }
    // Setting the row count is slow under Wine: a long check shows its removals at the
    // interval of a burst of reports.
    if (removalsUnshown_ && (passEnded || GetTickCount64() - removalsShownAt_ >= RemovalsShowIntervalMs))
        ShowResultsRemoved();
}

} // namespace quarrow
