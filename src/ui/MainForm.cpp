#include "ui/MainForm.h"

#include "base/ApplicationWindow.h"
#include "base/Messages.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "settings/SettingsStore.h"
#include "ui/Controls.h"
#include "ui/MainFormIds.h"
#include "ui/Resources.h"

#include <utility>

namespace quarrow {
namespace {

const wchar_t MainWindowClass[] = L"QuarrowMainWindow";
TMainForm* g_filterForm = nullptr;

// The enabled window that keeps `owner` disabled: the last active one it owns, else the
// first visible one.
HWND ModalWindowOf(HWND owner) {
    const HWND last = GetLastActivePopup(owner);
    if (last != nullptr && last != owner && IsWindowVisible(last) && IsWindowEnabled(last))
        return last;
    struct TSearch {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM value) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(value);
            if (GetWindow(window, GW_OWNER) == s->owner && IsWindowVisible(window) &&
                IsWindowEnabled(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

LRESULT CALLBACK MainFormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Dispatch(hwnd, message, wParam, lParam);
}

// Keyboard navigation between the controls and the F1 accelerator, also while a handler
// pumps messages.
bool MainFormFilterMessage(MSG& message) {
    TMainForm* form = g_filterForm;
    if (form == nullptr || form->handle_ == nullptr)
        return false;
    if (message.message == WM_SYSKEYDOWN && message.wParam == VK_MENU)
        form->altShortCutUsed_ = false;
    if (form->accelerators_ && TranslateAcceleratorW(form->handle_, form->accelerators_.Get(), &message)) {
        // The Alt key that comes up after Alt+P would otherwise open the menu bar.
        if (message.message == WM_SYSKEYDOWN)
            form->altShortCutUsed_ = true;
        return true;
    }
    if (message.hwnd == form->handle_ || IsChild(form->handle_, message.hwnd)) {
        if (SwitchPreviewFocus(*form, message))
            return true;
        if (const int page = PageFromKey(message, form->controls_.PageControl); page >= 0) {
            const HWND shown = form->controls_.TabSheets[static_cast<size_t>(form->ActivePage())];
            form->SelectPage(page);
            KeepFocusOffHiddenPage(shown, form->controls_.PageControl);
            return true;
        }
    }
    return IsDialogMessageW(form->handle_, &message) != FALSE;
}

TMainForm::TMainForm(std::wstring commandLineLocation) : TMainForm(TLaunchArguments()) {
    launchArguments_.Location = std::move(commandLineLocation);
}

TMainForm::TMainForm(TLaunchArguments arguments)
    : launchArguments_(std::move(arguments)), prompt_(std::make_unique<WinPrompt>()) {
    for (const TActionInfo& action : ActionTable())
        actionEnabled_[static_cast<size_t>(action.Id)] = action.EnabledAsDesigned;
}

TMainForm::~TMainForm() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
    if (g_filterForm == this)
        g_filterForm = nullptr;
}

bool TMainForm::Create() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainFormWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUARROW));
    wc.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUARROW), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = MainWindowClass;
    RegisterClassExW(&wc);

    dpi_ = ReadDpi();
    // The main window itself owns the taskbar button: there is no hidden application window.
    CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, MainWindowClass, QUARROW_PRODUCT_NAME,
                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, Scale(549),
                    Scale(454), nullptr, nullptr, instance, this);
    if (handle_ == nullptr)
        return false;
    if (auto* winPrompt = dynamic_cast<WinPrompt*>(prompt_.get()))
        winPrompt->SetOwner(handle_);
    SetApplicationWindow(handle_);
    g_filterForm = this;
    SetMessageFilter(MainFormFilterMessage);
    // The About box and the Preferences dialog are made once, after the window, and reused.
    CreateAboutForm();
    preferencesForm_ = std::make_unique<TPreferencesForm>(*this);
    if (!preferencesForm_->Create())
        return false;
    return true;
}

void TMainForm::Show(int showCommand) {
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
    ShowWindow(handle_, showCommand);
    UpdateWindow(handle_);
}

