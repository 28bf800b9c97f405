// The read guard ends a read that faults inside its range, and lets every other fault go on
// to whoever handles it next: here a handler of the test that makes the page usable.

#include "base/ReadGuard.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using quarrow::RunGuardedRead;

// Two pages: the first readable, the second not at all until the test's handler opens it.
class GuardedPages : public ::testing::Test {
protected:
    void SetUp() override {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        pageSize_ = info.dwPageSize;
        base_ =
            static_cast<char*>(VirtualAlloc(nullptr, 2 * pageSize_, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY));
        ASSERT_NE(nullptr, base_);
        DWORD old = 0;
        ASSERT_TRUE(VirtualProtect(SecondPage(), pageSize_, PAGE_NOACCESS, &old));
        s_pages = this;
        handler_ = AddVectoredExceptionHandler(0, OpenThePage);
        ASSERT_NE(nullptr, handler_);
    }
    void TearDown() override {
        if (handler_ != nullptr)
            RemoveVectoredExceptionHandler(handler_);
        s_pages = nullptr;
        if (base_ != nullptr)
            VirtualFree(base_, 0, MEM_RELEASE);
    }

    char* SecondPage() const { return base_ + pageSize_; }

    // Reached only by a fault the guard passed on: the faulting page is made readable and
    // writable, and the faulting instruction runs again.
    static LONG CALLBACK OpenThePage(EXCEPTION_POINTERS* pointers) {
        const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
        GuardedPages* pages = s_pages;
        if (pages == nullptr || record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION ||
            record.NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        char* address = reinterpret_cast<char*>(record.ExceptionInformation[1]);
        if (address < pages->base_ || address >= pages->base_ + 2 * pages->pageSize_)
            return EXCEPTION_CONTINUE_SEARCH;
        ++pages->passedOn_;
        pages->lastKind_ = record.ExceptionInformation[0];
        DWORD old = 0;
        VirtualProtect(pages->base_, 2 * pages->pageSize_, PAGE_READWRITE, &old);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static inline GuardedPages* s_pages = nullptr;
    size_t pageSize_ = 0;
    char* base_ = nullptr;
    void* handler_ = nullptr;
    int passedOn_ = 0;
    ULONG_PTR lastKind_ = 99;
};

char ReadAt(const char* at) {
    return *static_cast<const volatile char*>(at);
}

} // namespace

TEST_F(GuardedPages, AFaultOnTheLastByteOfTheRangeEndsTheRead) {
    const char* begin = SecondPage() - 16;
    bool after = false;
    EXPECT_FALSE(RunGuardedRead(begin, 17, [&] {
        ReadAt(SecondPage());
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_EQ(0, passedOn_);
}

TEST_F(GuardedPages, AFaultJustPastTheRangeIsNotTheGuardsToEnd) {
    const char* begin = SecondPage() - 16;
    bool after = false;
    EXPECT_TRUE(RunGuardedRead(begin, 16, [&] {
        ReadAt(SecondPage());
        after = true;
    }));
    EXPECT_TRUE(after);
    EXPECT_EQ(1, passedOn_);
    EXPECT_EQ(0u, lastKind_);
}

TEST_F(GuardedPages, AWriteFaultInsideTheRangeIsNotTheGuardsToEnd) {
    bool after = false;
    EXPECT_TRUE(RunGuardedRead(base_, 2 * pageSize_, [&] {
        *static_cast<volatile char*>(base_ + 8) = 'w';
        after = true;
    }));
    EXPECT_TRUE(after);
    EXPECT_EQ(1, passedOn_);
    EXPECT_EQ(1u, lastKind_) << "a write";
    EXPECT_EQ('w', base_[8]);
}

// Nested reads: the inner one ends, the outer one goes on.
TEST_F(GuardedPages, ANestedReadEndsAloneAndTheOuterOneGoesOn) {
    bool innerEnded = false;
    bool outerDone = false;
    EXPECT_TRUE(RunGuardedRead(base_, pageSize_, [&] {
        innerEnded = !RunGuardedRead(SecondPage(), 1, [&] { ReadAt(SecondPage()); });
        ReadAt(base_);
        outerDone = true;
    }));
    EXPECT_TRUE(innerEnded);
    EXPECT_TRUE(outerDone);
    EXPECT_EQ(0, passedOn_);
}
