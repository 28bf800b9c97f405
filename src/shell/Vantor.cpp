#include "shell/Vantor.h"

#include "base/ApplicationWindow.h"
#include "base/FileSystem.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "shell/ShellClipboard.h"
#include "shell/ShellPaths.h"
#include "shell/ShellUnit.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace quarrow {
namespace {

constexpr SHCONTF AllObjects = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
constexpr UINT FirstCommandId = 1;
constexpr UINT LastCommandId = 0x7FFF;
constexpr ULONGLONG MultiObjectsPumpIntervalMs = 50;

template <typename F> class ScopeExit {
public:
    explicit ScopeExit(F action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F action_;
};

bool SameVerb(const std::wstring& verb, const wchar_t* name) {
    return CompareStringOrdinal(verb.c_str(), static_cast<int>(verb.size()), name, -1, TRUE) == CSTR_EQUAL;
}

std::wstring StrRetText(STRRET& value, LPCITEMIDLIST item) {
    wchar_t* text = nullptr;
    if (FAILED(StrRetToStrW(&value, item, &text)) || text == nullptr)
        return {};
    UniqueCoTaskMem owner(text);
    return text;
}

std::wstring DisplayName(IShellFolder& folder, LPCITEMIDLIST item, SHGDNF form) {
    STRRET value{};
    if (FAILED(folder.GetDisplayNameOf(item, form, &value)))
        return {};
    return StrRetText(value, item);
}

ComPtr<IShellFolder> BindFolder(LPCITEMIDLIST list, HRESULT& hr) {
    ComPtr<IShellFolder> folder;
    hr = DesktopFolder().BindToObject(list, nullptr, IID_IShellFolder, folder.PutVoid());
    if (SUCCEEDED(hr) && !folder)
        hr = E_NOINTERFACE;
    return folder;
}

// "\\server\share..." with a backslash after the server name.
bool IsNetworkPath(const std::wstring& path) {
    return path.size() > 3 && path.compare(0, 2, L"\\\\") == 0 && path.find(L'\\', 2) != std::wstring::npos;
}

// A server that has been idle may not answer the first parse; listing it wakes it.
void WakeServer(const std::wstring& path) {
    UniqueIDList server = ParseName(nullptr, path.substr(0, path.find(L'\\', 2)));
    if (!server)
        return;
    HRESULT hr;
    ComPtr<IShellFolder> folder = BindFolder(server.Get(), hr);
    ComPtr<IEnumIDList> objects;
    if (!folder || FAILED(folder->EnumObjects(ApplicationWindow(), AllObjects, objects.Put())) || !objects)
        return;
    LPITEMIDLIST item = nullptr;
    ULONG fetched = 0;
    objects->Next(1, &item, &fetched);
    UniqueIDList discarded(item);
}

// The target of a shell link file; empty when `path` is no link.
std::wstring ShellLinkTarget(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.PutVoid())))
        return {};
    ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
    CriticalErrorScope quiet;
    if (!file || FAILED(file->Load(path.c_str(), STGM_READ)))
        return {};
    wchar_t target[MAX_PATH] = {};
    if (link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY) != S_OK)
        return {};
    return target;
}

constexpr int SpecialFolderCsidls[] = {
    CSIDL_DRIVES,
    CSIDL_BITBUCKET,
    CSIDL_CONTROLS,
    CSIDL_DESKTOP,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_DRIVES,
    CSIDL_FONTS,
    CSIDL_NETHOOD,
    CSIDL_NETWORK,
    CSIDL_PERSONAL,
    CSIDL_PRINTERS,
    CSIDL_PROGRAMS,
    CSIDL_RECENT,
    CSIDL_SENDTO,
    CSIDL_STARTMENU,
    CSIDL_STARTUP,
    CSIDL_TEMPLATES,
    CSIDL_FAVORITES,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_STARTUP,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_APPDATA,
    CSIDL_PRINTHOOD,
    CSIDL_COMMON_FAVORITES,
    CSIDL_INTERNET_CACHE,
    CSIDL_COOKIES,
    CSIDL_HISTORY,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_ALTSTARTUP,
    CSIDL_COMMON_APPDATA,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_INTERNET,
    CSIDL_LOCAL_APPDATA,
    CSIDL_MYPICTURES,
    CSIDL_PROGRAM_FILES,
    CSIDL_SYSTEM,
    CSIDL_PROGRAM_FILES_COMMON,
};
static_assert(std::size(SpecialFolderCsidls) == static_cast<size_t>(SF_PROGRAM_FILES_COMMON) + 1);

