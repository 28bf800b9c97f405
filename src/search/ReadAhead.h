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
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
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

template <typename Result> class TReadAhead {
public:
    // Does the job named by `key`; runs on a thread, with no lock held. It must not refer to
    // anything its owner frees: a thread can outlive the owner.
    using Work = std::function<Result(const std::wstring& key)>;

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

    ~TReadAhead() {
        {
            const std::lock_guard<std::mutex> lock(shared_->mutex);
            shared_->stopping = true;
            shared_->jobs.clear();
        }
        shared_->changed.notify_all();
    }

    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The walk needs `keys` next, in this order: before every job announced earlier and not
    // yet taken when `first` (a depth-first walk entering sub-folders), else after them.
    void Announce(const std::vector<std::wstring>& keys, bool first) {
        if (keys.empty())
            return;
        Shared& s = *shared_;
        {
            const std::lock_guard<std::mutex> lock(s.mutex);
            const auto at = first ? s.jobs.begin() : s.jobs.end();
            for (const std::wstring& key : keys)
                s.jobs.insert(at, Job{key, State::Announced, std::nullopt});
        }
        s.changed.notify_all();
    }

    // The result of `key` when a thread made it, waiting while a thread is at it (then
    // `keepWaiting` runs about every 20 ms; when it returns false, the walk gives the job
    // up); nothing when the walk is to do the job itself. The jobs announced before `key`
    // are dropped: the walk has passed them.
    std::optional<Result> Take(const std::wstring& key, const std::function<bool()>& keepWaiting) {
        Shared& s = *shared_;
        std::unique_lock<std::mutex> lock(s.mutex);
        auto job = std::find_if(s.jobs.begin(), s.jobs.end(), [&](const Job& j) { return j.key == key; });
        if (job == s.jobs.end())
            return std::nullopt;
        s.DropBefore(job);
        if (job->state == State::Announced) {
            s.jobs.erase(job);
            lock.unlock();
            // Results dropped above may have made room for a thread.
            s.changed.notify_all();
            return std::nullopt;
        }
        const uint64_t generation = s.generation;
        while (job->state == State::Working) {
            if (!s.changed.wait_for(lock, std::chrono::milliseconds(20), [&] {
                    return s.generation != generation || job->state != State::Working;
                })) {
                lock.unlock();
                const bool keep = !keepWaiting || keepWaiting();
                lock.lock();
                // Cancelled while waiting (from a message handled above): the job is gone.
                if (s.generation != generation)
                    return std::nullopt;
                if (!keep && job->state == State::Working) {
                    job->passed = true;
                    return std::nullopt;
                }
            }
            if (s.generation != generation)
                return std::nullopt;
        }
        std::optional<Result> result;
        if (job->state == State::Ready) {
            result = std::move(job->result);
            --s.ready;
        }
        // Else given back by a thread that could not go on.
        s.jobs.erase(job);
        lock.unlock();
        s.changed.notify_all();
        return result;
    }

    // Forgets every announced job; a job under way is dropped when it ends.
    void Cancel() {
        Shared& s = *shared_;
        std::list<Job> dropped;
        {
            const std::lock_guard<std::mutex> lock(s.mutex);
            dropped.swap(s.jobs);
            s.ready = 0;
            ++s.generation;
        }
        s.changed.notify_all();
    }

    // Jobs the threads have done, and the threads at work on one (for tests).
    int DoneAhead() const {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        return shared_->doneAhead;
    }
    int Working() const {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        return static_cast<int>(shared_->working);
    }

private:
    // Listing and mapping need little stack.
    static constexpr SIZE_T ThreadStackSize = 256 * 1024;

    enum class State { Announced, Working, Ready };
    struct Job {
        std::wstring key;
        State state = State::Announced;
        std::optional<Result> result;
        bool passed = false; // the walk went past it while a thread was at it
    };
    using JobIterator = typename std::list<Job>::iterator;

    // What the threads share with the owner, and keep after it has gone.
    struct Shared {
        Shared(Work w, size_t most) : work(std::move(w)), maxReady(most) {}

        void DropBefore(JobIterator job) {
            for (auto it = jobs.begin(); it != job;) {
                if (it->state == State::Working) {
                    // A thread still refers to it and drops it when done.
                    it->passed = true;
                    ++it;
                    continue;
                }
                if (it->state == State::Ready)
                    --ready;
                it = jobs.erase(it);
            }
        }

        const Work work;
        const size_t maxReady;
        std::mutex mutex;
        std::condition_variable changed;
        std::list<Job> jobs; // in the order the walk will take them
        size_t ready = 0;
        size_t working = 0;
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
        std::unique_lock<std::mutex> lock(s.mutex);
        while (true) {
            JobIterator job;
            s.changed.wait(lock, [&] {
                if (s.stopping)
                    return true;
                if (s.failed || s.ready + s.working >= s.maxReady || s.jobs.size() < 2)
                    return false;
                job = std::find_if(std::next(s.jobs.begin()), s.jobs.end(),
                                   [](const Job& j) { return j.state == State::Announced; });
                return job != s.jobs.end();
            });
            if (s.stopping)
                return;
            job->state = State::Working;
            ++s.working;
            const std::wstring key = job->key;
            const uint64_t generation = s.generation;
            lock.unlock();

            std::optional<Result> result;
            try {
                result.emplace(s.work(key));
            } catch (...) {
                result.reset();
            }

            lock.lock();
            --s.working;
            if (s.stopping || generation != s.generation || job->passed) {
                // Dropped by a cancel or by the walk (or the owner has gone): the result
                // goes here, outside the lock.
                if (!s.stopping && generation == s.generation)
                    s.jobs.erase(job);
                lock.unlock();
                result.reset();
                lock.lock();
                continue;
            }
            if (!result) {
                // Out of memory: the walk does this job and the rest itself.
                job->state = State::Announced;
                s.failed = true;
                s.changed.notify_all();
                return;
            }
            job->result = std::move(result);
            job->state = State::Ready;
            ++s.ready;
            ++s.doneAhead;
            s.changed.notify_all();
        }
    }

    std::shared_ptr<Shared> shared_;
};

} // namespace quarrow
