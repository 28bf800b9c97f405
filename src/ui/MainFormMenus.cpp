// TMainForm: the action list applied to the main menu and the results popup, their
// drawing, the F1 shortcut and the action handlers of the window itself.

#include "ui/MainForm.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>

namespace quarrow {
namespace {

// The menus' colour map.
const COLORREF HighlightColor = RGB(0xF2, 0xF2, 0xF2); // the picture column
const COLORREF SelectedColor = RGB(0xEA, 0xEA, 0xEA);
const COLORREF SelectedButtonColor = RGB(0xE2, 0xE2, 0xE2);
const COLORREF FrameColor = RGB(0xBE, 0xBE, 0xBE);

using THandler = void (TMainForm::*)();
struct TActionHandler {
    TActionId Action;
    THandler Handler;
};
// Actions whose behaviour belongs to other parts of the program join this table with them.
const TActionHandler ActionHandlers[] = {
    {TActionId::ActionFileExit, &TMainForm::ActionFileExitExecute},
    // The Preferences dialog (src/settings/MainFormPreferences.cpp).
    {TActionId::ActionToolsPreferences, &TMainForm::ActionToolsPreferencesExecute},
    // What the last search could not look into (src/ui/MainFormSearch.cpp).
    {TActionId::ActionToolsNotSearched, &TMainForm::ActionToolsNotSearchedExecute},
    // Export (src/results/MainFormExport.cpp), help and About (src/ui/MainFormHelp.cpp).
    {TActionId::ActionExportSelectedItemsToClipboard,
     &TMainForm::ActionExportSelectedItemsToClipboardExecute},
    {TActionId::ActionExportAlltemsToClipboard, &TMainForm::ActionExportAlltemsToClipboardExecute},
    {TActionId::ActionExportAlltemsToTextFile, &TMainForm::ActionExportAlltemsToTextFileExecute},
    {TActionId::ActionExportAlltemsToCommaDelimitedFile,
     &TMainForm::ActionExportAlltemsToCommaDelimitedFileExecute},
    {TActionId::ActionHelpHelp, &TMainForm::ActionHelpHelpExecute},
    {TActionId::ActionHelpAbout, &TMainForm::ActionHelpAboutExecute},
    // Select All and Invert Selection (src/results/MainFormSelection.cpp).
    {TActionId::ActionActionSelectAll, &TMainForm::ActionActionSelectAllExecute},
    {TActionId::ActionActionInvertSelection, &TMainForm::ActionActionInvertSelectionExecute},
    // src/shell/MainFormShell.cpp
    {TActionId::ActionActionOpen, &TMainForm::ActionActionOpenExecute},
    {TActionId::ActionActionOpenContainingFolder, &TMainForm::ActionActionOpenContainingFolderExecute},
    {TActionId::ActionActionCopy, &TMainForm::ActionActionCopyExecute},
    {TActionId::ActionActionCut, &TMainForm::ActionActionCutExecute},
    {TActionId::ActionActionDelete, &TMainForm::ActionActionDeleteExecute},
    {TActionId::ActionActionRename, &TMainForm::ActionActionRenameExecute},
    {TActionId::ActionActionEdit, &TMainForm::ActionActionEditExecute},
    {TActionId::ActionActionProperties, &TMainForm::ActionActionPropertiesExecute},
    // The preview pane (src/ui/MainFormPreview.cpp).
    {TActionId::ActionViewPreviewPane, &TMainForm::ActionViewPreviewPaneExecute},
    {TActionId::ActionViewNextMatch, &TMainForm::ActionViewNextMatchExecute},
    {TActionId::ActionViewPreviousMatch, &TMainForm::ActionViewPreviousMatchExecute},
};

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    const COLORREF previous = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &rect, brush);
    DeleteObject(brush);
}

