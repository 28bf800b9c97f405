// TMainForm: its controls, their layout by the DPI, the UI font and the pictures.

#include "ui/MainForm.h"

#include "ui/Controls.h"
#include "ui/MainFormIds.h"
#include "ui/Resources.h"
#include "ui/UiFont.h"

#include <algorithm>
#include <iterator>

namespace quarrow {
namespace {

enum class TAnchor {
    Left,    // X, Y, W, H
    Stretch, // X, Y, right margin W, H: follows the width of its tab sheet
    Right,   // X counted from the right edge to the left edge, Y, W, H
};

// A control on a tab sheet, at its designed place in 96-DPI pixels. A height of 0 marks a
// combo box, whose height follows its font and its 12 visible lines.
struct TChildControl {
    HWND TMainControls::*Field;
    int Sheet;
    const wchar_t* ClassName;
    const wchar_t* Text;
    DWORD Style;
    DWORD ExStyle;
    int Id;
    TAnchor Anchor;
    int X, Y, W, H;
};

constexpr DWORD Label = SS_LEFT | SS_NOPREFIX;
constexpr DWORD CheckBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD Radio = BS_AUTORADIOBUTTON;
constexpr DWORD GroupBox = BS_GROUPBOX | WS_CLIPSIBLINGS;
constexpr DWORD EditableCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD ListCombo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD CountEdit = ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
constexpr DWORD UpDown = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
constexpr DWORD Picker = DTS_SHORTDATEFORMAT | WS_TABSTOP;
constexpr DWORD Button = BS_PUSHBUTTON | WS_TABSTOP;

using C = TMainControls;
using A = TAnchor;

// In creation order, which is also the tab order. The check boxes over a group box's
// caption come before the box so that they are drawn over its frame.
const TChildControl ChildControls[] = {
    {&C::LabelName, 0, WC_STATICW, L"Name:", Label, 0, IdStatic, A::Left, 8, 8, 200, 14},
    {&C::ComboBoxSearchPattern, 0, WC_COMBOBOXW, L"", EditableCombo, 0, IdComboBoxSearchPattern, A::Stretch,
     8, 24, 8, 0},
    {&C::LabelLocation, 0, WC_STATICW, L"Location:", Label, 0, IdStatic, A::Left, 8, 54, 200, 14},
    {&C::ComboBoxSearchLocation, 0, WC_COMBOBOXW, L"", EditableCombo, 0, IdComboBoxSearchLocation, A::Stretch,
     8, 70, 39, 0},
    {&C::BitBtnOpenFolderDialog, 0, WC_BUTTONW, L"", BS_PUSHBUTTON | BS_ICON | WS_TABSTOP, 0,
     IdBitBtnOpenFolderDialog, A::Right, 33, 68, 25, 25},
    {&C::CheckBoxSearchInSubfolders, 0, WC_BUTTONW, L"Search in subfolders", CheckBox, 0,
     IdCheckBoxSearchInSubfolders, A::Left, 8, 104, 300, 17},
    {&C::CheckBoxShowMatchingFilenames, 0, WC_BUTTONW, L"Show matching file names", CheckBox, 0,
     IdCheckBoxShowMatchingFilenames, A::Left, 8, 124, 300, 17},
    {&C::CheckBoxShowMatchingFoldernames, 0, WC_BUTTONW, L"Show matching folder names", CheckBox, 0,
     IdCheckBoxShowMatchingFoldernames, A::Left, 8, 144, 300, 17},

    {&C::CheckBoxSearchForDateTime, 1, WC_BUTTONW, L"Search for files with a modified date:    ", CheckBox, 0,
     IdCheckBoxSearchForDateTime, A::Left, 16, 3, 192, 17},
    {&C::GroupBoxDateTime, 1, WC_BUTTONW, L"", GroupBox, 0, IdStatic, A::Stretch, 8, 5, 8, 89},
    {&C::RadioButtonDSNewerThan, 1, WC_BUTTONW, L"Newer than", Radio | WS_GROUP | WS_TABSTOP, 0,
     IdRadioButtonDSNewerThan, A::Left, 18, 25, 90, 17},
    {&C::RadioButtonDSOlderThan, 1, WC_BUTTONW, L"Older than", Radio, 0, IdRadioButtonDSOlderThan, A::Left,
     18, 46, 90, 17},
    {&C::RadioButtonDSBetween, 1, WC_BUTTONW, L"Between", Radio, 0, IdRadioButtonDSBetween, A::Left, 18, 68,
     90, 17},
    {&C::EditDTCount, 1, WC_EDITW, L"1", CountEdit, WS_EX_CLIENTEDGE, IdEditDTCount, A::Left, 112, 34, 72,
     21},
    {&C::UpDownDTCount, 1, UPDOWN_CLASSW, L"", UpDown, 0, IdUpDownDTCount, A::Left, 168, 34, 16, 21},
    {&C::ComboBoxDTUnits, 1, WC_COMBOBOXW, L"", ListCombo, 0, IdComboBoxDTUnits, A::Left, 192, 34, 90, 0},
    {&C::DateTimePickerBegin, 1, DATETIMEPICK_CLASSW, L"", Picker, 0, IdDateTimePickerBegin, A::Left, 112, 66,
     100, 21},
    {&C::DateTimePickerEnd, 1, DATETIMEPICK_CLASSW, L"", Picker, 0, IdDateTimePickerEnd, A::Left, 220, 66,
     100, 21},

    {&C::CheckBoxSearchForSize, 1, WC_BUTTONW, L"Search for files with a size:", CheckBox | WS_GROUP, 0,
     IdCheckBoxSearchForSize, A::Left, 16, 98, 144, 17},
    {&C::GroupBoxSize, 1, WC_BUTTONW, L"", GroupBox, 0, IdStatic, A::Stretch, 8, 100, 8, 64},
    {&C::RadioButtonSZLargerThan, 1, WC_BUTTONW, L"Larger than", Radio | WS_GROUP | WS_TABSTOP, 0,
     IdRadioButtonSZLargerThan, A::Left, 18, 120, 90, 17},
    {&C::RadioButtonSZSmallerThan, 1, WC_BUTTONW, L"Smaller than", Radio, 0, IdRadioButtonSZSmallerThan,
     A::Left, 18, 141, 90, 17},
    {&C::EditSZCount, 1, WC_EDITW, L"1", CountEdit, WS_EX_CLIENTEDGE, IdEditSZCount, A::Left, 112, 129, 72,
     21},
    {&C::UpDownSZCount, 1, UPDOWN_CLASSW, L"", UpDown, 0, IdUpDownSZCount, A::Left, 168, 129, 16, 21},
    {&C::ComboBoxSZUnits, 1, WC_COMBOBOXW, L"", ListCombo, 0, IdComboBoxSZUnits, A::Left, 192, 129, 90, 0},

    {&C::LabelContainingText, 2, WC_STATICW, L"The file contains the following text:", Label, 0, IdStatic,
     A::Left, 8, 8, 300, 14},
    {&C::ComboBoxContainingText, 2, WC_COMBOBOXW, L"", EditableCombo, 0, IdComboBoxContainingText, A::Stretch,
     8, 24, 8, 0},
    {&C::CheckBoxCTCaseSensitive, 2, WC_BUTTONW, L"Case sensitive", CheckBox, 0, IdCheckBoxCTCaseSensitive,
     A::Left, 8, 58, 380, 17},
    {&C::CheckBoxCTIgnoreExecutableFiles, 2, WC_BUTTONW,
     L"Do not search in system files like .EXE, .DLL, .SYS, etc.", CheckBox, 0,
     IdCheckBoxCTIgnoreExecutableFiles, A::Left, 8, 78, 380, 17},
    {&C::CheckBoxCTIgnoreMediaFiles, 2, WC_BUTTONW,
     L"Do not search in media files like .JPG, .AVI, .MP3, etc.", CheckBox, 0, IdCheckBoxCTIgnoreMediaFiles,
     A::Left, 8, 98, 380, 17},

    {&C::CheckBoxExcludeFolders, 3, WC_BUTTONW, L"Do not search in the following folders:", CheckBox, 0,
     IdCheckBoxExcludeFolders, A::Left, 16, 3, 200, 17},
    {&C::GroupBoxExcludeFolders, 3, WC_BUTTONW, L"", GroupBox, 0, IdStatic, A::Stretch, 8, 5, 8, 159},
    {&C::ListViewExcludeFolders, 3, WC_LISTVIEWW, L"",
     LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_TABSTOP |
         WS_GROUP,
     WS_EX_CLIENTEDGE, IdListViewExcludeFolders, A::Stretch, 18, 25, 101, 129},
    {&C::BtnSFAdd, 3, WC_BUTTONW, L"Add..", Button, 0, IdBtnSFAdd, A::Right, 93, 25, 75, 23},
    {&C::BtnSFRemove, 3, WC_BUTTONW, L"Remove", Button, 0, IdBtnSFRemove, A::Right, 93, 54, 75, 23},
    {&C::BtnSFSuggest, 3, WC_BUTTONW, L"Suggest", Button, 0, IdBtnSFSuggest, A::Right, 93, 83, 75, 23},
    {&C::BtnSFClear, 3, WC_BUTTONW, L"Clear", Button, 0, IdBtnSFClear, A::Right, 93, 112, 75, 23},
};

// With the larger font the check boxes over a group box caption are widened to fit. Where a
// substituted face is wider than the one they were measured for, they grow to their text.
struct THeaderWidth {
    HWND TMainControls::*Field;
    int Width;
};
const THeaderWidth WidenedHeaders[] = {
    {&C::CheckBoxSearchForDateTime, 214},
    {&C::CheckBoxSearchForSize, 160},
    {&C::CheckBoxExcludeFolders, 222},
};

const wchar_t* const TabCaptions[] = {L"Files and Folders", L"Date and Size", L"Containing text",
                                      L"Exclude folders"};

struct TResultColumn {
    const wchar_t* Caption;
    int Width;
    int Format;
};
const TResultColumn ResultColumns[] = {
    {L"Name", 150, LVCFMT_LEFT},          {L"Folder", 130, LVCFMT_LEFT}, {L"Size", 80, LVCFMT_RIGHT},
    {L"Date Modified", 100, LVCFMT_LEFT}, {L"Type", 50, LVCFMT_LEFT},
};

// Designed sizes of the window's own areas (96 DPI).
constexpr int PanelTopHeight = 213;
constexpr int Margin = 10;
constexpr int PanelTopRightWidth = 97;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 23;
constexpr int ButtonSpacing = 32;
constexpr int StatusPanelInfoWidth = 340;
constexpr int StatusPanelLightWidth = 46;
constexpr int StatusPanelMinInfoWidth = 150;
constexpr int StatusPanelTextMargin = 12; // the part's borders and the text's inset
constexpr int StatusImageOffset = 32;
constexpr int StatusImageTop = 3;
constexpr int StatusImageSize = 16;
constexpr int VisibleComboLines = 12;

// The width a check box needs to show its whole caption in its font.
int CheckBoxTextWidth(HWND checkBox) {
    return TextExtentIn(checkBox, WindowText(checkBox)).cx + GetSystemMetrics(SM_CXMENUCHECK) +
           2 * GetSystemMetrics(SM_CXEDGE) + 2;
}

HWND CreateButton(HWND parent, const wchar_t* text, int id) {
    return CreateChild(parent, WC_BUTTONW, text, BS_PUSHBUTTON | WS_TABSTOP, 0, id);
}

// Picks the drawn size of the pictures for the DPI: the largest that is not above 16 scaled.
int PictureSize(int dpi) {
    const int wanted = MulDiv(16, dpi, 96);
    int best = 16;
    for (int size : {16, 20, 24, 32}) {
        if (size <= wanted)
            best = size;
    }
    return best;
}

UniqueImageList LoadStrip(int firstResource, int dpi, int count) {
    const int size = PictureSize(dpi);
    const int offset = size == 16 ? 0 : size == 20 ? 1 : size == 24 ? 2 : 3;
    UniqueImageList list(ImageList_Create(size, size, ILC_COLOR32, count, 0));
    HANDLE strip = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(firstResource + offset),
                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (strip != nullptr) {
        UniqueGdiObject bitmap(strip);
        ImageList_Add(list.Get(), static_cast<HBITMAP>(bitmap.Get()), nullptr);
    }
    return list;
}

} // namespace

INT_PTR CALLBACK MainFormPageProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(sheet, DWLP_USER, lParam);
        return FALSE;
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(sheet, DWLP_USER));
    if (form == nullptr || form->handle_ == nullptr)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
        SetWindowLongPtrW(sheet, DWLP_MSGRESULT, form->Dispatch(form->handle_, message, wParam, lParam));
        return TRUE;
    default:
        return FALSE;
    }
}

