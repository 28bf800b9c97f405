#include "results/PreviewLoader.h"

#include "base/FileSystem.h"
#include "base/Handles.h"
#include "base/ReadGuard.h"
#include "base/SystemError.h"
#include "results/DisplayFormats.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace quarrow {

struct TPreviewLoader::TJob {
    uint64_t Id = 0;
    TPreviewRequest Request;
    std::function<void(uint64_t)> Notify;
    TPreviewOpener Opener;
    std::atomic<bool> Cancelled{false};
    std::mutex Mutex;
    TPreviewNews Pending;
    bool Notified = false; // a notification waits for its Take
};

struct TPreviewLoader::TThreads {
    std::mutex Mutex;
    std::condition_variable Ended;
    int Running = 0;
};

namespace {

using TJob = TPreviewLoader::TJob;

// The matcher runs over slices of this size, so that an abandoned request stops soon.
constexpr size_t SliceBytes = 4 << 20;
// Rows found after the first ones are handed out at this interval.
constexpr auto PublishInterval = std::chrono::milliseconds(100);

std::wstring Plural(int64_t count, const wchar_t* one, const wchar_t* many) {
    return FormatCount(count) + L" " + (count == 1 ? one : many);
}

std::wstring ErrorNote(DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return L"No preview: the file no longer exists.";
    return L"No preview: the file could not be read (" + SystemErrorText(error) + L").";
}

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

void Publish(TJob& job, std::vector<TPreviewRow>&& rows, const std::wstring& header, bool finished) {
    bool notify = false;
    {
        std::lock_guard lock(job.Mutex);
        for (TPreviewRow& row : rows)
            job.Pending.Rows.push_back(std::move(row));
        job.Pending.Header = header;
        job.Pending.Finished = finished;
        notify = !job.Notified;
        job.Notified = true;
    }
    if (notify && !job.Cancelled)
        job.Notify(job.Id);
}

void Note(TJob& job, const std::wstring& text) {
    Publish(job, {}, text, true);
}

// The rows and header of a file shown without a containing text; reads the file.
void TextStartOf(const unsigned char* data, size_t size, const TPreviewEncoding& encoding,
                 std::vector<TPreviewRow>& rows, std::wstring& header) {
    if (LooksBinary(data, size, encoding)) {
        header = L"No preview: this is a binary file, not text.";
        return;
    }
    bool truncated = false;
    rows = TextFileStart(data, size, encoding, PreviewStartBytes, truncated);
    const int64_t lines =
        std::count_if(rows.begin(), rows.end(), [](const TPreviewRow& row) { return row.Line > 0; });
    const std::wstring count = Plural(lines, L"line", L"lines");
    header = truncated ? L"The first 64 KB of the file: " + count : count;
}

// Returns false when a read of the file faulted. The matcher and the lines read the file
// through guarded copies.
bool ShowMatchingLines(TJob& job, const unsigned char* data, size_t size, const TPreviewEncoding& encoding) {
    TMatchSlicer matcher(job.Request.Text, job.Request.CaseSensitive);
    TMatchingLines lines(data, size, encoding);
    std::vector<TPreviewRow> unpublished;
    bool published = false;
    auto publishedAt = std::chrono::steady_clock::now();
    for (size_t begin = 0; begin < size; begin += SliceBytes) {
        if (job.Cancelled)
            return true;
        const size_t end = std::min(size, begin + SliceBytes);
        for (const TTextMatch& match : matcher.FindIn(data, size, encoding.Searched, begin, end))
            lines.Add(match);
        if (matcher.Faulted() || lines.Faulted())
            return false;
        for (TPreviewRow& row : lines.TakeRows())
            unpublished.push_back(std::move(row));
        const auto now = std::chrono::steady_clock::now();
        if (!unpublished.empty() && (!published || now - publishedAt >= PublishInterval)) {
            Publish(job, std::move(unpublished),
                    PreviewMatchesHeader(lines.MatchCount(), lines.LineCount(), false), false);
            unpublished.clear();
            published = true;
            publishedAt = now;
        }
    }
    lines.Finish();
    if (lines.Faulted())
        return false;
    for (TPreviewRow& row : lines.TakeRows())
        unpublished.push_back(std::move(row));
    if (const int64_t hidden = lines.LinesNotShown()) {
        TPreviewRow note;
        note.Text = PreviewLinesNotShownText(hidden);
        note.Note = true;
        unpublished.push_back(std::move(note));
    }
    Publish(job, std::move(unpublished), PreviewMatchesHeader(lines.MatchCount(), lines.LineCount(), true),
            true);
    return true;
}

void ReadPreview(TJob& job) {
    const TPreviewRequest& request = job.Request;
    if (request.IsFolder) {
        Note(job, L"No preview: this is a folder.");
        return;
    }
    // A long path, or a name that ends in a dot or a blank, is opened only in this form.
    const std::wstring path = ExtendedLengthPath(request.Path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Note(job, ErrorNote(GetLastError()));
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        Note(job, L"No preview: this is a folder.");
        return;
    }
    UniqueFile file(job.Opener ? job.Opener(path) : OpenForReading(path));
    if (!file) {
        const DWORD error = GetLastError();
        if (!job.Cancelled)
            Note(job, ErrorNote(error));
        return;
    }
    if (job.Cancelled)
        return;
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.Get(), &length)) {
        Note(job, ErrorNote(GetLastError()));
        return;
    }
    if (length.QuadPart == 0) {
        Note(job, L"The file is empty.");
        return;
    }
    if (static_cast<uint64_t>(length.QuadPart) > SIZE_MAX) {
        Note(job, L"No preview: the file is too large.");
        return;
    }
    const auto size = static_cast<size_t>(length.QuadPart);
    UniqueView view;
    {
        const UniqueHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (mapping)
            view.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
        if (!view) {
            Note(job, ErrorNote(GetLastError()));
            return;
        }
    }
    file.Reset();
    const auto* data = static_cast<const unsigned char*>(view.Get());
    // The encoding and the start of a text are told from a copy of the file's start: one
    // byte past what is shown tells whether the file goes on.
    std::vector<unsigned char> start(std::min(size, PreviewStartBytes + 1));
    bool whole = CopyGuardedRead(start.data(), data, start.size());
    if (whole) {
        const TPreviewEncoding encoding = PreviewEncoding(start.data(), start.size());
        if (request.Text.empty()) {
            std::vector<TPreviewRow> rows;
            std::wstring header;
            TextStartOf(start.data(), start.size(), encoding, rows, header);
            Publish(job, std::move(rows), header, true);
        } else {
            whole = ShowMatchingLines(job, data, size, encoding);
        }
    }
    if (!whole)
        Note(job, L"No preview: the file could not be read to its end (it changed, or its drive went away).");
}

