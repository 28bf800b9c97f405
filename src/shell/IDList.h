#pragma once
// Item identifier lists: runs of items, each led by its 16-bit byte length (which counts
// the length field), ended by a zero length. Every list comes from the COM task allocator
// and has exactly one owner.

#include "base/Handles.h"

#include <windows.h>
#include <shlobj.h>

namespace quarrow {

struct IDListTraits {
    using Type = LPITEMIDLIST;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type list) noexcept { ::CoTaskMemFree(list); }
};
using UniqueIDList = UniqueResource<IDListTraits>;

// Bytes of the list with its terminator; 0 for no list.
UINT IDListSize(LPCITEMIDLIST list);
// Number of items; 0 for no list.
int IDListCount(LPCITEMIDLIST list);

// The list without items, only the terminator.
UniqueIDList EmptyIDList();
// Each returns no list for no list.
UniqueIDList CopyIDList(LPCITEMIDLIST list);
// The items of `first` followed by those of `second`; no list when both are none.
UniqueIDList ConcatIDLists(LPCITEMIDLIST first, LPCITEMIDLIST second);
// The first `count` items (all of them when there are fewer).
UniqueIDList CopyFirstItems(LPCITEMIDLIST list, int count);
// Item `index` (from 0) alone; no list when there is no such item.
UniqueIDList CopyItem(LPCITEMIDLIST list, int index);

} // namespace quarrow
