#include "search/SearchTestKit.h"

#include "base/Handles.h"

namespace quarrow::test {
namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
    return RunLinuxCommand(L"/bin/ln -s", target, link, [&link] { return Exists(link); });
}

} // namespace quarrow::test
