// TMainForm: the commands on results whose ordinary path does not name them. A path of 260
// characters or more is cut short by the shell and by most programs, and a name that ends
// in a dot or a blank loses it, which names another file. Such a result is handed to other
// programs and to the clipboard by its 8.3 form when that names the same file, is deleted
// and renamed through its "\\?\" form, and is otherwise refused with a message: the shell's
// verbs would act on another file or on none.

#include "ui/MainForm.h"

#include "base/FileSystem.h"
#include "base/SystemError.h"
#include "shell/ShellClipboard.h"

#include <shellapi.h>

#include <algorithm>
#include <unordered_set>

namespace quarrow {
namespace {

std::wstring PathProblem(const std::wstring& path) {
    if (path.size() >= MAX_PATH)
        return L"its path is longer than 259 characters";
    for (size_t start = path.find(L'\\'); start < path.size();) {
        const size_t end = std::min(path.find(L'\\', start + 1), path.size());
        const std::wstring name = path.substr(start + 1, end - start - 1);
        if (!name.empty() && name != L"." && name != L".." && (name.back() == L'.' || name.back() == L' ')) {
            const std::wstring what = name.back() == L'.' ? L"a dot" : L"a blank";
            return end == path.size() ? L"its name ends in " + what
                                      : L"the name of the folder \"" + name + L"\" ends in " + what;
        }
        start = end;
    }
    return L"its name ends in a dot or a blank";
}

} // namespace

std::vector<std::wstring> TMainForm::HandedOverPaths() const {
    if (!Vantor->MultiObjects().empty())
        return Vantor->MultiObjects();
    if (!Vantor->ObjectPath().empty())
        return {Vantor->ObjectPath()};
    return {};
}

// The form of `path` that other programs take: the path itself, or its 8.3 form. Empty,
// after the message, when there is none.
std::wstring TMainForm::PathForPrograms(const std::wstring& path, const std::wstring& refusal) {
    if (!NeedsExtendedLengthPath(path))
        return path;
    std::wstring shortPath = EquivalentShortPath(path);
    // A file that is gone has no short name either: that is what the user is told.
    if (shortPath.empty() && StillOnDisk(path))
        ShowWarning(Prompt(), L"\"" + path + L"\" " + refusal + L": " + PathProblem(path) +
                                  L", and the disk keeps no short name for it.");
    return shortPath;
}

bool TMainForm::ActOnExactPaths(TActionId action) {
    const std::vector<std::wstring> paths = HandedOverPaths();
    const auto needs = [](const std::wstring& path) { return NeedsExtendedLengthPath(path); };
    const auto first = std::find_if(paths.begin(), paths.end(), needs);
    if (first == paths.end())
        return false;
    // As every verb does, acting empties the list of several objects.
    Vantor->MultiObjects().clear();
    switch (action) {
    case TActionId::ActionActionOpen:
        OpenExactly(*first);
        break;
    case TActionId::ActionActionCopy:
    case TActionId::ActionActionCut:
        CopyExactly(paths, action == TActionId::ActionActionCut);
        break;
    case TActionId::ActionActionDelete:
        DeleteExactly(paths);
        break;
    default:
        ShowWarning(Prompt(),
                    L"The properties of \"" + *first + L"\" cannot be shown: " + PathProblem(*first) + L".");
        break;
    }
    return true;
}

void TMainForm::OpenExactly(const std::wstring& path) {
    const std::wstring target = PathForPrograms(path, L"cannot be opened");
    if (target.empty())
        return;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOASYNC;
    info.hwnd = handle_;
    info.lpFile = target.c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}

void TMainForm::CopyExactly(const std::vector<std::wstring>& paths, bool cut) {
    std::vector<std::wstring> files;
    files.reserve(paths.size());
    for (const std::wstring& path : paths) {
        std::wstring target = PathForPrograms(path, L"cannot be put on the clipboard");
        if (target.empty())
            return;
        files.push_back(std::move(target));
    }
    if (!SetClipboardFileList(files, cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY, handle_))
        ShowWarning(Prompt(), L"Could not put the items on the clipboard.");
}

// The shell would delete another file, or none: these are deleted here, after a question of
// our own, and cannot go to the Recycle Bin. The others still go there through the shell.
void TMainForm::DeleteExactly(const std::vector<std::wstring>& paths) {
    std::vector<std::wstring> exact;
    std::vector<std::wstring> ordinary;
    for (const std::wstring& path : paths)
        (NeedsExtendedLengthPath(path) ? exact : ordinary).push_back(path);
    std::wstring question;
    if (exact.size() == 1) {
        const bool folder = IsExistingDirectory(exact.front());
        question = L"\"" + exact.front() + L"\" cannot be moved to the Recycle Bin: " +
                   PathProblem(exact.front()) + L".\r\n\r\nDo you want to delete it" +
                   (folder ? L" and everything in it" : L"") + L" permanently?";
    } else {
        question =
            std::to_wstring(exact.size()) +
            L" of the selected items cannot be moved to the Recycle Bin: their paths are longer than 259 "
            L"characters, or a name in them ends in a dot or a blank.\r\n\r\nDo you want to delete them "
            L"permanently?";
    }
    if (!Confirm(Prompt(), question))
        return;
    std::vector<std::wstring> deleted;
    std::wstring failure;
    int failures = 0;
    for (const std::wstring& path : exact) {
        const DWORD error = DeletePermanently(path);
        if (error == ERROR_SUCCESS) {
            deleted.push_back(path);
        } else if (failures++ == 0) {
            failure = L"\"" + path + L"\" could not be deleted.\r\n" + SystemErrorText(error) + L".";
        }
    }
    RemoveResultsOf(deleted);
    if (failures > 1)
        failure += L"\r\n(" + std::to_wstring(failures - 1) + L" more could not be deleted either.)";
    if (failures > 0)
        ShowWarning(Prompt(), failure);
    if (ordinary.empty())
        return;
    Vantor->MultiObjects() = std::move(ordinary);
    try {
        Vantor->InvokeVerb(L"delete");
    } catch (const std::exception&) {
        // The shell reports what the user needs to know in its own dialogs.
    }
}

// Nothing reports a delete made here to the change monitoring: the results of the deleted
// files and folders, and of everything inside those folders, go at once.
void TMainForm::RemoveResultsOf(const std::vector<std::wstring>& deleted) {
    if (deleted.empty())
        return;
    const std::unordered_set<std::wstring> gone(deleted.begin(), deleted.end());
    const auto isGone = [&gone](const TShellItem& record) {
        if (gone.count(record.FullName()) != 0)
            return true;
        // The folders that hold it, from its own up.
        const std::wstring& folder = record.Folder();
        for (size_t end = folder.rfind(L'\\'); end != std::wstring::npos && end > 0;
             end = folder.rfind(L'\\', end - 1)) {
            if (gone.count(folder.substr(0, end)) != 0)
                return true;
        }
        return false;
    };
    bool removed = false;
    for (int i = IDList.Count() - 1; i >= 0; --i) {
        if (isGone(GetResult(i))) {
            RemoveResultAt(i);
            removed = true;
        }
    }
    if (removed)
        ShowResultsRemoved();
}

} // namespace quarrow
