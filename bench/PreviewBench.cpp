// Benchmarks of the preview pane through the real window, after a content search: how soon
// the first matching lines of a 100 MB file with 10,000 matches are shown once the focus
// moves to it, the longest the window leaves its messages waiting while the focus moves
// across 100 results in 2 s, and the memory the preview of the large file adds. Prints
// "name: value" lines; argv[1] is the work folder, where the files are generated once.

#include "WindowBenchSupport.h"

#include "base/Messages.h"
#include "ui/Controls.h"
#include "ui/MainForm.h"

#include <commctrl.h>
#include <shellapi.h>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

const wchar_t Needle[] = L"Quarrow-Preview-Needle";
constexpr int SmallFiles = 100;
constexpr int LargeLines = 1000000; // of 100 bytes each, one in 100 with the needle

// The folder: large.txt (100 MB) and 100 small files of 2,000 lines with a few matches each.
std::wstring EnsureFiles(const std::wstring& work) {
    const std::wstring root = work + L"\\preview";
    const std::wstring marker = root + L".complete";
    if (Exists(marker))
        return root;
    std::fprintf(stderr, "generating the preview files...\n");
    CreateDirectoryW(root.c_str(), nullptr);
    const std::string needle = "Quarrow-Preview-Needle";
    std::string large;
    large.reserve(static_cast<size_t>(LargeLines) * 100);
    for (int line = 0; line < LargeLines; ++line) {
        std::string text = "line " + std::to_string(line) + " of the large file";
        if (line % 100 == 50)
            text += " holds the " + needle;
        text.resize(98, '.');
        large += text + "\r\n";
    }
    WriteWholeFile(root + L"\\large.txt", large);
    for (int file = 0; file < SmallFiles; ++file) {
        std::string small;
        for (int line = 0; line < 2000; ++line)
            small += "small file " + std::to_string(file) + " line " + std::to_string(line) +
                     (line % 400 == 7 ? " with the " + needle : std::string()) + "\r\n";
        WriteWholeFile(root + L"\\small" + std::to_wstring(1000 + file) + L".txt", small);
    }
    WriteWholeFile(marker, {});
    return root;
}

int RowOf(const TMainForm& form, const std::wstring& name) {
    for (int row = 0; row < form.IDList.Count(); ++row) {
        if (form.GetResult(row).Name == name)
            return row;
    }
    return -1;
}

void FocusRow(HWND list, int row) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// Handles messages one at a time until `done` holds; false after 10 s.
template <typename F> bool PumpUntil(F done) {
    const auto start = Clock::now();
    while (!done()) {
        if (Seconds(start) > 10)
            return false;
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!FilterMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
    }
    return true;
}

void BenchFirstLines(TMainForm& form) {
    const HWND list = form.Controls().ListViewResults;
    const int large = RowOf(form, L"large.txt");
    const int small = RowOf(form, L"small1000.txt");
    std::vector<double> firstLines;
    size_t extra = 0;

    TPreviewPane& pane = form.PreviewPane();
    const std::wstring largePath = form.GetResult(large).FullName();
    const std::wstring smallPath = form.GetResult(small).FullName();
    for (int round = 0; round < 7; ++round) {
        FocusRow(list, small);
        if (!PumpUntil([&] { return pane.Path() == smallPath && pane.Finished(); }))
            std::fprintf(stderr, "the small file's lines did not come\n");
        const size_t before = CommittedPrivateBytes();
        const auto start = Clock::now();
        FocusRow(list, large);
        if (!PumpUntil([&] { return pane.Path() == largePath && !pane.Rows().empty(); }))
            std::fprintf(stderr, "the large file's lines did not come\n");
        UpdateWindow(pane.Lines());
        firstLines.push_back(Milliseconds(start));

        if (!PumpUntil([&] { return pane.Finished(); }))
            std::fprintf(stderr, "the large file was not read to its end\n");
        extra = std::max(extra, CommittedPrivateBytes() - std::min(before, CommittedPrivateBytes()));
    }
    const std::wstring header = pane.HeaderText();
    if (header != L"10,000 matches in 10,000 lines")
        std::fprintf(stderr, "the large file's header: %ls\n", header.c_str());
    Print("preview_first_lines_ms", Median(firstLines));
    Print("preview_first_lines_ms_bound", 200);
    Print("preview_memory_mb", static_cast<double>(extra) / (1 << 20));
    Print("preview_memory_mb_bound", 16);
}

// The focus moves down one row every 20 ms, as a held arrow key moves it, over 100 results;
// returns the longest time between two turns of the message loop.
double LongestPumpGap(TMainForm& form) {
    const HWND list = form.Controls().ListViewResults;
    FocusRow(list, 0);
    SetFocus(list);
    PumpUntil([&] { return !form.Settings.PreviewPane || form.PreviewPane().Finished(); });
    double longest = 0;
    int moved = 0;
    auto last = Clock::now();
    auto nextMove = last;
    const auto start = last;
    while (Seconds(start) < 10 && (moved < SmallFiles || Clock::now() < nextMove)) {
        if (moved < SmallFiles && Clock::now() >= nextMove) {
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
            PostMessageW(list, WM_KEYUP, VK_DOWN, 0xC0000001);
            ++moved;
            nextMove += std::chrono::milliseconds(20);
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!FilterMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            longest = std::max(longest, Milliseconds(last));
            last = Clock::now();
        }
        longest = std::max(longest, Milliseconds(last));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        last = Clock::now();
    }
    if (ListView_GetNextItem(list, -1, LVNI_FOCUSED) != SmallFiles)
        std::fprintf(stderr, "the focus ended on row %d\n", ListView_GetNextItem(list, -1, LVNI_FOCUSED));
    return longest;
}

// The same moves with the pane hidden and shown, in turn.
void BenchSwitching(TMainForm& form) {
    std::vector<double> hidden, shown;
    for (int round = 0; round < 3; ++round) {
        for (const bool pane : {false, true}) {
            if (form.Settings.PreviewPane != pane)
                form.ExecuteAction(TActionId::ActionViewPreviewPane);
            (pane ? shown : hidden).push_back(LongestPumpGap(form));
        }
    }
    Print("preview_switch_max_pump_gap_ms_hidden", Median(hidden));
    Print("preview_switch_max_pump_gap_ms", Median(shown));
    Print("preview_switch_max_pump_gap_ms_bound", 50);
}

} // namespace

int main() {
    const std::wstring work = WorkFolderArgument("PreviewBench");
    if (work.empty())
        return 2;
    const std::wstring root = EnsureFiles(work);
    return RunOnMainWindow(work + L"\\appdata-preview", [&](TMainForm& form) {
        if (!form.Settings.PreviewPane)
            form.ExecuteAction(TActionId::ActionViewPreviewPane);
        const TMainControls& c = form.Controls();
        SetWindowTextOf(c.ComboBoxSearchPattern, L"*.txt");
        SetWindowTextOf(c.ComboBoxSearchLocation, root);
        SetWindowTextOf(c.ComboBoxContainingText, Needle);
        form.ComboBoxContainingTextChange();
        SendMessageW(c.BtnSearch, BM_CLICK, 0, 0);
        ProcessMessages();
        if (form.IDList.Count() != SmallFiles + 1) {
            std::fprintf(stderr, "the search found %d files, expected %d\n", form.IDList.Count(),
                         SmallFiles + 1);
            return false;
        }
        // large.txt first, then the small files in the order of their names.
        form.ListViewResultsColumnClick(0);
        ProcessMessages();
        BenchFirstLines(form);
        BenchSwitching(form);
        return true;
    });
}
