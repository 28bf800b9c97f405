#include "shell/ShellPaths.h"

#include "base/Handles.h"

#include <windows.h>

namespace quarrow {

std::wstring DrivePart(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        const size_t serverEnd = path.find(L'\\', 2);
        if (serverEnd == std::wstring::npos)
            return path;
        return path.substr(0, path.find(L'\\', serverEnd + 1));
    }
    return {};
}

bool IsDriveRoot(const std::wstring& path) {
    if (path.empty())
        return false;
    const std::wstring drive = DrivePart(path);
    if (drive == path)
        return true;
    return path.back() == L'\\' && drive == path.substr(0, path.size() - 1);
}

std::wstring FilePathPart(const std::wstring& path) {
    const size_t last = path.find_last_of(L"\\:");
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}

std::wstring FileNamePart(const std::wstring& path) {
    const size_t last = path.find_last_of(L"\\:");
    return last == std::wstring::npos ? path : path.substr(last + 1);
}

bool ObjectExists(const std::wstring& path) {
    if (IsDriveRoot(path))
        return true;
    std::wstring name = path;
    if (!name.empty() && name.back() == L'\\')
        name.pop_back();
    if (name.empty())
        return false;
    WIN32_FIND_DATAW data;
    return UniqueFind(FindFirstFileW(name.c_str(), &data)).Valid();
}

} // namespace quarrow
