#include "shell/FileSystemWatcher.h"

#include "base/FileSystem.h"
#include "base/Text.h"

#include <algorithm>
#include <utility>

namespace quarrow {

struct TFileSystemWatcher::Tree {
    std::wstring root;
    UniqueFile directory;
    UniqueHandle event;
    OVERLAPPED overlapped{};
    std::vector<DWORD> buffer; // the platform wants the reports DWORD-aligned
    unsigned generation = 0;
    bool armed = false;
};

TFileSystemWatcher::TFileSystemWatcher(const std::vector<std::wstring>& roots,
                                       std::function<void()> changesWaiting, DWORD bufferBytes)
    : changesWaiting_(std::move(changesWaiting)), bufferBytes_(bufferBytes),
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
    if (thread_.joinable() && !wanted.empty() && wanted == roots_) {
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
    for (const std::unique_ptr<Tree>& tree : trees)
        roots_.push_back(tree->root);
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
    for (;;) {
        std::vector<HANDLE> waits{stop_.Get(), wake_.Get()};
        for (const std::unique_ptr<Tree>& tree : live)
            waits.push_back(tree->event.Get());
        const DWORD signalled =
            WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
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
        if (!Arm(tree)) {
            // The tree itself went away: whatever it held must be checked on the disk.
            Publish({}, true, tree.generation);
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                treeDropped_ = treeDropped_ || tree.generation == generation_;
            }
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(index));
        }
    }
    CloseTrees(live);
}

void TFileSystemWatcher::Collect(Tree& tree, DWORD bytes) {
    std::vector<TWatchedChange> changes;
    const auto* base = reinterpret_cast<const BYTE*>(tree.buffer.data());
    const BYTE* end = base + bytes;
    const BYTE* at = base;
    while (at + sizeof(FILE_NOTIFY_INFORMATION) <= end) {
        const auto& record = *reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        const std::wstring path =
            tree.root + std::wstring(record.FileName, record.FileNameLength / sizeof(wchar_t));
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
        if (record.NextEntryOffset == 0)
            break;
        at += record.NextEntryOffset;
    }
    if (!changes.empty())
        Publish(std::move(changes), false, tree.generation);
}

void TFileSystemWatcher::Publish(std::vector<TWatchedChange> changes, bool lost, unsigned generation) {
    bool signal = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (generation != generation_)
            return;
        pending_.insert(pending_.end(), std::make_move_iterator(changes.begin()),
                        std::make_move_iterator(changes.end()));
        lost_ = lost_ || lost;
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