// More rows than a list shows at once.
constexpr int ManyRowsChanging = 256;

LRESULT CALLBACK MainFormControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data) {
    auto* form = reinterpret_cast<TMainForm*>(data);
    if (id == SubclassCountEdit && message == WM_CHAR) {
        auto key = static_cast<wchar_t>(wParam);
        form->EditKeyPress(key);
        if (key == L'\0')
            return 0;
        wParam = key;
    }
    // A click or a moving key that may select or clear many rows (src/ui/Controls.h:
    // TRedrawSuspended). The keys of the commands are handled before they come here.
    const bool moves = message == WM_KEYDOWN && wParam >= VK_SPACE && wParam <= VK_DOWN;
    const bool manyRowsMayChange = id == SubclassResultsList &&
                                   (moves || message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) &&
                                   ((GetKeyState(VK_SHIFT) & 0x8000) != 0 ||
                                    TListViewDirect(control).SelectedCount() > ManyRowsChanging);
    if (id == SubclassResultsList && (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)) {
        // The control applies the click to its selection first.
        LRESULT result = 0;
        if (manyRowsMayChange) {
            TRedrawSuspended suspended(control);
            result = DefSubclassProc(control, message, wParam, lParam);
        } else {
            result = DefSubclassProc(control, message, wParam, lParam);
        }
        try {
            form->ListViewResultsMouseDown(message == WM_LBUTTONDOWN ? VK_LBUTTON : VK_RBUTTON);
        } catch (const std::exception& error) {
            form->ReportError(error);
        }
        return result;
    }
    if (manyRowsMayChange && message == WM_KEYDOWN) {
        TRedrawSuspended suspended(control);
        return DefSubclassProc(control, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(control, MainFormControlProc, id);
    return DefSubclassProc(control, message, wParam, lParam);
}

int TMainForm::ReadDpi() const {
    using Function = UINT(WINAPI*)(HWND);
    static const Function getDpiForWindow = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (handle_ != nullptr && getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(handle_))
            return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HWND TMainForm::CreateTabSheet() {
    // An empty child dialog: it gives the sheet the dialog's keyboard navigation and the
    // themed tab body.
    HWND sheet = CreateEmptyDialog(handle_, WS_CHILD | DS_CONTROL | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
                                   MainFormPageProc, reinterpret_cast<LPARAM>(this));
    EnableTabPageTexture(sheet);
    return sheet;
}

void TMainForm::CreateControls() {
    C& c = controls_;
    c.PageControl =
        CreateChild(handle_, WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP, 0, IdPageControl);
    for (int i = 0; i < 4; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(TabCaptions[i]);
        TabCtrl_InsertItem(c.PageControl, i, &item);
        c.TabSheets[static_cast<size_t>(i)] = CreateTabSheet();
    }
    for (const TChildControl& child : ChildControls) {
        c.*child.Field = CreateChild(c.TabSheets[static_cast<size_t>(child.Sheet)], child.ClassName,
                                     child.Text, child.Style, child.ExStyle, child.Id);
    }
    c.BtnSearch =
        CreateChild(handle_, WC_BUTTONW, L"Search", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, IdBtnSearch);
    c.BtnStop = CreateButton(handle_, L"Stop", IdBtnStop);
    c.BtnReset = CreateButton(handle_, L"Reset", IdBtnReset);
    c.ListViewResults = CreateChild(handle_, WC_LISTVIEWW, L"",
                                    LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_EDITLABELS |
                                        LVS_SHAREIMAGELISTS | WS_TABSTOP | WS_GROUP,
                                    WS_EX_CLIENTEDGE, IdListViewResults);
    c.StatusBar =
        CreateChild(handle_, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP | SBARS_TOOLTIPS, 0, IdStatusBar);
    // The status images start on the top panel, as designed, until creation moves them.
    c.ImageStatusGreen =
        CreateChild(handle_, WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE | SS_NOTIFY, 0, IdImageStatusGreen);
    c.ImageStatusRed =
        CreateChild(handle_, WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE | SS_NOTIFY, 0, IdImageStatusRed);
    c.ImageStatusGray =
        CreateChild(handle_, WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE | SS_NOTIFY, 0, IdImageStatusGray);
    c.Hints =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0,
                        0, 0, 0, handle_, nullptr, GetModuleHandleW(nullptr), nullptr);

    CreatePreviewPane();
    InitialiseControlValues();
    SelectPage(0);
    LayoutControls();
}

void TMainForm::InitialiseControlValues() {
    C& c = controls_;
    SetChecked(c.CheckBoxSearchInSubfolders, true);
    SetChecked(c.CheckBoxShowMatchingFilenames, true);
    SetChecked(c.RadioButtonDSNewerThan, true);
    SetChecked(c.RadioButtonSZLargerThan, true);
    SetChecked(c.CheckBoxCTIgnoreExecutableFiles, true);
    SetChecked(c.CheckBoxCTIgnoreMediaFiles, true);
    EnableWindow(c.BtnStop, FALSE);

    for (auto [upDown, edit] :
         {std::pair{c.UpDownDTCount, c.EditDTCount}, std::pair{c.UpDownSZCount, c.EditSZCount}}) {
        SendMessageW(upDown, UDM_SETRANGE32, 1, 10000);
        SetUpDownPosition(upDown, 1);
        SetWindowSubclass(edit, MainFormControlProc, SubclassCountEdit, reinterpret_cast<DWORD_PTR>(this));
    }
    SetComboItems(c.ComboBoxDTUnits, {L"Years", L"Months", L"Weeks", L"Days", L"Hours", L"Minutes"});
    SetComboItems(c.ComboBoxSZUnits, {L"GB", L"MB", L"KB", L"Bytes"});
    for (HWND combo : {c.ComboBoxSearchPattern, c.ComboBoxSearchLocation, c.ComboBoxContainingText,
                       c.ComboBoxDTUnits, c.ComboBoxSZUnits})
        SendMessageW(combo, CB_SETMINVISIBLE, VisibleComboLines, 0);

    ListView_SetExtendedListViewStyle(c.ListViewResults, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = const_cast<wchar_t*>(ResultColumns[i].Caption);
        column.cx = Scale(ResultColumns[i].Width);
        column.fmt = ResultColumns[i].Format;
        ListView_InsertColumn(c.ListViewResults, i, &column);
    }
    SetWindowSubclass(c.ListViewResults, MainFormControlProc, SubclassResultsList,
                      reinterpret_cast<DWORD_PTR>(this));

    LVCOLUMNW folderColumn{};
    folderColumn.mask = LVCF_TEXT | LVCF_WIDTH;
    folderColumn.pszText = const_cast<wchar_t*>(L"Folder");
    folderColumn.cx = Scale(260);
    ListView_InsertColumn(c.ListViewExcludeFolders, 0, &folderColumn);
    ListView_SetExtendedListViewStyle(c.ListViewExcludeFolders, LVS_EX_FULLROWSELECT);
}

void TMainForm::LayoutTabSheets() {
    RECT display{};
    GetClientRect(controls_.PageControl, &display);
    TabCtrl_AdjustRect(controls_.PageControl, FALSE, &display);
    MapWindowPoints(controls_.PageControl, handle_, reinterpret_cast<POINT*>(&display), 2);
    const int sheetWidth = display.right - display.left;
    for (HWND sheet : controls_.TabSheets) {
        SetWindowPos(sheet, HWND_TOP, display.left, display.top, sheetWidth, display.bottom - display.top,
                     SWP_NOACTIVATE);
    }

    for (const TChildControl& child : ChildControls) {
        HWND control = controls_.*child.Field;
        int x = Scale(child.X);
        int w = Scale(child.W);
        for (const THeaderWidth& header : WidenedHeaders) {
            if (header.Field == child.Field)
                w = std::max(Scale(uiFontSize_ == 9 ? header.Width : child.W), CheckBoxTextWidth(control));
        }
        if (child.Anchor == TAnchor::Stretch)
            w = sheetWidth - x - Scale(child.W);
        else if (child.Anchor == TAnchor::Right)
            x = sheetWidth - Scale(child.X);
        int h = Scale(child.H);
        if (child.H == 0) {
            const int field =
                static_cast<int>(SendMessageW(control, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
            const int item = static_cast<int>(SendMessageW(control, CB_GETITEMHEIGHT, 0, 0));
            h = field + 8 + VisibleComboLines * item;
        }
        SetWindowPos(control, nullptr, x, Scale(child.Y), std::max(w, 0), h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The up-down controls sit at the right edge of their buddies, which they narrow.
    SendMessageW(controls_.UpDownDTCount, UDM_SETBUDDY, reinterpret_cast<WPARAM>(controls_.EditDTCount), 0);
    SendMessageW(controls_.UpDownSZCount, UDM_SETBUDDY, reinterpret_cast<WPARAM>(controls_.EditSZCount), 0);
}

void TMainForm::LayoutControls() {
    RECT client{};
    GetClientRect(handle_, &client);
    const int width = client.right;
    const int height = client.bottom;
    const C& c = controls_;

    SendMessageW(c.StatusBar, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(c.StatusBar, &status);
    const int statusHeight = status.bottom - status.top;

    const int panelTop = Scale(PanelTopHeight);
    const int rightPanel = width - Scale(PanelTopRightWidth);
    SetWindowPos(c.PageControl, HWND_BOTTOM, Scale(Margin), Scale(Margin),
                 std::max(rightPanel - Scale(Margin), 0), panelTop - 2 * Scale(Margin), SWP_NOACTIVATE);
    const int buttonLeft = rightPanel + Scale((PanelTopRightWidth - ButtonWidth) / 2);
    int top = Scale(ButtonSpacing);
    for (HWND button : {c.BtnSearch, c.BtnStop, c.BtnReset}) {
        SetWindowPos(button, nullptr, buttonLeft, top, Scale(ButtonWidth), Scale(ButtonHeight),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        top += Scale(ButtonSpacing);
    }
    PreviewLayout(panelTop, height - statusHeight, width);
    LayoutTabSheets();
    // Everything is drawn again, parents before children: a page would otherwise paint over
    // a control that moved into the area the page gained, and group boxes and the list's
    // header would keep their old right edges.
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Keeps the middle status panel stretching and the status images at the right end.
void TMainForm::FormResize() {
    if (controls_.StatusBar == nullptr)
        return;
    LayoutControls();
    RECT status{};
    GetClientRect(controls_.StatusBar, &status);
    LayoutStatusPanels();
    SendMessageW(controls_.StatusBar, SB_SETTEXTW, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L""));
    for (HWND image : {controls_.ImageStatusGreen, controls_.ImageStatusRed, controls_.ImageStatusGray}) {
        if (GetParent(image) == controls_.StatusBar)
            SetWindowPos(image, HWND_TOP, status.right - Scale(StatusImageOffset), Scale(StatusImageTop),
                         Scale(StatusImageSize), Scale(StatusImageSize), SWP_NOACTIVATE);
    }
}

// The count panel's text is never cut: where the window is too narrow for it beside the
// information panel's designed width, the information panel gives way.
void TMainForm::LayoutStatusPanels() {
    const HWND bar = controls_.StatusBar;
    RECT status{};
    GetClientRect(bar, &status);
    const int countRight = status.right - Scale(StatusPanelLightWidth);
    const std::wstring text = StatusText(bar, 1);
    const int needed = text.empty() ? 0 : TextExtentIn(bar, text).cx + Scale(StatusPanelTextMargin);
    const int info =
        std::clamp(countRight - needed, Scale(StatusPanelMinInfoWidth), Scale(StatusPanelInfoWidth));
    int parts[3] = {info, countRight, -1};
    int current[3] = {};
    if (SendMessageW(bar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(current)) == 3 &&
        std::equal(std::begin(parts), std::end(parts), std::begin(current)))
        return;
    SendMessageW(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
}

void TMainForm::PlaceStatusImages() {
    const C& c = controls_;
    const std::pair<HWND, const wchar_t*> images[] = {
        {c.ImageStatusGreen, L"Green: " QUARROW_PRODUCT_NAME L" is idle"},
        {c.ImageStatusRed, L"Red: " QUARROW_PRODUCT_NAME L" is busy"},
        {c.ImageStatusGray, L"Gray: Found objects have been moved or deleted after the search"},
    };
    for (const auto& [image, hint] : images) {
        SetParent(image, c.StatusBar);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = c.StatusBar;
        tool.uId = reinterpret_cast<UINT_PTR>(image);
        tool.lpszText = const_cast<wchar_t*>(hint);
        SendMessageW(c.Hints, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    TTTOOLINFOW browse{};
    browse.cbSize = sizeof(browse);
    browse.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    browse.hwnd = c.TabSheets[0];
    browse.uId = reinterpret_cast<UINT_PTR>(c.BitBtnOpenFolderDialog);
    browse.lpszText = const_cast<wchar_t*>(L"Browse for Folder");
    SendMessageW(c.Hints, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&browse));
    ShowWindow(c.ImageStatusRed, SW_HIDE);
    ShowWindow(c.ImageStatusGray, SW_HIDE);
    FormResize();
}

// New pictures replace the old ones only once the controls show them.
void TMainForm::CreateImageLists() {
    UniqueImageList actions = LoadStrip(IDB_ACTIONS16, dpi_, ImageListMain32bCount);
    UniqueImageList status = LoadStrip(IDB_STATUS16, dpi_, 4);
    std::array<UniqueIcon, 4> icons;
    for (int i = 0; i < 4; ++i)
        icons[static_cast<size_t>(i)].Reset(ImageList_GetIcon(status.Get(), i, ILD_NORMAL));
    const C& c = controls_;
    const HWND images[] = {c.ImageStatusGreen, c.ImageStatusRed, c.ImageStatusGray};
    for (size_t i = 0; i < 3; ++i)
        SendMessageW(images[i], STM_SETICON, reinterpret_cast<WPARAM>(icons[i].Get()), 0);
    SendMessageW(c.BitBtnOpenFolderDialog, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icons[3].Get()));
    ListView_SetImageList(c.ListViewExcludeFolders, actions.Get(), LVSIL_SMALL);
    imageListMain32b_ = std::move(actions);
    statusImages_ = std::move(status);
    statusIcons_ = std::move(icons);
}

void TMainForm::ApplyUIFont() {
    uiFontSize_ = GetUIFontSize();
    LOGFONTW font{};
    font.lfHeight = -MulDiv(uiFontSize_, dpi_, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring name = GetUIFontName();
    name.copy(font.lfFaceName, LF_FACESIZE - 1);
    UniqueGdiObject created(CreateFontIndirectW(&font));
    EnumChildWindows(
        handle_,
        [](HWND child, LPARAM value) -> BOOL {
            SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(value), FALSE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(created.Get()));
    SendMessageW(controls_.Hints, WM_SETFONT, reinterpret_cast<WPARAM>(created.Get()), FALSE);
    font_ = std::move(created); // the controls no longer use the old one
    FormResize();
    InvalidateRect(handle_, nullptr, TRUE);
}

void TMainForm::OnDpiChanged(int dpi, const RECT& suggested) {
    const int previous = dpi_;
    dpi_ = dpi;
    DesignedGeometry.DefaultAppWidth = MulDiv(DesignedGeometry.DefaultAppWidth, dpi, previous);
    DesignedGeometry.DefaultAppHeight = MulDiv(DesignedGeometry.DefaultAppHeight, dpi, previous);
    DesignedGeometry.DefaultPreviewPaneHeight =
        MulDiv(DesignedGeometry.DefaultPreviewPaneHeight, dpi, previous);
    Settings.PreviewPaneHeight = MulDiv(Settings.PreviewPaneHeight, dpi, previous);
    for (int i = 0; i < 5; ++i) {
        ListView_SetColumnWidth(controls_.ListViewResults, i,
                                MulDiv(ListView_GetColumnWidth(controls_.ListViewResults, i), dpi, previous));
    }
    CreateImageLists();
    ApplyUIFont();
    BuildMenus();
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace quarrow
