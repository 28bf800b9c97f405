#include "results/ClipboardText.h"

#include "base/Handles.h"

#include <cstring>

namespace quarrow {
namespace {

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::GlobalFree(h); }
};
using UniqueGlobal = UniqueResource<GlobalMemoryTraits>;

class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        for (int attempt = 0; attempt < 20 && !opened_; ++attempt) {
            opened_ = OpenClipboard(owner) != FALSE;
            if (!opened_)
                Sleep(10);
        }
    }
    ~OpenedClipboard() {
        if (opened_)
            CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    bool Opened() const { return opened_; }

private:
    bool opened_ = false;
};

} // namespace

bool SetClipboardText(const std::wstring& text, HWND owner) {
    const SIZE_T size = (text.size() + 1) * sizeof(wchar_t);
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory)
        return false;
    void* target = GlobalLock(memory.Get());
    if (target == nullptr)
        return false;
    std::memcpy(target, text.c_str(), size);
    GlobalUnlock(memory.Get());

    OpenedClipboard clipboard(owner);
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
