#include "ui/Preferences.h"

#include "base/FileSystem.h"
#include "base/Prompt.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "shell/ExplorerMenu.h"
#include "ui/Controls.h"
#include "ui/MainForm.h"
#include "ui/Resources.h"
#include "ui/UiFont.h"

#include <algorithm>

namespace quarrow {
namespace {

enum : int {
    IdPageControl = 101,
    IdCheckBoxSavePositionAndSize,
    IdCheckBoxShowTypeInsteadOfExtension,
    IdCheckBoxSaveSearchData,
    IdButtonClearSearchDataNow,
    IdEditEditor,
    IdBitBtnOpenFolderDialog,
    IdButtonApply,
    IdCheckBoxExplorerMenu,
    IdStatic = 0xFFFF,
};

const wchar_t* const PageCaptions[] = {L"General", L"Privacy", L"Editor"};

// A control at its designed place in 96-DPI pixels: on a tab sheet (0 to 2), or on the
// dialog itself (-1).
struct TPlacedControl {
    HWND TPreferencesControls::*Field;
    int Sheet;
    const wchar_t* ClassName;
    const wchar_t* Text;
    DWORD Style;
    DWORD ExStyle;
    int Id;
    int X, Y, W, H;
};

using P = TPreferencesControls;
constexpr DWORD CheckBox = BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP;
constexpr DWORD Button = BS_PUSHBUTTON | WS_TABSTOP;

// In creation order, which is also the tab order.
const TPlacedControl PlacedControls[] = {
    {&P::CheckBoxSavePositionAndSize, 0, WC_BUTTONW, L"Save position and size of main window", CheckBox, 0,
     IdCheckBoxSavePositionAndSize, 52, 16, 310, 17},
    {&P::CheckBoxShowTypeInsteadOfExtension, 0, WC_BUTTONW,
     L"Show file type instead of extension (see help for details)", CheckBox, 0,
     IdCheckBoxShowTypeInsteadOfExtension, 52, 40, 310, 17},
    {&P::CheckBoxExplorerMenu, 0, WC_BUTTONW, L"Add 'Search with Quarrow' to folder menus", CheckBox, 0,
     IdCheckBoxExplorerMenu, 52, 64, 310, 17},
    {&P::CheckBoxSaveSearchData, 1, WC_BUTTONW, L"Save recently used search phrases and locations", CheckBox,
     0, IdCheckBoxSaveSearchData, 52, 16, 310, 17},
    {&P::ButtonClearSearchDataNow, 1, WC_BUTTONW, L"Clear now", Button, 0, IdButtonClearSearchDataNow, 52, 44,
     75, 25},
    {&P::LabelEditor, 2, WC_STATICW, L"Editor:", SS_LEFT | SS_NOPREFIX, 0, IdStatic, 52, 16, 200, 14},
    {&P::EditEditor, 2, WC_EDITW, L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, IdEditEditor, 52, 32,
     274, 21},
    {&P::BitBtnOpenFolderDialog, 2, WC_BUTTONW, L"", BS_PUSHBUTTON | BS_ICON | WS_TABSTOP, 0,
     IdBitBtnOpenFolderDialog, 330, 30, 25, 25},
    {&P::ButtonOK, -1, WC_BUTTONW, L"&OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, IDOK, 158, 202, 75,
     25},
    {&P::ButtonCancel, -1, WC_BUTTONW, L"&Cancel", Button, 0, IDCANCEL, 238, 202, 75, 25},
    {&P::ButtonApply, -1, WC_BUTTONW, L"&Apply", Button | WS_DISABLED, 0, IdButtonApply, 318, 202, 75, 25},
};

// Designed sizes (96 DPI).
constexpr int ClientWidth = 401;
constexpr int ClientHeight = 235;
constexpr RECT PageControlBounds = {8, 8, 393, 194};
constexpr int PictureLeft = 12;
constexpr int PictureTop = 12;

const wchar_t ClearHistoryQuestion[] = L"Do you want to clear the history list now?";
const wchar_t EditorFilter[] = L"Programs|*.exe|All files|*.*";

// The icons of one strip of pictures drawn at `size` pixels.
template <size_t Count> std::array<UniqueIcon, Count> LoadIcons(int resource, int size) {
    std::array<UniqueIcon, Count> icons;
    UniqueImageList list(ImageList_Create(size, size, ILC_COLOR32, static_cast<int>(Count), 0));
    HANDLE strip = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    if (strip == nullptr)
        return icons;
    UniqueGdiObject bitmap(strip);
    ImageList_Add(list.Get(), static_cast<HBITMAP>(bitmap.Get()), nullptr);
    for (size_t i = 0; i < Count; ++i)
        icons[i].Reset(ImageList_GetIcon(list.Get(), static_cast<int>(i), ILD_NORMAL));
    return icons;
}

// The largest drawn size that is not above `designed` scaled to the DPI, and its offset
// from the strip's first resource.
std::pair<int, int> PictureSize(const int (&sizes)[4], int designed, int dpi) {
    const int wanted = MulDiv(designed, dpi, 96);
    int best = 0;
    for (int i = 0; i < 4; ++i) {
        if (sizes[i] <= wanted)
            best = i;
    }
    return {sizes[best], best};
}

// The text of a control in its font: the width of its caption and the height of a line.
SIZE CaptionExtent(HWND control) {
    const std::wstring text = WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    extent.cy = metrics.tmHeight;
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return extent;
}

void ReportDialogError(IPrompt& prompt, const std::exception& error) {
    if (const auto* quarrowError = dynamic_cast<const QuarrowError*>(&error))
        ShowErrorBox(prompt, quarrowError->Message());
    else
        ShowErrorBox(prompt, FromAnsi(error.what()));
}

} // namespace

INT_PTR CALLBACK PreferencesFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<TPreferencesForm*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->handle_ = dialog;
        return FALSE;
    }
    auto* self = reinterpret_cast<TPreferencesForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr)
        return FALSE;
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportDialogError(self->owner_.Prompt(), error);
    }
    return FALSE;
}

