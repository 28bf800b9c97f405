#include "shell/IDList.h"

#include <climits>
#include <cstring>
#include <new>

namespace quarrow {
namespace {

const BYTE* Bytes(LPCITEMIDLIST list) {
    return reinterpret_cast<const BYTE*>(list);
}

USHORT ItemLength(const BYTE* item) {
    USHORT length = 0;
    std::memcpy(&length, item, sizeof(length));
    return length;
}

// Bytes taken by the first `count` items, without a terminator.
UINT ItemsSize(LPCITEMIDLIST list, int count) {
    UINT size = 0;
    if (list == nullptr)
        return 0;
    const BYTE* item = Bytes(list);
    for (int i = 0; i < count; ++i) {
        const USHORT length = ItemLength(item);
        if (length == 0)
            break;
        size += length;
        item += length;
    }
    return size;
}

// A zero-filled allocation of `size` item bytes plus the terminator.
UniqueIDList Allocate(UINT size) {
    const UINT total = size + sizeof(USHORT);
    void* memory = CoTaskMemAlloc(total);
    if (memory == nullptr)
        throw std::bad_alloc();
    std::memset(memory, 0, total);
    return UniqueIDList(static_cast<LPITEMIDLIST>(memory));
}

} // namespace

UINT IDListSize(LPCITEMIDLIST list) {
    return list == nullptr ? 0 : ItemsSize(list, INT_MAX) + sizeof(USHORT);
}

int IDListCount(LPCITEMIDLIST list) {
    int count = 0;
    if (list == nullptr)
        return 0;
    for (const BYTE* item = Bytes(list); ItemLength(item) != 0; item += ItemLength(item))
        ++count;
    return count;
}

UniqueIDList EmptyIDList() {
    return Allocate(0);
}

UniqueIDList CopyIDList(LPCITEMIDLIST list) {
    return list == nullptr ? UniqueIDList() : CopyFirstItems(list, INT_MAX);
}

UniqueIDList ConcatIDLists(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    if (first == nullptr && second == nullptr)
        return {};
    const UINT firstSize = ItemsSize(first, INT_MAX);
    const UINT secondSize = ItemsSize(second, INT_MAX);
    UniqueIDList result = Allocate(firstSize + secondSize);
    BYTE* target = reinterpret_cast<BYTE*>(result.Get());
    if (firstSize != 0)
        std::memcpy(target, first, firstSize);
    if (secondSize != 0)
        std::memcpy(target + firstSize, second, secondSize);
    return result;
}

UniqueIDList CopyFirstItems(LPCITEMIDLIST list, int count) {
    if (list == nullptr)
        return {};
    const UINT size = ItemsSize(list, count);
    UniqueIDList result = Allocate(size);
    if (size != 0)
        std::memcpy(result.Get(), list, size);
    return result;
}

UniqueIDList CopyItem(LPCITEMIDLIST list, int index) {
    if (list == nullptr || index < 0 || index >= IDListCount(list))
        return {};
    const BYTE* item = Bytes(list) + ItemsSize(list, index);
    const USHORT length = ItemLength(item);
    UniqueIDList result = Allocate(length);
    std::memcpy(result.Get(), item, length);
    return result;
}

} // namespace quarrow
