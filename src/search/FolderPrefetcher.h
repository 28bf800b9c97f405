#pragma once
// A folder's listing for the walk, and listings read ahead of the walk on other threads
// (see ReadAhead.h): the walk announces the sub-folders it is about to enter, in the order
// it will enter them, and takes each folder's listing when it gets there. Window-free.

#include "search/ReadAhead.h"
#include "search/Wildcard.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

// One listed entry, as the walk reads it. The name lives as long as its listing.
struct TListedEntry {
    std::wstring_view name;
    DWORD attributes = 0;
    int64_t size = 0;
    FILETIME lastWrite{};
    bool matches = false; // the search pattern selects it

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The entries of one folder that the walk needs, in the order the listing returned them:
// those the pattern selects and, when sub-folders are walked, the sub-folders. "." and
// ".." are left out.
class TListing {
public:
    void Add(const WIN32_FIND_DATAW& entry, bool matches);
    size_t Size() const { return entries_.size(); }
    TListedEntry Get(size_t index) const;

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
        uint16_t nameLength;
        bool matches;
    };
    std::vector<Entry> entries_;
    std::wstring names_;
    DWORD error_ = 0;
};

// Lists `folder` (a full path ending in a backslash) once, every attribute admitted, through
// its "\\?\" form (at any depth, and with names that end in a dot or a blank), and keeps
// what the walk needs of it: the entries `pattern` selects as the platform's wildcard listing
// of the plain path would, and, with `subFolders`, every sub-folder.
// Now and then `keepGoing`, when given, is asked whether to go on; when it returns false the
// listing is empty with ERROR_CANCELLED.
TListing ListFolder(const std::wstring& folder, const TWildcard& pattern, bool subFolders,
                    const std::function<bool()>& keepGoing = nullptr);

class TFolderPrefetcher {
public:
    // How many listings may wait for the walk at once.
    static constexpr size_t MaxReady = 32;
    // How often the walk that lists a folder itself lets its caller act (milliseconds).
    static constexpr ULONGLONG WaitSlice = 20;
    // Listing is mostly waiting for the file system; two threads keep a walk that does little
    // with each entry from waiting for them.
    static constexpr size_t FolderThreads = 2;

    TFolderPrefetcher();

    // What every folder of this walk is listed for.
    void SetPattern(const TWildcard& pattern, bool subFolders);

    // The walk will enter `folders` next, in this order, before any folder announced
    // earlier and not yet taken.
    void Announce(const std::vector<std::wstring>& folders) { ahead_.Announce(folders, true); }

    // The listing of `folder`: read ahead, or listed now (on a thread when one is free).
    // While it is being listed, `keepWaiting` runs about every 20 ms; when it returns false
    // the walk gives the folder up, and the listing is empty with ERROR_CANCELLED.
    TListing Take(const std::wstring& folder, const std::function<bool()>& keepWaiting);

    // Forgets every announced folder; a listing under way is dropped when it ends.
    void Cancel() { ahead_.Cancel(); }

    // Listings the threads made (for tests).
    int ListedAhead() const { return ahead_.DoneAhead(); }

private:
    struct Query {
        TWildcard pattern;
        bool subFolders = true;
    };
    // Shared with the threads, which may outlive this object.
    struct Queries {
        TSlimLock lock;
        std::shared_ptr<const Query> current = std::make_shared<const Query>();
        TListing List(const std::wstring& folder, const std::function<bool()>& keepGoing);
    };

    std::shared_ptr<Queries> queries_;
    TReadAhead<TListing> ahead_;
};

} // namespace quarrow