UniqueIDList SpecialFolderList(TKelShellFolder folder) {
    return folder == SF_DESKTOP ? EmptyIDList() : SpecialFolderLocation(SpecialFolderCsidl(folder));
}

} // namespace

int SpecialFolderCsidl(TKelShellFolder folder) {
    return SpecialFolderCsidls[folder];
}

TVantor::TVantor() {
    SetFolder(L"");
}

// --- Filter

std::wstring TVantor::Filter() const {
    if (FFilterMasks.empty())
        return L"*";
    std::wstring text;
    for (size_t i = 0; i < FFilterMasks.size(); ++i) {
        if (i > 0)
            text += L';';
        text += FFilterMasks[i];
    }
    return text;
}

void TVantor::SetFilter(const std::wstring& value) {
    FFilterMasks.clear();
    if (value.empty() || value == L"*")
        return;
    std::wstring text = value;
    if (text.back() != L';')
        text += L';';
    size_t start = 0;
    for (size_t end = text.find(L';'); end != std::wstring::npos; end = text.find(L';', start)) {
        FFilterMasks.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

// --- Folder

std::wstring TVantor::Folder() {
    if (IDListCount(FFolderIDList.Get()) == 2 && !FFolderPath.empty()) {
        std::wstring linkFile = FFolderPath;
        if (linkFile.size() > 3 && linkFile.back() == L'\\')
            linkFile.pop_back();
        const std::wstring target = ShellLinkTarget(linkFile);
        if (!target.empty())
            FFolderPath = IncludeTrailingBackslash(target);
    }
    return FFolderPath;
}

void TVantor::SetFolder(const std::wstring& value) {
    if (!value.empty() && SameTextIgnoreCase(value, Folder()))
        return;
    UniqueIDList list = value.empty() ? SpecialFolderLocation(CSIDL_DRIVES) : ParseName(nullptr, value);
    if (!list && IsNetworkPath(value)) {
        WakeServer(value);
        list = ParseName(nullptr, value);
    }
    if (!list)
        throw EVantorError(SystemErrorText(ERROR_PATH_NOT_FOUND) + L"\r\n" + value);
    SetFolderIDList(list.Get());
}

void TVantor::SetFolderIDList(LPCITEMIDLIST list) {
    ComPtr<IShellFolder> folder;
    UniqueIDList folderList;
    if (list != nullptr && !SameIDList(list, DesktopIDList())) {
        HRESULT hr;
        folder = BindFolder(list, hr);
        if (!folder)
            throw EVantorError(
                L"Vantor.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (" +
                SystemErrorText(static_cast<DWORD>(hr)) + L")");
        folderList = CopyIDList(list);
    } else if (list != nullptr) {
        DesktopFolder().AddRef();
        folder = ComPtr<IShellFolder>(&DesktopFolder());
        folderList = EmptyIDList();
    }
    FShellFolder = std::move(folder);
    FEnumerator.Reset();
    FObjectPath.clear();
    FFolderIDList = std::move(folderList);
    SetObjectIDList(nullptr);
    const std::wstring path = PathFromIDList(FFolderIDList.Get());
    FFolderPath = path.empty() ? path : IncludeTrailingBackslash(path);
}

TKelShellFolder TVantor::SpecialFolder() {
    for (int value = SF_BITBUCKET; value <= SF_PROGRAM_FILES_COMMON; ++value) {
        const UniqueIDList location = SpecialFolderList(static_cast<TKelShellFolder>(value));
        if (location && SameIDList(location.Get(), FFolderIDList.Get()))
            return static_cast<TKelShellFolder>(value);
    }
    return SF_FILESYSTEMFOLDER;
}

void TVantor::SetSpecialFolder(TKelShellFolder value) {
    const UniqueIDList location = SpecialFolderList(value);
    if (!location)
        return;
    try {
        SetFolderIDList(location.Get());
    } catch (const EVantorError&) {
        // A well-known folder that cannot be bound leaves the component as it was.
    }
}

// --- Object

void TVantor::SetObjectIDList(LPCITEMIDLIST list) {
    UniqueIDList copy = CopyIDList(list);
    FObjectIDList = std::move(copy);
    FAbsoluteIDList.Reset();
}

LPCITEMIDLIST TVantor::AbsoluteIDList() {
    if (!FAbsoluteIDList && FObjectIDList)
        FAbsoluteIDList = ConcatIDLists(FFolderIDList.Get(), FObjectIDList.Get());
    return FAbsoluteIDList.Get();
}

SFGAOF TVantor::ObjectAttributes(SFGAOF wanted) {
    if (!FShellFolder || !FObjectIDList)
        return 0;
    return ShellAttributes(*FShellFolder.Get(), FObjectIDList.Get(), wanted);
}

std::wstring TVantor::ObjectName() {
    if (!FShellFolder || !FObjectIDList)
        return {};
    WIN32_FIND_DATAW data{};
    std::wstring name;
    if (SUCCEEDED(SHGetDataFromIDListW(FShellFolder.Get(), FObjectIDList.Get(), SHGDFIL_FINDDATA, &data,
                                       sizeof(data))))
        name = data.cFileName;
    if (name.empty() && IDListCount(AbsoluteIDList()) > 1) {
        const std::wstring path = PathFromIDList(AbsoluteIDList());
        name = IsDriveRoot(path) ? path : FileNamePart(path);
    }
    if (name.empty()) {
        alignas(NETRESOURCEW) BYTE buffer[2048] = {};
        auto* resource = reinterpret_cast<NETRESOURCEW*>(buffer);
        if (SUCCEEDED(SHGetDataFromIDListW(FShellFolder.Get(), FObjectIDList.Get(), SHGDFIL_NETRESOURCE,
                                           buffer, sizeof(buffer))) &&
            (resource->dwDisplayType == RESOURCEDISPLAYTYPE_DOMAIN ||
             resource->dwDisplayType == RESOURCEDISPLAYTYPE_SERVER) &&
            resource->lpRemoteName != nullptr)
            name = resource->lpRemoteName;
    }
    return name;
}

namespace {

// The refusal of a path that the shell cannot take as it stands.
std::wstring ShellCannotTake(const std::wstring& path) {
    return L"The shell cannot take \"" + path + L"\" as it stands: " +
           (path.size() >= MAX_PATH ? L"the path is longer than 259 characters."
                                    : L"a name in it ends in a dot or a blank.");
}

} // namespace

void TVantor::SetObjectName(const std::wstring& value) {
    // The shell would parse the ordinary form, which names the file without the dot or blank
    // (a sibling), or cut the path short.
    if (NeedsExtendedLengthPath(value)) {
        SetObjectIDList(nullptr);
        FObjectPath = value;
        throw EVantorError(ShellCannotTake(value));
    }
    // Binding may rebind the folder, which forgets the path.
    try {
        BindObjectName(value);
    } catch (...) {
        FObjectPath = value;
        throw;
    }
    FObjectPath = value;
}

void TVantor::BindObjectName(const std::wstring& value) {
    if (value.empty()) {
        SetObjectIDList(nullptr);
        return;
    }
    std::wstring name = value;
    if (name.size() > 3 && name.back() == L'\\')
        name.pop_back();
    if (name.find(L'\\') == std::wstring::npos) {
        {
            CriticalErrorScope quiet(!showErrorMessages_);
            SetObjectIDList(ParseName(FShellFolder.Get(), name).Get());
        }
        if (!FObjectIDList && !FindObjectByWalk(name)) {
            SetObjectIDList(nullptr);
            throw EVantorError(L"Error! Cannot find Object \"" + name + L"\" in Folder \"" + Folder() +
                               L"\"");
        }
        return;
    }
    if (IsDriveRoot(name)) {
        SetFolder(name);
        const int count = IDListCount(FFolderIDList.Get());
        if (count == 0) {
            SetSpecialFolder(SF_DESKTOP);
            return;
        }
        // The root becomes an object of its parent: a drive inside My Computer.
        const UniqueIDList parent = CopyFirstItems(FFolderIDList.Get(), count - 1);
        const UniqueIDList last = CopyItem(FFolderIDList.Get(), count - 1);
        SetFolderIDList(parent.Get());
        SetObjectIDList(last.Get());
        return;
    }
    SetFolder(FilePathPart(name));
    BindObjectName(FileNamePart(name));
}

bool TVantor::FindObjectByWalk(const std::wstring& name) {
    bool found = false;
    while (!found && FindNextObject()) {
        const std::wstring objectName = ObjectName();
        std::wstring displayName = DisplayName(*FShellFolder.Get(), FObjectIDList.Get(), SHGDN_NORMAL);
        if (displayName.empty())
            displayName = objectName;
        found = SameTextIgnoreCase(displayName, name) || SameTextIgnoreCase(objectName, name);
    }
    FEnumerator.Reset();
    return found;
}

// --- Object walk

bool TVantor::FindNextObject() {
    CriticalErrorScope quiet(!showErrorMessages_);
    if (!FShellFolder)
        return false;
    if (!FEnumerator) {
        if (FAILED(FShellFolder->EnumObjects(ParentHandle(), AllObjects, FEnumerator.Put())) ||
            !FEnumerator) {
            FEnumerator.Reset();
            return false;
        }
    }
    for (;;) {
        LPITEMIDLIST item = nullptr;
        ULONG fetched = 0;
        HRESULT hr = FEnumerator->Next(1, &item, &fetched);
        UniqueIDList next(item);
        if (FAILED(hr)) {
            // One more fetch past an item the folder failed to produce.
            item = nullptr;
            hr = FEnumerator->Next(1, &item, &fetched);
            next.Reset(item);
            if (hr == S_OK && next) {
                SetObjectIDList(next.Get());
                return true;
            }
            FEnumerator.Reset();
            return false;
        }
        if (hr != S_OK || !next) {
            FEnumerator.Reset();
            return false;
        }
        SetObjectIDList(next.Get());
        if (!IsSkippedByFileSystemOnly() && PassesFilter())
            return true;
    }
}

bool TVantor::IsSkippedByFileSystemOnly() {
    if (!fileSystemOnly_)
        return false;
    const UniqueIDList network = SpecialFolderLocation(CSIDL_NETWORK);
    const bool inNetwork = network && SameIDList(FFolderIDList.Get(), network.Get());
    if (inNetwork && ObjectName().empty())
        return true;
    if (ObjectAttributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR) != 0 || inNetwork)
        return false;
    const std::wstring name = ObjectName();
    if (CompareStringOrdinal(name.c_str(), std::min<int>(static_cast<int>(name.size()), 7), L"RECYCLE", -1,
                             TRUE) == CSTR_EQUAL)
        return false;
    const UniqueIDList drives = SpecialFolderLocation(CSIDL_DRIVES);
    if ((drives && SameIDList(AbsoluteIDList(), drives.Get())) ||
        (network && SameIDList(AbsoluteIDList(), network.Get())))
        return false;
    return true;
}

bool TVantor::PassesFilter() {
    if (FFilterMasks.empty())
        return true;
    const SFGAOF folder = fileSystemOnly_ ? SFGAO_FOLDER | SFGAO_FILESYSANCESTOR : SFGAO_FOLDER;
    if ((ObjectAttributes(folder) & folder) == folder)
        return true;
    const std::wstring name = ObjectName();
    const PathMatchProc matches = PathMatchFunction();
    for (const std::wstring& mask : FFilterMasks) {
        if (mask == L"*.*" ? name.find(L'.') != std::wstring::npos
                           : matches != nullptr && matches(name.c_str(), mask.c_str()))
            return true;
    }
    return false;
}

// --- Verbs

HWND TVantor::ParentHandle() const {
    return showErrorMessages_ ? ApplicationWindow() : nullptr;
}

std::vector<TVantor::Batch> TVantor::CollectBatches() {
    std::vector<Batch> batches;
    if (FMultiObjects.empty()) {
        if (FObjectIDList) {
            Batch& batch = batches.emplace_back();
            batch.folder = FShellFolder;
            batch.folderList = CopyIDList(FFolderIDList.Get());
            batch.items.push_back(CopyIDList(FObjectIDList.Get()));
            batch.checkPath = Folder() + ObjectName();
        }
        return batches;
    }
    UniqueIDList setAside = std::move(FObjectIDList);
    SetObjectIDList(nullptr);
    const UniqueIDList startList = CopyIDList(FFolderIDList.Get());
    const std::wstring startFolder = Folder();
    // The set-aside object only means something in the folder it was found in.
    ScopeExit restore([&] {
        if (SameIDList(FFolderIDList.Get(), startList.Get()))
            FObjectIDList = std::move(setAside);
        FAbsoluteIDList.Reset();
    });
    for (const std::wstring& entry : FMultiObjects)
        ResolveEntry(entry, startFolder, startList.Get(), batches);
    return batches;
}

// Every entry becomes a single item of its own parent folder. The shell reads a deeper
// list as its first item (the drive root's child), which would hand it the wrong object.
void TVantor::ResolveEntry(const std::wstring& entry, const std::wstring& startFolder,
                           LPCITEMIDLIST startList, std::vector<Batch>& batches) {
    std::wstring path = entry;
    if (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    if (DrivePart(path).empty() && !startFolder.empty())
        path = startFolder + path;
    if (NeedsExtendedLengthPath(path))
        throw EVantorError(ShellCannotTake(path));
    UniqueIDList item;
    if (!IsDriveRoot(path)) {
        if (!DrivePart(path).empty()) {
            SetFolder(FilePathPart(path));
            item = ParseName(FShellFolder.Get(), FileNamePart(path));
        } else {
            if (!SameIDList(FFolderIDList.Get(), startList))
                SetFolderIDList(startList);
            item = ParseName(FShellFolder.Get(), path);
        }
        if (IDListCount(item.Get()) != 1)
            item.Reset();
    }
    if (!item) {
        BindObjectName(path);
        item = CopyIDList(FObjectIDList.Get());
    }
    for (Batch& batch : batches) {
        if (SameIDList(batch.folderList.Get(), FFolderIDList.Get())) {
            batch.items.push_back(std::move(item));
            return;
        }
    }
    Batch& batch = batches.emplace_back();
    batch.folder = FShellFolder;
    batch.folderList = CopyIDList(FFolderIDList.Get());
    batch.items.push_back(std::move(item));
    batch.checkPath = path;
}

HRESULT TVantor::UIObjectOf(const Batch& batch, REFIID iid, void** object) const {
    std::vector<LPCITEMIDLIST> items;
    for (const UniqueIDList& item : batch.items)
        items.push_back(item.Get());
    const HRESULT hr = batch.folder->GetUIObjectOf(ParentHandle(), static_cast<UINT>(items.size()),
                                                   items.data(), iid, nullptr, object);
    if (FAILED(hr)) {
        *object = nullptr;
        SetLastError(static_cast<DWORD>(hr));
    }
    return hr;
}

HRESULT TVantor::GetUIObject(REFIID iid, void** object) {
    *object = nullptr;
    ScopeExit emptyList([this] { FMultiObjects.clear(); });
    if (!FShellFolder)
        return E_FAIL;
    const std::vector<Batch> batches = CollectBatches();
    if (batches.size() != 1) {
        SetLastError(static_cast<DWORD>(E_INVALIDARG));
        return E_INVALIDARG;
    }
    return UIObjectOf(batches.front(), iid, object);
}

HRESULT TVantor::Invoke(IContextMenu& menu, LPCSTR verb) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.hwnd = ParentHandle();
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return menu.InvokeCommand(&info);
}

HRESULT TVantor::RunDefault(IContextMenu& menu, const Batch& batch) {
    UniqueMenu popup(CreatePopupMenu());
    const HRESULT filled =
        menu.QueryContextMenu(popup.Get(), 0, FirstCommandId, LastCommandId, CMF_DEFAULTONLY);
    if (SUCCEEDED(filled)) {
        const UINT id = GetMenuDefaultItem(popup.Get(), FALSE, 0);
        if (id != static_cast<UINT>(-1))
            return Invoke(menu, MAKEINTRESOURCEA(id - FirstCommandId));
    }
    // Without a default item a double click would do nothing: open files and folders the
    // way the shell opens them by default.
    HRESULT outcome = filled;
    bool opened = false;
    for (const UniqueIDList& item : batch.items) {
        if ((ShellAttributes(*batch.folder.Get(), item.Get(), SFGAO_FILESYSTEM) & SFGAO_FILESYSTEM) == 0)
            continue;
        const UniqueIDList absolute = ConcatIDLists(batch.folderList.Get(), item.Get());
        const std::wstring path = PathFromIDList(absolute.Get());
        if (path.empty())
            continue;
        if (!opened)
            outcome = S_OK;
        opened = true;
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOASYNC | (showErrorMessages_ ? 0 : SEE_MASK_FLAG_NO_UI);
        info.hwnd = ParentHandle();
        info.lpFile = path.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExW(&info))
            outcome = HRESULT_FROM_WIN32(GetLastError());
    }
    return outcome;
}

