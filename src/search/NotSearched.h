#pragma once
// What a search could not look into, and why: folders that could not be listed, files
// that could not be opened or read for the content test, and files stored online only,
// whose contents are never read (that would download them). Window-free.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quarrow {

enum class TNotSearchedReason {
    FolderNotListed, // the listing failed, or ended early
    FileNotOpened,   // opening or mapping the file failed
    FileNotRead,     // a read fault inside the file
    OnlineOnly,      // a placeholder of a file stored online
};

struct TNotSearchedEntry {
    std::wstring Path;
    TNotSearchedReason Reason = TNotSearchedReason::FolderNotListed;
    DWORD Error = 0; // the system's error code, where there is one
};

class TNotSearched {
public:
    // Entries kept with their paths; past this they are only counted.
    static constexpr size_t MaxEntries = 10000;

    void Clear();
    void Add(const std::wstring& path, TNotSearchedReason reason, DWORD error = 0);

    // Every one counted, kept or not.
    int64_t Count() const { return count_; }
    const std::vector<TNotSearchedEntry>& Entries() const { return entries_; }

private:
    std::vector<TNotSearchedEntry> entries_;
    int64_t count_ = 0;
};

// A file stored online and fetched when it is opened or read.
bool IsOnlineOnly(DWORD attributes);

// "Could not list the folder: Access is denied." and the like.
std::wstring NotSearchedReasonText(const TNotSearchedEntry& entry);

// One line per kept entry, its path and its reason separated by a tab, each line ending in
// CR LF.
std::wstring NotSearchedListText(const TNotSearched& notSearched);

} // namespace quarrow