// The one place where errors that escape a handler are reported.
LRESULT TMainForm::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportError(error);
    }
    // A window that could not be made whole is not made at all.
    if (message == WM_CREATE)
        return -1;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TMainForm::ReportError(const std::exception& error) {
    if (const auto* quarrowError = dynamic_cast<const QuarrowError*>(&error))
        ShowErrorBox(Prompt(), quarrowError->Message());
    else
        ShowErrorBox(Prompt(), FromAnsi(error.what()));
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateControls();
        FormCreate();
        return 0;
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SIZE:
        FormResize();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = DesignedGeometry.DefaultAppWidth;
        info->ptMinTrackSize.y = Scale(400);
        return 0;
    }
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_MEASUREITEM:
        if (OnMeasureMenuItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (OnDrawMenuItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_MENUCHAR:
        return OnMenuChar(static_cast<wchar_t>(LOWORD(wParam)), reinterpret_cast<HMENU>(lParam));
    case WM_SETCURSOR:
        if (WaitCursor::Active()) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case DM_GETDEFID:
        return MAKELRESULT(IdBtnSearch, DC_HASDEFID);
    case WM_SETFOCUS:
        // Back to the control that had the focus when the window was left.
        if (focusedControl_ != nullptr && IsWindow(focusedControl_) && IsChild(handle_, focusedControl_))
            SetFocus(focusedControl_);
        return 0;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam, lParam);
    case WM_ACTIVATE:
        return OnActivate(wParam, lParam);
    case WM_CLOSE:
        return OnClose();
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam != FALSE)
            OnEndSession();
        return 0;
    case WmSelectionHandOver:
        FlushSelectionHandOver();
        return 0;
    case WmRenameRefused:
        ShowRenameRefusal();
        return 0;
    case WmPreviewFocus:
        PreviewFocusedResult();
        return 0;
    case WmLaunchArguments:
        LaunchFromCommandLine();
        return 0;
    case WM_DESTROY:
        FormDestroy();
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        const HWND hwnd = std::exchange(handle_, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

// A search runs inside the Search button's handler: closing then only asks the walk to
// stop, and the window closes once the handler has returned, so that nothing the walk uses
// is freed under it.
LRESULT TMainForm::OnClose() {
    if (launching_) {
        closeRequested_ = true;
        engine_->Stop();
        return 0;
    }
    DestroyWindow(handle_);
    return 0;
}

// The process may end as soon as this returns, without the window being destroyed: the
// settings are saved now, as a close would, once a running walk has been told to stop.
void TMainForm::OnEndSession() {
    if (launching_)
        engine_->Stop();
    SaveSettingsAtExit();
}

LRESULT TMainForm::OnSysCommand(WPARAM wParam, LPARAM lParam) {
    switch (wParam & 0xFFF0) {
    case SC_KEYMENU:
        if (lParam == 0 && std::exchange(altShortCutUsed_, false))
            return 0;
        return DefWindowProcW(handle_, WM_SYSCOMMAND, wParam, lParam);
    case SC_MINIMIZE:
        ShowWindow(handle_, SW_MINIMIZE);
        return 0;
    case SC_RESTORE:
        ShowWindow(handle_, SW_RESTORE);
        return 0;
    default:
        return DefWindowProcW(handle_, WM_SYSCOMMAND, wParam, lParam);
    }
}

// Activating the main window while a modal dialog disables it (a click on its taskbar
// button) brings the dialog to the front instead.
LRESULT TMainForm::OnActivate(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(handle_, focus))
            focusedControl_ = focus;
    }
    if (LOWORD(wParam) == WA_ACTIVE && !IsWindowEnabled(handle_)) {
        if (const HWND modal = ModalWindowOf(handle_)) {
            SetForegroundWindow(modal);
            SetActiveWindow(modal);
        }
        return 0;
    }
    return DefWindowProcW(handle_, WM_ACTIVATE, wParam, lParam);
}

// The width never goes below the designed width, the height never below 400 (at 96 DPI).
void TMainForm::OnWindowPosChanging(WINDOWPOS& position) const {
    if ((position.flags & SWP_NOSIZE) != 0 || IsIconic(handle_) || IsZoomed(handle_))
        return;
    if (position.cx < DesignedGeometry.DefaultAppWidth)
        position.cx = DesignedGeometry.DefaultAppWidth;
    if (position.cy < Scale(400))
        position.cy = Scale(400);
}

