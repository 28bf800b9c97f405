#include "search/SearchTestKit.h"

#include "base/Handles.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quarrow::test {
namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<DWORD> ThreadsOfThisProcess() {
    std::vector<DWORD> ids;
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !Thread32First(snapshot.Get(), &entry))
        return ids;
    do {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ids.push_back(entry.th32ThreadID);
    } while (Thread32Next(snapshot.Get(), &entry));
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

std::vector<DWORD> ThreadsStartedBy(const std::function<void()>& start) {
    const std::vector<DWORD> before = ThreadsOfThisProcess();
    start();
    const std::vector<DWORD> after = ThreadsOfThisProcess();
    std::vector<DWORD> started;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(started));
    return started;
}

SuspendedThreads::SuspendedThreads(const std::vector<DWORD>& ids) {
    for (const DWORD id : ids) {
        UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, id));
        if (!thread || SuspendThread(thread.Get()) == static_cast<DWORD>(-1))
            continue;
        // Returns once the thread has really stopped.
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(thread.Get(), &context);
        threads_.push_back(std::move(thread));
    }
}

SuspendedThreads::~SuspendedThreads() {
    for (const UniqueHandle& thread : threads_)
        ResumeThread(thread.Get());
}

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

std::vector<TScanKernel> AvailableKernels() {
    std::vector<TScanKernel> kernels;
    for (const TScanKernel kernel : {TScanKernel::Scalar, TScanKernel::Sse2, TScanKernel::Avx2}) {
        if (ScanKernelAvailable(kernel))
            kernels.push_back(kernel);
    }
    return kernels;
}

const unsigned char* PlaceBlock(std::vector<unsigned char>& storage, const std::string& block,
                                const std::string& pattern, size_t shift) {
    storage.resize(shift + block.size() + 192);
    for (size_t i = 0; i < storage.size(); ++i)
        storage[i] = static_cast<unsigned char>(pattern[i % pattern.size()]);
    const auto start = reinterpret_cast<uintptr_t>(storage.data());
    unsigned char* aligned = storage.data() + ((start + 63) / 64 * 64 - start);
    std::memcpy(aligned + shift, block.data(), block.size());
    return aligned + shift;
}

std::vector<int64_t> AllMatches(const TBytePattern& pattern, const unsigned char* block, int64_t length,
                                TScanKernel kernel) {
    std::vector<int64_t> found;
    int64_t matchLength = 0;
    for (int64_t at = pattern.Find(block, length, 0, kernel, &matchLength); at != -1;
         at = pattern.Find(block, length, at + matchLength, kernel, &matchLength))
        found.push_back(at);
    return found;
}

} // namespace quarrow::test
