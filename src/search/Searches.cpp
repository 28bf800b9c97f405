#include "search/Searches.h"

#include "base/ReadGuard.h"
#include "base/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace quarrow {
namespace {

// The byte length of the UTF-8 sequence that starts at `text[at]`, or 0 when none does.
size_t Utf8SequenceLength(const std::string& text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

std::wstring MappedCase(const std::wstring& text, DWORD flags) {
    wchar_t buffer[8] = {};
    const int length = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, text.c_str(),
                                     static_cast<int>(text.size()), buffer, 8, nullptr, nullptr, 0);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace

TBaseSearch::TBaseSearch() {
    BuildLowerMap();
}

TBaseSearch::~TBaseSearch() {
    ClearBuffer();
}

// The locale's lower-case form of every ANSI byte, fixed for the object's life.
void TBaseSearch::BuildLowerMap() {
    for (int c = 0; c < 256; ++c) {
        char one = static_cast<char>(c);
        CharLowerBuffA(&one, 1);
        FLowerMap[c] = static_cast<unsigned char>(one);
    }
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

void TBaseSearch::SetUtf8(bool value) {
    if (value == FUtf8)
        return;
    FUtf8 = value;
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
    FCurrent = 0;
    FBufferLength = 0;
}

void TBaseSearch::BuildTables() {
    const int64_t n = FPatternLength;
    if (n == 0)
        return;
    // A UTF-8 pattern ignoring case: letters of other scripts may change bytes with their
    // case, so every byte from 0x80 up is one class for the skips and the candidates are
    // checked character by character.
    const bool utf8Folding = FUtf8 && !FCaseSensitive;
    for (int c = 0; c < 256; ++c) {
        if (FCaseSensitive)
            FFold[c] = static_cast<unsigned char>(c);
        else if (utf8Folding)
            FFold[c] = c >= 0x80 ? 0x80 : c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
        else
            FFold[c] = FLowerMap[c];
    }
    FFoldedPattern = FPattern;
    for (char& c : FFoldedPattern)
        c = static_cast<char>(FFold[static_cast<unsigned char>(c)]);
    FMatchUtf8Units = utf8Folding;
    if (utf8Folding && (FUtf8Units.empty() || FUtf8UnitsPattern != FPattern))
        BuildUtf8Units();

    const auto* p = reinterpret_cast<const unsigned char*>(FFoldedPattern.data());
    // Distances beyond the int32 range never matter: a skip that long leaves any block.
    const int32_t full = static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
    int32_t folded[256];
    std::fill(std::begin(folded), std::end(folded), full);
    for (int64_t j = 0; j < n - 1; ++j) {
        const int64_t distance = n - 1 - j;
        if (distance < full)
            folded[p[j]] = static_cast<int32_t>(distance);
    }
    FMatchShift = folded[p[n - 1]];
    folded[p[n - 1]] = 0;
    for (int c = 0; c < 256; ++c)
        FSkip[c] = folded[FFold[c]];
    FTablesReady = true;
}

// Each character matches its own bytes and those of its lower- and upper-case forms that
// have as many bytes; bytes that are no UTF-8 character match only themselves.
void TBaseSearch::BuildUtf8Units() {
    FUtf8Units.clear();
    FUtf8UnitsPattern = FPattern;
    for (size_t at = 0; at < FPattern.size();) {
        TUtf8Unit unit;
        unit.offset = static_cast<int64_t>(at);
        const size_t length = Utf8SequenceLength(FPattern, at);
        if (length == 0) {
            unit.folded = FFold[static_cast<unsigned char>(FPattern[at])];
            if (static_cast<unsigned char>(FPattern[at]) >= 0x80)
                unit.forms.push_back(FPattern.substr(at, 1));
            FUtf8Units.push_back(std::move(unit));
            ++at;
            continue;
        }
        const std::string own = FPattern.substr(at, length);
        unit.forms.push_back(own);
        const std::wstring character = FromUtf8(own);
        for (DWORD mapping : {LCMAP_LOWERCASE, LCMAP_UPPERCASE}) {
            const std::string form = ToUtf8(MappedCase(character, mapping));
            if (form.size() == length &&
                std::find(unit.forms.begin(), unit.forms.end(), form) == unit.forms.end())
                unit.forms.push_back(form);
        }
        FUtf8Units.push_back(std::move(unit));
        at += length;
    }
}

bool TBaseSearch::Utf8UnitsMatch(const unsigned char* window) const {
    for (const TUtf8Unit& unit : FUtf8Units) {
        const unsigned char* at = window + unit.offset;
        if (unit.forms.empty()) {
            if (FFold[*at] != unit.folded)
                return false;
            continue;
        }
        const bool any = std::any_of(unit.forms.begin(), unit.forms.end(), [at](const std::string& form) {
            return std::memcmp(at, form.data(), form.size()) == 0;
        });
        if (!any)
            return false;
    }
    return true;
}

bool TBaseSearch::WindowMatches(const unsigned char* window) const {
    if (FMatchUtf8Units)
        return Utf8UnitsMatch(window);
    const auto* p = reinterpret_cast<const unsigned char*>(FFoldedPattern.data());
    const size_t count = static_cast<size_t>(FPatternLength - 1);
    if (FCaseSensitive)
        return std::memcmp(window, p, count) == 0;
    for (size_t i = 0; i < count; ++i) {
        if (FFold[window[i]] != p[i])
            return false;
    }
    return true;
}

int64_t TBaseSearch::Search() {
    if (FBuffer == nullptr)
        return -1;
    FCurrent = FPatternLength - 1;
    return SearchNext();
}

int64_t TBaseSearch::SearchNext() {
    if (!FTablesReady)
        BuildTables();
    const int64_t n = FPatternLength;
    const int64_t end = FBufferLength;
    if (n == 0 || n > end || FCurrent >= end) {
        FCurrent = end;
        return -1;
    }
    // Without a Search first, or after the pattern grew, no window may start before the block.
    FCurrent = std::max(FCurrent, n - 1);
    constexpr int64_t TwoChainMinimum = 4096;
    const int64_t found = end - FCurrent >= std::max(TwoChainMinimum, 8 * n) ? ScanTwoChains(FCurrent, end)
                                                                             : ScanChain(FCurrent, end);
    if (found >= end) {
        FCurrent = end;
        return -1;
    }
    FCurrent = found + n;
    return found - n + 1;
}

// Horspool from `current`, the byte under the pattern's last byte, over the windows that
// end before `limit`. Returns the end (last byte) of the first window that matches, or a
// position at or beyond `limit`.
int64_t TBaseSearch::ScanChain(int64_t current, int64_t limit) const {
    const unsigned char* buffer = FBuffer;
    const int32_t* skip = FSkip;
    for (;;) {
        while (current < limit) {
            const int32_t k = skip[buffer[current]];
            if (k == 0)
                break;
            current += k;
        }
        if (current >= limit || WindowMatches(buffer + current - FPatternLength + 1))
            return current;
        current += FMatchShift;
    }
}

// The same scan as two Horspool chains over the two halves of the windows, advanced in
// turn: each step waits for two loads, so two independent chains run about twice as fast
// as one. The first half's match, if any, comes first; the result is the single chain's.
int64_t TBaseSearch::ScanTwoChains(int64_t first, int64_t end) const {
    const unsigned char* buffer = FBuffer;
    const int32_t* skip = FSkip;
    const int64_t mid = first + (end - first) / 2;
    int64_t second = mid;
    for (;;) {
        while (first < mid && second < end) {
            const int32_t k1 = skip[buffer[first]];
            const int32_t k2 = skip[buffer[second]];
            if ((k1 == 0) | (k2 == 0))
                break;
            first += k1;
            second += k2;
        }
        if (first >= mid || second >= end)
            break;
        if (skip[buffer[first]] == 0) {
            if (WindowMatches(buffer + first - FPatternLength + 1))
                return first;
            first += FMatchShift;
        }
        if (skip[buffer[second]] == 0) {
            if (WindowMatches(buffer + second - FPatternLength + 1)) {
                const int64_t earlier = ScanChain(first, second);
                return earlier < second ? earlier : second;
            }
            second += FMatchShift;
        }
    }
    if (first < mid) {
        const int64_t found = ScanChain(first, mid);
        return found < mid ? found : end;
    }
    return ScanChain(second, end);
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
}

namespace {

// Opens the file and creates a read-only mapping of all of it; false when the file cannot
// be opened, is empty, or cannot be mapped. The file handle is closed on return.
bool OpenMapping(const std::wstring& path, UniqueHandle& mapping, int64_t& size) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file.Get(), &length) || length.QuadPart <= 0)
        return false;
    mapping.Reset(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    size = length.QuadPart;
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
    if (!OpenMapping(path, mapping, size) || !FitsOneView(size, maxSize))
        return file;
    file.view.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (file.view)
        file.size = size;
    return file;
}

void TFileSearch::SetFilename(const std::wstring& value) {
    CloseFile();
    if (value.empty())
        return;
    UniqueHandle mapping;
    int64_t size = 0;
    if (!OpenMapping(value, mapping, size))
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
            return;
        }
    }
    FFilename = value;
}

