#pragma once
// The program's main window: the criteria on four tabs, the Search, Stop and Reset buttons,
// the results list and the status bar. It owns the results, the settings, the lists and the
// search engine, and routes every command through one action list. Its members are defined
// in the files of the subsystems they belong to.

#include "base/Handles.h"
#include "results/ShellInfoCache.h"
#include "search/SearchEngine.h"
#include "search/ShellItem.h"
#include "ui/Preferences.h"
#include "settings/LaunchArguments.h"
#include "settings/Settings.h"
#include "shell/KelShellChangeNotifier.h"
#include "shell/Vantor.h"
#include "ui/About.h"
#include "results/Actions.h"
#include "ui/PreviewPane.h"
#include "ui/Splitter.h"
#include "ui/WinPrompt.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

// The window's controls, named as in the designed form.
struct TMainControls {
    HWND PageControl = nullptr;
    std::array<HWND, 4> TabSheets{}; // Files and Folders, Date and Size, Containing text, Exclude folders
    HWND BtnSearch = nullptr;
    HWND BtnStop = nullptr;
    HWND BtnReset = nullptr;
    HWND ListViewResults = nullptr;
    HWND PreviewSplitter = nullptr;
    HWND PreviewPane = nullptr;
    HWND StatusBar = nullptr;
    HWND ImageStatusGreen = nullptr;
    HWND ImageStatusRed = nullptr;
    HWND ImageStatusGray = nullptr;
    HWND Hints = nullptr;

    HWND LabelName = nullptr;
    HWND ComboBoxSearchPattern = nullptr;
    HWND LabelLocation = nullptr;
    HWND ComboBoxSearchLocation = nullptr;
    HWND BitBtnOpenFolderDialog = nullptr;
    HWND CheckBoxSearchInSubfolders = nullptr;
    HWND CheckBoxShowMatchingFilenames = nullptr;
    HWND CheckBoxShowMatchingFoldernames = nullptr;

    HWND CheckBoxSearchForDateTime = nullptr;
    HWND GroupBoxDateTime = nullptr;
    HWND RadioButtonDSNewerThan = nullptr;
    HWND RadioButtonDSOlderThan = nullptr;
    HWND RadioButtonDSBetween = nullptr;
    HWND EditDTCount = nullptr;
    HWND UpDownDTCount = nullptr;
    HWND ComboBoxDTUnits = nullptr;
    HWND DateTimePickerBegin = nullptr;
    HWND DateTimePickerEnd = nullptr;
    HWND CheckBoxSearchForSize = nullptr;
    HWND GroupBoxSize = nullptr;
    HWND RadioButtonSZLargerThan = nullptr;
    HWND RadioButtonSZSmallerThan = nullptr;
    HWND EditSZCount = nullptr;
    HWND UpDownSZCount = nullptr;
    HWND ComboBoxSZUnits = nullptr;

    HWND LabelContainingText = nullptr;
    HWND ComboBoxContainingText = nullptr;
    HWND CheckBoxCTCaseSensitive = nullptr;
    HWND CheckBoxCTIgnoreExecutableFiles = nullptr;
    HWND CheckBoxCTIgnoreMediaFiles = nullptr;

    HWND CheckBoxExcludeFolders = nullptr;
    HWND GroupBoxExcludeFolders = nullptr;
    HWND ListViewExcludeFolders = nullptr;
    HWND BtnSFAdd = nullptr;
    HWND BtnSFRemove = nullptr;
    HWND BtnSFSuggest = nullptr;
    HWND BtnSFClear = nullptr;
};

struct TImageListTraits {
    using Type = HIMAGELIST;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::ImageList_Destroy(h); }
};
using UniqueImageList = UniqueResource<TImageListTraits>;

struct TAcceleratorTraits {
    using Type = HACCEL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyAcceleratorTable(h); }
};
using UniqueAccelerators = UniqueResource<TAcceleratorTraits>;

class TMainForm : public ISearchHost {
public:
    // `commandLineLocation` is the program's first argument; the first display selects it.
    explicit TMainForm(std::wstring commandLineLocation = {});
    // The first display fills the criteria from the command line and, when it asks, searches.
    explicit TMainForm(TLaunchArguments arguments);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Creates the window (FormCreate); false when the platform refuses. It stays hidden
    // until Show, whose first call runs FormShow.
    bool Create();
    void Show(int showCommand);
    HWND Handle() const { return handle_; }
    const TMainControls& Controls() const { return controls_; }

    // Every modal interaction goes through this prompt; tests replace it.
    IPrompt& Prompt() override { return *prompt_; }
    void SetPrompt(std::unique_ptr<IPrompt> prompt) { prompt_ = std::move(prompt); }