HRESULT TVantor::RunVerb(IContextMenu& menu, const Batch& batch, const std::wstring& verb, bool& renamed) {
    if (SameVerb(verb, L"default"))
        return RunDefault(menu, batch);
    if (SameVerb(verb, L"rename")) {
        // Renaming is the caller's in-place edit; the shell is never asked.
        if (!std::exchange(renamed, true) && OnRename)
            OnRename(*this);
        return S_OK;
    }
    UniqueMenu popup(CreatePopupMenu());
    menu.QueryContextMenu(popup.Get(), 0, FirstCommandId, LastCommandId, CMF_EXPLORE);
    const std::string ansiVerb = ToAnsi(verb);
    return Invoke(menu, ansiVerb.c_str());
}

// The shell's verb takes the objects of one folder at a time, each parsed on its own: for
// many objects in many folders that took minutes. Their paths go to the clipboard as the
// shell's file list, in one write, with the effect a paste should have. An object that is
// gone stops the verb as the parse would, before the clipboard is touched. Looking for
// them takes a while for many objects: the window meanwhile still paints and answers.
bool TVantor::PutMultiObjectsOnClipboard(bool cut) {
    ULONGLONG lastPump = GetTickCount64();
    for (std::wstring& entry : FMultiObjects) {
        if (GetTickCount64() - lastPump >= MultiObjectsPumpIntervalMs) {
            ProcessSentAndPaintMessages();
            lastPump = GetTickCount64();
        }
        if (DrivePart(entry).empty())
            entry.insert(0, FFolderPath);
        // An object of a virtual folder has no path to give.
        if (DrivePart(entry).empty())
            return false;
        if (entry.size() > 3 && entry.back() == L'\\' && !IsDriveRoot(entry))
            entry.pop_back();
        if (!IsDriveRoot(entry) &&
            GetFileAttributesW(ExtendedLengthPath(entry).c_str()) == INVALID_FILE_ATTRIBUTES)
            throw EVantorError(L"Error! Cannot find Object \"" + FileNamePart(entry) + L"\" in Folder \"" +
                               FilePathPart(entry) + L"\"");
    }
    return SetClipboardFileList(FMultiObjects, cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_LINK,
                                ApplicationWindow());
}

