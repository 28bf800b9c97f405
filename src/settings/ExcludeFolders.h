#pragma once
// The folders that "Suggest" offers for the excluded-folder list, and its question.

#include <functional>
#include <string>
#include <vector>

namespace quarrow {

// The system root (as the environment names it) and, for each fixed drive root, its
// "\Windows", "\RECYCLER", "\$Recycle.Bin" and "\System Volume Information" folders
// where `folderExists` says they are there; as full paths without a trailing backslash (a
// drive root keeps its own), sorted and without duplicates ignoring letter case. Of two
// spellings of one folder the first added stays, so the system root's wins.
std::vector<std::wstring>
SuggestedExcludeFolders(const std::wstring& systemRoot, const std::vector<std::wstring>& fixedDrives,
                        const std::function<bool(const std::wstring&)>& folderExists);

// The same for this system: SYSTEMROOT and the folders that exist.
std::vector<std::wstring> SuggestedExcludeFolders(const std::vector<std::wstring>& fixedDrives);

// A folder as the list keeps it: without a trailing backslash unless it is a drive root, as
// the walker compares the folders it is about to search.
std::wstring ExcludedFolderPath(std::wstring path);

extern const wchar_t NoFoldersToSuggest[];
// The confirmation that lists `folders`, one a line.
std::wstring SuggestQuestion(const std::vector<std::wstring>& folders);

} // namespace quarrow
