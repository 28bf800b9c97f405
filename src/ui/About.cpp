#include "ui/About.h"

#include "ui/Controls.h"
#include "ui/Resources.h"
#include "ui/UiFont.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <utility>

namespace quarrow {
namespace {

const wchar_t AboutWindowClass[] = L"QuarrowAboutBox";
const COLORREF LinkColor = RGB(0, 0, 0x80); // navy

enum TAboutControlId : int { IdLabelInternet = 101, IdLabelEmail };

enum class TFontKind { Box, Product, Link };

// A control of the box at its designed place in 96-DPI pixels; labels of width 0 take the
// width of their text.
struct TAboutControl {
    HWND TMyAboutForm::*Field;
    const wchar_t* ClassName;
    DWORD Style;
    int Id;
    TFontKind Font;
    int X, Y, W, H;
};

using F = TMyAboutForm;
constexpr DWORD Label = SS_LEFT | SS_NOPREFIX;
constexpr DWORD Link = SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
constexpr DWORD Separator = SS_ETCHEDHORZ;

const TAboutControl AboutControls[] = {
    {&F::Image1, WC_STATICW, SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL, -1, TFontKind::Box, 12, 12, 52,
     52},
    {&F::LabelProductName, WC_STATICW, Label, -1, TFontKind::Product, 76, 14, 0, 0},
    {&F::LabelVersion, WC_STATICW, Label, -1, TFontKind::Box, 76, 38, 0, 0},
    {&F::LabelCopyright, WC_STATICW, Label, -1, TFontKind::Box, 76, 54, 0, 0},
    {&F::Panel1, WC_STATICW, Separator, -1, TFontKind::Box, 12, 78, 315, 2},
    {&F::LabelContact, WC_STATICW, Label, -1, TFontKind::Box, 12, 90, 0, 0},
    {&F::LabelInternetCaption, WC_STATICW, Label, -1, TFontKind::Box, 24, 112, 0, 0},
    {&F::LabelInternet, WC_STATICW, Link, IdLabelInternet, TFontKind::Link, 84, 112, 0, 0},
    {&F::LabelEmailCaption, WC_STATICW, Label, -1, TFontKind::Box, 24, 132, 0, 0},
    {&F::LabelEmail, WC_STATICW, Link, IdLabelEmail, TFontKind::Link, 84, 132, 0, 0},
    {&F::Panel3, WC_STATICW, Separator, -1, TFontKind::Box, 12, 200, 315, 2},
    {&F::ButtonOK, WC_BUTTONW, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, TFontKind::Box, 132, 214, 75, 23},
};

constexpr int ClientWidth = 339;
constexpr int ClientHeight = 248;

UniqueGdiObject MakeFont(const std::wstring& face, int height, int weight, bool underline) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfUnderline = underline ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return UniqueGdiObject(CreateFontIndirectW(&font));
}

SIZE TextSize(HWND control, HGDIOBJ font) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), length, &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

} // namespace

std::wstring TAboutInfo::MailLink() const {
    return L"mailto:" + Email + L"?subject=" + ProductName + L" v" + Version;
}

LRESULT CALLBACK AboutFormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TMyAboutForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TMyAboutForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr) {
        try {
            return self->HandleMessage(message, wParam, lParam);
        } catch (const std::exception&) {
            // A link that cannot be opened shows nothing.
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TMyAboutForm::TMyAboutForm(HWND owner, TAboutInfo info) : owner_(owner), info_(std::move(info)) {
    OpenLink = [this](const std::wstring& link) {
        ShellExecuteW(handle_, L"open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
}

TMyAboutForm::~TMyAboutForm() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

bool TMyAboutForm::Create(int dpi) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterFaceColouredClass(AboutWindowClass, AboutFormWindowProc);

    dpi_ = dpi;
    CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, AboutWindowClass, L"",
                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, Scale(ClientWidth),
                    Scale(ClientHeight), owner_, nullptr, instance, this);
    if (handle_ == nullptr)
        return false;
    for (const TAboutControl& control : AboutControls) {
        this->*control.Field = CreateWindowExW(
            0, control.ClassName, L"", WS_CHILD | WS_VISIBLE | control.Style, 0, 0, 0, 0, handle_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.Id)), instance, nullptr);
    }
    FormCreate();
    return true;
}

void TMyAboutForm::FormCreate() {
    SetWindowTextW(handle_, (L"About " + info_.ProductName).c_str());
    SetWindowTextW(LabelProductName, info_.ProductName.c_str());
    SetWindowTextW(LabelVersion, (L"Version " + info_.Version).c_str());
    SetWindowTextW(LabelCopyright, info_.Copyright.c_str());
    SetWindowTextW(LabelContact, L"Contact information:");
    SetWindowTextW(LabelInternetCaption, L"Internet:");
    SetWindowTextW(LabelInternet, info_.Internet.c_str());
    SetWindowTextW(LabelEmailCaption, L"E-mail:");
    SetWindowTextW(LabelEmail, info_.Email.c_str());
    SetWindowTextW(ButtonOK, L"&OK");
    CreateFonts();
    Layout();
}

