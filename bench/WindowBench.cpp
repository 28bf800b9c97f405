// Benchmarks of what a user waits for in the main window, against the platform's floor
// measured in the same run: a search whose every file is a result, one that finds nothing,
// the memory a result costs, selecting 100,000 results, and sorting a million results by a
// column click. Prints
// "name: value" lines. argv[1] is the work folder; the tree is generated there once.

#include "WindowBenchSupport.h"

#include "base/Messages.h"
#include "ui/Controls.h"
#include "ui/MainForm.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

// A search as the user starts it: the criteria typed into the boxes, then Search pressed.
void SearchThroughWindow(TMainForm& form, const std::wstring& location, const std::wstring& pattern) {
    const TMainControls& c = form.Controls();
    SetWindowTextOf(c.ComboBoxSearchPattern, pattern);
    SetWindowTextOf(c.ComboBoxSearchLocation, location);
    SendMessageW(c.BtnSearch, BM_CLICK, 0, 0);
    ProcessMessages();
}

void BenchSearch(TMainForm& form, const std::wstring& work) {
    const std::wstring root = work + L"\\window-tree";
    EnsureEntryTree(root);
    const std::wstring small = work + L"\\window-warmup";
    CreateDirectoryW(small.c_str(), nullptr);
    for (int i = 0; i < 10; ++i)
        WriteWholeFile(small + L"\\warm" + std::to_wstring(i) + L".txt", "x");
    // Files and folders: every entry of the tree is a result of "*.*".
    SetChecked(form.Controls().CheckBoxShowMatchingFoldernames, true);

    // The first search pays for what any first search pays (icons, fonts, caches); the
    // memory figure is the growth of the first search over the tree after it.
    SearchThroughWindow(form, small, L"*.*");
    form.BtnResetClick();
    SetChecked(form.Controls().CheckBoxShowMatchingFoldernames, true);
    ProcessMessages();
    const size_t before = CommittedPrivateBytes();
    SearchThroughWindow(form, root, L"*.*");
    const size_t after = CommittedPrivateBytes();
    if (form.IDList.Count() != EntryTreeEntries)
        std::fprintf(stderr, "the window found %d results, expected %d\n", form.IDList.Count(),
                     EntryTreeEntries);

    const std::vector<double> medians = SideBySide(
        11, {Timed([&] { BareWalk(root); }), Timed([&] { SearchThroughWindow(form, root, L"*.*"); }),
             Timed([&] { SearchThroughWindow(form, root, L"*.zzz"); })});
    if (!form.IDList.Empty())
        std::fprintf(stderr, "the search for nothing found %d results\n", form.IDList.Count());
    Print("window_bare_walk_s", medians[0]);
    Print("window_results_s", medians[1]);
    Print("window_results_ratio", medians[1] / medians[0]);
    Print("window_results_ratio_bound", 1.5);
    Print("window_none_s", medians[2]);
    Print("window_none_ratio", medians[2] / medians[0]);
    Print("window_none_ratio_bound", 2.5);
    Print("bytes_per_result", static_cast<double>(after - before) / EntryTreeEntries);
    Print("bytes_per_result_bound", 250);
}

// The content search as the user waits for it, over the 300 MB tree that SearchBench
// generates (it runs first), against opening, mapping and unmapping the same files bare.
void BenchContentSearch(TMainForm& form, const std::wstring& work) {
    const std::wstring root = work + L"\\content300m";
    if (!Exists(root + L".complete-3")) {
        std::fprintf(stderr, "no content tree: run SearchBench first\n");
        return;
    }
    const std::vector<std::wstring> files = ListFiles(root);
    form.BtnResetClick();
    ProcessMessages();
    SetWindowTextOf(form.Controls().ComboBoxContainingText, L"Quarrow-Needle-7319");
    const std::vector<double> medians =
        SideBySide(7, {Timed([&] { OpenMapUnmap(files, false); }),
                       Timed([&] { SearchThroughWindow(form, root, L"*.*"); })});
    if (form.IDList.Count() != 6)
        std::fprintf(stderr, "the content search found %d files, expected 6\n", form.IDList.Count());
    SetWindowTextOf(form.Controls().ComboBoxContainingText, L"");
    Print("window_content_s", medians[1]);
    Print("window_content_ratio", medians[1] / medians[0]);
    Print("window_content_ratio_bound", 1.3);
}