LRESULT TMainForm::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    TActionId action;
    if (lParam == 0 && ActionFromCommand(static_cast<unsigned>(id), action)) {
        ExecuteAction(action);
        return 0;
    }
    switch (id) {
    case IdBtnSearch:
        if (code == BN_CLICKED)
            BtnSearchClick();
        break;
    case IdBtnStop:
        if (code == BN_CLICKED)
            BtnStopClick();
        break;
    case IdBtnReset:
        if (code == BN_CLICKED)
            BtnResetClick();
        break;
    case IdBitBtnOpenFolderDialog:
        if (code == BN_CLICKED)
            BitBtnOpenFolderDialogClick();
        break;
    case IdCheckBoxSearchForDateTime:
        if (code == BN_CLICKED)
            CheckBoxSearchForDateTimeClick();
        break;
    case IdCheckBoxSearchForSize:
        if (code == BN_CLICKED)
            CheckBoxSearchForSizeClick();
        break;
    case IdCheckBoxExcludeFolders:
        if (code == BN_CLICKED)
            CheckBoxExcludeFoldersClick();
        break;
    // Excluded-folder commands (src/ui/MainFormLists.cpp).
    case IdBtnSFAdd:
        if (code == BN_CLICKED)
            BtnSFAddClick();
        break;
    case IdBtnSFRemove:
        if (code == BN_CLICKED)
            BtnSFRemoveClick();
        break;
    case IdBtnSFSuggest:
        if (code == BN_CLICKED)
            BtnSFSuggestClick();
        break;
    case IdBtnSFClear:
        if (code == BN_CLICKED)
            BtnSFClearClick();
        break;
    case IdComboBoxContainingText:
        if (code == CBN_EDITCHANGE)
            ComboBoxContainingTextChange();
        else if (code == CBN_SELCHANGE)
            PostMessageW(handle_, WM_COMMAND, MAKEWPARAM(IdComboBoxContainingText, CBN_EDITCHANGE), 0);
        break;
    default:
        break;
    }
    return 0;
}

