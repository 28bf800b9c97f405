#pragma once
// Reading a mapped view safely. A read of a mapped file faults when the file shrinks under
// the view (another process cut it) or its device goes away (a network share, a removable
// disk); such a fault is an ordinary outcome for the reader, not a crash.

#include <cstddef>
#include <utility>

namespace quarrow {

// Runs `read(context)`, which may read only the bytes [begin, begin + length). Returns false
// when a read fault inside that range ended it early; the function's own state is then
// whatever it had reached, and it must hold nothing that needs freeing.
bool RunGuardedRead(const void* begin, size_t length, void (*read)(void* context), void* context);

// Copies [from, from + length), which may fault, to memory of the caller's. False when a read
// fault cut the copy short; `to` then holds zeros. The guarded part allocates nothing, so a
// fault that leaves it loses nothing.
bool CopyGuardedRead(void* to, const void* from, size_t length);

template <typename Read> bool RunGuardedRead(const void* begin, size_t length, Read&& read) {
    return RunGuardedRead(
        begin, length, [](void* context) { (*static_cast<Read*>(context))(); },
        const_cast<void*>(static_cast<const void*>(&read)));
}

} // namespace quarrow