    // The search (src/search/MainFormSearch.cpp).
    void BtnSearchClick();
    void BtnStopClick();
    void BtnResetClick();
    void BitBtnOpenFolderDialogClick();
    void CheckBoxSearchForDateTimeClick();
    void CheckBoxSearchForSizeClick();
    void ComboBoxContainingTextChange();
    TSearchEngine& Engine() { return *engine_; }
    // Tools > Not Searched...: the dialog that lists what the last search left out.
    void ActionToolsNotSearchedExecute();
    bool SearchRunning() const { return launching_; }

    // Results, action states and status bar (src/results/MainFormResults.cpp).
    const TShellItem& GetResult(int index) const { return IDList[index]; }
    void UpdateActionStates();
    void UpdateStatusBar(int infoMode, int countMode, int lightMode);
    void ResetResults(bool keepLocation);
    void SetSearchButtons(bool idle);
    void SelectionChanged();
    // The count fields' key filter: clears `key` unless it is a digit or backspace.
    void EditKeyPress(wchar_t& key);

    // Selection, sorting, in-place rename and the row count's pacing
    // (src/results/MainFormSelection.cpp, MainFormSorting.cpp, MainFormProgress.cpp).
    void SelectResults(bool invert);
    void ActionActionSelectAllExecute();
    void ActionActionInvertSelectionExecute();
    void ListViewResultsColumnClick(int column);
    void StoreSelection();
    void RestoreSelection();
    void ListViewResultsDblClick();
    // The end of an in-place rename of the record at `row` to `text` (a cancelled edit does
    // not come here).
    void ListViewResultsEdited(int row, const std::wstring& text);
    // The record an open in-place edit renames; null when no edit is open.
    const TShellItem* RecordBeingRenamed() const { return renamedRecord_; }
    // Every change of the list's selection asks for one hand-over, run from a posted message;
    // commands run a pending one first, so that they act on the current selection.
    void ScheduleSelectionHandOver();
    void FlushSelectionHandOver();
    // Makes the list's row count equal to the records' count now.
    void FlushResultRowCount();

    // History lists and excluded folders (src/ui/MainFormLists.cpp).
    void UpdateSearchPatternHistory(const std::wstring& text) override;
    void UpdateSearchLocationHistory(const std::wstring& location) override;
    void UpdateContainingTextHistory(const std::wstring& text) override;
    void UpdateExcludeFoldersList(const std::wstring& folderPath);
    void UpdateExcludeFoldersTab();
    void CheckBoxExcludeFoldersClick();

    // The settings file, read at creation and written at destruction.
    void LoadSettings();
    void SaveSettings();

    // Excluded-folder commands on the fourth tab (src/ui/MainFormLists.cpp).
    void ListViewExcludeFoldersChange(const NMLISTVIEW& change);
    void BtnSFAddClick();
    void BtnSFRemoveClick();
    void BtnSFSuggestClick();
    void BtnSFClearClick();

    // The Preferences dialog (src/settings/MainFormPreferences.cpp). The dialog is made by
    // Create and reused; it sets PreferencesHaveBeenChanged when it applies something.
    void ActionToolsPreferencesExecute();
    // Brings the Type column of the results already listed in line with the setting.
    void ShowTypeInsteadOfExtensionChanged();
    TPreferencesForm& PreferencesForm() { return *preferencesForm_; }
    bool PreferencesHaveBeenChanged = false;

    // Actions and menus (src/ui/MainFormMenus.cpp).
    bool ActionEnabled(TActionId id) const { return actionEnabled_[static_cast<size_t>(id)]; }
    void SetActionEnabled(TActionId id, bool enabled);
    bool ActionChecked(TActionId id) const { return actionChecked_[static_cast<size_t>(id)]; }
    void SetActionChecked(TActionId id, bool checked);
    void ExecuteAction(TActionId id);
    void ActionFileExitExecute();
    HMENU MainMenu() const { return mainMenu_; }
    HMENU PopupActionMenuFull() const { return popupMenu_.Get(); }

    // Export (src/results/MainFormExport.cpp).
    void ExportToClipboard(bool onlySelected);
    void ExportToFile(bool asCsv);
    void ActionExportSelectedItemsToClipboardExecute();
    void ActionExportAlltemsToClipboardExecute();
    void ActionExportAlltemsToTextFileExecute();
    void ActionExportAlltemsToCommaDelimitedFileExecute();