INT_PTR CALLBACK PreferencesPageProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(sheet, DWLP_USER, lParam);
        return FALSE;
    }
    auto* self = reinterpret_cast<TPreferencesForm*>(GetWindowLongPtrW(sheet, DWLP_USER));
    if (self == nullptr || self->handle_ == nullptr || (message != WM_COMMAND && message != WM_NOTIFY))
        return FALSE;
    return PreferencesFormProc(self->handle_, message, wParam, lParam);
}

TPreferencesForm::TPreferencesForm(TMainForm& owner) : owner_(owner) {}

TPreferencesForm::~TPreferencesForm() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

bool TPreferencesForm::Create() {
    dpi_ = owner_.Dpi();
    CreateEmptyDialog(owner_.Handle(), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN,
                      WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, PreferencesFormProc,
                      reinterpret_cast<LPARAM>(this));
    if (handle_ == nullptr)
        return false;
    SetWindowTextW(handle_, L"Preferences");
    CreateControls();
    ApplyFontAndPictures();
    LayoutControls();
    SelectPage(0);
    return true;
}

void TPreferencesForm::CreateControls() {
    P& c = controls_;
    c.PageControl =
        CreateChild(handle_, WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP, 0, IdPageControl);
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(PageCaptions[i]);
        TabCtrl_InsertItem(c.PageControl, i, &item);
        const HWND sheet =
            CreateEmptyDialog(handle_, WS_CHILD | DS_CONTROL | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
                              PreferencesPageProc, reinterpret_cast<LPARAM>(this));
        EnableTabPageTexture(sheet);
        c.TabSheets[static_cast<size_t>(i)] = sheet;
        c.TabPictures[static_cast<size_t>(i)] =
            CreateChild(sheet, WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE, 0, IdStatic);
    }
    for (const TPlacedControl& control : PlacedControls) {
        const HWND parent = control.Sheet < 0 ? handle_ : c.TabSheets[static_cast<size_t>(control.Sheet)];
        c.*control.Field =
            CreateChild(parent, control.ClassName, control.Text, control.Style, control.ExStyle, control.Id);
    }
    SendMessageW(handle_, DM_SETDEFID, IDOK, 0);

    c.Hints =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0,
                        0, 0, 0, handle_, nullptr, GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = c.TabSheets[2];
    tool.uId = reinterpret_cast<UINT_PTR>(c.BitBtnOpenFolderDialog);
    tool.lpszText = const_cast<wchar_t*>(L"Browse for Editor");
    SendMessageW(c.Hints, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The dialog's font is the UI font; new pictures and fonts replace the old ones only once
// the controls use them.
void TPreferencesForm::ApplyFontAndPictures() {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(GetUIFontSize(), dpi_, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    GetUIFontName().copy(font.lfFaceName, LF_FACESIZE - 1);
    UniqueGdiObject created(CreateFontIndirectW(&font));
    EnumChildWindows(
        handle_,
        [](HWND child, LPARAM value) -> BOOL {
            SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(value), FALSE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(created.Get()));
    SendMessageW(controls_.Hints, WM_SETFONT, reinterpret_cast<WPARAM>(created.Get()), FALSE);
    font_ = std::move(created);

    const auto [pageSize, pageOffset] = PictureSize({32, 40, 48, 64}, 32, dpi_);
    auto pictures = LoadIcons<3>(IDB_PAGES32 + pageOffset, pageSize);
    for (size_t i = 0; i < 3; ++i)
        SendMessageW(controls_.TabPictures[i], STM_SETICON, reinterpret_cast<WPARAM>(pictures[i].Get()), 0);
    pagePictures_ = std::move(pictures);

    // The browse glyph is the fourth picture of the status strip.
    const auto [glyphSize, glyphOffset] = PictureSize({16, 20, 24, 32}, 16, dpi_);
    auto status = LoadIcons<4>(IDB_STATUS16 + glyphOffset, glyphSize);
    SendMessageW(controls_.BitBtnOpenFolderDialog, BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(status[3].Get()));
    browseGlyph_ = std::move(status[3]);
}

void TPreferencesForm::LayoutControls() {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE));
    RECT frame{0, 0, Scale(ClientWidth), Scale(ClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(handle_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    const P& c = controls_;
    SetWindowPos(c.PageControl, HWND_BOTTOM, Scale(PageControlBounds.left), Scale(PageControlBounds.top),
                 Scale(PageControlBounds.right - PageControlBounds.left),
                 Scale(PageControlBounds.bottom - PageControlBounds.top), SWP_NOACTIVATE);
    RECT display{};
    GetClientRect(c.PageControl, &display);
    TabCtrl_AdjustRect(c.PageControl, FALSE, &display);
    MapWindowPoints(c.PageControl, handle_, reinterpret_cast<POINT*>(&display), 2);
    for (HWND sheet : c.TabSheets)
        SetWindowPos(sheet, HWND_TOP, display.left, display.top, display.right - display.left,
                     display.bottom - display.top, SWP_NOACTIVATE);

    int pictureWidth = 32;
    int pictureHeight = 32;
    ICONINFO info{};
    if (pagePictures_[0] && GetIconInfo(pagePictures_[0].Get(), &info)) {
        BITMAP bitmap{};
        GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        pictureWidth = bitmap.bmWidth;
        pictureHeight = info.hbmColor != nullptr ? bitmap.bmHeight : bitmap.bmHeight / 2;
        UniqueGdiObject color(info.hbmColor);
        UniqueGdiObject mask(info.hbmMask);
    }
    for (HWND picture : c.TabPictures)
        SetWindowPos(picture, nullptr, Scale(PictureLeft), Scale(PictureTop), pictureWidth, pictureHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    // A check box grows to its caption as far as its sheet allows; a face wider than the one
    // designed for wraps the caption onto a second line and moves the controls below.
    const int sheetWidth = display.right - display.left;
    std::array<int, 3> shift{};
    for (const TPlacedControl& control : PlacedControls) {
        const HWND window = c.*control.Field;
        int y = Scale(control.Y);
        int w = Scale(control.W);
        int h = Scale(control.H);
        if (control.Sheet >= 0) {
            int& sheetShift = shift[static_cast<size_t>(control.Sheet)];
            y += sheetShift;
            if (control.Style == CheckBox) {
                const SIZE caption = CaptionExtent(window);
                const int needed =
                    caption.cx + GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE) + 2;
                w = std::max(w, std::min(needed, sheetWidth - Scale(control.X) - Scale(4)));
                if (needed > w) {
                    h += caption.cy + Scale(2);
                    sheetShift += caption.cy + Scale(2);
                }
            }
        }
        SetWindowPos(window, nullptr, Scale(control.X), y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TPreferencesForm::CenterOnOwner() {
    quarrow::CenterOnOwner(handle_, owner_.Handle());
}

int TPreferencesForm::ActivePage() const {
    return TabCtrl_GetCurSel(controls_.PageControl);
}

void TPreferencesForm::SelectPage(int index) {
    TabCtrl_SetCurSel(controls_.PageControl, index);
    for (size_t i = 0; i < controls_.TabSheets.size(); ++i)
        ShowWindow(controls_.TabSheets[i], static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
}

int TPreferencesForm::ShowModal() {
    if (handle_ == nullptr || showing_)
        return IDCANCEL;
    if (owner_.Dpi() != dpi_) {
        dpi_ = owner_.Dpi();
        ApplyFontAndPictures();
        LayoutControls();
    }
    FormShow();
    CenterOnOwner();

    const HWND owner = owner_.Handle();
    // Restores the owner and the prompts on every way out of the loop.
    struct TModalState {
        TPreferencesForm& form;
        HWND owner;
        WinPrompt* prompt;
        ~TModalState() {
            EnableWindow(owner, TRUE);
            if (form.handle_ != nullptr)
                ShowWindow(form.handle_, SW_HIDE);
            if (prompt != nullptr)
                prompt->SetOwner(owner);
            form.showing_ = false;
        }
    } state{*this, owner, dynamic_cast<WinPrompt*>(&owner_.Prompt())};
    // Message boxes and the file dialog raised from here belong over the dialog.
    if (state.prompt != nullptr)
        state.prompt->SetOwner(handle_);

    showing_ = true;
    modalResult_ = 0;
    EnableWindow(owner, FALSE);
    ShowWindow(handle_, SW_SHOW);
    SetActiveWindow(handle_);
    SendMessageW(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls_.PageControl), TRUE);

    MSG message;
    while (modalResult_ == 0) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the outer loop must still see the quit request.
            if (got == 0)
                PostQuitMessage(static_cast<int>(message.wParam));
            modalResult_ = IDCANCEL;
            break;
        }
        if (handle_ != nullptr && (message.hwnd == handle_ || IsChild(handle_, message.hwnd))) {
            if (const int page = PageFromKey(message, controls_.PageControl); page >= 0) {
                const HWND shown = controls_.TabSheets[static_cast<size_t>(ActivePage())];
                SelectPage(page);
                KeepFocusOffHiddenPage(shown, controls_.PageControl);
                continue;
            }
        }
        if (handle_ != nullptr && IsDialogMessageW(handle_, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return modalResult_;
}

INT_PTR TPreferencesForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom == IdPageControl && header.code == TCN_SELCHANGE)
            SelectPage(ActivePage());
        return FALSE;
    }
    case WM_CLOSE:
        ButtonCancelClick();
        return TRUE;
    case WM_DESTROY:
        // Destroyed with its owner while shown: the modal loop ends.
        if (showing_)
            modalResult_ = IDCANCEL;
        return FALSE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(handle_, DWLP_USER, 0);
        handle_ = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void TPreferencesForm::OnCommand(int id, int code) {
    switch (id) {
    case IDOK:
        if (code == BN_CLICKED)
            ButtonOKClick();
        break;
    case IDCANCEL:
        if (code == BN_CLICKED)
            ButtonCancelClick();
        break;
    case IdButtonApply:
        if (code == BN_CLICKED)
            ButtonApplyClick();
        break;
    case IdCheckBoxSavePositionAndSize:
    case IdCheckBoxShowTypeInsteadOfExtension:
    case IdCheckBoxSaveSearchData:
    case IdCheckBoxExplorerMenu:
        if (code == BN_CLICKED)
            ControlChanged();
        break;
    case IdEditEditor:
        if (code == EN_CHANGE)
            ControlChanged();
        break;
    case IdButtonClearSearchDataNow:
        if (code == BN_CLICKED)
            ButtonClearSearchDataNowClick();
        break;
    case IdBitBtnOpenFolderDialog:
        if (code == BN_CLICKED)
            BitBtnOpenFolderDialogClick();
        break;
    default:
        break;
    }
}

void TPreferencesForm::FormShow() {
    const TSettings& settings = owner_.Settings;
    const P& c = controls_;
    SetChecked(c.CheckBoxShowTypeInsteadOfExtension, settings.ShowTypeInsteadOfExtension);
    SetChecked(c.CheckBoxSavePositionAndSize, settings.SavePositionAndSize);
    SetChecked(c.CheckBoxSaveSearchData, settings.SaveSearchData);
    // The registry is what Explorer reads: the box shows what is there now.
    SetChecked(c.CheckBoxExplorerMenu, ExplorerMenuPresent());
    SetWindowTextOf(c.EditEditor, settings.Editor);
    SendMessageW(handle_, DM_SETDEFID, IDOK, 0);
    // Loading the controls reports them changed; nothing has been yet.
    EnableWindow(c.ButtonApply, FALSE);
}

void TPreferencesForm::ControlChanged() {
    EnableWindow(controls_.ButtonApply, TRUE);
}

void TPreferencesForm::ApplyPreferences() {
    TSettings& settings = owner_.Settings;
    const P& c = controls_;
    owner_.PreferencesHaveBeenChanged = true;
    const bool showType = IsChecked(c.CheckBoxShowTypeInsteadOfExtension);
    const bool typeChanged = showType != settings.ShowTypeInsteadOfExtension;
    settings.ShowTypeInsteadOfExtension = showType;
    settings.SavePositionAndSize = IsChecked(c.CheckBoxSavePositionAndSize);
    settings.SaveSearchData = IsChecked(c.CheckBoxSaveSearchData);
    settings.Editor = WindowText(c.EditEditor);
    if (typeChanged)
        owner_.ShowTypeInsteadOfExtensionChanged();
    ApplyExplorerMenu(IsChecked(c.CheckBoxExplorerMenu));
}

// A command left from a copy of the program elsewhere is pointed at this one.
void TPreferencesForm::ApplyExplorerMenu(bool wanted) {
    const std::wstring program = ProgramFilePath();
    if (wanted && !ExplorerMenuRegistered(program))
        RegisterExplorerMenu(program);
    else if (!wanted && ExplorerMenuPresent())
        UnregisterExplorerMenu();
}

void TPreferencesForm::ButtonOKClick() {
    ApplyPreferences();
    Close(IDOK);
}

void TPreferencesForm::ButtonApplyClick() {
    ApplyPreferences();
    // A disabled button cannot keep the keyboard focus.
    if (GetFocus() == controls_.ButtonApply)
        SendMessageW(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls_.ButtonOK), TRUE);
    EnableWindow(controls_.ButtonApply, FALSE);
}

void TPreferencesForm::ButtonCancelClick() {
    Close(IDCANCEL);
}

void TPreferencesForm::Close(int result) {
    if (showing_)
        modalResult_ = result;
    else
        ShowWindow(handle_, SW_HIDE);
}

void TPreferencesForm::ButtonClearSearchDataNowClick() {
    if (!Confirm(owner_.Prompt(), ClearHistoryQuestion))
        return;
    owner_.Lists.SearchPatternHistoryList.clear();
    owner_.Lists.SearchLocationHistoryList.clear();
    owner_.Lists.ContainingTextHistoryList.clear();
    owner_.UpdateSearchPatternHistory(L"");
    owner_.UpdateSearchLocationHistory(L"");
    owner_.UpdateContainingTextHistory(L"");
}

void TPreferencesForm::BitBtnOpenFolderDialogClick() {
    FileDialogOptions options;
    options.filter = EditorFilter;
    options.initialDir = L"C:\\";
    std::wstring path;
    if (owner_.Prompt().OpenFileName(options, path))
        SetWindowTextOf(controls_.EditEditor, path);
}

} // namespace quarrow
