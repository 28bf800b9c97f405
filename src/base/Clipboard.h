#pragma once
// The clipboard's plumbing shared by the text and the file-list writers.

#include "base/Handles.h"

#include <windows.h>

namespace quarrow {

// Movable global memory holding a copy of `size` bytes; empty when it cannot be made.
UniqueGlobal GlobalCopy(const void* data, SIZE_T size);

// Holds the clipboard open for its lifetime. Another program may hold it for a moment.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner);
    ~OpenedClipboard();
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    bool Opened() const { return opened_; }

private:
    bool opened_ = false;
};

// The clipboard opened for a write. Emptying the clipboard without an owner window would
// make every later write fail, so a window is made for the write when the caller has none.
class WritableClipboard {
public:
    explicit WritableClipboard(HWND owner);

    bool Opened() const { return clipboard_.Opened(); }

private:
    UniqueWindow window_; // destroyed after the clipboard is closed
    OpenedClipboard clipboard_;
};

} // namespace quarrow
