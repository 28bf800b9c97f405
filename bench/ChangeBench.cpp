// Benchmarks of change monitoring through the real window, measured side by side in one run:
// the handler's walk for a change that matches no result, handling messages after every
// comparison and paced, and the check of every result against the disk after the watch lost
// reports against bare attribute reads. Prints "name: value" lines.
// argv[1] is the work folder; the tree of 20,000 files is generated there once.

#include "BenchSupport.h"

#include "base/Handles.h"
#include "base/Messages.h"
#include "shell/ShellUnit.h"
#include "ui/MainForm.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

constexpr int Folders = 20;
constexpr int FilesPerFolder = 1000;

void EnsureTree(const std::wstring& root) {
    const std::wstring marker = root + L".complete";
    if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    std::fprintf(stderr, "generating %d empty files...\n", Folders * FilesPerFolder);
    CreateDirectoryW(root.c_str(), nullptr);
    for (int folder = 0; folder < Folders; ++folder) {
        const std::wstring dir = root + L"\\folder" + std::to_wstring(folder);
        CreateDirectoryW(dir.c_str(), nullptr);
        for (int file = 0; file < FilesPerFolder; ++file) {
            const std::wstring path = dir + L"\\file" + std::to_wstring(file) + L".txt";
            UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
    UniqueFile(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        std::fprintf(stderr, "usage: ChangeBench <work folder>\n");
        return 2;
    }
    const std::wstring root = std::wstring(argv[1]) + L"\\change-tree";
    EnsureTree(root);

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // A settings folder of its own, so that the user's settings stay untouched.
    const std::wstring appData = std::wstring(argv[1]) + L"\\change-appdata";
    CreateDirectoryW(appData.c_str(), nullptr);
    SetEnvironmentVariableW(L"APPDATA", appData.c_str());
    ShellUnit shell;
    TMainForm form(root);
    if (!form.Create())
        return 1;
    form.Show(SW_SHOWNORMAL);
    ProcessMessages();
    SendMessageW(form.Controls().BtnSearch, BM_CLICK, 0, 0);
    ProcessMessages();
    const int count = form.IDList.Count();
    Print("change_results", count);

    // A change that matches no result walks the whole list; handling messages after every
    // comparison (interval 0) is what the walk would cost without its pacing.
    const std::wstring missing = root + L"\\folder0\\not-a-result.txt";
    std::vector<double> everyComparison;
    std::vector<double> paced;
    for (int run = 0; run < 5; ++run) {
        form.ChangeHandlerPumpIntervalMs = 0;
        auto start = Clock::now();
        form.ShellChangeNotifierChange(*form.ShellChangeNotifier, neFileDelete, missing, L"");
        everyComparison.push_back(Milliseconds(start));
        form.ChangeHandlerPumpIntervalMs = 10;
        start = Clock::now();
        form.ShellChangeNotifierChange(*form.ShellChangeNotifier, neFileDelete, missing, L"");
        paced.push_back(Milliseconds(start));
    }
    if (form.IDList.Count() != count)
        return 1;
    Print("change_unmatched_every_comparison_ms", Median(everyComparison));
    Print("change_unmatched_paced_ms", Median(paced));
    Print("change_unmatched_speedup", Median(everyComparison) / Median(paced));

    std::vector<double> attributeFloor;
    std::vector<double> check;
    for (int run = 0; run < 3; ++run) {
        auto start = Clock::now();
        int present = 0;
        for (int i = 0; i < form.IDList.Count(); ++i)
            present +=
                GetFileAttributesW(form.IDList[i].FullName().c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
        attributeFloor.push_back(Milliseconds(start));
        if (present != count)
            return 1;
        start = Clock::now();
        form.CheckResultsOnDisk();
        while (form.CheckingResultsOnDisk()) {
            MSG message;
            if (GetMessageW(&message, nullptr, 0, 0) <= 0)
                break;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        check.push_back(Milliseconds(start));
    }
    Print("disk_check_floor_ms", Median(attributeFloor));
    Print("disk_check_ms", Median(check));
    Print("disk_check_ratio", Median(check) / Median(attributeFloor));
    // A folder of results removed at once by another program: from the first removal until
    // the list shows them gone, beside the removals themselves.
    const std::wstring burst = root + L"\\folder" + std::to_wstring(Folders - 1);
    auto start = Clock::now();
    for (int file = 0; file < FilesPerFolder; ++file)
        DeleteFileW((burst + L"\\file" + std::to_wstring(file) + L".txt").c_str());
    const double removals = Milliseconds(start);
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (form.IDList.Count() > count - FilesPerFolder && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        ProcessMessages();
    }
    const double applied = Milliseconds(start);
    Print("burst_removed_results", count - form.IDList.Count());
    Print("burst_removal_ms", removals);
    Print("burst_applied_ms", applied);
    Print("burst_ratio", applied / removals);
    for (int file = 0; file < FilesPerFolder; ++file) {
        const std::wstring path = burst + L"\\file" + std::to_wstring(file) + L".txt";
        UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    DestroyWindow(form.Handle());
    return 0;
}
