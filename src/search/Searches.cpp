#include "search/Searches.h"

#include "base/ReadGuard.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace quarrow {

TBaseSearch::TBaseSearch() {
    BuildLowerMap();
}

TBaseSearch::~TBaseSearch() {
    ClearBuffer();
}

// The locale's lower-case form of every ANSI byte, fixed for the object's life.
void TBaseSearch::BuildLowerMap() {
    FLowerMap = AnsiLowerMap();
}

void TBaseSearch::SetPattern(const std::string& value) {
    if (value == FPattern)
        return;
    FPattern = value;
    FPatternLength = static_cast<int64_t>(value.size());
    FTablesReady = false;
}

void TBaseSearch::SetCaseSensitive(bool value) {
    if (value == FCaseSensitive)
        return;
    FCaseSensitive = value;
    FTablesReady = false;
}

void TBaseSearch::SetForm(TTextForm value) {
    if (value == FForm)
        return;
    FForm = value;
    FTablesReady = false;
}

void TBaseSearch::SetBuffer(const void* buffer, int64_t length) {
    ClearBuffer();
    if (buffer != nullptr && length >= 1) {
        FBuffer = static_cast<const unsigned char*>(buffer);
        FBufferLength = length;
    }
}

void TBaseSearch::ClearBuffer() {
    FBuffer = nullptr;
    FNext = 0;
    FBufferLength = 0;
}

void TBaseSearch::BuildTables() {
    if (FPatternLength == 0)
        return;
    const auto same = [this](const std::unique_ptr<TBytePattern>& compiled) {
        return compiled->Bytes() == FPattern && compiled->Form() == FForm &&
               compiled->CaseSensitive() == FCaseSensitive;
    };
    auto found = std::find_if(FCompiledPatterns.begin(), FCompiledPatterns.end(), same);
    if (found == FCompiledPatterns.end()) {
        constexpr size_t Kept = 4;
        if (FCompiledPatterns.size() == Kept)
            FCompiledPatterns.erase(FCompiledPatterns.begin());
        FCompiledPatterns.push_back(
            std::make_unique<TBytePattern>(FPattern, FForm, FCaseSensitive, FLowerMap));
        found = FCompiledPatterns.end() - 1;
    }
    FCompiled = found->get();
    FTablesReady = true;
}

int64_t TBaseSearch::Search() {
    if (FBuffer == nullptr)
        return -1;
    FNext = 0;
    return SearchNext();
}

int64_t TBaseSearch::SearchNext() {
    if (!FTablesReady)
        BuildTables();
    const int64_t found =
        FPatternLength == 0 || FBuffer == nullptr
            ? -1
            : FCompiled->Find(FBuffer, FBufferLength, FNext, TScanKernel::Best, &FMatchLength);
    if (found < 0) {
        FNext = FBufferLength;
        return -1;
    }
    FNext = found + FMatchLength;
    return found;
}

int64_t TBaseSearch::LongestMatch() {
    if (!FTablesReady)
        BuildTables();
    return FPatternLength == 0 ? 0 : FCompiled->LongestMatch();
}

TFileSearch::~TFileSearch() {
    CloseFile();
}

void TFileSearch::CloseFile() {
    ClearBuffer();
    view_.Reset();
    mapping_.Reset();
    FFilename.clear();
    fileSize_ = 0;
    windowStep_ = 0;
    windowIndex_ = -1;
    windowBase_ = 0;
    lastMatchEnd_ = 0;
    encoding_ = {};
}