    // Help and the About box (src/ui/MainFormHelp.cpp).
    void ActionHelpHelpExecute();
    void ActionHelpAboutExecute();
    TAboutForm* AboutForm() const { return aboutForm_.get(); }
    // Commands on the selected results, the results list's keys and change monitoring
    // (src/shell/MainFormShell.cpp).
    void ActionActionOpenExecute();
    void ActionActionOpenContainingFolderExecute();
    void ActionActionCopyExecute();
    void ActionActionCutExecute();
    void ActionActionDeleteExecute();
    void ActionActionRenameExecute();
    void ActionActionEditExecute();
    void ActionActionPropertiesExecute();
    // Starts the editor on the result (the Edit command's work).
    void EditFile(const TShellItem& record);
    void ShellChangeNotifierChange(TKelShellChangeNotifier& sender, TNotificationEvent event,
                                   const std::wstring& path1, const std::wstring& path2);
    // The change handler's walk handles messages at this interval; 0: after every comparison.
    unsigned ChangeHandlerPumpIntervalMs = 10;
    // Setting the list's row count is slow under Wine: while deliveries wait, removals are
    // shown at this interval (milliseconds).
    unsigned RemovalsShowIntervalMs = 100;
    // With at least this many reports waiting (a large folder deleted elsewhere), they are
    // dropped and every result is checked against the disk instead, where that costs less
    // than their walks through the results (on a local disk, a check costs about as much as
    // two hundred comparisons; on a slow share, far more). 0: never.
    size_t DiskCheckAfterPendingReports = 256;
    // What a report's comparison with one result costs, with its share of the removal.
    double ReportComparisonSeconds = 25e-9;
    // Drops the results that are gone from the disk, a slice at a time from a timer; run
    // when the file-system watch lost reports.
    void CheckResultsOnDisk();
    bool CheckingResultsOnDisk() const { return resultsCheckNext_ >= 0; }

    // The preview pane below the results (src/ui/MainFormPreview.cpp).
    void ActionViewPreviewPaneExecute();
    void ActionViewNextMatchExecute();
    void ActionViewPreviousMatchExecute();
    TPreviewPane& PreviewPane() { return *previewPane_; }
    // The pane shows the focused result, once the messages pending have been handled.
    void SchedulePreviewOfFocus();

    // The page control.
    int ActivePage() const;
    void SelectPage(int index);
    std::wstring TabCaption(int index) const;

    // The dots per inch the window is laid out for, and a 96-DPI length scaled to it.
    int Dpi() const { return dpi_; }
    int Scale(int designed) const { return MulDiv(designed, dpi_, 96); }

    // State shared with the other subsystems.
    TIDList IDList;
    TSettings Settings;
    TSettingsLists Lists;
    TDesignedGeometry DesignedGeometry; // the defaults of the saved geometry, as laid out
    int TotalSelectedFiles = 0;
    int64_t TotalSelectedSize = 0;
    int SortColumn = -1;
    bool SortAscending = true;
    bool ChangeMonitoringEnabled = false;
    // Shell verbs on the selected results; made at creation (needs a live ShellUnit).
    std::unique_ptr<TVantor> Vantor;
    // Reports deletions and renames while monitoring is on (src/shell/MainFormShell.cpp).
    std::unique_ptr<TKelShellChangeNotifier> ShellChangeNotifier;

private:
    friend LRESULT CALLBACK MainFormWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK MainFormPageProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK MainFormControlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    friend bool MainFormFilterMessage(MSG&);
    friend LRESULT CALLBACK ResultsListKeysProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    friend void CALLBACK ResultsCheckTimerProc(HWND, UINT, UINT_PTR, DWORD);
    friend bool SwitchPreviewFocus(TMainForm&, const MSG&);

    // ISearchHost: the window's side of a search (src/search/MainFormSearch.cpp).
    void FocusSearchLocation() override;
    void SetChangeMonitoring(bool enabled) override;
    void RewriteCountEdits() override;
    void SearchStarted() override;
    void SearchFinished() override;
    void SetStatusText(int panel, const std::wstring& text) override;
    void ResultCountChanged(int count) override;
    void ProcessMessages() override;
    TSearchInput ReadSearchInput() const;

    // Hardening of the launch and of creation (src/search/MainFormSearch.cpp, src/ui/MainForm.cpp).
    void FocusSearchPattern() override;
    void ClampCountEdits();
    bool settingsLoaded_ = false; // a file never read is never written over
    bool created_ = false;        // FormCreate ran to its end

    // Message handling (src/ui/MainForm.cpp).
    LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnClose();
    void OnEndSession();
    void SaveSettingsAtExit();
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    void OnWindowPosChanging(WINDOWPOS& position) const;
    void OnDpiChanged(int dpi, const RECT& suggested);
    void ReportError(const std::exception& error);
    void FormCreate();
    void ApplySavedGeometry();
    void FormShow();
    void FormDestroy();