void TMyAboutForm::CreateFonts() {
    const std::wstring face = GetUIFontName();
    const int height = -MulDiv(GetUIFontSize(), dpi_, 72);
    font_ = MakeFont(face, height, FW_NORMAL, false);
    productFont_ = MakeFont(L"Tahoma", -Scale(13), FW_BOLD, false);
    linkFont_ = MakeFont(face, height, FW_NORMAL, true);
    const int size = Scale(48);
    picture_.Reset(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUARROW), IMAGE_ICON, size, size, 0)));
}

void TMyAboutForm::Layout() {
    RECT frame{0, 0, Scale(ClientWidth), Scale(ClientHeight)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE)));
    SetWindowPos(handle_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(Image1, STM_SETICON, reinterpret_cast<WPARAM>(picture_.Get()), 0);
    for (const TAboutControl& control : AboutControls) {
        const HWND window = this->*control.Field;
        const HGDIOBJ font = control.Font == TFontKind::Product ? productFont_.Get()
                             : control.Font == TFontKind::Link  ? linkFont_.Get()
                                                                : font_.Get();
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        int width = Scale(control.W);
        int height = Scale(control.H);
        if (control.W == 0) {
            const SIZE text = TextSize(window, font);
            width = text.cx;
            height = text.cy;
        }
        SetWindowPos(window, nullptr, Scale(control.X), Scale(control.Y), width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(handle_, nullptr, TRUE);
}

void TMyAboutForm::SetDpi(int dpi) {
    if (dpi == dpi_ || handle_ == nullptr)
        return;
    dpi_ = dpi;
    CreateFonts();
    Layout();
}

std::wstring TMyAboutForm::Caption() const {
    wchar_t text[128] = {};
    GetWindowTextW(handle_, text, 128);
    return text;
}

PromptResult TMyAboutForm::ShowModal() {
    if (handle_ == nullptr || modal_)
        return PromptResult::Cancel;
    modal_ = true;
    closing_ = false;

    RECT box{};
    GetWindowRect(handle_, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    RECT around{};
    if (owner_ == nullptr || !GetWindowRect(owner_, &around))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromRect(&around, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const LONG left = std::clamp<LONG>((around.left + around.right - width) / 2, work.left,
                                       std::max<LONG>(work.left, work.right - width));
    const LONG top = std::clamp<LONG>((around.top + around.bottom - height) / 2, work.top,
                                      std::max<LONG>(work.top, work.bottom - height));
    SetWindowPos(handle_, HWND_TOP, left, top, 0, 0, SWP_NOSIZE);

    const bool disableOwner = owner_ != nullptr && IsWindowEnabled(owner_);
    if (disableOwner)
        EnableWindow(owner_, FALSE);
    ShowWindow(handle_, SW_SHOW);
    SetFocus(ButtonOK);

    MSG message{};
    bool quit = false;
    while (!closing_ && handle_ != nullptr) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit = got == 0;
            break;
        }
        if (handle_ != nullptr && IsDialogMessageW(handle_, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The owner is enabled before the box goes, so that it becomes the active window again.
    if (disableOwner)
        EnableWindow(owner_, TRUE);
    if (handle_ != nullptr)
        ShowWindow(handle_, SW_HIDE);
    if (quit)
        PostQuitMessage(static_cast<int>(message.wParam));
    modal_ = false;
    return PromptResult::Ok;
}

void TMyAboutForm::LabelInternetClick() {
    if (OpenLink)
        OpenLink(info_.Internet);
}

void TMyAboutForm::LabelEmailClick() {
    if (OpenLink)
        OpenLink(info_.MailLink());
}

void TMyAboutForm::LabelEmailMouseEnter() {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
}

void TMyAboutForm::LabelEmailMouseLeave() {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

LRESULT TMyAboutForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            closing_ = true;
            return 0;
        case IdLabelInternet:
            if (HIWORD(wParam) == STN_CLICKED)
                LabelInternetClick();
            return 0;
        case IdLabelEmail:
            if (HIWORD(wParam) == STN_CLICKED)
                LabelEmailClick();
            return 0;
        default:
            break;
        }
        break;
    case WM_CLOSE:
        closing_ = true;
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, IsLink(reinterpret_cast<HWND>(lParam)) ? LinkColor : GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            if (IsLink(reinterpret_cast<HWND>(wParam)))
                LabelEmailMouseEnter();
            else
                LabelEmailMouseLeave();
            return TRUE;
        }
        break;
    case WM_NCDESTROY: {
        const HWND window = std::exchange(handle_, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

TAboutForm::TAboutForm(HWND owner)
    : TMyAboutForm(owner, {QUARROW_PRODUCT_NAME, QUARROW_VERSION_TEXT, L"Copyright \u00A9 Quarrow developers",
                           L"https://quarrow.example.org/", L"support@quarrow.example.org"}) {}

} // namespace quarrow
