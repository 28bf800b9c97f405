#pragma once
// Watches folder trees for removed and renamed entries with the file system's own change
// reports, which also see what other programs do. One thread serves every watched tree.

#include "base/Handles.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quarrow {

struct TWatchedChange {
    enum class Kind { Removed, Renamed };
    Kind ChangeKind = Kind::Removed;
    std::wstring OldPath; // the removed path, or the old path of a rename
    std::wstring NewPath; // the new path of a rename when it was reported with it
};

class TFileSystemWatcher {
public:
    // Watches each root folder and its sub-folders. `changesWaiting` runs on the watcher's
    // thread when the first change after a TakeChanges call arrives; it must not block.
    // `bufferBytes` is the size of each tree's report buffer.
    TFileSystemWatcher(const std::vector<std::wstring>& roots, std::function<void()> changesWaiting,
                       DWORD bufferBytes = 64 * 1024);
    // Stops the thread; changes not taken are dropped.
    ~TFileSystemWatcher();
    TFileSystemWatcher(const TFileSystemWatcher&) = delete;
    TFileSystemWatcher& operator=(const TFileSystemWatcher&) = delete;

    // The roots that could be opened, each ending in a backslash.
    const std::vector<std::wstring>& Roots() const { return roots_; }

    // The changes reported since the last call, in order. `lost` becomes true when the
    // platform dropped reports (a full buffer) since then.
    std::vector<TWatchedChange> TakeChanges(bool& lost);

private:
    struct Tree;

    void Run();
    bool Arm(Tree& tree);
    void Collect(Tree& tree, DWORD bytes);
    void Publish(std::vector<TWatchedChange> changes, bool lost);

    std::vector<std::wstring> roots_;
    std::vector<std::unique_ptr<Tree>> trees_;
    std::function<void()> changesWaiting_;
    UniqueHandle stop_;
    std::mutex mutex_;
    std::vector<TWatchedChange> pending_;
    bool lost_ = false;
    bool signalled_ = false;
    std::thread thread_;
};

} // namespace quarrow
