#pragma once
// Folder listings read ahead of the walk on a second thread (see ReadAhead.h): the walk
// announces the sub-folders it is about to enter, in the order it will enter them, and
// takes each folder's listing when it gets there. Window-free.

#include "search/ReadAhead.h"

#include <windows.h>

#include <cstdint>
#include <functional>
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
    // Why the folder could not be listed, or not to its end: the system's error code; 0
    // when it was (a pattern that matches nothing is no error).
    DWORD Error() const { return error_; }
    void SetError(DWORD error) { error_ = error; }

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
    DWORD error_ = 0;
};

// A folder's listings: one per pattern asked for, in that order.
using TFolderListings = std::vector<TListing>;

// Lists `folder` (a full path ending in a backslash) with `pattern`, through the folder's
// "\\?\" form: at any depth, and with names that end in a dot or a blank; with
// `onlyFolders`, keeps only the sub-folders. A folder that cannot be listed lists nothing
// and keeps the error.
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

    // The queries every folder of this walk is listed with.
    void SetQueries(std::vector<Query> queries);

    // The walk will enter `folders` next, in this order, before any folder announced
    // earlier and not yet taken.
    void Announce(const std::vector<std::wstring>& folders) { ahead_.Announce(folders, true); }

    // The listings of `folder`: read ahead, or listed now. While the thread is still
    // listing it, `whileWaiting` runs about every 20 ms.
    TFolderListings Take(const std::wstring& folder, const std::function<void()>& whileWaiting);

    // Forgets every announced folder; a listing under way is dropped when it ends.
    void Cancel() { ahead_.Cancel(); }

    // Listings the thread made (for tests).
    int ListedAhead() const { return ahead_.DoneAhead(); }

private:
    TFolderListings ListNow(const std::wstring& folder) const;

    mutable std::mutex mutex_; // guards queries_, which the thread reads
    std::vector<Query> queries_;
    TReadAhead<TFolderListings> ahead_;
};

} // namespace quarrow
