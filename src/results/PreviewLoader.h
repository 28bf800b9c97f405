#pragma once
// Reads what the preview pane shows of one file at a time, each file on a thread of its
// own, so that a locked file, a slow share or a file that vanished never holds up the
// window. A new request abandons the one before: that thread stops at its next step, and
// whatever it still produces is never handed out.

#include "results/PreviewText.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

struct TPreviewRequest {
    std::wstring Path;
    bool IsFolder = false;
    std::wstring Text; // the search's containing text; empty when it had none
    bool CaseSensitive = false;
};

// What a request has produced since the last Take.
struct TPreviewNews {
    std::vector<TPreviewRow> Rows; // to append to those taken before
    std::wstring Header;           // the current header, when it changed
    bool Finished = false;
};

// Opens a file (its path in the extended-length form) for reading; INVALID_HANDLE_VALUE with
// the thread's last error on failure.
using TPreviewOpener = std::function<HANDLE(const std::wstring& path)>;

// The header texts.
std::wstring PreviewMatchesHeader(int64_t matches, int64_t lines, bool finished);
std::wstring PreviewLinesNotShownText(int64_t lines);

class TPreviewLoader {
public:
    // `notify` runs on a reading thread whenever request `id` has news; the owner then calls
    // Take(id) on its own thread. It is not called again until that Take.
    explicit TPreviewLoader(std::function<void(uint64_t id)> notify);
    // Abandons the current request and waits a moment for the threads to end.
    ~TPreviewLoader();
    TPreviewLoader(const TPreviewLoader&) = delete;
    TPreviewLoader& operator=(const TPreviewLoader&) = delete;

    // Abandons the current request and starts reading for this one; returns its id.
    uint64_t Start(TPreviewRequest request);
    void Cancel();
    uint64_t CurrentId() const { return currentId_; }
    // The news of request `id`; false when it is not the current request.
    bool Take(uint64_t id, TPreviewNews& news);

    // Tests open files through a slow opener.
    void SetOpener(TPreviewOpener opener) { opener_ = std::move(opener); }
    // Reading threads still running, abandoned ones included.
    int RunningThreads() const;

    struct TJob;
    struct TThreads;

private:
    std::function<void(uint64_t)> notify_;
    TPreviewOpener opener_;
    std::shared_ptr<TThreads> threads_;
    std::shared_ptr<TJob> current_;
    uint64_t currentId_ = 0;
    uint64_t nextId_ = 1;
};

} // namespace quarrow