// A checked item without a picture shows a tick in a framed square in the picture column.
void DrawCheckMark(HDC dc, const RECT& item, int gutter, int size, bool disabled) {
    RECT box{item.left + (gutter - size) / 2 - 1, item.top + (item.bottom - item.top - size) / 2 - 1, 0, 0};
    box.right = box.left + size + 2;
    box.bottom = box.top + size + 2;
    FillSolid(dc, box, SelectedButtonColor);
    FrameSolid(dc, box, FrameColor);
    LOGFONTW marlett{};
    marlett.lfHeight = -size;
    marlett.lfCharSet = SYMBOL_CHARSET;
    std::wcscpy(marlett.lfFaceName, L"Marlett");
    const UniqueGdiObject font(CreateFontIndirectW(&marlett));
    const HGDIOBJ previous = SelectObject(dc, font.Get());
    const COLORREF previousInk = SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    DrawTextW(dc, L"a", 1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(dc, previousInk);
    SelectObject(dc, previous);
}

// The letter after the "&" of a caption, or 0.
wchar_t AcceleratorLetter(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == L'&' && caption[i + 1] != L'&')
            return static_cast<wchar_t>(std::towupper(caption[i + 1]));
    }
    return 0;
}

// The accelerator of a shortcut text such as "F1", "Alt+P" or "Shift+F3"; false for none.
bool AcceleratorOf(std::wstring shortCut, ACCEL& accelerator) {
    accelerator = {FVIRTKEY, 0, 0};
    const std::pair<const wchar_t*, BYTE> modifiers[] = {
        {L"Ctrl+", FCONTROL}, {L"Alt+", FALT}, {L"Shift+", FSHIFT}};
    for (bool found = true; found;) {
        found = false;
        for (const auto& [prefix, flag] : modifiers) {
            if (shortCut.rfind(prefix, 0) == 0) {
                accelerator.fVirt |= flag;
                shortCut.erase(0, std::wcslen(prefix));
                found = true;
            }
        }
    }
    if (shortCut.size() == 1 && std::iswalnum(shortCut[0])) {
        accelerator.key = static_cast<WORD>(std::towupper(shortCut[0]));
    } else if (shortCut.size() >= 2 && shortCut[0] == L'F') {
        const int number = std::stoi(shortCut.substr(1));
        if (number >= 1 && number <= 24)
            accelerator.key = static_cast<WORD>(VK_F1 + number - 1);
    }
    return accelerator.key != 0;
}

} // namespace

void TMainForm::BuildMenus() {
    std::vector<std::unique_ptr<TMenuItemData>> previousData = std::move(menuItemData_);
    menuItemData_.clear();

    HMENU bar = BuildMenu(MainMenuLayout(), true);
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = GetSysColorBrush(COLOR_WINDOW);
    SetMenuInfo(bar, &info);
    HMENU previousBar = GetMenu(handle_);
    SetMenu(handle_, bar);
    mainMenu_ = bar;
    if (previousBar != nullptr)
        DestroyMenu(previousBar);
    popupMenu_.Reset(BuildMenu(PopupMenuLayout(), false));

    std::vector<ACCEL> accelerators;
    for (const TActionInfo& action : ActionTable()) {
        ACCEL accelerator;
        if (AcceleratorOf(action.ShortCut, accelerator)) {
            accelerator.cmd = static_cast<WORD>(ActionCommand(action.Id));
            accelerators.push_back(accelerator);
        }
    }
    accelerators_.Reset(CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size())));
}

