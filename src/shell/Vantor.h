#pragma once
// TVantor binds one shell folder and either one object in it or a list of objects given by
// full path, and carries out a shell verb on them through their shell context menu, so
// that the user gets the shell's own confirmations, recycle bin and property sheets. Cut
// and copy of files and folders put the shell's file list on the clipboard directly.

#include "base/Handles.h"
#include "base/SystemError.h"
#include "shell/IDList.h"

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

namespace quarrow {

class EVantorError : public QuarrowError {
public:
    using QuarrowError::QuarrowError;
};

// The well-known folders; SF_FILESYSTEMFOLDER means that none of them is bound.
enum TKelShellFolder {
    SF_FILESYSTEMFOLDER,
    SF_BITBUCKET,
    SF_CONTROLS,
    SF_DESKTOP,
    SF_DESKTOPDIRECTORY,
    SF_DRIVES,
    SF_FONTS,
    SF_NETHOOD,
    SF_NETWORK,
    SF_PERSONAL,
    SF_PRINTERS,
    SF_PROGRAMS,
    SF_RECENT,
    SF_SENDTO,
    SF_STARTMENU,
    SF_STARTUP,
    SF_TEMPLATES,
    SF_FAVORITES,
    SF_COMMON_STARTMENU,
    SF_COMMON_STARTUP,
    SF_COMMON_DESKTOPDIRECTORY,
    SF_APPDATA,
    SF_PRINTHOOD,
    SF_COMMON_FAVORITES,
    SF_INTERNET_CACHE,
    SF_COOKIES,
    SF_HISTORY,
    SF_COMMON_PROGRAMS,
    SF_ALTSTARTUP,
    SF_COMMON_APPDATA,
    SF_COMMON_DOCUMENTS,
    SF_INTERNET,
    SF_LOCAL_APPDATA,
    SF_MYPICTURES,
    SF_PROGRAM_FILES,
    SF_SYSTEM,
    SF_PROGRAM_FILES_COMMON,
};

// The special-folder constant (CSIDL_) a value stands for; SF_DESKTOP gives CSIDL_DESKTOP.
int SpecialFolderCsidl(TKelShellFolder folder);

using TFileNames = std::vector<std::wstring>;

// Needs a live ShellUnit. GUI thread only.
class TVantor {
public:
    TVantor();
    TVantor(const TVantor&) = delete;
    TVantor& operator=(const TVantor&) = delete;

    // Masks separated by semicolons for the object walk; "*" when there are none.
    std::wstring Filter() const;
    void SetFilter(const std::wstring& value);

    // The bound folder's file system path ending in a backslash; empty for a virtual
    // folder. Writing the empty string binds My Computer.
    std::wstring Folder();
    void SetFolder(const std::wstring& value);

    // The current object's name inside Folder; writing accepts a name, a drive root or a
    // full path, and the empty string clears the object. A full path whose ordinary form
    // would name another object or none (too long, or a name that ends in a dot or a blank)
    // is refused: the object is cleared and EVantorError raised.
    std::wstring ObjectName();
    void SetObjectName(const std::wstring& value);
    // The value last written to ObjectName, refused or not; emptied when a folder is bound.
    const std::wstring& ObjectPath() const { return FObjectPath; }

    bool FileSystemOnly() const { return fileSystemOnly_; }
    void SetFileSystemOnly(bool value) { fileSystemOnly_ = value; }

    // Full paths for a verb on several objects; emptied by every verb.
    TFileNames& MultiObjects() { return FMultiObjects; }

    bool ShowErrorMessages() const { return showErrorMessages_; }
    void SetShowErrorMessages(bool value) { showErrorMessages_ = value; }

    bool ShowContextMenuOnTop() const { return showContextMenuOnTop_; }
    void SetShowContextMenuOnTop(bool value) { showContextMenuOnTop_ = value; }

    TKelShellFolder SpecialFolder();
    void SetSpecialFolder(TKelShellFolder value);

    std::wstring Version() const { return L"TVantor V5.13"; }

    // Called for the verb "rename" instead of the shell.
    std::function<void(TVantor& sender)> OnRename;
    // Called first by InvokeVerb with the verb as given; leaving `execute` false vetoes it.
    std::function<void(const std::wstring& command, bool& execute)> OnContextMenuSelect;

    // Carries out `verb` on the current object or, when MultiObjects is not empty, on all
    // of its objects. True when the shell reported success.
    bool InvokeVerb(const std::wstring& verb);

    void SetFolderIDList(LPCITEMIDLIST list);
    void SetObjectIDList(LPCITEMIDLIST list);
    // The UI object (IContextMenu, IDataObject, ...) of the current object or of the
    // MultiObjects entries, which must then share one folder. MultiObjects is emptied.
    HRESULT GetUIObject(REFIID iid, void** object);
    // The next object of the bound folder that passes the filter becomes the current one.
    bool FindNextObject();
    // Owner of the shell's windows; none when ShowErrorMessages is false.
    HWND ParentHandle() const;

    LPCITEMIDLIST FolderIDList() const { return FFolderIDList.Get(); }
    LPCITEMIDLIST ObjectIDList() const { return FObjectIDList.Get(); }

private:
    // Objects of one folder, handed to the shell together.
    struct Batch {
        ComPtr<IShellFolder> folder;
        UniqueIDList folderList;
        std::vector<UniqueIDList> items;
        std::wstring checkPath; // tells after "delete" whether the first object is gone
    };

    void BindObjectName(const std::wstring& value);
    LPCITEMIDLIST AbsoluteIDList();
    SFGAOF ObjectAttributes(SFGAOF wanted);
    bool FindObjectByWalk(const std::wstring& name);
    bool IsSkippedByFileSystemOnly();
    bool PassesFilter();
    std::vector<Batch> CollectBatches();
    void ResolveEntry(const std::wstring& entry, const std::wstring& startFolder, LPCITEMIDLIST startList,
                      std::vector<Batch>& batches);
    HRESULT UIObjectOf(const Batch& batch, REFIID iid, void** object) const;
    HRESULT RunVerb(IContextMenu& menu, const Batch& batch, const std::wstring& verb, bool& renamed);
    HRESULT RunDefault(IContextMenu& menu, const Batch& batch);
    HRESULT Invoke(IContextMenu& menu, LPCSTR verb);
    bool PutMultiObjectsOnClipboard(bool cut);

    std::wstring FFolderPath;
    std::wstring FObjectPath;
    UniqueIDList FFolderIDList;
    ComPtr<IShellFolder> FShellFolder;
    UniqueIDList FObjectIDList;
    UniqueIDList FAbsoluteIDList;
    ComPtr<IEnumIDList> FEnumerator;
    TFileNames FMultiObjects;
    std::vector<std::wstring> FFilterMasks;
    bool fileSystemOnly_ = false;
    bool showErrorMessages_ = true;
    bool showContextMenuOnTop_ = false;
};

} // namespace quarrow