void TFileSearch::SetMappedFile(const std::wstring& value, TMappedFile file) {
    CloseFile();
    if (value.empty() || !file.view || file.size <= 0)
        return;
    view_ = std::move(file.view);
    fileSize_ = file.size;
    SetBuffer(view_.Get(), fileSize_);
    FFilename = value;
}

// Finds a window size that can be mapped, halving down to the allocation granularity.
bool TFileSearch::StartWindows(int64_t preferredStep) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int64_t granularity = info.dwAllocationGranularity;
    for (int64_t step = std::max(preferredStep / granularity, int64_t{1}) * granularity;; step /= 2) {
        step = std::max(step / granularity, int64_t{1}) * granularity;
        windowStep_ = step;
        if (MapWindow(0))
            return true;
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
    const int64_t overlap = std::max<int64_t>(PatternLength() - 1, 0);
    const int64_t length = std::min(windowStep_ + overlap, fileSize_ - offset);
    view_.Reset(MapViewOfFile(mapping_.Get(), FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                              static_cast<DWORD>(offset & 0xFFFFFFFF), static_cast<SIZE_T>(length)));
    if (!view_)
        return false;
    SetBuffer(view_.Get(), length);
    windowIndex_ = index;
    windowBase_ = offset;
    return true;
}

int64_t TFileSearch::FoundInWindow(int64_t offset) {
    lastMatchEnd_ = windowBase_ + offset + PatternLength();
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

int64_t TFileSearch::ScanView(bool fromStart) {
    int64_t found = -1;
    const bool whole =
        RunGuardedRead(Buffer(), static_cast<size_t>(BufferLength()), [this, fromStart, &found] {
            found = fromStart ? TBaseSearch::Search() : TBaseSearch::SearchNext();
        });
    if (!whole) {
        CloseFile();
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
