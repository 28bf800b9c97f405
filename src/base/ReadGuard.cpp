#include "base/ReadGuard.h"

#include <windows.h>

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

thread_local TReadGuard* t_guard = nullptr;

// A fault inside the guarded range resumes the guarded read at its recovery point, as if
// the read had returned at once. The platform's compilers without `__try` need this form.
LONG CALLBACK OnReadFault(EXCEPTION_POINTERS* pointers) {
    TReadGuard* guard = t_guard;
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (guard == nullptr || guard->faulted != 0)
        return EXCEPTION_CONTINUE_SEARCH;
    if (record.ExceptionCode != EXCEPTION_IN_PAGE_ERROR && record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    if (record.NumberParameters >= 2) {
        const auto* address = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        if (address < guard->begin || address >= guard->end)
            return EXCEPTION_CONTINUE_SEARCH;
    }
    guard->faulted = 1;
    *pointers->ContextRecord = guard->recovery;
    return EXCEPTION_CONTINUE_EXECUTION;
}

class TFaultHandler {
public:
    TFaultHandler() : handle_(AddVectoredExceptionHandler(1, OnReadFault)) {}
    ~TFaultHandler() {
        if (handle_ != nullptr)
            RemoveVectoredExceptionHandler(handle_);
    }
    TFaultHandler(const TFaultHandler&) = delete;
    TFaultHandler& operator=(const TFaultHandler&) = delete;
    bool Installed() const { return handle_ != nullptr; }

private:
    void* handle_;
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
    guard.previous = t_guard;
    // Also when `read` throws.
    struct TRestore {
        TReadGuard& guard;
        ~TRestore() { t_guard = guard.previous; }
    } restore{guard};
    // Execution comes back here a second time, with `faulted` set, after a fault.
    RtlCaptureContext(&guard.recovery);
    if (guard.faulted == 0) {
        t_guard = &guard;
        read(context);
    }
    return guard.faulted == 0;
}

} // namespace quarrow