// The menu bar and the Tools menu show the menu captions with their accelerator letters;
// the popup shows the actions' own captions.
HMENU TMainForm::BuildMenu(const std::vector<TMenuEntry>& entries, bool menuBar) {
    const bool popup = !menuBar && &entries == &PopupMenuLayout();
    HMENU menu = menuBar ? CreateMenu() : CreatePopupMenu();
    for (const TMenuEntry& entry : entries) {
        auto data = std::make_unique<TMenuItemData>();
        data->MenuBar = menuBar;
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_DATA;
        item.fType = MFT_OWNERDRAW;
        switch (entry.EntryKind) {
        case TMenuEntry::Kind::Separator:
            data->Separator = true;
            item.fType |= MFT_SEPARATOR;
            break;
        case TMenuEntry::Kind::Action: {
            const TActionInfo& action = ActionInfo(entry.Action);
            data->Text = popup ? action.Caption : action.MenuCaption;
            data->ShortCut = action.ShortCut;
            data->ImageIndex = action.ImageIndex;
            item.fMask |= MIIM_ID | MIIM_STATE | MIIM_STRING;
            item.wID = ActionCommand(entry.Action);
            item.fState = (ActionEnabled(entry.Action) ? MFS_ENABLED : MFS_DISABLED) |
                          (ActionChecked(entry.Action) ? MFS_CHECKED : MFS_UNCHECKED);
            break;
        }
        case TMenuEntry::Kind::Submenu:
            data->Text = entry.Caption;
            item.fMask |= MIIM_SUBMENU | MIIM_STRING;
            item.hSubMenu = BuildMenu(entry.Children, false);
            break;
        }
        // The plain text lets the platform (and tests) read the item; the drawing is ours.
        std::wstring text = data->Text + (data->ShortCut.empty() ? L"" : L"\t" + data->ShortCut);
        item.dwTypeData = text.data();
        item.dwItemData = reinterpret_cast<ULONG_PTR>(data.get());
        InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item);
        menuItemData_.push_back(std::move(data));
    }
    return menu;
}

void TMainForm::SetActionEnabled(TActionId id, bool enabled) {
    actionEnabled_[static_cast<size_t>(id)] = enabled;
    const UINT flags = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(mainMenu_, ActionCommand(id), flags);
    EnableMenuItem(popupMenu_.Get(), ActionCommand(id), flags);
}

void TMainForm::SetActionChecked(TActionId id, bool checked) {
    actionChecked_[static_cast<size_t>(id)] = checked;
    const UINT flags = MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(mainMenu_, ActionCommand(id), flags);
    CheckMenuItem(popupMenu_.Get(), ActionCommand(id), flags);
}

void TMainForm::ExecuteAction(TActionId id) {
    // The enabled states and the objects a verb acts on follow the current selection.
    FlushSelectionHandOver();
    if (!ActionEnabled(id))
        return;
    RunActionHandler(id);
}

void TMainForm::RunActionHandler(TActionId id) {
    for (const TActionHandler& entry : ActionHandlers) {
        if (entry.Action == id)
            (this->*entry.Handler)();
    }
}

void TMainForm::ActionFileExitExecute() {
    SendMessageW(handle_, WM_CLOSE, 0, 0);
}

bool TMainForm::OnMeasureMenuItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU || item.itemData == 0)
        return false;
    const auto& data = *reinterpret_cast<const TMenuItemData*>(item.itemData);
    if (data.Separator) {
        item.itemWidth = 0;
        item.itemHeight = static_cast<UINT>(Scale(7));
        return true;
    }
    HDC dc = GetDC(handle_);
    HGDIOBJ previous = SelectObject(dc, font_.Get());
    RECT text{};
    DrawTextW(dc, data.Text.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
    RECT shortCut{};
    if (!data.ShortCut.empty())
        DrawTextW(dc, data.ShortCut.c_str(), -1, &shortCut, DT_SINGLELINE | DT_CALCRECT);
    SelectObject(dc, previous);
    ReleaseDC(handle_, dc);

    const int iconSize = PictureSizeForMenus();
    if (data.MenuBar) {
        item.itemWidth = static_cast<UINT>(text.right + Scale(8));
        item.itemHeight = static_cast<UINT>(std::max<int>(text.bottom, GetSystemMetrics(SM_CYMENU)));
    } else {
        const int gutter = iconSize + Scale(8);
        item.itemWidth = static_cast<UINT>(gutter + Scale(8) + text.right + Scale(16) +
                                           (shortCut.right > 0 ? shortCut.right + Scale(24) : 0));
        item.itemHeight = static_cast<UINT>(std::max<int>(text.bottom + Scale(8), iconSize + Scale(6)));
    }
    return true;
}

