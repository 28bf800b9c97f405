#pragma once
// Helpers of the search tests: a window stand-in that records what the engine asks of the
// window, sparse files and folder links.

#include "base/Handles.h"
#include "common/TestSupport.h"
#include "search/BytePattern.h"
#include "search/SearchEngine.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarrow::test {

// A file of `size` bytes that takes no disk space, with `text` written at `offset`.
bool MakeSparseFile(const std::wstring& path, int64_t size, int64_t offset = 0, const std::string& text = {});

// A symbolic link to a folder: the platform's, or else (under Wine, whose
// CreateSymbolicLinkW creates nothing) a Linux one made through the Z: drive. False when
// neither can be made.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

// The scan kernels this processor has.
std::vector<TScanKernel> AvailableKernels();

// Copies `block` to `shift` bytes past a 64-byte boundary of `storage`, between copies of the
// pattern: a scan that read before or past the block would find them.
const unsigned char* PlaceBlock(std::vector<unsigned char>& storage, const std::string& block,
                                const std::string& pattern, size_t shift);

// Every match of the pattern in the block, leftmost first and not overlapping.
std::vector<int64_t> AllMatches(const TBytePattern& pattern, const unsigned char* block, int64_t length,
                                TScanKernel kernel);

// The threads of this process that `start` started (say, the read-ahead threads of an engine
// made there).
std::vector<DWORD> ThreadsStartedBy(const std::function<void()>& start);

// Holds threads suspended while it lives: to the walk they are threads that missed their
// wake-up.
class SuspendedThreads {
public:
    explicit SuspendedThreads(const std::vector<DWORD>& ids);
    ~SuspendedThreads();
    SuspendedThreads(const SuspendedThreads&) = delete;
    SuspendedThreads& operator=(const SuspendedThreads&) = delete;

private:
    std::vector<UniqueHandle> threads_;
};

class FakeSearchHost : public ISearchHost {
public:
    IPrompt& Prompt() override { return prompt; }
    void FocusSearchLocation() override { calls.push_back(L"focus"); }
    void FocusSearchPattern() override { calls.push_back(L"focus pattern"); }
    void SetChangeMonitoring(bool enabled) override {
        calls.push_back(enabled ? L"monitor on" : L"monitor off");
    }
    void UpdateSearchPatternHistory(const std::wstring& text) override {
        calls.push_back(L"pattern " + text);
    }
    void UpdateSearchLocationHistory(const std::wstring& location) override {
        calls.push_back(L"location " + location);
    }
    void UpdateContainingTextHistory(const std::wstring& text) override { calls.push_back(L"text " + text); }
    void RewriteCountEdits() override { calls.push_back(L"counts"); }
    void SearchStarted() override { calls.push_back(L"started"); }
    void SearchFinished() override { calls.push_back(L"finished"); }
    void SetStatusText(int panel, const std::wstring& text) override {
        (panel == 0 ? panel0 : panel1).push_back(text);
        if (onStatus)
            onStatus(panel, text);
    }
    void ResultCountChanged(int count) override {
        lastCount = count;
        if (onCount)
            onCount(count);
    }
    void ProcessMessages() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }

    ScriptedPrompt prompt;
    std::vector<std::wstring> calls;
    std::vector<std::wstring> panel0, panel1;
    int lastCount = -1;
    int pumps = 0;
    std::function<void(int panel, const std::wstring& text)> onStatus;
    std::function<void(int count)> onCount;
    std::function<void(int pump)> onPump;
};

} // namespace quarrow::test
