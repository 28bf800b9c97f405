#include "ui/Splitter.h"

#include "ui/Controls.h"

#include <windowsx.h>

namespace quarrow {
namespace {

const wchar_t SplitterClass[] = L"QuarrowSplitter";

} // namespace

LRESULT CALLBACK SplitterWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TSplitter*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TSplitter*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

TSplitter::~TSplitter() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

bool TSplitter::Create(HWND parent, int id) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterFaceColouredClass(SplitterClass, SplitterWindowProc, IDC_SIZENS);
    CreateWindowExW(0, SplitterClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    return handle_ != nullptr;
}

LRESULT TSplitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        dragging_ = true;
        grip_ = GET_Y_LPARAM(lParam);
        SetCapture(handle_);
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_ && OnDrag) {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            MapWindowPoints(handle_, GetParent(handle_), &at, 1);
            OnDrag(at.y - grip_);
        }
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        return 0;
    default:
        return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

} // namespace quarrow