// What a reading thread owns.
struct TWork {
    std::shared_ptr<TJob> Job;
    std::shared_ptr<TPreviewLoader::TThreads> Threads;
};

DWORD WINAPI RunWork(void* parameter) {
    const std::unique_ptr<TWork> work(static_cast<TWork*>(parameter));
    try {
        ReadPreview(*work->Job);
    } catch (const std::exception&) {
        // Out of memory: the request shows nothing more.
    }
    std::lock_guard lock(work->Threads->Mutex);
    --work->Threads->Running;
    work->Threads->Ended.notify_all();
    return 0;
}

} // namespace

std::wstring PreviewMatchesHeader(int64_t matches, int64_t lines, bool finished) {
    if (finished && matches == 0)
        return L"No matches: the file may have changed since the search.";
    std::wstring text = Plural(matches, L"match", L"matches") + L" in " + Plural(lines, L"line", L"lines");
    return finished ? text : text + L" so far\u2026";
}

std::wstring PreviewLinesNotShownText(int64_t lines) {
    return lines == 1 ? L"1 more line with matches is not shown."
                      : FormatCount(lines) + L" more lines with matches are not shown.";
}

TPreviewLoader::TPreviewLoader(std::function<void(uint64_t id)> notify)
    : notify_(std::move(notify)), threads_(std::make_shared<TThreads>()) {}

TPreviewLoader::~TPreviewLoader() {
    Cancel();
    // A thread held up by a hung share is left behind: it only touches what it shares.
    std::unique_lock lock(threads_->Mutex);
    threads_->Ended.wait_for(lock, std::chrono::milliseconds(500), [this] { return threads_->Running == 0; });
}

uint64_t TPreviewLoader::Start(TPreviewRequest request) {
    Cancel();
    auto job = std::make_shared<TJob>();
    job->Id = nextId_++;
    job->Request = std::move(request);
    job->Notify = notify_;
    job->Opener = opener_;
    current_ = job;
    currentId_ = job->Id;
    {
        std::lock_guard lock(threads_->Mutex);
        ++threads_->Running;
    }
    auto work = std::make_unique<TWork>(TWork{job, threads_});
    const UniqueHandle thread(CreateThread(nullptr, 0, RunWork, work.get(), 0, nullptr));
    if (!thread) {
        std::lock_guard lock(threads_->Mutex);
        --threads_->Running;
        throw std::runtime_error("The preview could not start a thread");
    }
    work.release();
    return currentId_;
}

void TPreviewLoader::Cancel() {
    if (current_)
        current_->Cancelled = true;
    current_.reset();
    currentId_ = 0;
}

bool TPreviewLoader::Take(uint64_t id, TPreviewNews& news) {
    if (!current_ || id != currentId_)
        return false;
    std::lock_guard lock(current_->Mutex);
    news = std::exchange(current_->Pending, {});
    current_->Notified = false;
    return true;
}

int TPreviewLoader::RunningThreads() const {
    std::lock_guard lock(threads_->Mutex);
    return threads_->Running;
}

} // namespace quarrow