    // Controls, layout, fonts and pictures (src/ui/MainFormLayout.cpp).
    void CreateControls();
    HWND CreateTabSheet();
    void LayoutControls();
    void LayoutTabSheets();
    void FormResize();
    void LayoutStatusPanels();
    void ApplyUIFont();
    void CreateImageLists();
    void PlaceStatusImages();
    void InitialiseControlValues();
    int ReadDpi() const;

    // The preview pane (src/ui/MainFormPreview.cpp).
    void CreatePreviewPane();
    void ShowPreviewPane(bool shown, bool growForList = true);
    void GrowForListRows();
    void PreviewFocusedResult();
    int FocusedResultRow() const;
    void GoToMatch(bool forward);
    void GoToMatchInNextResult(bool forward);
    void DragPreviewSplitter(int top);
    // The pane's height and the list's in a client area of `height` below the top panel.
    void PreviewLayout(int top, int bottom, int width);
    std::unique_ptr<TPreviewPane> previewPane_;
    std::unique_ptr<TSplitter> previewSplitter_;
    unsigned previewGeneration_ = 0; // the resultsGeneration_ of what the pane shows
    bool previewPending_ = false;

    // Menus (src/ui/MainFormMenus.cpp).
    void BuildMenus();
    HMENU BuildMenu(const std::vector<TMenuEntry>& entries, bool menuBar);
    bool OnMeasureMenuItem(MEASUREITEMSTRUCT& item);
    bool OnDrawMenuItem(const DRAWITEMSTRUCT& item);
    LRESULT OnMenuChar(wchar_t character, HMENU menu);
    int PictureSizeForMenus() const;

    // Results list (src/results/MainFormResults.cpp).
    void ListViewResultsData(NMLVDISPINFOW& item);
    // The type-ahead of the list: the row to move to, or -1.
    int ListViewResultsFindItem(const NMLVFINDITEMW& find);
    // An in-place edit binds itself to the record of its row; true refuses the edit.
    bool ListViewResultsEditing(int row);
    void ListViewResultsEditEnded(const wchar_t* text);
    void CancelRename();
    void ListViewResultsDataHint(int startIndex, int endIndex);
    void ListViewResultsMouseDown(UINT button);
    void ShowResultsPopup();
    void SetResultRowCount(int count);

    // Export and the About box (src/results/MainFormExport.cpp, src/ui/MainFormHelp.cpp).
    void CreateAboutForm();
    bool exporting_ = false;
    std::wstring exportFileName_; // the save dialog's last file
    std::unique_ptr<TAboutForm> aboutForm_;
    // Selection, rename and pacing (src/results/MainFormSelection.cpp, MainFormProgress.cpp).
    // While one lives, the window itself is changing the selection: nothing is handed over.
    class TSelectionSync {
    public:
        explicit TSelectionSync(TMainForm& form);
        ~TSelectionSync();
        TSelectionSync(const TSelectionSync&) = delete;
        TSelectionSync& operator=(const TSelectionSync&) = delete;

