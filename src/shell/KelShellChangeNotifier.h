#pragma once
// TKelShellChangeNotifier registers shell items with the shell's change notification and
// hands every change to its OnChange handler on the GUI thread. A file-system watch of its
// own adds the removals and renames the shell does not report (other programs'). Both
// sources pass one repeat rule and one delivery queue.

#include "shell/FileSystemWatcher.h"
#include "shell/IDList.h"
#include "shell/KelBaseComponent.h"
#include "shell/ShellUnit.h"

#include <windows.h>
#include <shlobj.h>

#include <bitset>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

enum TNotificationEvent {
    neAssociationChange,
    neAttributesChange,
    neFileChange,
    neFileCreate,
    neFileDelete,
    neFileRename,
    neDriveAdd,
    neDriveRemove,
    neShellDriveAdd,
    neDriveSpaceChange,
    neMediaInsert,
    neMediaRemove,
    neFolderCreate,
    neFolderDelete,
    neFolderRename,
    neFolderUpdate,
    neNetShare,
    neNetUnShare,
    neServerDisconnect,
    neImageListChange,
    neUnknown,
};
constexpr int NotificationEventCount = neUnknown + 1;

// A set of kinds, indexed by their ordinals.
using TNotificationEvents = std::bitset<NotificationEventCount>;
TNotificationEvents NotificationEvents(std::initializer_list<TNotificationEvent> events);
// Every kind but neUnknown.
TNotificationEvents DefaultEventFilter();

// The shell's change code of a kind (SHCNE_ALLEVENTS for neUnknown), and the kind of a code
// without its interrupt bit (neUnknown for a code not in the table).
LONG ChangeCodeOf(TNotificationEvent event);
TNotificationEvent NotificationEventOf(LONG code);
// The codes of the kinds in `filter`, OR-ed together.
LONG EventMask(const TNotificationEvents& filter);

// The first item of a change: the shell's identifier list, its file system path, or both.
struct TChangeItem {
    UniqueIDList List;
    std::wstring Path;

    bool HasItem() const;
};

// Drops a change that repeats the last delivered one: same code, same first item (which has
// at least one item), and less than RepeatInterval ms since that delivery by unsigned tick
// difference. A dropped repeat leaves the remembered tick alone.
class TChangeRepeatRule {
public:
    static constexpr DWORD RepeatInterval = 2500;

    bool IsRepeat(LONG code, const TChangeItem& first, DWORD now) const;
    void Remember(LONG code, TChangeItem first, DWORD now);

private:
    LONG FLastEvent = 0;
    TChangeItem FLastItem;
    DWORD FLastTick = 0;
};

class TKelShellChangeNotifier;
using TKelShellNotifierEvent = std::function<void(TKelShellChangeNotifier& sender, TNotificationEvent event,
                                                  const std::wstring& path1, const std::wstring& path2)>;
using TKelShellRawNotifierEvent = std::function<void(
    TKelShellChangeNotifier& sender, TNotificationEvent event, LPCITEMIDLIST list1, LPCITEMIDLIST list2)>;

// One watched path and its registration id (0 = not registered).
struct TNotifyDirectory {
    std::wstring Path;
    ULONG Id = 0;
};

// Needs a live ShellUnit. GUI thread only, like its handler.
class TKelShellChangeNotifier : public TKelBaseComponent {
public:
    static constexpr UINT NotifyMessage = 2011;
    static constexpr int InterruptAndShellSources = 0x0003;
    static constexpr int RecursiveInterruptSource = 0x1000;

    TKelShellChangeNotifier();
    // Turns the notifier off; deliveries still waiting are dropped.
    ~TKelShellChangeNotifier() override;
    TKelShellChangeNotifier(const TKelShellChangeNotifier&) = delete;
    TKelShellChangeNotifier& operator=(const TKelShellChangeNotifier&) = delete;

    bool GetEnabled() const override;
    void SetEnabled(bool value) override;

    // Sorted, ignoring case and duplicates; an empty list watches My Computer.
    const std::vector<TNotifyDirectory>& Directories() const { return FDirectories; }
    void SetDirectories(const std::vector<std::wstring>& paths);
    void AddDirectory(const std::wstring& path);

