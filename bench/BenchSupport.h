#pragma once
// What the benchmark programs share: clocks, medians, the printed figures and the
// platform's floors for a walk and for a content search.

#include "base/Handles.h"
#include "base/Prompt.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace quarrow::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double Milliseconds(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The processor time the calling thread has used: on a machine shared with other work,
// this tells the program's own cost apart from the time it waited for a processor.
inline double ThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline void Print(const char* name, double value) {
    std::printf("%s: %.3f\n", name, value);
    std::fflush(stdout);
}

inline std::function<double()> Timed(std::function<void()> action) {
    return [action] {
        const auto start = Clock::now();
        action();
        return Seconds(start);
    };
}

// Runs the measurements in turn, after one warm-up round; returns the median of each.
// Each measurement times itself, so that it can prepare untimed. Each round starts one
// measurement later: what one leaves behind (touched pages, a busy disk cache) would
// otherwise always slow down the same next one.
inline std::vector<double> SideBySide(int repetitions,
                                      const std::vector<std::function<double()>>& measurements) {
    for (const auto& measure : measurements)
        measure();
    std::vector<std::vector<double>> times(measurements.size());
    for (int i = 0; i < repetitions; ++i) {
        for (size_t step = 0; step < measurements.size(); ++step) {
            const size_t m = (static_cast<size_t>(i) + step) % measurements.size();
            times[m].push_back(measurements[m]());
        }
    }
    std::vector<double> medians;
    for (const auto& series : times)
        medians.push_back(Median(series));
    return medians;
}

// The platform's floor: one listing per folder, nothing else. Returns the entries seen.
inline int64_t BareWalk(const std::wstring& folder) {
    int64_t entries = 0;
    WIN32_FIND_DATAW entry;
    std::vector<std::wstring> subFolders;
    UniqueFind find(FindFirstFileExW((folder + L"\\*.*").c_str(), FindExInfoBasic, &entry,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (find) {
        do {
            ++entries;
            const bool dots =
                entry.cFileName[0] == L'.' &&
                (entry.cFileName[1] == 0 || (entry.cFileName[1] == L'.' && entry.cFileName[2] == 0));
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !dots)
                subFolders.push_back(folder + L"\\" + entry.cFileName);
        } while (FindNextFileW(find.Get(), &entry));
    }
    find.Reset();
    for (const std::wstring& sub : subFolders)
        entries += BareWalk(sub);
    return entries;
}

// The work folder named by the program's first argument, made when missing; empty, after a
// line on how to run the program, when there is none.
inline std::wstring WorkFolderArgument(const char* program) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring work = argc >= 2 ? argv[1] : L"";
    LocalFree(argv);
    if (work.empty())
        std::fprintf(stderr, "usage: %s <work folder>\n", program);
    else
        CreateDirectoryW(work.c_str(), nullptr);
    return work;
}

// Answers every question without showing it; a message is written to the error output.
class SilentPrompt : public IPrompt {
public:
    PromptResult Message(PromptType, const std::wstring& text, PromptButtons) override {
        std::fprintf(stderr, "prompt: %ls\n", text.c_str());
        return PromptResult::Ok;
    }
    bool PickFolder(std::wstring&, const std::wstring&) override { return false; }
    bool BrowseFolder(std::wstring&, const std::wstring&, bool) override { return false; }
    bool SaveFileName(const FileDialogOptions&, std::wstring&) override { return false; }
    bool OpenFileName(const FileDialogOptions&, std::wstring&) override { return false; }
};

inline bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool WriteWholeFile(const std::wstring& path, const std::string& content) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && (content.empty() || WriteFile(file.Get(), content.data(),
                                                 static_cast<DWORD>(content.size()), &written, nullptr));
}

// The trees that the window's and the console's searches walk: folders of small .txt files
// below `root`, every entry named "*.txt" (the folders too), 20,000 entries unless told
// otherwise. Made once; the marker tells a tree is complete.
constexpr int EntryTreeFolders = 200;
constexpr int EntryTreeFilesPerFolder = 99;
constexpr int EntryTreeEntries = EntryTreeFolders * (EntryTreeFilesPerFolder + 1);

inline void EnsureEntryTree(const std::wstring& root, int folders = EntryTreeFolders,
                            int filesPerFolder = EntryTreeFilesPerFolder) {
    const std::wstring marker = root + L".complete";
    if (Exists(marker))
        return;
    std::fprintf(stderr, "generating %d entries in %d folders...\n", folders * (filesPerFolder + 1), folders);
    CreateDirectoryW(root.c_str(), nullptr);
    for (int folder = 0; folder < folders; ++folder) {
        const std::wstring path = root + L"\\folder" + std::to_wstring(folder) + L".txt";
        CreateDirectoryW(path.c_str(), nullptr);
        for (int file = 0; file < filesPerFolder; ++file)
            WriteWholeFile(path + L"\\document" + std::to_wstring(file) + L".txt", "x");
    }
    WriteWholeFile(marker, {});
}

// The private memory the process has committed: what its allocations cost the system.
inline size_t CommittedPrivateBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const BYTE* at = nullptr; VirtualQuery(at, &info, sizeof(info)) == sizeof(info);
         at = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        if (static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize < at)
            break;
    }
    return total;
}

// Every file below `folder`, depth first.
inline std::vector<std::wstring> ListFiles(const std::wstring& folder) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW entry;
    UniqueFind find(FindFirstFileExW((folder + L"\\*.*").c_str(), FindExInfoBasic, &entry,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find)
        return files;
    do {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.cFileName[0] == L'.')
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (std::wstring& file : ListFiles(path))
                files.push_back(std::move(file));
        } else {
            files.push_back(path);
        }
    } while (FindNextFileW(find.Get(), &entry));
    return files;
}

// The floor of the content search: open, map and unmap every file, reading nothing; with
// `touchPages`, also read one byte of every page, which is what any scan must pay.
inline void OpenMapUnmap(const std::vector<std::wstring>& files, bool touchPages) {
    // Volatile, so that the reads are not optimised away.
    volatile unsigned char sink = 0;
    for (const std::wstring& path : files) {
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size;
        if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart == 0)
            continue;
        UniqueHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping)
            continue;
        UniqueView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
        const auto* bytes = static_cast<const unsigned char*>(view.Get());
        for (int64_t at = 0; touchPages && bytes && at < size.QuadPart; at += 4096)
            sink = sink + bytes[at];
    }
}

} // namespace quarrow::bench
