#pragma once
// The rules of the history lists behind the three editable combo boxes.

#include <string>
#include <vector>

namespace quarrow {

// Puts `text` at the top of `list`: an entry equal to it (ignoring case) moves up and keeps
// its spelling, otherwise it is inserted and the list is cut to MaxHistoryIndex + 1 entries.
// An empty text changes nothing.
void UpdateHistoryList(std::vector<std::wstring>& list, const std::wstring& text);

extern const wchar_t LocalHardDrives[]; // "Local Hard Drives"

// The items of the location box: the fixed roots, the other roots, "Local Hard Drives",
// then the history.
std::vector<std::wstring> LocationItems(const std::vector<std::wstring>& fixedDrives,
                                        const std::vector<std::wstring>& otherDrives,
                                        const std::vector<std::wstring>& history);

// The location box's update: `location` joins the history unless it is empty or a listed
// drive root; returns the items and the index to select (the location, or "C:\" when it is
// empty; -1 when there is no such item).
struct TLocationBox {
    std::vector<std::wstring> Items;
    int Selected = -1;
};
TLocationBox UpdateLocationHistory(std::vector<std::wstring>& history,
                                   const std::vector<std::wstring>& fixedDrives,
                                   const std::vector<std::wstring>& otherDrives,
                                   const std::wstring& location);

} // namespace quarrow
