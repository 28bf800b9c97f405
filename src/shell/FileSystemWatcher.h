#pragma once
// Watches folder trees for removed and renamed entries with the file system's own change
// reports, which also see what other programs do. One thread serves every watched tree.

#include "base/Handles.h"

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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

    // Replaces the watched trees (none: nothing is watched) and drops the changes not taken;
    // the same roots keep their trees. The new trees are watched when this returns. The old
    // ones are closed on the watcher's thread, which serves every watch of this object: under
    // Wine closing a tree that has been walked takes over ten milliseconds, and every thread
    // commits two megabytes.
    void Watch(const std::vector<std::wstring>& roots);

    // The roots that could be opened, each ending in a backslash.
    const std::vector<std::wstring>& Roots() const { return roots_; }

    // The changes reported since the last call, in order. `lost` becomes true when the
    // platform dropped reports (a full buffer) since then.
    std::vector<TWatchedChange> TakeChanges(bool& lost);

private:
    struct Tree;
    using Trees = std::vector<std::unique_ptr<Tree>>;

    Trees OpenTrees(const std::vector<std::wstring>& roots);
    static void CloseTrees(Trees& trees);
    void Run();
    bool Arm(Tree& tree);
    void Collect(Tree& tree, DWORD bytes);
    void Publish(std::vector<TWatchedChange> changes, bool lost, unsigned generation);

    std::vector<std::wstring> roots_;
    std::function<void()> changesWaiting_;
    DWORD bufferBytes_;
    UniqueHandle stop_;
    UniqueHandle wake_; // trees were handed over
    std::mutex mutex_;
    std::optional<Trees> incoming_; // the trees of the last watch, until the thread takes them
    Trees retired_;                 // trees handed over and replaced before the thread took them
    unsigned generation_ = 0;       // counts the watches; reports of an earlier one are dropped
    bool treeDropped_ = false;      // a tree of the current watch went away
    std::vector<TWatchedChange> pending_;
    bool lost_ = false;
    bool signalled_ = false;
    std::thread thread_;
};

} // namespace quarrow
