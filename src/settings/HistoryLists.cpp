#include "settings/HistoryLists.h"

#include "base/Text.h"
#include "settings/Settings.h"

namespace quarrow {

const wchar_t LocalHardDrives[] = L"Local Hard Drives";

void UpdateHistoryList(std::vector<std::wstring>& list, const std::wstring& text) {
    if (text.empty())
        return;
    const int index = IndexOfIgnoreCase(list, text);
    if (index >= 0) {
        std::wstring entry = std::move(list[static_cast<size_t>(index)]);
        list.erase(list.begin() + index);
        list.insert(list.begin(), std::move(entry));
        return;
    }
    list.insert(list.begin(), text);
    if (list.size() > static_cast<size_t>(MaxHistoryIndex) + 1)
        list.resize(static_cast<size_t>(MaxHistoryIndex) + 1);
}

std::vector<std::wstring> LocationItems(const std::vector<std::wstring>& fixedDrives,
                                        const std::vector<std::wstring>& otherDrives,
                                        const std::vector<std::wstring>& history) {
    std::vector<std::wstring> items = fixedDrives;
    items.insert(items.end(), otherDrives.begin(), otherDrives.end());
    items.push_back(LocalHardDrives);
    items.insert(items.end(), history.begin(), history.end());
    return items;
}

TLocationBox UpdateLocationHistory(std::vector<std::wstring>& history,
                                   const std::vector<std::wstring>& fixedDrives,
                                   const std::vector<std::wstring>& otherDrives,
                                   const std::wstring& location) {
    if (!location.empty() && IndexOfIgnoreCase(fixedDrives, location) < 0 &&
        IndexOfIgnoreCase(otherDrives, location) < 0)
        UpdateHistoryList(history, location);
    TLocationBox box;
    box.Items = LocationItems(fixedDrives, otherDrives, history);
    box.Selected = IndexOfIgnoreCase(box.Items, location.empty() ? std::wstring(L"C:\\") : location);
    return box;
}

} // namespace quarrow
