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

// The removals and renames in `bytes` of the platform's report buffer, with their paths under
// `root` (which ends in a backslash). A record that does not fit ends the list.
std::vector<TWatchedChange> ParseChangeRecords(const std::wstring& root, const void* buffer, DWORD bytes);

class TFileSystemWatcher {
public:
    static constexpr size_t DefaultPendingLimit = 10000;
    // How often the watched roots are looked at: a root deleted (and perhaps made again)
    // drops its tree.
    static constexpr DWORD RootCheckIntervalMs = 1000;

    // Watches each root folder and its sub-folders. `changesWaiting` runs on the watcher's
    // thread when the first change after a TakeChanges call arrives; it must not block.
    // `bufferBytes` is the size of each tree's report buffer. Past `pendingLimit` changes not
    // taken, they are dropped and reported lost.
    TFileSystemWatcher(const std::vector<std::wstring>& roots, std::function<void()> changesWaiting,
                       DWORD bufferBytes = 64 * 1024, size_t pendingLimit = DefaultPendingLimit);
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

    // The changes reported since the last call, in order. `lost` becomes true when reports
    // were dropped since then: by the platform (a full buffer), past the pending limit, or
    // with a watched tree that went away.
    std::vector<TWatchedChange> TakeChanges(bool& lost);

private:
    struct Tree;
    using Trees = std::vector<std::unique_ptr<Tree>>;
    struct Identity {
        DWORD volume = 0;
        DWORD indexHigh = 0;
        DWORD indexLow = 0;
        bool operator==(const Identity&) const = default;
    };

    static std::optional<Identity> IdentityOf(HANDLE folder);
    static std::optional<Identity> FolderIdentity(const std::wstring& path);
    bool SameFoldersAsWatched() const;
    void DropTree(Trees& live, size_t index);
    void DropVanishedTrees(Trees& live);

    Trees OpenTrees(const std::vector<std::wstring>& roots);
    static void CloseTrees(Trees& trees);
    void Run();
    bool Arm(Tree& tree);
    void Collect(Tree& tree, DWORD bytes);
    void Publish(std::vector<TWatchedChange> changes, bool lost, unsigned generation);

    std::vector<std::wstring> roots_;
    std::vector<std::optional<Identity>> identities_; // of the roots, when their trees were opened
    std::function<void()> changesWaiting_;
    DWORD bufferBytes_;
    size_t pendingLimit_;
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
