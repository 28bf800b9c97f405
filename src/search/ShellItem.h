#pragma once
// One found file or folder, and the ordered list that owns the records of a search.

#include "base/DateTime.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

// The text of one listed folder, shared by every record found in it.
using TFolderText = std::shared_ptr<const std::wstring>;

struct TShellItem {
    std::wstring Name;      // as the listing returned it; replaced by an in-place rename
    TFolderText FolderText; // the listed folder, always ending in a backslash
    std::wstring FileType;  // the extension as in the name, or the shell's type name
    int ImageIndex = -1;    // small icon in the system image list; -1 for none
    TDateTime Modified = 0; // local time
    FILETIME LastWrite{};   // the listing's last-write time (UTC), to the tick
    int64_t Size = 0;
    bool IsFolder = false;
    bool Selected = false;   // the row's selection, saved around a sort
    bool InfoLoaded = false; // ImageIndex (and the type name) have been fetched

    const std::wstring& Folder() const { return *FolderText; }
    std::wstring FullName() const { return Folder() + Name; }
};

// The results of the current search in the order found (until sorted). The list is the
// only owner of its records; row i of the result list is record i.
class TIDList {
public:
    using Storage = std::vector<std::unique_ptr<TShellItem>>;

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    TShellItem& operator[](int index) { return *items_.at(static_cast<size_t>(index)); }
    const TShellItem& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }

    TShellItem& Add(std::unique_ptr<TShellItem> item) {
        items_.push_back(std::move(item));
        return *items_.back();
    }
    void Delete(int index) { items_.erase(items_.begin() + index); }
    void Clear() { items_.clear(); }

    // The record pointers themselves, for reordering (sorting).
    Storage& Items() { return items_; }
    const Storage& Items() const { return items_; }

private:
    Storage items_;
};

} // namespace quarrow
