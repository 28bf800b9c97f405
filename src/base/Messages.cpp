#include "base/Messages.h"

namespace quarrow {
namespace {
MessageFilter g_filter = nullptr;
int g_waitDepth = 0;
} // namespace

void SetMessageFilter(MessageFilter filter) { g_filter = filter; }

bool FilterMessage(MSG& message) { return g_filter != nullptr && g_filter(message); }

void ProcessMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (FilterMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void ProcessSentAndPaintMessages() {
    MSG message;
    // The peek itself handles the sent messages.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    // A window whose painting leaves its area invalid would otherwise be painted forever.
    for (int painted = 0;
         painted < 64 && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT);
         ++painted)
        DispatchMessageW(&message);
}

WaitCursor::WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) { ++g_waitDepth; }

WaitCursor::~WaitCursor() {
    --g_waitDepth;
    SetCursor(previous_);
}

bool WaitCursor::Active() { return g_waitDepth > 0; }

} // namespace quarrow
