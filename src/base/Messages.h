#pragma once
// Letting the GUI thread handle pending messages from inside a long operation, and the
// hourglass cursor for such operations.

#include <windows.h>

namespace quarrow {

// Dispatches every pending message of the calling thread. A WM_QUIT met on the way is
// posted again so that the outer message loop still sees it.
void ProcessMessages();
// Handles the messages other threads send and repaints the windows that need it, and takes
// no input and no posted message: for a long operation that nothing may re-enter.
void ProcessSentAndPaintMessages();

// Lets the main window route keyboard navigation (IsDialogMessage) while messages are
// pumped from inside a handler. Returns true when the message was consumed.
using MessageFilter = bool (*)(MSG& message);
void SetMessageFilter(MessageFilter filter);
bool FilterMessage(MSG& message);

// Shows the hourglass for its lifetime and restores the previous cursor on every path.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // True while any WaitCursor lives; WM_SETCURSOR handlers keep the hourglass then.
    static bool Active();

private:
    HCURSOR previous_;
};

} // namespace quarrow
