#pragma once
// A bar between two areas of a window that the user drags to share the height between them.

#include <windows.h>

#include <functional>

namespace quarrow {

class TSplitter {
public:
    TSplitter() = default;
    ~TSplitter();
    TSplitter(const TSplitter&) = delete;
    TSplitter& operator=(const TSplitter&) = delete;

    // A child of `parent`, placed by the parent's layout.
    bool Create(HWND parent, int id);
    HWND Handle() const { return handle_; }

    // While the bar is dragged: the top the bar would have, in the parent's client area.
    std::function<void(int top)> OnDrag;

private:
    friend LRESULT CALLBACK SplitterWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    int grip_ = 0; // where in the bar the drag took hold
    bool dragging_ = false;
};

} // namespace quarrow
