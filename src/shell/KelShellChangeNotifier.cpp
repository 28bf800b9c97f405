#include "shell/KelShellChangeNotifier.h"

#include "base/FileSystem.h"
#include "base/Text.h"

#include <algorithm>
#include <utility>

namespace quarrow {
namespace {

const wchar_t NotifierWindowClass[] = L"QuarrowShellChangeNotifier";
// Posted to the hidden window: the watch has changes waiting; one delivery is due.
constexpr UINT WatchedChangesMessage = WM_APP + 1;
constexpr UINT DeliveryMessage = WM_APP + 2;
constexpr LONG InterruptFlag = static_cast<LONG>(0x80000000);

const LONG ChangeCodes[NotificationEventCount] = {
    SHCNE_ASSOCCHANGED, SHCNE_ATTRIBUTES, SHCNE_UPDATEITEM,       SHCNE_CREATE,
    SHCNE_DELETE,       SHCNE_RENAMEITEM, SHCNE_DRIVEADD,         SHCNE_DRIVEREMOVED,
    SHCNE_DRIVEADDGUI,  SHCNE_FREESPACE,  SHCNE_MEDIAINSERTED,    SHCNE_MEDIAREMOVED,
    SHCNE_MKDIR,        SHCNE_RMDIR,      SHCNE_RENAMEFOLDER,     SHCNE_UPDATEDIR,
    SHCNE_NETSHARE,     SHCNE_NETUNSHARE, SHCNE_SERVERDISCONNECT, SHCNE_UPDATEIMAGE,
    SHCNE_ALLEVENTS,
};

bool SameChangeItem(const TChangeItem& a, const TChangeItem& b) {
    if (a.List && b.List && SameIDList(a.List.Get(), b.List.Get()))
        return true;
    // The file-system watch knows paths only; the shell's report of the same change has both.
    return !a.Path.empty() && !b.Path.empty() && SamePathIgnoreCase(a.Path, b.Path);
}

LRESULT CALLBACK NotifierWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    auto* self = reinterpret_cast<TKelShellChangeNotifier*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Until CreateWindowExW returns, the notifier does not know its window yet.
    if (self == nullptr || self->Handle() != hwnd)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->WndProc(message, wParam, lParam);
}

HWND CreateNotifierWindow(TKelShellChangeNotifier* owner) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, NotifierWindowClass, &wc)) {
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = NotifierWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = NotifierWindowClass;
        RegisterClassExW(&wc);
    }
    return CreateWindowExW(0, NotifierWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           owner);
}

} // namespace

TNotificationEvents NotificationEvents(std::initializer_list<TNotificationEvent> events) {
    TNotificationEvents set;
    for (TNotificationEvent event : events)
        set.set(static_cast<size_t>(event));
    return set;
}

TNotificationEvents DefaultEventFilter() {
    TNotificationEvents set;
    set.set();
    set.reset(neUnknown);
    return set;
}

LONG ChangeCodeOf(TNotificationEvent event) {
    return ChangeCodes[event];
}

TNotificationEvent NotificationEventOf(LONG code) {
    for (int i = NotificationEventCount - 1; i >= 0; --i) {
        if (ChangeCodes[i] == code)
            return static_cast<TNotificationEvent>(i);
    }
    return neUnknown;
}

LONG EventMask(const TNotificationEvents& filter) {
    LONG mask = 0;
    for (int i = 0; i < NotificationEventCount; ++i) {
        if (filter.test(static_cast<size_t>(i)))
            mask |= ChangeCodes[i];
    }
    return mask;
}

bool TChangeItem::HasItem() const {
    return List ? IDListCount(List.Get()) >= 1 : !Path.empty();
}

bool TChangeRepeatRule::IsRepeat(LONG code, const TChangeItem& first, DWORD now) const {
    return code == FLastEvent && first.HasItem() && SameChangeItem(first, FLastItem) &&
           static_cast<DWORD>(now - FLastTick) < RepeatInterval;
}

void TChangeRepeatRule::Remember(LONG code, TChangeItem first, DWORD now) {
    FLastEvent = code;
    FLastItem = std::move(first);
    FLastTick = now;
}

TKelShellChangeNotifier::TKelShellChangeNotifier() : FWindowHandle(CreateNotifierWindow(this)) {
    FEnabled = false;
}

TKelShellChangeNotifier::~TKelShellChangeNotifier() {
    StopNotify();
    watcher_.reset();
    deliveries_.clear();
    FWindowHandle.Reset();
}