    private:
        TMainForm& form_;
    };
    void HandOverSelection();
    // Empties the list control after the records have gone (search start, reset).
    void ClearResultRows();
    void ShowRenameRefusal();
    // The walk's progress texts and the row count, at a bounded rate.
    void ShowWalkProgress(int panel, const std::wstring& text);
    void KeepPaceWithWalk();
    void PumpDuringWalk();
    void ResetWalkPace();
    // Runs an action's handler whether or not the action is enabled (src/ui/MainFormMenus.cpp).
    void RunActionHandler(TActionId id);
    // Shell commands, keys and change monitoring (src/shell/MainFormShell.cpp).
    int FirstSelectedRow();
    void InvokeVerbOnSelection(const wchar_t* verb);
    // False, after a message and a check of every result against the disk, when `path` is gone.
    bool StillOnDisk(const std::wstring& path);
    // Results whose ordinary path does not name them (src/ui/MainFormExactPaths.cpp). True
    // when the command was carried out or refused here rather than by the shell.
    bool ActOnExactPaths(TActionId action);
    std::vector<std::wstring> HandedOverPaths() const;
    std::wstring PathForPrograms(const std::wstring& path, const std::wstring& refusal);
    void OpenExactly(const std::wstring& path);
    void CopyExactly(const std::vector<std::wstring>& paths, bool cut);
    void DeleteExactly(const std::vector<std::wstring>& paths);
    void RemoveResultsOf(const std::vector<std::wstring>& deleted);
    void InstallResultsListKeys();
    bool ListViewResultsKeyDown(WPARAM key, bool alt);
    void ShowResultsPopupAtFocusedRow();
    void CreateShellChangeNotifier();
    void DestroyShellChangeNotifier();
    void EnableShellChangeNotifier(bool enabled);
    void WatchSearchLocation();
    void SearchWalkEnded();
    void RemoveResultAt(int index);
    // The same for several records at once, `rows` ascending: one pass over the records.
    void RemoveResultsAt(const std::vector<int>& rows);
    void ShowResultsRemoved();
    void ShowRemovalsWhenDue();
    // Removed records leave the list's rows and selection pointing at the records that moved
    // up: whatever reads the selection or takes input brings the list in line first.
    void ShowPendingRemovals();
    void MoveRenameEditWithItsRecord();
    void CheckNextResultsSlice();
    void StopResultsCheck();
    unsigned resultsGeneration_ = 0; // counts the times the results were replaced or reset
    std::vector<int*> changeScans_;  // the next records of the change handler's walks in progress
    int resultsCheckNext_ = -1;      // the next record the check against the disk looks at
    bool resultsCheckAgain_ = false; // records it has passed may have gone since: check again
    double diskCheckSeconds_ = -1;   // what one look at the disk costs for these results; -1: not known
    bool DiskCheckCheaperThan(size_t pendingReports);
    bool removalsUnshown_ = false;   // records were removed and the list does not show it yet
    ULONGLONG removalsShownAt_ = 0;
    int focusAfterRemovals_ = -1;    // the row the focused record is at now; -1: no focus
    bool focusedRecordGone_ = false; // the focused record itself was removed
    TShellItem* renamedRecord_ = nullptr;
    int renameEditRow_ = -1; // the row the edit box stands at

    HWND handle_ = nullptr;
    TLaunchArguments launchArguments_;
    void LaunchFromCommandLine();
    std::wstring settingsPath_;
    std::unique_ptr<IPrompt> prompt_;
    TMainControls controls_;
    std::unique_ptr<TSearchEngine> engine_;
    int dpi_ = 96;
    int uiFontSize_ = 8;
    bool shown_ = false;
    bool launching_ = false;
    bool closeRequested_ = false;
    bool altShortCutUsed_ = false; // a shortcut with Alt ran since the Alt key went down
    HWND focusedControl_ = nullptr;

    UniqueGdiObject font_;
    UniqueImageList imageListMain32b_;
    UniqueImageList statusImages_;
    std::array<UniqueIcon, 4> statusIcons_;  // green, red, gray, the browse glyph
    HIMAGELIST systemSmallImages_ = nullptr; // the shell's, never freed
    HMENU mainMenu_ = nullptr;               // owned by the window
    UniqueMenu popupMenu_;
    UniqueAccelerators accelerators_;
    std::array<bool, ActionCount> actionEnabled_{};
    std::array<bool, ActionCount> actionChecked_{};

    struct TMenuItemData {
        std::wstring Text;
        std::wstring ShortCut;
        int ImageIndex = -1;
        bool MenuBar = false;
        bool Separator = false;
    };
    std::vector<std::unique_ptr<TMenuItemData>> menuItemData_;
    std::wstring displayText_; // the text handed to the list view for the cell it asks for

    // The Preferences dialog (src/settings/MainFormPreferences.cpp).
    std::unique_ptr<TPreferencesForm> preferencesForm_;
    // After an excluded-folder command (src/ui/MainFormLists.cpp).
    void EndExcludeFoldersCommand();
    void KeepExcludeFoldersFocus();
    // Selection, sorting, rename and pacing (src/results/MainFormSelection.cpp,
    // MainFormSorting.cpp, MainFormProgress.cpp).
    bool handOverPending_ = false;
    int selectionSyncDepth_ = 0; // the window itself is changing the selection
    int shownRowCount_ = 0;
    int storedSelection_ = 0;                                 // rows whose records StoreSelection marked
    ULONGLONG rowCountSetAt_ = 0;                             // tick count of the last row count set
    ULONGLONG rowCountCost_ = 0;                              // milliseconds that setting took
    std::array<std::optional<std::wstring>, 2> walkProgress_; // texts of panels 0 and 1 not shown yet
    ULONGLONG progressShownAt_ = 0;
    ULONGLONG pumpedAt_ = 0;
    std::wstring renameRefusal_;
    TShellInfoCache shellInfo_; // icons and type names of the rows, kept per type for a search
};

// Runs the message loop of the GUI thread until WM_QUIT; returns its exit code.
int RunMessageLoop();

} // namespace quarrow
