#pragma once
// Folder listings read ahead of the walk on a second thread. Listing a folder is mostly
// waiting for the file system (a stat per entry under Wine); testing the entries, making
// the records and painting the window are the walk's own work. With the folders the walk
// will enter next listed meanwhile, the two overlap.
//
// The walk keeps its order and its rules: it announces the sub-folders it is about to
// enter, in the order it will enter them, and takes each folder's listing when it gets
// there. A folder the thread has not started yet is listed by the walk itself; the thread
// never takes the folder the walk needs next. Window-free.

#include "base/Handles.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <vector>

namespace quarrow {

// The entries one query returned, in the order it returned them.
class TListing {
public:
    void Add(const WIN32_FIND_DATAW& entry);
    size_t Size() const { return entries_.size(); }
    // The entry with what the walk reads of it (name, attributes, size, last write time).
    void Get(size_t index, WIN32_FIND_DATAW& entry) const;

private:
    struct Entry {
        DWORD attributes;
        DWORD sizeHigh;
        DWORD sizeLow;
        FILETIME lastWrite;
        uint32_t nameAt;
        uint32_t nameLength;
    };
    std::vector<Entry> entries_;
    std::wstring names_;
};

// A folder's listings: one per pattern asked for, in that order.
using TFolderListings = std::vector<TListing>;

// Lists `folder` (ending in a backslash) with `pattern`; with `onlyFolders`, keeps only
// the sub-folders. A query the listing cannot take (too long, folder gone) lists nothing.
void ListFolderEntries(const std::wstring& folder, const std::wstring& pattern, bool onlyFolders,
                       TListing& listing);

class TFolderPrefetcher {
public:
    // A query: the pattern, and whether only the sub-folders it lists are wanted.
    struct Query {
        std::wstring pattern;
        bool onlyFolders = false;
    };

    // How many listings may wait for the walk at once.
    static constexpr size_t MaxReady = 32;

    TFolderPrefetcher();
    ~TFolderPrefetcher();
    TFolderPrefetcher(const TFolderPrefetcher&) = delete;
    TFolderPrefetcher& operator=(const TFolderPrefetcher&) = delete;

    // The queries every folder of this walk is listed with.
    void SetQueries(std::vector<Query> queries);

    // The walk will enter `folders` next, in this order, before any folder announced
    // earlier and not yet taken.
    void Announce(const std::vector<std::wstring>& folders);

    // The listings of `folder`: read ahead, or listed now. While the thread is still
    // listing it, `whileWaiting` runs about every 20 ms.
    TFolderListings Take(const std::wstring& folder, const std::function<void()>& whileWaiting);

    // Forgets every announced folder; a listing under way is dropped when it ends.
    void Cancel();

    // Listings the thread made (for tests).
    int ListedAhead() const;

private:
    enum class State { Announced, Listing, Ready };
    struct Job {
        std::wstring folder;
        State state = State::Announced;
        TFolderListings listings;
    };

    static DWORD WINAPI ThreadEntry(void* self);
    void Run();
    TFolderListings ListNow(const std::wstring& folder) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::list<Job> jobs_; // in the order the walk will take them
    std::vector<Query> queries_;
    size_t ready_ = 0;
    uint64_t generation_ = 0;
    int listedAhead_ = 0;
    bool stopping_ = false;
    bool failed_ = false; // the thread could not go on: the walk lists every folder itself
    UniqueHandle thread_;
};

} // namespace quarrow
