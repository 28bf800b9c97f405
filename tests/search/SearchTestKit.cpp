#include "search/SearchTestKit.h"

#include "base/Handles.h"

namespace quarrow::test {
namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// "Z:\a\b" names the Linux path "/a/b" under Wine.
std::wstring LinuxPath(const std::wstring& path) {
    if (path.size() < 3 || (path[0] != L'Z' && path[0] != L'z') || path[1] != L':')
        return {};
    std::wstring result = path.substr(2);
    for (wchar_t& c : result) {
        if (c == L'\\')
            c = L'/';
    }
    return result;
}

} // namespace

bool MakeSparseFile(const std::wstring& path, int64_t size, int64_t offset, const std::string& text) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = size;
    if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get()))
        return false;
    if (text.empty())
        return true;
    DWORD written = 0;
    at.QuadPart = offset;
    return SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) &&
           WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && Exists(link))
        return true;
    const std::wstring linuxLink = LinuxPath(link), linuxTarget = LinuxPath(target);
    if (linuxLink.empty() || linuxTarget.empty())
        return false;
    // Wine starts a Linux program without a process handle to wait on: poll for the link.
    std::wstring command = L"/bin/ln -s \"" + linuxTarget + L"\" \"" + linuxLink + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    UniqueHandle thread(process.hThread), handle(process.hProcess);
    for (int i = 0; i < 100 && !Exists(link); ++i)
        Sleep(50);
    return Exists(link);
}

} // namespace quarrow::test
