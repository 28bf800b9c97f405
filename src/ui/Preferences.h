#pragma once
// The Preferences dialog: the four user preferences of the settings file on three tabs, and
// the clearing of the search histories. Made once with the main window, which owns it, and
// shown modally as often as the user asks.

#include "base/Handles.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>

namespace quarrow {

class TMainForm;

struct TPreferencesControls {
    HWND PageControl = nullptr;
    std::array<HWND, 3> TabSheets{};   // General, Privacy, Editor
    std::array<HWND, 3> TabPictures{}; // one 32 x 32 picture at the top left of each sheet
    HWND CheckBoxSavePositionAndSize = nullptr;
    HWND CheckBoxShowTypeInsteadOfExtension = nullptr;
    HWND CheckBoxSaveSearchData = nullptr;
    HWND CheckBoxExplorerMenu = nullptr; // "Search with Quarrow" on Explorer's folder menus
    HWND ButtonClearSearchDataNow = nullptr;
    HWND LabelEditor = nullptr;
    HWND EditEditor = nullptr;
    HWND BitBtnOpenFolderDialog = nullptr;
    HWND ButtonOK = nullptr;
    HWND ButtonCancel = nullptr;
    HWND ButtonApply = nullptr;
    HWND Hints = nullptr;
};

class TPreferencesForm {
public:
    explicit TPreferencesForm(TMainForm& owner);
    ~TPreferencesForm();
    TPreferencesForm(const TPreferencesForm&) = delete;
    TPreferencesForm& operator=(const TPreferencesForm&) = delete;

    // Creates the hidden dialog (FormCreate); false when the platform refuses.
    bool Create();
    // Loads the controls (FormShow), shows the dialog over its disabled owner and returns
    // IDOK or IDCANCEL once it has closed.
    int ShowModal();
    bool Showing() const { return showing_; }

    HWND Handle() const { return handle_; }
    const TPreferencesControls& Controls() const { return controls_; }
    int ActivePage() const;
    void SelectPage(int index);

    // Handlers.
    void FormShow();
    void ControlChanged();
    void ApplyPreferences();
    void ApplyExplorerMenu(bool wanted);
    void ButtonOKClick();
    void ButtonApplyClick();
    void ButtonCancelClick();
    void ButtonClearSearchDataNowClick();
    void BitBtnOpenFolderDialogClick();

private:
    friend INT_PTR CALLBACK PreferencesFormProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK PreferencesPageProc(HWND, UINT, WPARAM, LPARAM);

    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void CreateControls();
    void LayoutControls();
    void ApplyFontAndPictures();
    void CenterOnOwner();
    void Close(int result);
    int Scale(int designed) const { return MulDiv(designed, dpi_, 96); }

    TMainForm& owner_;
    HWND handle_ = nullptr;
    TPreferencesControls controls_;
    int dpi_ = 96;
    int modalResult_ = 0;
    bool showing_ = false;
    UniqueGdiObject font_;
    std::array<UniqueIcon, 3> pagePictures_;
    UniqueIcon browseGlyph_;
};

} // namespace quarrow
