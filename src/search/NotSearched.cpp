#include "search/NotSearched.h"

#include "base/SystemError.h"

namespace quarrow {
namespace {

// Not every SDK names them.
constexpr DWORD RecallOnOpen = 0x00040000;       // FILE_ATTRIBUTE_RECALL_ON_OPEN
constexpr DWORD RecallOnDataAccess = 0x00400000; // FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS

std::wstring WithSystemText(const wchar_t* what, DWORD error) {
    const std::wstring text = error != 0 ? SystemErrorText(error) : std::wstring();
    return text.empty() ? std::wstring(what) + L"." : std::wstring(what) + L": " + text + L".";
}

} // namespace

void TNotSearched::Clear() {
    entries_.clear();
    count_ = 0;
}

void TNotSearched::Add(const std::wstring& path, TNotSearchedReason reason, DWORD error) {
    ++count_;
    if (entries_.size() < MaxEntries)
        entries_.push_back({path, reason, error});
}

bool IsOnlineOnly(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_OFFLINE | RecallOnOpen | RecallOnDataAccess)) != 0;
}

std::wstring NotSearchedReasonText(const TNotSearchedEntry& entry) {
    switch (entry.Reason) {
    case TNotSearchedReason::FolderNotListed:
        return WithSystemText(L"Could not list the folder", entry.Error);
    case TNotSearchedReason::FileNotOpened:
        return WithSystemText(L"Could not open the file", entry.Error);
    case TNotSearchedReason::FileNotRead:
        return WithSystemText(L"Could not read the file", entry.Error);
    case TNotSearchedReason::OnlineOnly:
        return L"Stored online: its contents were not searched, so that it is not downloaded.";
    }
    return {};
}

std::wstring NotSearchedListText(const TNotSearched& notSearched) {
    std::wstring text;
    for (const TNotSearchedEntry& entry : notSearched.Entries())
        text += entry.Path + L"\t" + NotSearchedReasonText(entry) + L"\r\n";
    return text;
}

} // namespace quarrow