// Records as a walk of a large disk leaves them: names of two words (about one in eight
// with a letter outside ASCII), a number and an extension, in 2,000 folders, sizes up to
// 10 GB, dates over twenty years.
void FillResults(TIDList& list, int count) {
    const wchar_t* const words[] = {L"report",    L"Invoice", L"photo",   L"backup", L"Notes", L"draft",
                                    L"Übersicht", L"data",    L"setup",   L"readme", L"IMG_",  L"scan",
                                    L"letter",    L"budget",  L"Summary", L"Projekt"};
    const wchar_t* const folderWords[] = {L"Straße", L"Documents", L"Fotos", L"Music", L"Résumés", L"src"};
    const wchar_t* const extensions[] = {L"txt", L"DOC", L"jpg", L"pdf", L"dll", L"", L"log", L"Xml"};
    std::mt19937 rng(99);
    std::vector<TFolderText> folders;
    for (int i = 0; i < 2000; ++i)
        folders.push_back(std::make_shared<const std::wstring>(
            L"C:\\Data\\" + std::wstring(folderWords[i % 6]) + L" " + std::to_wstring(i) + L"\\"));
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<TShellItem>();
        const std::wstring extension = extensions[rng() % 8];
        item->Name = std::wstring(words[rng() % 16]) + L" " + words[rng() % 16] +
                     std::to_wstring(rng() % 100000) + (extension.empty() ? L"" : L"." + extension);
        item->FolderText = folders[rng() % folders.size()];
        item->FileType = extension;
        item->Size = static_cast<int64_t>(rng()) * (rng() % 3);
        item->Modified = 36000 + (rng() % 7300) + (rng() % 1440) / 1440.0;
        list.Add(std::move(item));
    }
}

struct TTimes {
    std::vector<double> wall;
    std::vector<double> cpu;
};

// A click on a column header, as the list reports it, and the repaint that follows.
void ClickColumn(TMainForm& form, int column, TTimes& times) {
    const auto start = Clock::now();
    const double cpu = ThreadCpuSeconds();
    form.ListViewResultsColumnClick(column);
    ProcessMessages();
    times.cpu.push_back(ThreadCpuSeconds() - cpu);
    times.wall.push_back(Seconds(start));
}

void BenchSort(TMainForm& form) {
    form.BtnResetClick();
    FillResults(form.IDList, 1000000);
    form.FlushResultRowCount();
    ProcessMessages();
    // The floor: the same records ordered by size through plain pointer comparisons.
    std::vector<const TShellItem*> pointers;
    for (const auto& item : form.IDList.Items())
        pointers.push_back(item.get());
    const auto floorStart = Clock::now();
    std::sort(pointers.begin(), pointers.end(),
              [](const TShellItem* a, const TShellItem* b) { return a->Size < b->Size; });
    const double floor = Seconds(floorStart);

    TTimes name, size, date;
    TTimes folder, type;
    for (int round = 0; round < 5; ++round) {
        ClickColumn(form, 0, name);
        ClickColumn(form, 2, size);
        ClickColumn(form, 3, date);
        ClickColumn(form, 1, folder);
        ClickColumn(form, 4, type);
    }
    Print("sort_1m_pointer_floor_s", floor);
    Print("sort_1m_s_name", Median(name.wall));
    Print("sort_1m_s_size", Median(size.wall));
    Print("sort_1m_s_date", Median(date.wall));
    Print("sort_1m_s_folder", Median(folder.wall));
    Print("sort_1m_s_type", Median(type.wall));
    Print("sort_1m_s_bound", 1.0);
    Print("sort_1m_cpu_s_name", Median(name.cpu));
    Print("sort_1m_cpu_s_size", Median(size.cpu));
    Print("sort_1m_cpu_s_date", Median(date.cpu));
    form.BtnResetClick();
}

// Select All, Invert Selection and a column click with every row selected, through the
// window's commands, on 100,000 results; each followed by the repaint.
void BenchSelection(TMainForm& form) {
    form.BtnResetClick();
    FillResults(form.IDList, 100000);
    form.FlushResultRowCount();
    form.UpdateActionStates();
    ProcessMessages();
    std::vector<double> selectAll, invert, sort;
    const auto timed = [](std::vector<double>& into, const std::function<void()>& action) {
        const auto start = Clock::now();
        action();
        ProcessMessages();
        into.push_back(Seconds(start));
    };
    for (int round = 0; round < 5; ++round) {
        timed(selectAll, [&] { form.ExecuteAction(TActionId::ActionActionSelectAll); });
        timed(sort, [&] { form.ListViewResultsColumnClick(round % 5); });
        timed(invert, [&] { form.ExecuteAction(TActionId::ActionActionInvertSelection); });
    }
    if (form.TotalSelectedFiles != 0)
        std::fprintf(stderr, "after Invert %d rows stayed selected\n", form.TotalSelectedFiles);
    Print("select_all_100k_s", Median(selectAll));
    Print("sort_100k_all_selected_s", Median(sort));
    Print("invert_100k_s", Median(invert));
    form.BtnResetClick();
}

} // namespace

int main() {
    const std::wstring work = WorkFolderArgument("WindowBench");
    if (work.empty())
        return 2;
    return RunOnMainWindow(work + L"\\appdata", [&](TMainForm& form) {
        BenchSearch(form, work);
        BenchContentSearch(form, work);
        BenchSelection(form);
        BenchSort(form);
        return true;
    });
}
