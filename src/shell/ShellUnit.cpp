#include "shell/ShellUnit.h"

#include "base/SystemError.h"

#include <ole2.h>

#include <stdexcept>

namespace quarrow {
namespace {

struct SharedState {
    bool active = false;
    ComPtr<IShellFolder> desktop;
    UniqueIDList desktopList;
    UniqueModule shell32;
    UniqueModule shlwapi;
    ShellChangeNotifyRegisterProc changeNotifyRegister = nullptr;
    ShellChangeNotifyDeregisterProc changeNotifyDeregister = nullptr;
    PathMatchProc pathMatch = nullptr;
};

SharedState& State() {
    static SharedState state;
    return state;
}

template <typename Proc> Proc EntryPoint(HMODULE module, LPCSTR name) {
    if (module == nullptr)
        return nullptr;
    // The detour through void(*)() keeps -Wcast-function-type quiet for a looked-up entry.
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace

ShellUnit::ShellUnit() {
    SharedState& state = State();
    if (state.active)
        throw std::logic_error("The shell unit is already set up");
    oleInitialized_ = SUCCEEDED(OleInitialize(nullptr));
    const HRESULT hr = SHGetDesktopFolder(state.desktop.Put());
    if (FAILED(hr) || !state.desktop) {
        state.desktop.Reset();
        if (oleInitialized_)
            OleUninitialize();
        throw QuarrowError(L"Cannot get the shell's desktop folder: " +
                           SystemErrorText(static_cast<DWORD>(hr)));
    }
    state.desktopList = EmptyIDList();
    state.shell32.Reset(LoadLibraryW(L"shell32.dll"));
    state.shlwapi.Reset(LoadLibraryW(L"shlwapi.dll"));
    state.changeNotifyRegister =
        EntryPoint<ShellChangeNotifyRegisterProc>(state.shell32.Get(), MAKEINTRESOURCEA(2));
    state.changeNotifyDeregister =
        EntryPoint<ShellChangeNotifyDeregisterProc>(state.shell32.Get(), MAKEINTRESOURCEA(4));
    state.pathMatch = EntryPoint<PathMatchProc>(state.shlwapi.Get(), "PathMatchSpecW");
    state.active = true;
}

ShellUnit::~ShellUnit() {
    SharedState& state = State();
    state.active = false;
    state.changeNotifyRegister = nullptr;
    state.changeNotifyDeregister = nullptr;
    state.pathMatch = nullptr;
    state.desktop.Reset();
    state.desktopList.Reset();
    state.shlwapi.Reset();
    state.shell32.Reset();
    if (oleInitialized_)
        OleUninitialize();
}

IShellFolder& DesktopFolder() {
    SharedState& state = State();
    if (!state.active)
        throw std::logic_error("The shell unit is not set up");
    return *state.desktop.Get();
}

LPCITEMIDLIST DesktopIDList() {
    return State().desktopList.Get();
}

ShellChangeNotifyRegisterProc ShellChangeNotifyRegister() {
    return State().changeNotifyRegister;
}
ShellChangeNotifyDeregisterProc ShellChangeNotifyDeregister() {
    return State().changeNotifyDeregister;
}
PathMatchProc PathMatchFunction() {
    return State().pathMatch;
}

CriticalErrorScope::CriticalErrorScope(bool suppress) : active_(suppress) {
    if (active_)
        previous_ = SetErrorMode(SEM_FAILCRITICALERRORS);
}

CriticalErrorScope::~CriticalErrorScope() {
    if (active_)
        SetErrorMode(previous_);
}

UniqueIDList ParseName(IShellFolder* folder, const std::wstring& name) {
    if (name.empty())
        return SpecialFolderLocation(CSIDL_DRIVES);
    IShellFolder* parser = folder != nullptr ? folder : &DesktopFolder();
    std::wstring buffer = name; // ParseDisplayName takes a writable string
    LPITEMIDLIST list = nullptr;
    HRESULT hr;
    {
        CriticalErrorScope quiet;
        hr = parser->ParseDisplayName(nullptr, nullptr, buffer.data(), nullptr, &list, nullptr);
    }
    UniqueIDList result(list);
    if (FAILED(hr) || !result) {
        SetLastError(static_cast<DWORD>(FAILED(hr) ? hr : E_FAIL));
        return {};
    }
    return result;
}

SFGAOF ShellAttributes(IShellFolder& folder, LPCITEMIDLIST item, SFGAOF wanted) {
    SFGAOF attributes = wanted;
    if (FAILED(folder.GetAttributesOf(1, &item, &attributes)))
        return 0;
    return attributes & wanted;
}

UniqueIDList SpecialFolderLocation(int csidl) {
    LPITEMIDLIST list = nullptr;
    const HRESULT hr = SHGetSpecialFolderLocation(nullptr, csidl, &list);
    UniqueIDList result(list);
    if (FAILED(hr))
        return {};
    return result;
}

std::wstring PathFromIDList(LPCITEMIDLIST list) {
    wchar_t path[MAX_PATH] = {};
    if (list == nullptr || !SHGetPathFromIDListW(list, path))
        return {};
    return path;
}

bool SameIDList(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    if (first == nullptr || second == nullptr)
        return first == second;
    return HRESULT_CODE(DesktopFolder().CompareIDs(0, first, second)) == 0;
}

} // namespace quarrow