bool TKelShellChangeNotifier::GetEnabled() const {
    return FEnabled;
}

void TKelShellChangeNotifier::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (value)
        StartNotify();
    else
        StopNotify();
}

void TKelShellChangeNotifier::InsertDirectory(const std::wstring& path) {
    const auto at = std::lower_bound(FDirectories.begin(), FDirectories.end(), path,
                                     [](const TNotifyDirectory& entry, const std::wstring& value) {
                                         return CompareTextIgnoreCase(entry.Path, value) < 0;
                                     });
    if (at != FDirectories.end() && CompareTextIgnoreCase(at->Path, path) == 0)
        return;
    FDirectories.insert(at, TNotifyDirectory{path, 0});
}

void TKelShellChangeNotifier::SetDirectories(const std::vector<std::wstring>& paths) {
    StopNotify();
    FDirectories.clear();
    for (const std::wstring& path : paths)
        InsertDirectory(path);
    DirectoriesChanged();
}

void TKelShellChangeNotifier::AddDirectory(const std::wstring& path) {
    StopNotify();
    InsertDirectory(path);
    DirectoriesChanged();
}

void TKelShellChangeNotifier::SetRecursive(bool value) {
    if (value == FRecursive)
        return;
    FRecursive = value;
    RestartNotify();
}

void TKelShellChangeNotifier::SetEventFilter(const TNotificationEvents& value) {
    if (value == FEventFilter)
        return;
    FEventFilter = value;
    RestartNotify();
}

void TKelShellChangeNotifier::SetWatchedIDList(LPCITEMIDLIST list) {
    const bool wasActive = FActive;
    StopNotify();
    FWatchedIDList = CopyIDList(list);
    if (wasActive)
        StartNotify();
}

ULONG TKelShellChangeNotifier::RegisterItem(LPCITEMIDLIST list, bool recursive) {
    if (RegisterFunction == nullptr) {
        SetEnabled(false);
        return 0;
    }
    if (!GetEnabled())
        return 0;
    SHChangeNotifyEntry entry{list, recursive ? TRUE : FALSE};
    const int sources = InterruptAndShellSources | (recursive ? RecursiveInterruptSource : 0);
    return RegisterFunction(Handle(), sources, EventMask(FEventFilter), NotifyMessage, 1, &entry);
}

ULONG TKelShellChangeNotifier::RegisterPath(const std::wstring& path) {
    const UniqueIDList list = ParseName(nullptr, path);
    return RegisterItem(list.Get(), FRecursive);
}

void TKelShellChangeNotifier::StartNotify() {
    if (!GetEnabled())
        return;
    if (FDirectories.empty() && !FWatchedIDList && !OnRawChange) {
        FDirectories.push_back({L"", 0});
        FRecursive = true;
    }
    if (FWatchedIDList && watchedIDListId_ == 0)
        watchedIDListId_ = RegisterItem(FWatchedIDList.Get(), FRecursive);
    for (TNotifyDirectory& entry : FDirectories) {
        if (entry.Id == 0)
            entry.Id = RegisterPath(entry.Path);
    }
    // A missing registration function has switched the notifier off again.
    if (!GetEnabled())
        return;
    FActive = true;
    if (watcher_)
        PostMessageW(Handle(), WatchedChangesMessage, 0, 0);
}

void TKelShellChangeNotifier::Deregister(ULONG id) {
    if (id != 0 && DeregisterFunction != nullptr)
        DeregisterFunction(id);
}

void TKelShellChangeNotifier::StopNotify() {
    if (!FActive)
        return;
    FActive = false;
    Deregister(std::exchange(watchedIDListId_, 0));
    for (TNotifyDirectory& entry : FDirectories)
        Deregister(std::exchange(entry.Id, 0));
}

void TKelShellChangeNotifier::RestartNotify() {
    if (!FActive)
        return;
    StopNotify();
    StartNotify();
}

void TKelShellChangeNotifier::DirectoriesChanged() {
    StopNotify();
    if (FDirectories.size() > 1 && FDirectories.front().Path.empty())
        FDirectories.erase(FDirectories.begin());
    StartNotify();
}

void TKelShellChangeNotifier::OpenFileSystemWatch(const std::vector<std::wstring>& roots, DWORD bufferBytes) {
    if (watcher_ && watcherBufferBytes_ == bufferBytes && watcherLimit_ == WatchedChangesLimit) {
        watcher_->Watch(roots);
        return;
    }
    watcher_.reset();
    const HWND window = Handle();
    watcher_ = std::make_unique<TFileSystemWatcher>(
        roots, [window] { PostMessageW(window, WatchedChangesMessage, 0, 0); }, bufferBytes,
        WatchedChangesLimit);
    watcherBufferBytes_ = bufferBytes;
    watcherLimit_ = WatchedChangesLimit;
}

