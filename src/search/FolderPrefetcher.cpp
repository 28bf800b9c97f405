#include "search/FolderPrefetcher.h"

#include <algorithm>
#include <chrono>

namespace quarrow {
namespace {

// Listing needs little stack.
constexpr SIZE_T ThreadStackSize = 256 * 1024;

} // namespace

void TListing::Add(const WIN32_FIND_DATAW& entry) {
    const size_t length = wcsnlen(entry.cFileName, MAX_PATH - 1);
    entries_.push_back({entry.dwFileAttributes, entry.nFileSizeHigh, entry.nFileSizeLow,
                        entry.ftLastWriteTime, static_cast<uint32_t>(names_.size()),
                        static_cast<uint32_t>(length)});
    names_.append(entry.cFileName, length);
}

void TListing::Get(size_t index, WIN32_FIND_DATAW& entry) const {
    const Entry& from = entries_[index];
    entry = WIN32_FIND_DATAW{};
    entry.dwFileAttributes = from.attributes;
    entry.nFileSizeHigh = from.sizeHigh;
    entry.nFileSizeLow = from.sizeLow;
    entry.ftLastWriteTime = from.lastWrite;
    names_.copy(entry.cFileName, from.nameLength, from.nameAt);
    entry.cFileName[from.nameLength] = L'\0';
}

void ListFolderEntries(const std::wstring& folder, const std::wstring& pattern, bool onlyFolders,
                       TListing& listing) {
    const std::wstring query = folder + pattern;
    // The listing's own limit, kept also where the platform would accept longer paths.
    if (query.size() >= MAX_PATH)
        return;
    WIN32_FIND_DATAW entry;
    UniqueFind find(FindFirstFileExW(query.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find)
        return;
    do {
        if (!onlyFolders || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            listing.Add(entry);
    } while (FindNextFileW(find.Get(), &entry));
}

// The thread starts with the walker rather than with its first walk: a thread's stack and
// the rest of what it costs the process are paid once, not by the search that needed it.
TFolderPrefetcher::TFolderPrefetcher() {
    thread_.Reset(CreateThread(nullptr, ThreadStackSize, ThreadEntry, this, STACK_SIZE_PARAM_IS_A_RESERVATION,
                               nullptr));
    if (!thread_)
        failed_ = true;
}

TFolderPrefetcher::~TFolderPrefetcher() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_)
        WaitForSingleObject(thread_.Get(), INFINITE);
}

void TFolderPrefetcher::SetQueries(std::vector<Query> queries) {
    const std::lock_guard<std::mutex> lock(mutex_);
    queries_ = std::move(queries);
}

void TFolderPrefetcher::Announce(const std::vector<std::wstring>& folders) {
    if (folders.empty())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto at = jobs_.begin();
        for (const std::wstring& folder : folders)
            jobs_.insert(at, Job{folder, State::Announced, {}});
    }
    changed_.notify_all();
}

TFolderListings TFolderPrefetcher::Take(const std::wstring& folder,
                                        const std::function<void()>& whileWaiting) {
    std::unique_lock<std::mutex> lock(mutex_);
    // The walk takes folders in the announced order: the search ends at the front.
    auto job = std::find_if(jobs_.begin(), jobs_.end(), [&](const Job& j) { return j.folder == folder; });
    if (job == jobs_.end() || job->state == State::Announced) {
        if (job != jobs_.end())
            jobs_.erase(job);
        lock.unlock();
        return ListNow(folder);
    }
    const uint64_t generation = generation_;
    while (job->state == State::Listing) {
        if (!changed_.wait_for(lock, std::chrono::milliseconds(20),
                               [&] { return generation_ != generation || job->state != State::Listing; })) {
            lock.unlock();
            if (whileWaiting)
                whileWaiting();
            lock.lock();
        }
        // Cancelled while waiting (from a message handled above): the job is gone.
        if (generation_ != generation) {
            lock.unlock();
            return ListNow(folder);
        }
    }
    if (job->state == State::Announced) {
        // Given back by a thread that could not list it.
        jobs_.erase(job);
        lock.unlock();
        return ListNow(folder);
    }
    TFolderListings listings = std::move(job->listings);
    jobs_.erase(job);
    --ready_;
    lock.unlock();
    changed_.notify_all();
    return listings;
}

void TFolderPrefetcher::Cancel() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        jobs_.clear();
        ready_ = 0;
        ++generation_;
    }
    changed_.notify_all();
}

int TFolderPrefetcher::ListedAhead() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return listedAhead_;
}

TFolderListings TFolderPrefetcher::ListNow(const std::wstring& folder) const {
    std::vector<Query> queries;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queries = queries_;
    }
    TFolderListings listings(queries.size());
    for (size_t i = 0; i < queries.size(); ++i)
        ListFolderEntries(folder, queries[i].pattern, queries[i].onlyFolders, listings[i]);
    return listings;
}

DWORD WINAPI TFolderPrefetcher::ThreadEntry(void* self) {
    static_cast<TFolderPrefetcher*>(self)->Run();
    return 0;
}

void TFolderPrefetcher::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        // The first announced folder is the one the walk enters next: it lists that one
        // itself rather than wait for this thread to start on it.
        std::list<Job>::iterator job;
        changed_.wait(lock, [&] {
            if (stopping_)
                return true;
            if (failed_ || ready_ >= MaxReady || jobs_.size() < 2)
                return false;
            job = std::find_if(std::next(jobs_.begin()), jobs_.end(),
                               [](const Job& j) { return j.state == State::Announced; });
            return job != jobs_.end();
        });
        if (stopping_)
            return;
        job->state = State::Listing;
        const std::wstring folder = job->folder;
        const std::vector<Query> queries = queries_;
        const uint64_t generation = generation_;
        lock.unlock();

        TFolderListings listings;
        bool listed = true;
        try {
            listings.resize(queries.size());
            for (size_t i = 0; i < queries.size(); ++i)
                ListFolderEntries(folder, queries[i].pattern, queries[i].onlyFolders, listings[i]);
        } catch (...) {
            listed = false;
        }

        lock.lock();
        // A cancel has dropped the job with every other.
        if (generation != generation_)
            continue;
        if (!listed) {
            // Out of memory: the walk lists this folder and the rest itself.
            job->state = State::Announced;
            failed_ = true;
            changed_.notify_all();
            return;
        }
        job->listings = std::move(listings);
        job->state = State::Ready;
        ++ready_;
        ++listedAhead_;
        changed_.notify_all();
    }
}

} // namespace quarrow
