#include "search/FolderPrefetcher.h"

#include "base/FileSystem.h"
#include "base/Handles.h"

namespace quarrow {
namespace {

// How often a listing asks whether to go on: a folder of 100,000 entries is listed in
// about half a second.
constexpr size_t EntriesBetweenChecks = 256;

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

} // namespace

void TListing::Add(const WIN32_FIND_DATAW& entry, bool matches) {
    const size_t length = wcsnlen(entry.cFileName, MAX_PATH - 1);
    entries_.push_back({entry.dwFileAttributes, entry.nFileSizeHigh, entry.nFileSizeLow,
                        entry.ftLastWriteTime, static_cast<uint32_t>(names_.size()),
                        static_cast<uint16_t>(length), matches});
    names_.append(entry.cFileName, length);
}

TListedEntry TListing::Get(size_t index) const {
    const Entry& from = entries_[index];
    TListedEntry entry;
    entry.name = std::wstring_view(names_).substr(from.nameAt, from.nameLength);
    entry.attributes = from.attributes;
    entry.size = static_cast<int64_t>((static_cast<uint64_t>(from.sizeHigh) << 32) | from.sizeLow);
    entry.lastWrite = from.lastWrite;
    entry.matches = from.matches;
    return entry;
}

TListing ListFolder(const std::wstring& folder, const TWildcard& pattern, bool subFolders,
                    const std::function<bool()>& keepGoing) {
    TListing listing;
    const bool selectsAll = pattern.MatchesEverything();
    WIN32_FIND_DATAW entry;
    UniqueFind find(FindFirstFileExW((ExtendedLengthPath(folder) + L"*").c_str(),
                                     pattern.LooksAtAliases() ? FindExInfoStandard : FindExInfoBasic, &entry,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        // An empty drive lists nothing without an error of its own.
        if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND)
            listing.SetError(error);
        return listing;
    }
    size_t read = 0;
    do {
        if (keepGoing && ++read % EntriesBetweenChecks == 0 && !keepGoing()) {
            TListing none;
            none.SetError(ERROR_CANCELLED);
            return none;
        }
        if (IsDotEntry(entry.cFileName))
            continue;
        const bool matches = selectsAll || pattern.Matches(entry.cFileName, entry.cAlternateFileName);
        if (matches || (subFolders && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0))
            listing.Add(entry, matches);
    } while (FindNextFileW(find.Get(), &entry));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES)
        listing.SetError(error);
    return listing;
}

TFolderPrefetcher::TFolderPrefetcher()
    : queries_(std::make_shared<Queries>()),
      ahead_(
          [queries = queries_](const std::wstring& folder, const std::function<bool()>& stillWanted) {
              return queries->List(folder, stillWanted);
          },
          MaxReady, ThreadsForCores(FolderThreads)) {}

void TFolderPrefetcher::SetPattern(const TWildcard& pattern, bool subFolders) {
    auto query = std::make_shared<const Query>(Query{pattern, subFolders});
    const TSlimGuard guard(queries_->lock);
    queries_->current = std::move(query);
}

TListing TFolderPrefetcher::Take(const std::wstring& folder, const std::function<bool()>& keepWaiting) {
    bool gaveUp = false;
    // Listed on the thread when it is free, so that the walk keeps handling messages while a
    // folder of very many entries is listed.
    std::optional<TListing> listing = ahead_.Take(
        folder,
        [&] {
            gaveUp = keepWaiting && !keepWaiting();
            return !gaveUp;
        },
        true);
    if (listing)
        return std::move(*listing);
    if (gaveUp) {
        TListing none;
        none.SetError(ERROR_CANCELLED);
        return none;
    }
    // Listed here, the folder's many entries do not keep the window from its messages nor
    // Stop from the walk.
    ULONGLONG askedAt = GetTickCount64();
    return queries_->List(folder, [&] {
        if (!keepWaiting || GetTickCount64() - askedAt < WaitSlice)
            return true;
        askedAt = GetTickCount64();
        return keepWaiting();
    });
}

TListing TFolderPrefetcher::Queries::List(const std::wstring& folder,
                                          const std::function<bool()>& keepGoing) {
    std::shared_ptr<const Query> query;
    {
        const TSlimGuard guard(lock);
        query = current;
    }
    return ListFolder(folder, query->pattern, query->subFolders, keepGoing);
}

} // namespace quarrow
