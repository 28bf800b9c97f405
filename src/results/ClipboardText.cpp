#include "results/ClipboardText.h"

#include "base/Clipboard.h"

#include <cstring>

namespace quarrow {

bool SetClipboardText(const std::wstring& text, HWND owner) {
    UniqueGlobal memory = GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    if (!memory)
        return false;
    WritableClipboard clipboard(owner);
    if (!clipboard.Opened() || !EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr)
        return false;
    memory.Release(); // the clipboard owns it now
    return true;
}

std::wstring ClipboardText() {
    OpenedClipboard clipboard(nullptr);
    if (!clipboard.Opened())
        return {};
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr)
        return {};
    std::wstring text;
    if (const auto* source = static_cast<const wchar_t*>(GlobalLock(data))) {
        text.assign(source, wcsnlen(source, GlobalSize(data) / sizeof(wchar_t)));
        GlobalUnlock(data);
    }
    return text;
}

} // namespace quarrow