bool TMainForm::OnDrawMenuItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU || item.itemData == 0)
        return false;
    const auto& data = *reinterpret_cast<const TMenuItemData*>(item.itemData);
    HDC dc = item.hDC;
    const RECT& rect = item.rcItem;
    const bool disabled = (item.itemState & (ODS_DISABLED | ODS_GRAYED | ODS_INACTIVE)) != 0;
    const bool selected = (item.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0 && !disabled;
    const UINT prefix = (item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0;
    HGDIOBJ previousFont = SelectObject(dc, font_.Get());
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));

    if (data.MenuBar) {
        FillSolid(dc, rect, GetSysColor(COLOR_WINDOW));
        if (selected) {
            RECT button = rect;
            InflateRect(&button, 0, -1);
            FillSolid(dc, button, SelectedButtonColor);
            FrameSolid(dc, button, FrameColor);
            SetTextColor(dc, RGB(0, 0, 0));
        }
        RECT text = rect;
        DrawTextW(dc, data.Text.c_str(), -1, &text, DT_SINGLELINE | DT_CENTER | DT_VCENTER | prefix);
    } else {
        const int iconSize = PictureSizeForMenus();
        const int gutter = iconSize + Scale(8);
        FillSolid(dc, rect, GetSysColor(COLOR_WINDOW));
        RECT column = rect;
        column.right = column.left + gutter;
        FillSolid(dc, column, HighlightColor);
        if (data.Separator) {
            RECT line = rect;
            line.left += gutter + Scale(6);
            line.top += (rect.bottom - rect.top) / 2;
            line.bottom = line.top + 1;
            FillSolid(dc, line, FrameColor);
        } else {
            if (selected) {
                RECT highlight = rect;
                InflateRect(&highlight, -1, 0);
                FillSolid(dc, highlight, SelectedColor);
                FrameSolid(dc, highlight, FrameColor);
                SetTextColor(dc, RGB(0, 0, 0));
            }
            if ((item.itemState & ODS_CHECKED) != 0)
                DrawCheckMark(dc, rect, gutter, iconSize, disabled);
            else if (data.ImageIndex >= 0) {
                IMAGELISTDRAWPARAMS draw{};
                draw.cbSize = sizeof(draw);
                draw.himl = imageListMain32b_.Get();
                draw.i = data.ImageIndex;
                draw.hdcDst = dc;
                draw.x = rect.left + (gutter - iconSize) / 2;
                draw.y = rect.top + (rect.bottom - rect.top - iconSize) / 2;
                draw.rgbBk = CLR_NONE;
                draw.rgbFg = CLR_NONE;
                draw.fStyle = ILD_TRANSPARENT;
                draw.fState = disabled ? ILS_SATURATE : ILS_NORMAL;
                ImageList_DrawIndirect(&draw);
            }
            RECT text = rect;
            text.left += gutter + Scale(8);
            text.right -= Scale(16);
            DrawTextW(dc, data.Text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
            if (!data.ShortCut.empty())
                DrawTextW(dc, data.ShortCut.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
        }
    }
    SetBkMode(dc, previousMode);
    SelectObject(dc, previousFont);
    return true;
}

// Owner-drawn items leave the accelerator letters to the window.
LRESULT TMainForm::OnMenuChar(wchar_t character, HMENU menu) {
    const wchar_t wanted = static_cast<wchar_t>(std::towupper(character));
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_DATA;
        if (GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) && item.dwItemData != 0) {
            const auto& data = *reinterpret_cast<const TMenuItemData*>(item.dwItemData);
            if (!data.Separator && AcceleratorLetter(data.Text) == wanted)
                return MAKELRESULT(i, MNC_EXECUTE);
        }
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

int TMainForm::PictureSizeForMenus() const {
    int width = 16;
    int height = 16;
    ImageList_GetIconSize(imageListMain32b_.Get(), &width, &height);
    return width;
}

void TMainForm::ShowResultsPopup() {
    POINT cursor{};
    GetCursorPos(&cursor);
    TrackPopupMenuEx(popupMenu_.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y,
                     handle_, nullptr);
}

} // namespace quarrow
