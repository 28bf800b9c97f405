#include "base/ReadGuard.h"

#include <windows.h>

#include <cstring>

namespace quarrow {
namespace {

// One per guarded read on a thread's stack; nested reads form a chain.
struct TReadGuard {
    CONTEXT recovery;
    const char* begin;
    const char* end;
    volatile LONG faulted;
    TReadGuard* previous;
};

// Each thread's innermost guard. A slot of the platform's own, not a thread_local: MinGW's
// thread_local is emulated and can allocate on a thread's first use, which must never happen
// while an exception is dispatched (a bad_alloc, say).
DWORD g_guardSlot = TLS_OUT_OF_INDEXES;

TReadGuard* CurrentGuard() {
    // Whoever faulted may still want its last error.
    const DWORD error = GetLastError();
    auto* guard = static_cast<TReadGuard*>(TlsGetValue(g_guardSlot));
    SetLastError(error);
    return guard;
}

// A read fault inside the guarded range resumes the guarded read at its recovery point, as
// if the read had returned at once. The platform's compilers without `__try` need this form.
// Every exception of every thread passes here, so the code is looked at first.
LONG CALLBACK OnReadFault(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.ExceptionCode != EXCEPTION_IN_PAGE_ERROR && record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    // A write or an execution fault is the program's own fault, never the file's.
    constexpr ULONG_PTR ReadFault = 0;
    if (record.NumberParameters < 2 || record.ExceptionInformation[0] != ReadFault)
        return EXCEPTION_CONTINUE_SEARCH;
    TReadGuard* guard = CurrentGuard();
    if (guard == nullptr || guard->faulted != 0)
        return EXCEPTION_CONTINUE_SEARCH;
    const auto* address = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    if (address < guard->begin || address >= guard->end)
        return EXCEPTION_CONTINUE_SEARCH;
    guard->faulted = 1;
    *pointers->ContextRecord = guard->recovery;
    return EXCEPTION_CONTINUE_EXECUTION;
}

class TFaultHandler {
public:
    TFaultHandler() {
        g_guardSlot = TlsAlloc();
        if (g_guardSlot != TLS_OUT_OF_INDEXES)
            handle_ = AddVectoredExceptionHandler(1, OnReadFault);
    }
    ~TFaultHandler() {
        if (handle_ != nullptr)
            RemoveVectoredExceptionHandler(handle_);
    }
    TFaultHandler(const TFaultHandler&) = delete;
    TFaultHandler& operator=(const TFaultHandler&) = delete;
    bool Installed() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

} // namespace

bool RunGuardedRead(const void* begin, size_t length, void (*read)(void* context), void* context) {
    static const TFaultHandler handler;
    if (!handler.Installed()) {
        read(context);
        return true;
    }
    TReadGuard guard;
    guard.begin = static_cast<const char*>(begin);
    guard.end = guard.begin + length;
    guard.faulted = 0;
    guard.previous = CurrentGuard();
    // Also when `read` throws.
    struct TRestore {
        TReadGuard& guard;
        ~TRestore() { TlsSetValue(g_guardSlot, guard.previous); }
    } restore{guard};
    // Execution comes back here a second time, with `faulted` set, after a fault.
    RtlCaptureContext(&guard.recovery);
    if (guard.faulted == 0) {
        TlsSetValue(g_guardSlot, &guard);
        read(context);
    }
    return guard.faulted == 0;
}

bool CopyGuardedRead(void* to, const void* from, size_t length) {
    struct TCopy {
        void* to;
        const void* from;
        size_t length;
    } copy{to, from, length};
    const auto run = [](void* context) {
        const auto* c = static_cast<TCopy*>(context);
        std::memcpy(c->to, c->from, c->length);
    };
    if (RunGuardedRead(from, length, run, &copy))
        return true;
    std::memset(to, 0, length);
    return false;
}

} // namespace quarrow
