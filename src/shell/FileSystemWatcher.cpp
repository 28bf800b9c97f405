#include "shell/FileSystemWatcher.h"

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
    bool armed = false;
};

TFileSystemWatcher::TFileSystemWatcher(const std::vector<std::wstring>& roots,
                                       std::function<void()> changesWaiting, DWORD bufferBytes)
    : changesWaiting_(std::move(changesWaiting)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    for (const std::wstring& path : roots) {
        if (trees_.size() + 1 >= MAXIMUM_WAIT_OBJECTS)
            break;
        auto tree = std::make_unique<Tree>();
        tree->root = IncludeTrailingBackslash(path);
        tree->directory.Reset(CreateFileW(
            tree->root.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
        tree->event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        tree->buffer.resize(std::max<DWORD>(bufferBytes / sizeof(DWORD), 4));
        // The platform keeps reports only from the first request on, so the first one is
        // made before the caller goes on to touch the tree.
        if (!tree->directory || !tree->event || !Arm(*tree))
            continue;
        roots_.push_back(tree->root);
        trees_.push_back(std::move(tree));
    }
    if (!trees_.empty() && stop_)
        thread_ = std::thread([this] { Run(); });
}

TFileSystemWatcher::~TFileSystemWatcher() {
    if (stop_)
        SetEvent(stop_.Get());
    if (thread_.joinable())
        thread_.join();
    for (const std::unique_ptr<Tree>& tree : trees_) {
        if (!tree->armed)
            continue;
        CancelIoEx(tree->directory.Get(), &tree->overlapped);
        DWORD bytes = 0;
        GetOverlappedResult(tree->directory.Get(), &tree->overlapped, &bytes, TRUE);
    }
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
    std::vector<Tree*> live;
    for (const std::unique_ptr<Tree>& tree : trees_)
        live.push_back(tree.get());
    while (!live.empty()) {
        std::vector<HANDLE> waits{stop_.Get()};
        for (Tree* tree : live)
            waits.push_back(tree->event.Get());
        const DWORD signalled =
            WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
        if (signalled == WAIT_OBJECT_0 || signalled >= WAIT_OBJECT_0 + waits.size())
            return;
        const size_t index = signalled - WAIT_OBJECT_0 - 1;
        Tree& tree = *live[index];
        DWORD bytes = 0;
        if (GetOverlappedResult(tree.directory.Get(), &tree.overlapped, &bytes, FALSE)) {
            // No bytes: the reports did not fit and were dropped.
            if (bytes == 0)
                Publish({}, true);
            else
                Collect(tree, bytes);
        } else if (GetLastError() == ERROR_NOTIFY_ENUM_DIR) {
            Publish({}, true);
        }
        if (!Arm(tree)) {
            // The tree itself went away: whatever it held must be checked on the disk.
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(index));
            Publish({}, true);
        }
    }
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
        Publish(std::move(changes), false);
}

void TFileSystemWatcher::Publish(std::vector<TWatchedChange> changes, bool lost) {
    bool signal = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
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