    bool Recursive() const { return FRecursive; }
    void SetRecursive(bool value);
    const TNotificationEvents& EventFilter() const { return FEventFilter; }
    void SetEventFilter(const TNotificationEvents& value);

    // One identifier list watched besides Directories (copied), and a handler of the raw
    // lists of each change; neither is set unless a caller sets it.
    void SetWatchedIDList(LPCITEMIDLIST list);
    TKelShellRawNotifierEvent OnRawChange;

    TKelShellNotifierEvent OnChange;
    // Hands one change to OnChange on the GUI thread, later; nothing without a handler.
    virtual void DoChange(TKelShellChangeNotifier& sender, TNotificationEvent event,
                          const std::wstring& path1, const std::wstring& path2);

    // The file-system watch of the given folder trees. Its removals and renames are held
    // while the notifier is off and delivered (as neFileDelete and neFileRename with full
    // paths, if the filter has them) once it is on; a path that exists again by then (a
    // program saving through a temporary name) is not reported. Beyond WatchedChangesLimit
    // held changes, or when a watched folder goes away, OnChangesLost runs instead. Opening
    // replaces an earlier watch; a folder that was deleted and made again is watched anew.
    void OpenFileSystemWatch(const std::vector<std::wstring>& roots, DWORD bufferBytes = 64 * 1024);
    void CloseFileSystemWatch();
    bool FileSystemWatchOpen() const { return watcher_ && !watcher_->Roots().empty(); }
    // Runs on the GUI thread, while the notifier is on, when the watch lost reports.
    std::function<void()> OnChangesLost;
    size_t WatchedChangesLimit = TFileSystemWatcher::DefaultPendingLimit;

    // The hidden window the shell posts to.
    HWND Handle() const { return FWindowHandle.Get(); }
    // Deliveries handed over and not yet run, and dropping them.
    size_t PendingDeliveries() const { return deliveries_.size(); }
    void DropPendingDeliveries();

    // Replaceable for tests: the millisecond tick, the posting of the hidden window's own
    // messages, and the shell's registration functions.
    std::function<DWORD()> TickCount = [] { return GetTickCount(); };
    std::function<BOOL(HWND, UINT, WPARAM, LPARAM)> PostFunction = PostMessageW;
    ShellChangeNotifyRegisterProc RegisterFunction = ShellChangeNotifyRegister();
    ShellChangeNotifyDeregisterProc DeregisterFunction = ShellChangeNotifyDeregister();

    ULONG RegisterItem(LPCITEMIDLIST list, bool recursive);
    ULONG RegisterPath(const std::wstring& path);
    void StartNotify();
    void StopNotify();
    void RestartNotify();
    void DirectoriesChanged();
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct TDelivery {
        TNotificationEvent Event;
        std::wstring Path1;
        std::wstring Path2;
        TKelShellNotifierEvent Handler;
    };

    void ShellChange(const LPCITEMIDLIST* lists, LONG rawCode);
    void Accept(LONG code, TChangeItem first, LPCITEMIDLIST list1, LPCITEMIDLIST list2,
                const std::wstring& path1, const std::wstring& path2);
    void TakeWatchedChanges();
    void RunNextDelivery();
    void Deregister(ULONG id);
    void InsertDirectory(const std::wstring& path);

    std::vector<TNotifyDirectory> FDirectories;
    UniqueWindow FWindowHandle;
    bool FActive = false;
    bool FRecursive = true;
    TNotificationEvents FEventFilter = DefaultEventFilter();
    UniqueIDList FWatchedIDList;
    ULONG watchedIDListId_ = 0;
    TChangeRepeatRule repeatRule_;
    std::deque<TDelivery> deliveries_;
    size_t postedDeliveries_ = 0;
    std::unique_ptr<TFileSystemWatcher> watcher_; // kept once made: its thread serves every watch
    DWORD watcherBufferBytes_ = 0;
    size_t watcherLimit_ = 0;
};

} // namespace quarrow
