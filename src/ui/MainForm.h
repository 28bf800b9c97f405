#pragma once
// The program's main window: the criteria on four tabs, the Search, Stop and Reset buttons,
// the results list and the status bar. It owns the results, the settings, the lists and the
// search engine, and routes every command through one action list. Its members are defined
// in the files of the subsystems they belong to.

#include "base/Handles.h"
#include "search/SearchEngine.h"
#include "search/ShellItem.h"
#include "settings/Settings.h"
#include "shell/Vantor.h"
#include "ui/Actions.h"
#include "ui/WinPrompt.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <memory>
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

    // Actions and menus (src/ui/MainFormMenus.cpp).
    bool ActionEnabled(TActionId id) const { return actionEnabled_[static_cast<size_t>(id)]; }
    void SetActionEnabled(TActionId id, bool enabled);
    void ExecuteAction(TActionId id);
    void ActionFileExitExecute();
    HMENU MainMenu() const { return mainMenu_; }
    HMENU PopupActionMenuFull() const { return popupMenu_.Get(); }

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

private:
    friend LRESULT CALLBACK MainFormWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK MainFormPageProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK MainFormControlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    friend bool MainFormFilterMessage(MSG&);

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
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    void OnWindowPosChanging(WINDOWPOS& position) const;
    void OnDpiChanged(int dpi, const RECT& suggested);
    void ReportError(const std::exception& error);
    void FormCreate();
    void FormShow();
    void FormDestroy();

    // Controls, layout, fonts and pictures (src/ui/MainFormLayout.cpp).
    void CreateControls();
    HWND CreateTabSheet();
    void LayoutControls();
    void LayoutTabSheets();
    void FormResize();
    void ApplyUIFont();
    void CreateImageLists();
    void PlaceStatusImages();
    void InitialiseControlValues();
    int ReadDpi() const;

    // Menus (src/ui/MainFormMenus.cpp).
    void BuildMenus();
    HMENU BuildMenu(const std::vector<TMenuEntry>& entries, bool menuBar);
    bool OnMeasureMenuItem(MEASUREITEMSTRUCT& item);
    bool OnDrawMenuItem(const DRAWITEMSTRUCT& item);
    LRESULT OnMenuChar(wchar_t character, HMENU menu);
    int PictureSizeForMenus() const;

    // Results list (src/results/MainFormResults.cpp).
    void ListViewResultsData(NMLVDISPINFOW& item);
    void ListViewResultsDataHint(int startIndex, int endIndex);
    void ListViewResultsMouseDown(UINT button);
    void ShowResultsPopup();
    void SetResultRowCount(int count);

    HWND handle_ = nullptr;
    std::wstring commandLineLocation_;
    std::wstring settingsPath_;
    std::unique_ptr<IPrompt> prompt_;
    TMainControls controls_;
    std::unique_ptr<TSearchEngine> engine_;
    int dpi_ = 96;
    int uiFontSize_ = 8;
    bool shown_ = false;
    bool launching_ = false;
    bool closeRequested_ = false;
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

    struct TMenuItemData {
        std::wstring Text;
        std::wstring ShortCut;
        int ImageIndex = -1;
        bool MenuBar = false;
        bool Separator = false;
    };
    std::vector<std::unique_ptr<TMenuItemData>> menuItemData_;
    std::wstring displayText_; // the text handed to the list view for the cell it asks for
};

// Runs the message loop of the GUI thread until WM_QUIT; returns its exit code.
int RunMessageLoop();

} // namespace quarrow