bool TVantor::InvokeVerb(const std::wstring& verb) {
    if (OnContextMenuSelect) {
        bool execute = true;
        OnContextMenuSelect(verb, execute);
        if (!execute)
            return false;
    }
    if ((!FObjectIDList && FMultiObjects.empty()) || !FShellFolder)
        return false;
    const std::wstring command = verb.empty() ? L"default" : verb;
    const bool isDelete = SameVerb(command, L"delete");
    if (isDelete && FMultiObjects.empty() && (ObjectAttributes(SFGAO_CANDELETE) & SFGAO_CANDELETE) == 0)
        return false;

    WaitCursor wait;
    ScopeExit emptyList([this] { FMultiObjects.clear(); });
    const bool isCut = SameVerb(command, L"cut");
    if (isCut || SameVerb(command, L"copy")) {
        // The shell's own write does not wait for a clipboard that another program holds
        // open, and says nothing when it fails: the cut would then mark what was on the
        // clipboard before. A file or folder goes there as one the program writes itself.
        if (FMultiObjects.empty() && FObjectIDList) {
            if (std::wstring path = PathFromIDList(AbsoluteIDList()); !path.empty())
                FMultiObjects.push_back(std::move(path));
        }
        if (!FMultiObjects.empty())
            return PutMultiObjectsOnClipboard(isCut);
    }
    const std::vector<Batch> batches = CollectBatches();
    bool result = !batches.empty();
    bool renamed = false;
    for (const Batch& batch : batches) {
        ComPtr<IContextMenu> menu;
        if (FAILED(UIObjectOf(batch, IID_IContextMenu, menu.PutVoid())) || !menu) {
            result = false;
            continue;
        }
        const HRESULT outcome = RunVerb(*menu.Get(), batch, command, renamed);
        if (FAILED(outcome)) {
            SetLastError(static_cast<DWORD>(outcome));
            result = false;
        }
    }
    // A cut must say move, or a paste copies.
    if (result && isCut)
        result = EnsureClipboardDropEffect(DROPEFFECT_MOVE, ApplicationWindow());
    if (isDelete) {
        for (const Batch& batch : batches) {
            if (ObjectExists(batch.checkPath))
                result = false;
        }
    }
    return result;
}

} // namespace quarrow
