#include "search/FolderPrefetcher.h"

#include "base/FileSystem.h"

namespace quarrow {

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
    const std::wstring query = ExtendedLengthPath(folder) + pattern;
    WIN32_FIND_DATAW entry;
    UniqueFind find(FindFirstFileExW(query.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND)
            listing.SetError(error);
        return;
    }
    do {
        if (!onlyFolders || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            listing.Add(entry);
    } while (FindNextFileW(find.Get(), &entry));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES)
        listing.SetError(error);
}

TFolderPrefetcher::TFolderPrefetcher()
    : ahead_([this](const std::wstring& folder) { return ListNow(folder); }, MaxReady) {}

void TFolderPrefetcher::SetQueries(std::vector<Query> queries) {
    const std::lock_guard<std::mutex> lock(mutex_);
    queries_ = std::move(queries);
}

TFolderListings TFolderPrefetcher::Take(const std::wstring& folder,
                                        const std::function<void()>& whileWaiting) {
    // The walk lists every folder it enters, also after Stop: it waits for the thread.
    std::optional<TFolderListings> listings = ahead_.Take(folder, [&whileWaiting] {
        if (whileWaiting)
            whileWaiting();
        return true;
    });
    return listings ? std::move(*listings) : ListNow(folder);
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

} // namespace quarrow
