#pragma once
// Work done ahead of the walk on a second thread. Listing a folder, or opening and mapping
// a file for the content test, is mostly waiting for the file system (under Wine, for its
// server); the walk's own work (testing entries, scanning contents, making records,
// painting the window) overlaps with it.
//
// The walk keeps its order and its rules: it announces the jobs it is about to need, in the
// order it will need them, and takes each job's result when it gets there. A job the thread
// has not started is done by the walk itself; the thread never starts the job the walk
// needs next, so that both work from the first job on. Window-free.

#include "base/Handles.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quarrow {

template <typename Result> class TReadAhead {
public:
    // Does the job named by `key`; runs on the thread, with no lock held.
    using Work = std::function<Result(const std::wstring& key)>;

    // The thread starts with its owner rather than with the first walk: a thread's stack and
    // the rest of what it costs the process are paid once, not by the search that needed it.
    TReadAhead(Work work, size_t maxReady) : work_(std::move(work)), maxReady_(maxReady) {
        thread_.Reset(CreateThread(nullptr, ThreadStackSize, ThreadEntry, this,
                                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
        if (!thread_)
            failed_ = true;
    }

    ~TReadAhead() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_)
            WaitForSingleObject(thread_.Get(), INFINITE);
    }

    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The walk needs `keys` next, in this order: before every job announced earlier and not
    // yet taken when `first` (a depth-first walk entering sub-folders), else after them.
    void Announce(const std::vector<std::wstring>& keys, bool first) {
        if (keys.empty())
            return;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            const auto at = first ? jobs_.begin() : jobs_.end();
            for (const std::wstring& key : keys)
                jobs_.insert(at, Job{key, State::Announced, std::nullopt});
        }
        changed_.notify_all();
    }

    // The result of `key` when the thread made it, waiting while the thread is at it (then
    // `keepWaiting` runs about every 20 ms; when it returns false, the walk gives the job
    // up); nothing when the walk is to do the job itself. The jobs announced before `key`
    // are dropped: the walk has passed them.
    std::optional<Result> Take(const std::wstring& key, const std::function<bool()>& keepWaiting) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto job = std::find_if(jobs_.begin(), jobs_.end(), [&](const Job& j) { return j.key == key; });
        if (job == jobs_.end())
            return std::nullopt;
        DropBefore(job);
        if (job->state == State::Announced) {
            jobs_.erase(job);
            lock.unlock();
            // Results dropped above may have made room for the thread.
            changed_.notify_all();
            return std::nullopt;
        }
        const uint64_t generation = generation_;
        while (job->state == State::Working) {
            if (!changed_.wait_for(lock, std::chrono::milliseconds(20),
                                   [&] { return generation_ != generation || job->state != State::Working; })) {
                lock.unlock();
                const bool keep = !keepWaiting || keepWaiting();
                lock.lock();
                // Cancelled while waiting (from a message handled above): the job is gone.
                if (generation_ != generation)
                    return std::nullopt;
                if (!keep && job->state == State::Working) {
                    job->passed = true;
                    return std::nullopt;
                }
            }
            if (generation_ != generation)
                return std::nullopt;
        }
        std::optional<Result> result;
        if (job->state == State::Ready) {
            result = std::move(job->result);
            --ready_;
        }
        // Else given back by a thread that could not go on.
        jobs_.erase(job);
        lock.unlock();
        changed_.notify_all();
        return result;
    }

    // Forgets every announced job; a job under way is dropped when it ends.
    void Cancel() {
        std::list<Job> dropped;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            dropped.swap(jobs_);
            ready_ = 0;
            ++generation_;
        }
        changed_.notify_all();
    }

    // Jobs the thread has done (for tests).
    int DoneAhead() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return doneAhead_;
    }

private:
    // Listing and mapping need little stack.
    static constexpr SIZE_T ThreadStackSize = 256 * 1024;
    // Under Wine a waiting thread can miss a notify (seen after the process started a Linux
    // program): the idle thread looks again on its own, or its owner's end would wait forever.
    static constexpr std::chrono::milliseconds IdleRecheck{200};

    enum class State { Announced, Working, Ready };
    struct Job {
        std::wstring key;
        State state = State::Announced;
        std::optional<Result> result;
        bool passed = false; // the walk went past it while the thread was at it
    };

    void DropBefore(typename std::list<Job>::iterator job) {
        for (auto it = jobs_.begin(); it != job;) {
            if (it->state == State::Working) {
                // The thread still refers to it and drops it when done.
                it->passed = true;
                ++it;
                continue;
            }
            if (it->state == State::Ready)
                --ready_;
            it = jobs_.erase(it);
        }
    }

    static DWORD WINAPI ThreadEntry(void* self) {
        static_cast<TReadAhead*>(self)->Run();
        return 0;
    }

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (true) {
            typename std::list<Job>::iterator job;
            const auto hasWork = [&] {
                if (stopping_)
                    return true;
                if (failed_ || ready_ >= maxReady_ || jobs_.size() < 2)
                    return false;
                job = std::find_if(std::next(jobs_.begin()), jobs_.end(),
                                   [](const Job& j) { return j.state == State::Announced; });
                return job != jobs_.end();
            };
            while (!changed_.wait_for(lock, IdleRecheck, hasWork)) {
            }
            if (stopping_)
                return;
            job->state = State::Working;
            const std::wstring key = job->key;
            const uint64_t generation = generation_;
            lock.unlock();

            std::optional<Result> result;
            try {
                result.emplace(work_(key));
            } catch (...) {
                result.reset();
            }

            lock.lock();
            if (generation != generation_) {
                // A cancel has dropped the job with every other; the result goes here.
                lock.unlock();
                result.reset();
                lock.lock();
                continue;
            }
            if (job->passed) {
                jobs_.erase(job);
                lock.unlock();
                result.reset();
                lock.lock();
                continue;
            }
            if (!result) {
                // Out of memory: the walk does this job and the rest itself.
                job->state = State::Announced;
                failed_ = true;
                changed_.notify_all();
                return;
            }
            job->result = std::move(result);
            job->state = State::Ready;
            ++ready_;
            ++doneAhead_;
            changed_.notify_all();
        }
    }

    const Work work_;
    const size_t maxReady_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::list<Job> jobs_; // in the order the walk will take them
    size_t ready_ = 0;
    uint64_t generation_ = 0;
    int doneAhead_ = 0;
    bool stopping_ = false;
    bool failed_ = false; // the thread could not go on: the walk does every job itself
    UniqueHandle thread_;
};

} // namespace quarrow