namespace {

// Opens the file and creates a read-only mapping of all of it; false when the file cannot
// be opened, is empty, or cannot be mapped (then `error` tells why; 0 for an empty file).
// The file handle is closed on return.
bool OpenMapping(const std::wstring& path, UniqueHandle& mapping, int64_t& size, DWORD& error) {
    error = 0;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length{};
    if (!file || !GetFileSizeEx(file.Get(), &length)) {
        error = GetLastError();
        return false;
    }
    if (length.QuadPart <= 0)
        return false;
    mapping.Reset(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    size = length.QuadPart;
    if (!mapping)
        error = GetLastError();
    return static_cast<bool>(mapping);
}

bool FitsOneView(int64_t size, int64_t maxSize) {
    return size <= maxSize && static_cast<uint64_t>(size) <= SIZE_MAX;
}

} // namespace

TMappedFile MapWholeFile(const std::wstring& path, int64_t maxSize) {
    TMappedFile file;
    UniqueHandle mapping;
    int64_t size = 0;
    DWORD error = 0;
    if (!OpenMapping(path, mapping, size, error) || !FitsOneView(size, maxSize))
        return file;
    file.view.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (file.view)
        file.size = size;
    return file;
}

void TFileSearch::SetFilename(const std::wstring& value) {
    CloseFile();
    openError_ = 0;
    readError_ = 0;
    if (value.empty())
        return;
    UniqueHandle mapping;
    int64_t size = 0;
    if (!OpenMapping(value, mapping, size, openError_))
        return;
    fileSize_ = size;
    if (FitsOneView(fileSize_, maxViewSize_)) {
        view_.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
        if (view_)
            SetBuffer(view_.Get(), fileSize_);
    }
    if (!view_) {
        mapping_ = std::move(mapping);
        constexpr int64_t largestWindow = int64_t{256} << 20;
        if (!StartWindows(std::min(maxViewSize_, largestWindow))) {
            CloseFile();
            openError_ = std::exchange(readError_, 0);
            return;
        }
    }
    FFilename = value;
    DetectEncoding();
}

void TFileSearch::SetMappedFile(const std::wstring& value, TMappedFile file) {
    CloseFile();
    openError_ = 0;
    readError_ = 0;
    if (value.empty() || !file.view || file.size <= 0)
        return;
    view_ = std::move(file.view);
    fileSize_ = file.size;
    SetBuffer(view_.Get(), fileSize_);
    FFilename = value;
    DetectEncoding();
}

// Finds a window size that can be mapped, halving down to the allocation granularity.
bool TFileSearch::StartWindows(int64_t preferredStep) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int64_t granularity = info.dwAllocationGranularity;
    for (int64_t step = std::max(preferredStep / granularity, int64_t{1}) * granularity;; step /= 2) {
        step = std::max(step / granularity, int64_t{1}) * granularity;
        windowStep_ = step;
        if (MapWindow(0)) {
            // A larger view that could not be mapped is no failure.
            readError_ = 0;
            return true;
        }
        if (step == granularity)
            break;
    }
    windowStep_ = 0;
    return false;
}

// Window i covers the windows of the pattern that start in [i * step, (i + 1) * step).
bool TFileSearch::MapWindow(int64_t index) {
    ClearBuffer();
    view_.Reset();
    windowIndex_ = -1;
    const int64_t offset = index * windowStep_;
    if (offset >= fileSize_)
        return false;
    const int64_t overlap = std::max<int64_t>(LongestMatch() - 1, 0);
    const int64_t length = std::min(windowStep_ + overlap, fileSize_ - offset);
    view_.Reset(MapViewOfFile(mapping_.Get(), FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                              static_cast<DWORD>(offset & 0xFFFFFFFF), static_cast<SIZE_T>(length)));
    if (!view_) {
        readError_ = GetLastError();
        return false;
    }
    SetBuffer(view_.Get(), length);
    windowIndex_ = index;
    windowBase_ = offset;
    return true;
}

int64_t TFileSearch::FoundInWindow(int64_t offset) {
    lastMatchEnd_ = windowBase_ + offset + MatchLength();
    return windowBase_ + offset;
}

int64_t TFileSearch::SearchWindowsFrom(int64_t index) {
    if (PatternLength() == 0)
        return -1;
    for (; index * windowStep_ < fileSize_; ++index) {
        if (index > 0 && OnProgress && !OnProgress()) {
            CloseFile();
            return -1;
        }
        // The overlap depends on the pattern, so even window 0 is mapped again.
        if (!MapWindow(index))
            return -1;
        SetScanStart(std::max<int64_t>(lastMatchEnd_ - windowBase_, 0));
        const int64_t found = ScanView(false);
        if (found >= 0)
            return FoundInWindow(found);
        if (!view_)
            return -1;
    }
    return -1;
}

void TFileSearch::DetectEncoding() {
    const auto sample = static_cast<size_t>(std::min<int64_t>(BufferLength(), EncodingSampleLength));
    const bool whole = RunGuardedRead(Buffer(), sample,
                                      [this, sample] { encoding_ = DetectTextEncoding(Buffer(), sample); });
    if (!whole) {
        CloseFile();
        readError_ = ERROR_READ_FAULT;
    }
}

int64_t TFileSearch::ScanView(bool fromStart) {
    // Compiled outside the guard, which is left without unwinding.
    LongestMatch();
    int64_t found = -1;
    const bool whole =
        RunGuardedRead(Buffer(), static_cast<size_t>(BufferLength()), [this, fromStart, &found] {
            found = fromStart ? TBaseSearch::Search() : TBaseSearch::SearchNext();
        });
    if (!whole) {
        CloseFile();
        readError_ = ERROR_READ_FAULT;
        return -1;
    }
    return found;
}

int64_t TFileSearch::Search() {
    if (windowStep_ == 0)
        return ScanView(true);
    lastMatchEnd_ = 0;
    return SearchWindowsFrom(0);
}

int64_t TFileSearch::SearchNext() {
    if (windowStep_ == 0)
        return ScanView(false);
    if (windowIndex_ < 0)
        return -1;
    const int64_t found = ScanView(false);
    if (found >= 0)
        return FoundInWindow(found);
    if (!view_)
        return -1;
    return SearchWindowsFrom(windowIndex_ + 1);
}

} // namespace quarrow
