#include "shell/FileSystemWatcher.h"

#include "base/FileSystem.h"
#include "base/Text.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace quarrow {

std::vector<TWatchedChange> ParseChangeRecords(const std::wstring& root, const void* buffer, DWORD bytes) {
    std::vector<TWatchedChange> changes;
    constexpr size_t header = offsetof(FILE_NOTIFY_INFORMATION, FileName);
    const auto* at = static_cast<const BYTE*>(buffer);
    size_t left = bytes;
    // A last record's length need not be a multiple of the record's alignment.
    while (left >= header) {
        const auto& record = *reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        if (record.FileNameLength > left - header)
            break;
        const std::wstring path =
            root + std::wstring(record.FileName, record.FileNameLength / sizeof(wchar_t));
        switch (record.Action) {
        case FILE_ACTION_REMOVED:
            changes.push_back({TWatchedChange::Kind::Removed, path, {}});
            break;
        case FILE_ACTION_RENAMED_OLD_NAME:
            changes.push_back({TWatchedChange::Kind::Renamed, path, {}});
            break;
        case FILE_ACTION_RENAMED_NEW_NAME:
            if (!changes.empty() && changes.back().ChangeKind == TWatchedChange::Kind::Renamed &&
                changes.back().NewPath.empty())
                changes.back().NewPath = path;
            break;
        default:
            break;
        }
        if (record.NextEntryOffset == 0 || record.NextEntryOffset > left)
            break;
        at += record.NextEntryOffset;
        left -= record.NextEntryOffset;
    }
    return changes;
}

// What a folder is, whatever its path: a folder deleted and made again under the same name
// is another one. Under Wine a watch of a deleted folder stays armed and silent.
std::optional<TFileSystemWatcher::Identity> TFileSystemWatcher::IdentityOf(HANDLE folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder, &info))
        return std::nullopt;
    return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::optional<TFileSystemWatcher::Identity> TFileSystemWatcher::FolderIdentity(const std::wstring& path) {
    const UniqueFile folder(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder ? IdentityOf(folder.Get()) : std::nullopt;
}

struct TFileSystemWatcher::Tree {
    std::wstring root;
    std::optional<Identity> identity;
    UniqueFile directory;
    UniqueHandle event;
    OVERLAPPED overlapped{};
    std::vector<DWORD> buffer; // the platform wants the reports DWORD-aligned
    unsigned generation = 0;
    bool armed = false;
};

TFileSystemWatcher::TFileSystemWatcher(const std::vector<std::wstring>& roots,
                                       std::function<void()> changesWaiting, DWORD bufferBytes,
                                       size_t pendingLimit)
    : changesWaiting_(std::move(changesWaiting)), bufferBytes_(bufferBytes), pendingLimit_(pendingLimit),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    Watch(roots);
}

TFileSystemWatcher::~TFileSystemWatcher() {
    if (thread_.joinable()) {
        SetEvent(stop_.Get());
        thread_.join();
    }
    if (incoming_)
        CloseTrees(*incoming_);
    CloseTrees(retired_);
}

TFileSystemWatcher::Trees TFileSystemWatcher::OpenTrees(const std::vector<std::wstring>& roots) {
    Trees trees;
    for (const std::wstring& path : roots) {
        // The stop and wake events share the thread's wait.
        if (trees.size() + 2 >= MAXIMUM_WAIT_OBJECTS)
            break;
        auto tree = std::make_unique<Tree>();
        tree->root = IncludeTrailingBackslash(path);
        tree->directory.Reset(CreateFileW(ExtendedLengthPath(tree->root).c_str(), FILE_LIST_DIRECTORY,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                          nullptr));
        tree->event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        tree->buffer.resize(std::max<DWORD>(bufferBytes_ / sizeof(DWORD), 4));
        // The platform keeps reports only from the first request on, so the first one is
        // made before the caller goes on to touch the tree.
        if (!tree->directory || !tree->event || !Arm(*tree))
            continue;
        tree->identity = IdentityOf(tree->directory.Get());
        trees.push_back(std::move(tree));
    }
    return trees;
}

void TFileSystemWatcher::CloseTrees(Trees& trees) {
    for (const std::unique_ptr<Tree>& tree : trees) {
        if (!tree->armed)
            continue;
        CancelIoEx(tree->directory.Get(), &tree->overlapped);
        DWORD bytes = 0;
        GetOverlappedResult(tree->directory.Get(), &tree->overlapped, &bytes, TRUE);
    }
    trees.clear();
}

void TFileSystemWatcher::Watch(const std::vector<std::wstring>& roots) {
    std::vector<std::wstring> wanted;
    for (const std::wstring& root : roots)
        wanted.push_back(IncludeTrailingBackslash(root));
    if (thread_.joinable() && !wanted.empty() && wanted == roots_ && SameFoldersAsWatched()) {
        // The same trees are kept: closing and reopening them would cost the platform as much
        // as the walk after it. A report of the time before can only name a path that is gone.
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!treeDropped_) {
            pending_.clear();
            lost_ = false;
            signalled_ = false;
            return;
        }
    }
    Trees trees = OpenTrees(roots);
    roots_.clear();
    identities_.clear();
    for (const std::unique_ptr<Tree>& tree : trees) {
        roots_.push_back(tree->root);
        identities_.push_back(tree->identity);
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
        for (const std::unique_ptr<Tree>& tree : trees)
            tree->generation = generation_;
        pending_.clear();
        lost_ = false;
        signalled_ = false;
        treeDropped_ = false;
        if (incoming_) {
            for (std::unique_ptr<Tree>& tree : *incoming_)
                retired_.push_back(std::move(tree));
        }
        incoming_ = std::move(trees);
    }
    if (!thread_.joinable() && !incoming_->empty() && stop_ && wake_)
        thread_ = std::thread([this] { Run(); });
    if (thread_.joinable()) {
        SetEvent(wake_.Get());
        return;
    }
    Trees unserved = std::move(*incoming_);
    incoming_.reset();
    CloseTrees(unserved);
    CloseTrees(retired_);
    roots_.clear();
    identities_.clear();
}

