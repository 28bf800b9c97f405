#include "base/Clipboard.h"

#include <cstring>

namespace quarrow {

UniqueGlobal GlobalCopy(const void* data, SIZE_T size) {
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!memory)
        return {};
    if (void* target = GlobalLock(memory.Get())) {
        std::memcpy(target, data, size);
        GlobalUnlock(memory.Get());
        return memory;
    }
    return {};
}

OpenedClipboard::OpenedClipboard(HWND owner) {
    for (int attempt = 0; attempt < 20 && !opened_; ++attempt) {
        opened_ = OpenClipboard(owner) != FALSE;
        if (!opened_)
            Sleep(10);
    }
}

OpenedClipboard::~OpenedClipboard() {
    if (opened_)
        CloseClipboard();
}

WritableClipboard::WritableClipboard(HWND owner)
    : window_(owner != nullptr ? nullptr
                               : CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                 GetModuleHandleW(nullptr), nullptr)),
      clipboard_(owner != nullptr ? owner : window_.Get()) {}

} // namespace quarrow
