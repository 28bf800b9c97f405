#include "ui/Controls.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace quarrow {

void RegisterFaceColouredClass(const wchar_t* name, WNDPROC procedure, const wchar_t* cursor) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, cursor);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                 int id) {
    return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
}

HWND CreateEmptyDialog(HWND parent, DWORD style, DWORD exStyle, DLGPROC procedure, LPARAM parameter) {
    alignas(DWORD) WORD dialogTemplate[16] = {};
    DLGTEMPLATE header{};
    header.style = style;
    header.dwExtendedStyle = exStyle;
    std::memcpy(dialogTemplate, &header, sizeof(header));
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                      reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate), parent, procedure,
                                      parameter);
}

void EnableTabPageTexture(HWND sheet) {
    using Function = HRESULT(WINAPI*)(HWND, DWORD);
    static const Function enable = [] {
        HMODULE theme = LoadLibraryW(L"uxtheme.dll");
        return theme == nullptr ? nullptr
                                : reinterpret_cast<Function>(reinterpret_cast<void*>(
                                      GetProcAddress(theme, "EnableThemeDialogTexture")));
    }();
    constexpr DWORD enableTab = 0x00000006; // ETDT_ENABLETAB
    if (enable != nullptr)
        enable(sheet, enableTab);
}

int PageFromKey(const MSG& message, HWND tabControl) {
    if (message.message != WM_KEYDOWN || (GetKeyState(VK_CONTROL) & 0x8000) == 0)
        return -1;
    int step = 0;
    if (message.wParam == VK_TAB)
        step = (GetKeyState(VK_SHIFT) & 0x8000) != 0 ? -1 : 1;
    else if (message.wParam == VK_NEXT)
        step = 1;
    else if (message.wParam == VK_PRIOR)
        step = -1;
    const int count = TabCtrl_GetItemCount(tabControl);
    if (step == 0 || count <= 0)
        return -1;
    return (TabCtrl_GetCurSel(tabControl) + step + count) % count;
}

void KeepFocusOffHiddenPage(HWND hiddenSheet, HWND tabControl) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hiddenSheet, focus))
        SetFocus(tabControl);
}

void SetTabCaption(HWND tabControl, int index, const std::wstring& caption) {
    wchar_t current[128] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = current;
    item.cchTextMax = static_cast<int>(std::size(current));
    if (TabCtrl_GetItem(tabControl, index, &item) && caption == current)
        return;
    std::wstring text = caption;
    item.pszText = text.data();
    TabCtrl_SetItem(tabControl, index, &item);
    RECT tab{}, strip{};
    GetClientRect(tabControl, &strip);
    if (TabCtrl_GetItemRect(tabControl, 0, &tab))
        strip.bottom = std::min(strip.bottom, tab.bottom + 2);
    InvalidateRect(tabControl, &strip, TRUE);
}

bool AsksAboutEnter(LPARAM dialogCodeParameter) {
    const auto* queued = reinterpret_cast<const MSG*>(dialogCodeParameter);
    return queued != nullptr && queued->message == WM_KEYDOWN && queued->wParam == VK_RETURN;
}

void CenterOnOwner(HWND window, HWND owner) {
    RECT around{};
    RECT box{};
    GetWindowRect(owner, &around);
    GetWindowRect(window, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    int left = around.left + (around.right - around.left - width) / 2;
    int top = around.top + (around.bottom - around.top - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        left = std::max<int>(work.left, std::min<int>(left, work.right - width));
        top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
    }
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE TextExtentIn(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return extent;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void SetWindowTextOf(HWND window, const std::wstring& text) {
    SetWindowTextW(window, text.c_str());
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND button, bool checked) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void SetComboItems(HWND combo, const std::vector<std::wstring>& items) {
    const std::wstring text = WindowText(combo);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : items)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SetWindowTextOf(combo, text);
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0));
        std::wstring item(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(length > 0 ? length : 0));
        items.push_back(std::move(item));
    }
    return items;
}

int ComboIndex(HWND combo) {
    return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

void SetComboIndex(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, index, 0);
}

int UpDownPosition(HWND upDown) {
    BOOL error = FALSE;
    const int position =
        static_cast<int>(SendMessageW(upDown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
    return position;
}

void SetUpDownPosition(HWND upDown, int position) {
    SendMessageW(upDown, UDM_SETPOS32, 0, position);
}

bool PickerValue(HWND picker, SYSTEMTIME& value) {
    return SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value)) == GDT_VALID;
}

void SetPickerValue(HWND picker, const SYSTEMTIME& value) {
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

std::wstring StatusText(HWND statusBar, int panel) {
    const LRESULT info = SendMessageW(statusBar, SB_GETTEXTLENGTHW, panel, 0);
    std::wstring text(static_cast<size_t>(LOWORD(info)) + 1, L'\0');
    SendMessageW(statusBar, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

void SetStatusTextOf(HWND statusBar, int panel, const std::wstring& text) {
    SendMessageW(statusBar, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.c_str()));
}

TListViewDirect::TListViewDirect(HWND list)
    : list_(list), procedure_(reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC))) {}

LRESULT TListViewDirect::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return CallWindowProcW(procedure_, list_, message, wParam, lParam);
}

int TListViewDirect::Count() const {
    return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0));
}

int TListViewDirect::SelectedCount() const {
    return static_cast<int>(Send(LVM_GETSELECTEDCOUNT, 0, 0));
}

int TListViewDirect::NextSelected(int row) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(row), MAKELPARAM(LVNI_SELECTED, 0)));
}

void TListViewDirect::SetSelected(int row, bool selected) const {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

TRedrawSuspended::TRedrawSuspended(HWND control) : control_(control) {
    SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
}

TRedrawSuspended::~TRedrawSuspended() {
    SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control_, nullptr, FALSE);
}

} // namespace quarrow