bool TFileSystemWatcher::SameFoldersAsWatched() const {
    for (size_t i = 0; i < roots_.size(); ++i) {
        if (FolderIdentity(roots_[i]) != identities_[i])
            return false;
    }
    return true;
}

bool TFileSystemWatcher::Arm(Tree& tree) {
    ResetEvent(tree.event.Get());
    tree.overlapped = OVERLAPPED{};
    tree.overlapped.hEvent = tree.event.Get();
    tree.armed = ReadDirectoryChangesW(tree.directory.Get(), tree.buffer.data(),
                                       static_cast<DWORD>(tree.buffer.size() * sizeof(DWORD)), TRUE,
                                       FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, nullptr,
                                       &tree.overlapped, nullptr) != FALSE;
    return tree.armed;
}

void TFileSystemWatcher::Run() {
    Trees live;
    ULONGLONG nextRootCheck = GetTickCount64() + RootCheckIntervalMs;
    for (;;) {
        // Also while reports keep coming from another tree.
        const ULONGLONG now = GetTickCount64();
        if (now >= nextRootCheck) {
            DropVanishedTrees(live);
            nextRootCheck = now + RootCheckIntervalMs;
        }
        std::vector<HANDLE> waits{stop_.Get(), wake_.Get()};
        for (const std::unique_ptr<Tree>& tree : live)
            waits.push_back(tree->event.Get());
        const DWORD timeout = live.empty() ? INFINITE : static_cast<DWORD>(nextRootCheck - now);
        const DWORD signalled =
            WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, timeout);
        if (signalled == WAIT_TIMEOUT)
            continue;
        if (signalled == WAIT_OBJECT_0 || signalled >= WAIT_OBJECT_0 + waits.size())
            break;
        if (signalled == WAIT_OBJECT_0 + 1) {
            Trees replaced;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                replaced = std::move(retired_);
                retired_.clear();
                if (incoming_) {
                    for (std::unique_ptr<Tree>& tree : live)
                        replaced.push_back(std::move(tree));
                    live = std::move(*incoming_);
                    incoming_.reset();
                }
            }
            CloseTrees(replaced);
            continue;
        }
        const size_t index = signalled - WAIT_OBJECT_0 - 2;
        Tree& tree = *live[index];
        DWORD bytes = 0;
        if (GetOverlappedResult(tree.directory.Get(), &tree.overlapped, &bytes, FALSE)) {
            // No bytes: the reports did not fit and were dropped.
            if (bytes == 0)
                Publish({}, true, tree.generation);
            else
                Collect(tree, bytes);
        } else if (GetLastError() == ERROR_NOTIFY_ENUM_DIR) {
            Publish({}, true, tree.generation);
        }
        // The tree itself went away.
        if (!Arm(tree))
            DropTree(live, index);
    }
    CloseTrees(live);
}

// Whatever a tree that went away held must be checked on the disk, and the next watch of
// its root opens it anew.
void TFileSystemWatcher::DropTree(Trees& live, size_t index) {
    const unsigned generation = live[index]->generation;
    Trees dropped;
    dropped.push_back(std::move(live[index]));
    live.erase(live.begin() + static_cast<std::ptrdiff_t>(index));
    CloseTrees(dropped);
    Publish({}, true, generation);
    const std::lock_guard<std::mutex> lock(mutex_);
    treeDropped_ = treeDropped_ || generation == generation_;
}

void TFileSystemWatcher::DropVanishedTrees(Trees& live) {
    for (size_t i = live.size(); i-- > 0;) {
        if (FolderIdentity(live[i]->root) != live[i]->identity)
            DropTree(live, i);
    }
}

void TFileSystemWatcher::Collect(Tree& tree, DWORD bytes) {
    std::vector<TWatchedChange> changes = ParseChangeRecords(tree.root, tree.buffer.data(), bytes);
    if (!changes.empty())
        Publish(std::move(changes), false, tree.generation);
}

void TFileSystemWatcher::Publish(std::vector<TWatchedChange> changes, bool lost, unsigned generation) {
    bool signal = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (generation != generation_)
            return;
        // Once reports are lost, every result is checked on the disk: what follows needs no
        // keeping either.
        if (lost || lost_ || pending_.size() + changes.size() > pendingLimit_) {
            lost_ = true;
            pending_.clear();
        } else {
            pending_.insert(pending_.end(), std::make_move_iterator(changes.begin()),
                            std::make_move_iterator(changes.end()));
        }
        if (!signalled_ && (!pending_.empty() || lost_)) {
            signalled_ = true;
            signal = true;
        }
    }
    if (signal && changesWaiting_)
        changesWaiting_();
}

std::vector<TWatchedChange> TFileSystemWatcher::TakeChanges(bool& lost) {
    std::lock_guard<std::mutex> lock(mutex_);
    lost = std::exchange(lost_, false);
    signalled_ = false;
    return std::exchange(pending_, {});
}

} // namespace quarrow
