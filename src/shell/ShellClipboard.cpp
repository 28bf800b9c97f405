#include "shell/ShellClipboard.h"

#include "base/Clipboard.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <utility>

namespace quarrow {
namespace {

UINT DropEffectFormat() {
    return RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
}

struct FormatData {
    UINT format;
    UniqueGlobal data;
};

// The shell's formats worth keeping when the clipboard is rewritten. The data object's own
// formats are left out: they would name an object that emptying the clipboard releases.
bool IsShellFileFormat(UINT format) {
    if (format == CF_HDROP)
        return true;
    for (const wchar_t* name :
         {CFSTR_SHELLIDLIST, CFSTR_SHELLIDLISTOFFSET, CFSTR_FILENAMEA, CFSTR_FILENAMEW}) {
        if (format == RegisterClipboardFormatW(name))
            return true;
    }
    return false;
}

std::vector<FormatData> CopyShellFormats() {
    std::vector<FormatData> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        if (!IsShellFileFormat(format))
            continue;
        HANDLE data = GetClipboardData(format);
        if (data == nullptr)
            continue;
        const void* source = GlobalLock(data);
        if (source == nullptr)
            continue;
        UniqueGlobal copy = GlobalCopy(source, GlobalSize(data));
        GlobalUnlock(data);
        if (copy)
            formats.push_back({format, std::move(copy)});
    }
    return formats;
}

bool PutFormats(std::vector<FormatData>& formats) {
    if (!EmptyClipboard())
        return false;
    for (FormatData& entry : formats) {
        if (SetClipboardData(entry.format, entry.data.Get()) == nullptr)
            return false;
        entry.data.Release(); // the clipboard owns it now
    }
    return true;
}

UniqueGlobal DropEffectData(DWORD dropEffect) {
    return GlobalCopy(&dropEffect, sizeof(dropEffect));
}

UniqueGlobal FileListData(const std::vector<std::wstring>& paths) {
    std::wstring names;
    for (const std::wstring& path : paths)
        names.append(path).push_back(L'\0');
    names.push_back(L'\0');
    const SIZE_T namesSize = names.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(sizeof(DROPFILES) + namesSize);
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(buffer.data(), &header, sizeof(header));
    std::memcpy(buffer.data() + sizeof(DROPFILES), names.data(), namesSize);
    return GlobalCopy(buffer.data(), buffer.size());
}

} // namespace

DWORD ClipboardDropEffect() {
    OpenedClipboard clipboard(nullptr);
    if (!clipboard.Opened())
        return 0;
    HANDLE data = GetClipboardData(DropEffectFormat());
    if (data == nullptr || GlobalSize(data) < sizeof(DWORD))
        return 0;
    DWORD effect = 0;
    if (const void* source = GlobalLock(data)) {
        std::memcpy(&effect, source, sizeof(effect));
        GlobalUnlock(data);
    }
    return effect;
}

bool SetClipboardFileList(const std::vector<std::wstring>& paths, DWORD dropEffect, HWND owner) {
    std::vector<FormatData> formats;
    formats.push_back({CF_HDROP, FileListData(paths)});
    formats.push_back({DropEffectFormat(), DropEffectData(dropEffect)});
    if (!formats[0].data || !formats[1].data)
        return false;
    WritableClipboard clipboard(owner);
    return clipboard.Opened() && PutFormats(formats);
}

bool EnsureClipboardDropEffect(DWORD dropEffect, HWND owner) {
    if (ClipboardDropEffect() == dropEffect)
        return true;
    WritableClipboard clipboard(owner);
    if (!clipboard.Opened())
        return false;
    std::vector<FormatData> formats = CopyShellFormats();
    const UINT effectFormat = DropEffectFormat();
    formats.push_back({effectFormat, DropEffectData(dropEffect)});
    return formats.back().data && PutFormats(formats);
}

} // namespace quarrow
