// Benchmark of the exports through the real main window: 100,000 results to a
// comma-delimited file, against the platform's floor of writing the same bytes in one call,
// and 5,000 selected rows of 100,000 to the clipboard. Prints "name: value" lines. argv[1]
// is the work folder.

#include "BenchSupport.h"

#include "base/Handles.h"
#include "base/Prompt.h"
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

constexpr int ResultCount = 100000;
constexpr int Runs = 5;

std::string ReadWholeFile(const std::wstring& path) {
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size))
        return {};
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    content.resize(read);
    return content;
}

// Answers the save dialog with one path; any message but the success report is an error.
class BenchPrompt : public IPrompt {
public:
    explicit BenchPrompt(std::wstring path) : path_(std::move(path)) {}
    PromptResult Message(PromptType, const std::wstring& text, PromptButtons) override {
        if (text.rfind(L"Successfully exported ", 0) != 0)
            std::fprintf(stderr, "prompt: %ls\n", text.c_str());
        return PromptResult::Ok;
    }
    bool PickFolder(std::wstring&, const std::wstring&) override { return false; }
    bool BrowseFolder(std::wstring&, const std::wstring&, bool) override { return false; }
    bool SaveFileName(const FileDialogOptions&, std::wstring& path) override {
        path = path_;
        return true;
    }
    bool OpenFileName(const FileDialogOptions&, std::wstring&) override { return false; }

private:
    std::wstring path_;
};

void FillResults(TMainForm& form) {
    const TFolderText folder =
        std::make_shared<const std::wstring>(L"C:\\Users\\Someone\\Documents\\Projects\\");
    for (int i = 0; i < ResultCount; ++i) {
        auto item = std::make_unique<TShellItem>();
        item->Name = L"document " + std::to_wstring(i) + L".txt";
        item->FolderText = folder;
        item->Size = 1000LL * i;
        item->Modified = 45000.5 + i / 1000.0;
        form.IDList.Add(std::move(item));
    }
    ListView_SetItemCountEx(form.Controls().ListViewResults, ResultCount, 0);
    form.UpdateActionStates();
}

void BenchExports(const std::wstring& work) {
    ShellUnit shell;
    TMainForm form;
    const std::wstring exported = work + L"\\export.csv";
    form.SetPrompt(std::make_unique<BenchPrompt>(exported));
    if (!form.Create()) {
        std::fprintf(stderr, "the main window could not be created\n");
        return;
    }
    form.Show(SW_SHOWNOACTIVATE);
    FillResults(form);

    std::vector<double> window, floor;
    const std::wstring copy = work + L"\\floor.csv";
    for (int run = 0; run < Runs; ++run) {
        Clock::time_point start = Clock::now();
        form.ExecuteAction(TActionId::ActionExportAlltemsToCommaDelimitedFile);
        window.push_back(Milliseconds(start));

        const std::string bytes = ReadWholeFile(exported);
        start = Clock::now();
        {
            UniqueFile file(CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        }
        floor.push_back(Milliseconds(start));
    }
    Print("export_csv_100k_window_ms", Median(window));
    Print("export_csv_100k_write_floor_ms", Median(floor));
    Print("export_csv_vs_write_floor_ratio", Median(window) / Median(floor));

    const HWND list = form.Controls().ListViewResults;
    for (int row = 0; row < ResultCount; row += ResultCount / 5000)
        ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    form.SelectionChanged();
    form.UpdateActionStates();
    std::vector<double> clipboard;
    for (int run = 0; run < Runs; ++run) {
        const Clock::time_point start = Clock::now();
        form.ExecuteAction(TActionId::ActionExportSelectedItemsToClipboard);
        clipboard.push_back(Milliseconds(start));
    }
    Print("export_clipboard_5000_of_100k_ms", Median(clipboard));
    DeleteFileW(exported.c_str());
    DeleteFileW(copy.c_str());
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ExportBench <work folder>\n");
        return 2;
    }
    const std::wstring work = argv[1];
    LocalFree(argv);
    CreateDirectoryW(work.c_str(), nullptr);
    SetEnvironmentVariableW(L"APPDATA", work.c_str()); // the window's settings file
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    BenchExports(work);
    return 0;
}
