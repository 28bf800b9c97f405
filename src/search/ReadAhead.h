#pragma once
// Work done ahead of the walk on other threads. Listing a folder, or opening and mapping a
// file for the content test, is mostly waiting for the file system (under Wine, for its
// server); the walk's own work (testing entries, scanning contents, making records,
// painting the window) overlaps with it, and so do the waits of several threads.
//
// The walk keeps its order and its rules: it announces the jobs it is about to need, in the
// order it will need them, and takes each job's result when it gets there. A job no thread
// has started is done by the walk itself; the threads never start the job the walk needs
// next, so that the walk works from the first job on.
//
// A thread may be held up for as long as the file system takes, by a share that stopped
// answering for one. Nothing waits for it: the walk gives up the job, and the owner's end
// leaves the thread behind with what it needs, to end when its call returns or with the
// process. Window-free.

#include "base/Handles.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quarrow {

// As many threads as the machine has cores, up to `most`.
inline size_t ThreadsForCores(size_t most) {
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, most);
}

// The platform's own lock and condition: under Wine they wait inside the process, where the
// waits of this compiler's standard library call the Wine server, once for each job.
class TSlimLock {
public:
    void Lock() { AcquireSRWLockExclusive(&lock_); }
    void Unlock() { ReleaseSRWLockExclusive(&lock_); }
    // Returns false when `milliseconds` passed without a wake-up.
    bool Wait(CONDITION_VARIABLE& condition, DWORD milliseconds) {
        return SleepConditionVariableSRW(&condition, &lock_, milliseconds, 0) != FALSE;
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class TSlimGuard {
public:
    explicit TSlimGuard(TSlimLock& lock) : lock_(lock) { lock_.Lock(); }
    ~TSlimGuard() {
        if (locked_)
            lock_.Unlock();
    }
    TSlimGuard(const TSlimGuard&) = delete;
    TSlimGuard& operator=(const TSlimGuard&) = delete;
    void Unlock() {
        lock_.Unlock();
        locked_ = false;
    }
    void Lock() {
        lock_.Lock();
        locked_ = true;
    }

private:
    TSlimLock& lock_;
    bool locked_ = true;
};

template <typename Result> class TReadAhead {
public:
    // Whether the walk still wants the job a thread is at. A long job asks now and then and
    // ends early when it is not: a job the walk passed or gave up no longer holds a thread.
    using StillWanted = std::function<bool()>;
    // Does the job named by `key`; runs on a thread, with no lock held. It must not refer to
    // anything its owner frees: a thread can outlive the owner. What a job ended early
    // returns is dropped.
    using Work = std::function<Result(const std::wstring& key, const StillWanted& stillWanted)>;

    // The threads start with their owner rather than with the first walk: what a thread
    // costs the process is paid once, not by the search that needed it.
    TReadAhead(Work work, size_t maxReady, size_t threads = 1)
        : shared_(std::make_shared<Shared>(std::move(work), maxReady)) {
        for (size_t i = 0; i < threads; ++i) {
            auto owner = std::make_unique<std::shared_ptr<Shared>>(shared_);
            UniqueHandle thread(CreateThread(nullptr, ThreadStackSize, ThreadEntry, owner.get(),
                                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
            if (thread)
                owner.release();
        }
    }

    // A job that runs to its end whatever happens.
    TReadAhead(std::function<Result(const std::wstring& key)> work, size_t maxReady, size_t threads = 1)
        : TReadAhead(Work([work = std::move(work)](const std::wstring& key, const StillWanted&) {
                         return work(key);
                     }),
                     maxReady, threads) {}

    ~TReadAhead() {
        Shared& s = *shared_;
        std::list<Job> dropped;
        TSlimGuard guard(s.lock);
        s.stopping = true;
        // A thread at a job refers to it: it is freed with the rest when the last thread ends.
        for (auto it = s.jobs.begin(); it != s.jobs.end();) {
            const auto next = std::next(it);
            if (it->state != State::Working)
                dropped.splice(dropped.end(), s.jobs, it);
            it = next;
        }
        WakeAllConditionVariable(&s.workChanged);
        guard.Unlock();
    }

    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The walk needs `keys` next, in this order: before every job announced earlier and not
    // yet taken when `first` (a depth-first walk entering sub-folders), else after them.
    void Announce(const std::vector<std::wstring>& keys, bool first) {
        if (keys.empty())
            return;
        Shared& s = *shared_;
        const TSlimGuard guard(s.lock);
        const auto at = first ? s.jobs.begin() : s.jobs.end();
        for (const std::wstring& key : keys)
            s.jobs.insert(at, Job{key, State::Announced, std::nullopt});
        s.WakeIdleThreads();
    }

    // The result of `key` when a thread made it, waiting while a thread is at it (then
    // `keepWaiting` runs about every 20 ms; when it returns false, the walk gives the job
    // up); nothing when the walk is to do the job itself. The jobs announced before `key`
    // are dropped: the walk has passed them. With `handOver`, a job no thread has started
    // goes to an idle thread, if there is one, and is waited for like the others; the walk
    // takes it back when no thread has started it within HandOverLimit.
    std::optional<Result> Take(const std::wstring& key, const std::function<bool()>& keepWaiting,
                               bool handOver = false) {
        Shared& s = *shared_;
        std::list<Job> passed; // freed outside the lock
        TSlimGuard guard(s.lock);
        auto job = std::find_if(s.jobs.begin(), s.jobs.end(), [&](const Job& j) { return j.key == key; });
        const bool threadFree = handOver && s.idleThreads > 0 && !s.failed;
        if (job == s.jobs.end()) {
            if (!threadFree)
                return std::nullopt;
            job = s.jobs.insert(s.jobs.begin(), Job{key, State::Announced, std::nullopt});
        }
        s.DropBefore(job, passed);
        if (job->state == State::Announced) {
            if (!threadFree) {
                s.jobs.erase(job);
                return std::nullopt;
            }
            job->handedOver = true;
            WakeAllConditionVariable(&s.workChanged);
        }
        const uint64_t generation = s.generation;
        const ULONGLONG handedOverAt = GetTickCount64();
        ULONGLONG keptWaitingAt = handedOverAt;
        const auto pending = [&] {
            return job->state == State::Working ||
                   (job->state == State::Announced && job->handedOver && !s.failed);
        };
        while (pending()) {
            ++s.walkWaiting;
            s.lock.Wait(s.resultChanged, WaitSlice);
            --s.walkWaiting;
            if (s.generation != generation)
                return std::nullopt;
            if (!pending())
                continue;
            if (GetTickCount64() - keptWaitingAt >= WaitSlice) {
                guard.Unlock();
                const bool keep = !keepWaiting || keepWaiting();
                guard.Lock();
                keptWaitingAt = GetTickCount64();
                // Cancelled while waiting (from a message handled above): the job is gone.
                if (s.generation != generation)
                    return std::nullopt;
                if (!keep && pending()) {
                    if (job->state == State::Working)
                        job->passed = true;
                    else
                        s.jobs.erase(job);
                    return std::nullopt;
                }
            }
            // No thread woke to take the job up: the walk does it itself.
            if (job->state == State::Announced && pending() &&
                GetTickCount64() - handedOverAt >= HandOverLimit) {
                s.jobs.erase(job);
                return std::nullopt;
            }
        }
        std::optional<Result> result;
        if (job->state == State::Ready) {
            result = std::move(job->result);
            --s.ready;
            s.WakeIdleThreads();
        }
        // Else given back by a thread that could not go on.
        s.jobs.erase(job);
        guard.Unlock();
        return result;
    }

    // Forgets every announced job; a job under way is dropped when it ends.
    void Cancel() {
        Shared& s = *shared_;
        std::list<Job> dropped;
        TSlimGuard guard(s.lock);
        dropped.swap(s.jobs);
        s.ready = 0;
        ++s.generation;
        // The results go outside the lock.
        guard.Unlock();
    }

    // Jobs the threads have done, and the threads at work on one (for tests).
    int DoneAhead() const {
        const TSlimGuard guard(shared_->lock);
        return shared_->doneAhead;
    }
    int Working() const {
        const TSlimGuard guard(shared_->lock);
        return static_cast<int>(shared_->working);
    }

private:
    // Listing and mapping need little stack.
    static constexpr SIZE_T ThreadStackSize = 256 * 1024;
    // How often a walk that waits for a job lets its caller act (milliseconds).
    static constexpr DWORD WaitSlice = 20;
    // How long a job handed over may wait for a thread to start it (milliseconds): under Wine
    // an idle thread can miss its wake-up.
    static constexpr ULONGLONG HandOverLimit = 100;

    enum class State { Announced, Working, Ready };
    struct Job {
        std::wstring key;
        State state = State::Announced;
        std::optional<Result> result;
        bool passed = false;     // the walk went past it while a thread was at it
        bool handedOver = false; // the walk waits for a thread to do it
    };
    using JobIterator = typename std::list<Job>::iterator;

    // What the threads share with the owner, and keep after it has gone. Each side is woken
    // only when it waits and something it waits for has changed.
    struct Shared {
        Shared(Work w, size_t most) : work(std::move(w)), maxReady(most) {}

        // Moves the jobs before `job` to `passed`, except those a thread is at: it refers to
        // them and drops them when done.
        void DropBefore(JobIterator job, std::list<Job>& passed) {
            bool roomMade = false;
            for (auto it = jobs.begin(); it != job;) {
                const auto next = std::next(it);
                if (it->state == State::Working) {
                    it->passed = true;
                } else {
                    if (it->state == State::Ready) {
                        --ready;
                        roomMade = true;
                    }
                    passed.splice(passed.end(), jobs, it);
                }
                it = next;
            }
            if (roomMade)
                WakeIdleThreads();
        }

        void WakeIdleThreads() {
            if (idleThreads > 0)
                WakeAllConditionVariable(&workChanged);
        }

        // The next job a thread may start: the one the walk waits for, or one after the
        // walk's next within the limit.
        JobIterator NextJobForAThread() {
            if (failed)
                return jobs.end();
            if (!jobs.empty() && jobs.front().state == State::Announced && jobs.front().handedOver)
                return jobs.begin();
            if (ready + working >= maxReady || jobs.size() < 2)
                return jobs.end();
            return std::find_if(std::next(jobs.begin()), jobs.end(),
                                [](const Job& j) { return j.state == State::Announced; });
        }

        const Work work;
        const size_t maxReady;
        TSlimLock lock;
        CONDITION_VARIABLE workChanged = CONDITION_VARIABLE_INIT;   // the threads wait on it
        CONDITION_VARIABLE resultChanged = CONDITION_VARIABLE_INIT; // the walk waits on it
        std::list<Job> jobs;                                        // in the order the walk will take them
        size_t ready = 0;
        size_t working = 0;
        size_t idleThreads = 0;
        int walkWaiting = 0;
        uint64_t generation = 0;
        int doneAhead = 0;
        bool stopping = false;
        bool failed = false; // a thread could not go on: the walk does every job itself
    };

    static DWORD WINAPI ThreadEntry(void* parameter) {
        const std::unique_ptr<std::shared_ptr<Shared>> owner(
            static_cast<std::shared_ptr<Shared>*>(parameter));
        Run(**owner);
        return 0;
    }

    static void Run(Shared& s) {
        TSlimGuard guard(s.lock);
        while (!s.stopping) {
            const JobIterator job = s.NextJobForAThread();
            if (job == s.jobs.end()) {
                ++s.idleThreads;
                s.lock.Wait(s.workChanged, INFINITE);
                --s.idleThreads;
                continue;
            }
            job->state = State::Working;
            ++s.working;
            const std::wstring key = job->key;
            const uint64_t generation = s.generation;
            guard.Unlock();

            // A cancel frees the jobs: the generation is compared before the job is read.
            const StillWanted stillWanted = [&s, job, generation] {
                const TSlimGuard check(s.lock);
                return !s.stopping && generation == s.generation && !job->passed;
            };
            std::optional<Result> result;
            try {
                result.emplace(s.work(key, stillWanted));
            } catch (...) {
                result.reset();
            }

            guard.Lock();
            --s.working;
            if (s.stopping || generation != s.generation || job->passed) {
                // Dropped by a cancel or by the walk, or the owner has gone: the result goes
                // here, outside the lock.
                std::list<Job> dropped;
                if (generation == s.generation)
                    dropped.splice(dropped.end(), s.jobs, job);
                guard.Unlock();
                result.reset();
                dropped.clear();
                guard.Lock();
                continue;
            }
            if (!result) {
                // Out of memory: the walk does this job and the rest itself.
                job->state = State::Announced;
                s.failed = true;
                WakeAllConditionVariable(&s.resultChanged);
                return;
            }
            job->result = std::move(result);
            job->state = State::Ready;
            ++s.ready;
            ++s.doneAhead;
            if (s.walkWaiting > 0)
                WakeAllConditionVariable(&s.resultChanged);
        }
    }

    std::shared_ptr<Shared> shared_;
};

} // namespace quarrow