void TKelShellChangeNotifier::CloseFileSystemWatch() {
    if (watcher_)
        watcher_->Watch({});
}

LRESULT TKelShellChangeNotifier::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case NotifyMessage:
        if (!GetEnabled())
            break;
        ShellChange(reinterpret_cast<const LPCITEMIDLIST*>(wParam), static_cast<LONG>(lParam));
        return 0;
    case WatchedChangesMessage:
        TakeWatchedChanges();
        return 0;
    case DeliveryMessage:
        RunNextDelivery();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(Handle(), message, wParam, lParam);
}

void TKelShellChangeNotifier::ShellChange(const LPCITEMIDLIST* lists, LONG rawCode) {
    const LONG code = rawCode & ~InterruptFlag;
    const TNotificationEvent event = NotificationEventOf(code);
    const LPCITEMIDLIST list1 = lists != nullptr ? lists[0] : nullptr;
    const LPCITEMIDLIST list2 = lists != nullptr ? lists[1] : nullptr;
    TChangeItem first{CopyIDList(list1), {}};
    std::wstring path1;
    std::wstring path2;
    if (event == neImageListChange) {
        if (const auto* index = reinterpret_cast<const SHChangeDWORDAsIDList*>(list2))
            path1 = std::to_wstring(index->dwItem1);
    } else if (event != neAssociationChange) {
        first.Path = PathFromIDList(list1);
        if (repeatRule_.IsRepeat(code, first, TickCount()))
            return;
        path1 = first.Path;
        path2 = PathFromIDList(list2);
    }
    repeatRule_.Remember(code, std::move(first), TickCount());
    if (OnRawChange)
        OnRawChange(*this, event, list1, list2);
    DoChange(*this, event, path1, path2);
}

void TKelShellChangeNotifier::TakeWatchedChanges() {
    // Held until the notifier is on.
    if (!watcher_ || !GetEnabled())
        return;
    bool lost = false;
    const std::vector<TWatchedChange> changes = watcher_->TakeChanges(lost);
    for (const TWatchedChange& change : changes) {
        const TNotificationEvent event =
            change.ChangeKind == TWatchedChange::Kind::Removed ? neFileDelete : neFileRename;
        // Only the exact path tells: the ordinary form of "dot." names its sibling "dot".
        if (!FEventFilter.test(event) ||
            GetFileAttributesW(ExtendedLengthPath(change.OldPath).c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        const LONG code = ChangeCodeOf(event);
        TChangeItem first{{}, change.OldPath};
        if (repeatRule_.IsRepeat(code, first, TickCount()))
            continue;
        repeatRule_.Remember(code, std::move(first), TickCount());
        DoChange(*this, event, change.OldPath, change.NewPath);
    }
    if (lost && OnChangesLost) {
        try {
            OnChangesLost();
        } catch (...) {
            // Nothing is shown for a failed check; the next report starts another.
        }
    }
}

void TKelShellChangeNotifier::DoChange(TKelShellChangeNotifier&, TNotificationEvent event,
                                       const std::wstring& path1, const std::wstring& path2) {
    if (!OnChange)
        return;
    deliveries_.push_back({event, path1, path2, OnChange});
    if (PostFunction(Handle(), DeliveryMessage, 0, 0))
        ++postedDeliveries_;
}

// The posted messages of dropped deliveries still come, and find nothing to run.
void TKelShellChangeNotifier::DropPendingDeliveries() {
    deliveries_.clear();
    postedDeliveries_ = 0;
}

// The handler may pump messages, run nested deliveries or even destroy the notifier: after
// it returns, nothing of `this` is touched.
void TKelShellChangeNotifier::RunNextDelivery() {
    if (postedDeliveries_ > 0)
        --postedDeliveries_;
    if (deliveries_.empty())
        return;
    TDelivery delivery = std::move(deliveries_.front());
    deliveries_.pop_front();
    // A delivery whose message could not be posted (a full queue) is not left behind.
    if (deliveries_.size() > postedDeliveries_ && PostFunction(Handle(), DeliveryMessage, 0, 0))
        ++postedDeliveries_;
    try {
        delivery.Handler(*this, delivery.Event, delivery.Path1, delivery.Path2);
    } catch (...) {
        // An error ends only this delivery.
    }
}

} // namespace quarrow