LRESULT TMainForm::OnNotify(const NMHDR& header) {
    switch (header.idFrom) {
    case IdPageControl:
        if (header.code == TCN_SELCHANGE)
            SelectPage(TabCtrl_GetCurSel(controls_.PageControl));
        break;
    case IdListViewResults:
        if (header.code == LVN_GETDISPINFOW)
            ListViewResultsData(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        else if (header.code == LVN_ODCACHEHINT) {
            const auto& hint = reinterpret_cast<const NMLVCACHEHINT&>(header);
            ListViewResultsDataHint(hint.iFrom, hint.iTo);
        }
        // Selection, sorting, double click and rename (src/results/MainFormSelection.cpp).
        else if (header.code == LVN_ITEMCHANGED) {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) != 0 &&
                ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0)
                ScheduleSelectionHandOver();
            // The preview pane follows the focused row (src/ui/MainFormPreview.cpp).
            if ((change.uChanged & LVIF_STATE) != 0 &&
                ((change.uOldState ^ change.uNewState) & LVIS_FOCUSED) != 0)
                SchedulePreviewOfFocus();
        } else if (header.code == LVN_ODSTATECHANGED) {
            const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
            if (((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0)
                ScheduleSelectionHandOver();
        } else if (header.code == LVN_COLUMNCLICK)
            ListViewResultsColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        else if (header.code == NM_DBLCLK)
            ListViewResultsDblClick();
        else if (header.code == LVN_BEGINLABELEDITW)
            return ListViewResultsEditing(reinterpret_cast<const NMLVDISPINFOW&>(header).item.iItem) ? TRUE
                                                                                                     : FALSE;
        else if (header.code == LVN_ENDLABELEDITW)
            ListViewResultsEditEnded(reinterpret_cast<const NMLVDISPINFOW&>(header).item.pszText);
        else if (header.code == LVN_ODFINDITEMW)
            return ListViewResultsFindItem(reinterpret_cast<const NMLVFINDITEMW&>(header));
        break;
    case IdListViewExcludeFolders:
        if (header.code == LVN_ITEMCHANGED)
            ListViewExcludeFoldersChange(reinterpret_cast<const NMLISTVIEW&>(header));
        break;
    default:
        break;
    }
    return 0;
}

void TMainForm::FormCreate() {
    SetWindowTextW(handle_, QUARROW_PRODUCT_NAME);
    settingsPath_ = SettingsFilePath();
    engine_ = std::make_unique<TSearchEngine>(IDList, Settings, Lists.ExcludeFoldersList, *this);
    Vantor = std::make_unique<TVantor>();
    CreateShellChangeNotifier();

    RECT window{};
    GetWindowRect(handle_, &window);
    DesignedGeometry.DefaultAppWidth = window.right - window.left;
    DesignedGeometry.DefaultAppHeight = window.bottom - window.top;
    DesignedGeometry.DefaultFirstColumnWidth = ListView_GetColumnWidth(controls_.ListViewResults, 0);
    DesignedGeometry.DefaultPreviewPaneHeight = Scale(DesignedGeometry.DefaultPreviewPaneHeight);

    CreateImageLists();
    PlaceStatusImages();
    ApplyUIFont();
    BuildMenus();
    InstallResultsListKeys();

    SHFILEINFOW info{};
    systemSmallImages_ = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (systemSmallImages_ != nullptr)
        SendMessageW(controls_.ListViewResults, LVM_SETIMAGELIST, LVSIL_SMALL,
                     reinterpret_cast<LPARAM>(systemSmallImages_));

    LoadSettings();
    if (Settings.SavePositionAndSize)
        ApplySavedGeometry();
    // A saved size is the user's.
    ShowPreviewPane(Settings.PreviewPane, !Settings.SavePositionAndSize);
    engine_->BuildDriveLists();
    created_ = true;
}

// A window saved on a screen that is gone would open out of reach; so would one whose saved
// size is below the smallest it takes, were it placed by the saved size.
void TMainForm::ApplySavedGeometry() {
    TWindowGeometry saved = SavedGeometry(Settings);
    SetWindowPos(handle_, nullptr, 0, 0, saved.Width, saved.Height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT sized{};
    GetWindowRect(handle_, &sized);
    saved.Width = sized.right - sized.left;
    saved.Height = sized.bottom - sized.top;
    saved = MoveOntoScreen(saved);
    SetWindowPos(handle_, nullptr, saved.Left, saved.Top, saved.Width, saved.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ListView_SetColumnWidth(controls_.ListViewResults, 0, saved.FirstColumnWidth);
}

void TMainForm::FormShow() {
    if (!Lists.SearchPatternHistoryList.empty())
        UpdateSearchPatternHistory(L"");
    UpdateSearchLocationHistory(launchArguments_.Location);
    if (!Lists.ContainingTextHistoryList.empty())
        UpdateContainingTextHistory(L"");
    UpdateExcludeFoldersList(L"");
    ResetResults(true);
    UpdateActionStates();
    SetWindowTextOf(controls_.ComboBoxSearchPattern, launchArguments_.Name);
    SetWindowTextOf(controls_.ComboBoxContainingText, launchArguments_.Text);
    ComboBoxContainingTextChange();
    // Once the window shows: a message would otherwise open before it.
    if (launchArguments_.Search || !launchArguments_.Error.empty())
        PostMessageW(handle_, WmLaunchArguments, 0, 0);
}

// An argument that was not understood leaves the search to the user.
void TMainForm::LaunchFromCommandLine() {
    if (!launchArguments_.Error.empty())
        ShowInformation(Prompt(), launchArguments_.Error + L"\r\n" + LaunchUsage);
    else if (launchArguments_.Search && !launching_)
        BtnSearchClick();
}

void TMainForm::FormDestroy() {
    DestroyShellChangeNotifier();
    SaveSettingsAtExit();
    if (ApplicationWindow() == handle_)
        SetApplicationWindow(nullptr);
    if (g_filterForm == this) {
        g_filterForm = nullptr;
        SetMessageFilter(nullptr);
    }
}

void TMainForm::SaveSettingsAtExit() {
    try {
        // Defaults never replace the user's settings when the window failed before reading them.
        if (settingsLoaded_)
            SaveSettings();
    } catch (const std::exception& error) {
        // Reported, and the program still ends.
        ReportError(error);
    }
}

void TMainForm::LoadSettings() {
    quarrow::LoadSettings(settingsPath_, DesignedGeometry, Settings, Lists);
    settingsLoaded_ = true;
}

// A minimised or maximised window keeps the bounds it is restored to.
void TMainForm::SaveSettings() {
    RECT bounds{};
    GetWindowRect(handle_, &bounds);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if ((IsIconic(handle_) || IsZoomed(handle_)) && GetWindowPlacement(handle_, &placement) &&
        GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTONEAREST), &monitor))
        bounds =
            WindowBoundsToSave(bounds, true, placement.rcNormalPosition, monitor.rcMonitor, monitor.rcWork);
    const TWindowGeometry current{bounds.right - bounds.left, bounds.bottom - bounds.top, bounds.left,
                                  bounds.top, ListView_GetColumnWidth(controls_.ListViewResults, 0)};
    quarrow::SaveSettings(settingsPath_, DesignedGeometry, Settings, current, Lists);
}

int TMainForm::ActivePage() const {
    return TabCtrl_GetCurSel(controls_.PageControl);
}

void TMainForm::SelectPage(int index) {
    TabCtrl_SetCurSel(controls_.PageControl, index);
    for (size_t i = 0; i < controls_.TabSheets.size(); ++i)
        ShowWindow(controls_.TabSheets[i], static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
}

std::wstring TMainForm::TabCaption(int index) const {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    TabCtrl_GetItem(controls_.PageControl, index, &item);
    return text;
}

int RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (FilterMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace quarrow
