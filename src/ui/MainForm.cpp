#include "ui/MainForm.h"

#include "base/Messages.h"
#include "ui/Resources.h"

#include <utility>

namespace quarrow {
namespace {
const wchar_t MainWindowClass[] = L"QuarrowMainWindow";
}

TMainForm::TMainForm() : prompt_(std::make_unique<WinPrompt>()) {}

TMainForm::~TMainForm() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

bool TMainForm::Create(const std::wstring& commandLineLocation) {
    commandLineLocation_ = commandLineLocation;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUARROW));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUARROW), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = MainWindowClass;
    RegisterClassExW(&wc);
    CreateWindowExW(WS_EX_APPWINDOW, MainWindowClass, QUARROW_PRODUCT_NAME, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, 549, 454, nullptr, nullptr, instance, this);
    if (handle_ != nullptr)
        static_cast<WinPrompt*>(prompt_.get())->SetOwner(handle_);
    return handle_ != nullptr;
}

void TMainForm::Show(int showCommand) {
    ShowWindow(handle_, showCommand);
    UpdateWindow(handle_);
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        const HWND hwnd = std::exchange(handle_, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
        return DefWindowProcW(handle_, message, wParam, lParam);
    }
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
