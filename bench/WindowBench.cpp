// Benchmarks of what a user waits for in the main window, against the platform's floor
// measured in the same run: searches whose every entry is a result and searches that find
// nothing, by "*.*" and by patterns, over 20,000 entries and over 500,000; the memory a
// result costs; how long the window goes without handling its messages, and how soon Stop
// answers; selecting and sorting 100,000 to a million results, and copying 100,000 to the
// clipboard. Prints "name: value" lines. argv[1] is the work folder; the trees are generated
// there once; further arguments pick the groups to run.

#include "WindowBenchSupport.h"

#include "base/Messages.h"
#include "ui/Controls.h"
#include "ui/MainForm.h"
#include "ui/MainFormIds.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <thread>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

constexpr int LargeTreeFolders = 2500;
constexpr int LargeTreeFilesPerFolder = 199;
constexpr int LargeTreeEntries = LargeTreeFolders * (LargeTreeFilesPerFolder + 1);

// The longest the window takes to handle a message another thread sends it: how long it
// goes without handling its messages.
class TMessageLatencyProbe {
public:
    explicit TMessageLatencyProbe(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  const auto start = Clock::now();
                  DWORD_PTR result = 0;
                  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
                  longest_ = std::max(longest_.load(), Milliseconds(start));
                  Sleep(5);
              }
          }) {}
    ~TMessageLatencyProbe() {
        stop_ = true;
        thread_.join();
    }
    double LongestMs() const { return longest_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<double> longest_{0};
    std::thread thread_;
};

// A search as the user starts it: the criteria typed into the boxes, then Search pressed.
void SearchThroughWindow(TMainForm& form, const std::wstring& location, const std::wstring& pattern) {
    const TMainControls& c = form.Controls();
    SetWindowTextOf(c.ComboBoxSearchPattern, pattern);
    SetWindowTextOf(c.ComboBoxSearchLocation, location);
    SendMessageW(c.BtnSearch, BM_CLICK, 0, 0);
    ProcessMessages();
}

// A search's time beside its ratio to the floor's, and the ratio's bound.
void PrintAgainstFloor(const std::string& name, double seconds, double floor, double bound) {
    Print((name + "_s").c_str(), seconds);
    Print((name + "_ratio").c_str(), seconds / floor);
    Print((name + "_ratio_bound").c_str(), bound);
}

// The memory a result costs: the growth of a search from a reset window over a tree whose
// every entry is a result.
double BytesPerResult(TMainForm& form, const std::wstring& root, int expected) {
    form.BtnResetClick();
    SetChecked(form.Controls().CheckBoxShowMatchingFoldernames, true);
    ProcessMessages();
    const size_t before = CommittedPrivateBytes();
    SearchThroughWindow(form, root, L"*.*");
    const size_t after = CommittedPrivateBytes();
    if (form.IDList.Count() != expected)
        std::fprintf(stderr, "the window found %d results, expected %d\n", form.IDList.Count(), expected);
    return static_cast<double>(after - before) / expected;
}

void BenchSearch(TMainForm& form, const std::wstring& work) {
    const std::wstring root = work + L"\\entry-tree";
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
    const double bytesPerResult = BytesPerResult(form, root, EntryTreeEntries);

    // Each search checks what it found: a figure of a wrong result would mean nothing.
    const auto search = [&](const wchar_t* pattern, int expected) {
        return Timed([&form, &root, pattern, expected] {
            SearchThroughWindow(form, root, pattern);
            if (form.IDList.Count() != expected)
                std::fprintf(stderr, "\"%ls\" found %d results, expected %d\n", pattern, form.IDList.Count(),
                             expected);
        });
    };
    const std::vector<double> medians =
        SideBySide(11, {Timed([&] { BareWalk(root); }), search(L"*.*", EntryTreeEntries), search(L"*.zzz", 0),
                        search(L"*.txt", EntryTreeEntries), search(L"*ocu?ent*.t?t.zz?", 0)});
    Print("window_bare_walk_s", medians[0]);
    PrintAgainstFloor("window_results", medians[1], medians[0], 1.3);
    PrintAgainstFloor("window_none", medians[2], medians[0], 1.3);
    PrintAgainstFloor("window_pattern", medians[3], medians[0], 1.3);
    PrintAgainstFloor("window_pattern_none", medians[4], medians[0], 1.3);
    Print("bytes_per_result", bytesPerResult);
    Print("bytes_per_result_bound", 250);
}

// Every entry of 500,000 a result: the time against the bare walk, the memory a result
// costs, the longest the window goes without handling its messages, and a column click and
// Select All on the result.
void BenchLargeTree(TMainForm& form, const std::wstring& work) {
    const std::wstring root = work + L"\\window-tree-500k";
    EnsureEntryTree(root, LargeTreeFolders, LargeTreeFilesPerFolder);
    const double bytesPerResult = BytesPerResult(form, root, LargeTreeEntries);

    const std::vector<double> medians = SideBySide(
        3, {Timed([&] { BareWalk(root); }), Timed([&] { SearchThroughWindow(form, root, L"*.*"); })});
    // A moment in which a loaded machine gives the process no time is not the window's: the
    // median of a few searches' longest waits.
    std::vector<double> longestGaps;
    for (int round = 0; round < 3; ++round) {
        const TMessageLatencyProbe probe(form.Handle());
        SearchThroughWindow(form, root, L"*.*");
        longestGaps.push_back(probe.LongestMs());
    }
    const double longestGap = Median(longestGaps);
    const auto timed = [](const std::function<void()>& action) {
        const auto start = Clock::now();
        action();
        ProcessMessages();
        return Seconds(start);
    };
    const double sort = timed([&] { form.ListViewResultsColumnClick(0); });
    const double selectAll = timed([&] { form.ExecuteAction(TActionId::ActionActionSelectAll); });
    if (ListView_GetSelectedCount(form.Controls().ListViewResults) != static_cast<UINT>(LargeTreeEntries))
        std::fprintf(stderr, "Select All left rows unselected\n");
    Print("window_500k_bare_walk_s", medians[0]);
    PrintAgainstFloor("window_500k", medians[1], medians[0], 1.5);
    Print("window_500k_bytes_per_result", bytesPerResult);
    Print("window_500k_bytes_per_result_bound", 200);
    Print("window_500k_max_pump_gap_ms", longestGap);
    Print("window_500k_max_pump_gap_ms_bound", 100);
    Print("window_500k_sort_s", sort);
    Print("window_500k_select_all_s", selectAll);
    form.BtnResetClick();
}

// How soon Stop answers: from the click to the idle window, the click made `clickAfterMs`
// into a search. The longest of a few of each kind of search.
double StopAnswerMs(TMainForm& form, const std::wstring& location, const std::wstring& pattern,
                    const std::wstring& text, DWORD clickAfterMs = 1000) {
    form.BtnResetClick();
    SetChecked(form.Controls().CheckBoxShowMatchingFoldernames, true);
    SetWindowTextOf(form.Controls().ComboBoxContainingText, text);
    ProcessMessages();
    double longest = 0;
    for (int round = 0; round < 3; ++round) {
        std::atomic<double> answer{-1};
        const HWND search = form.Controls().BtnSearch, stop = form.Controls().BtnStop;
        std::thread clicker([&] {
            for (int i = 0; i < 5000 && IsWindowEnabled(search); ++i)
                Sleep(1);
            Sleep(clickAfterMs);
            const auto clicked = Clock::now();
            PostMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(IdBtnStop, BN_CLICKED),
                         reinterpret_cast<LPARAM>(stop));
            while (!IsWindowEnabled(search) && Seconds(clicked) < 60)
                Sleep(1);
            answer = Milliseconds(clicked);
        });
        SearchThroughWindow(form, location, pattern);
        clicker.join();
        if (!form.Engine().RunState.FindStopped)
            std::fprintf(stderr, "a search of %ls ended before Stop\n", location.c_str());
        longest = std::max(longest, answer.load());
    }
    SetWindowTextOf(form.Controls().ComboBoxContainingText, L"");
    form.BtnResetClick();
    return longest;
}

// Searches of every kind: results, none, by name and by content, in many folders and in one
// folder of 100,000 files.
void BenchStop(TMainForm& form, const std::wstring& work) {
    const std::wstring large = work + L"\\window-tree-500k";
    const std::wstring oneFolder = work + L"\\window-folder-100k";
    EnsureEntryTree(oneFolder, 1, 100000);
    const std::wstring emptyFiles = work + L"\\walk200k";
    const std::wstring content = work + L"\\content300m";
    double longest = StopAnswerMs(form, large, L"*.*", L"");
    longest = std::max(longest, StopAnswerMs(form, large, L"*.zzz", L""));
    longest = std::max(longest, StopAnswerMs(form, large, L"*.*", L"x"));
    // The one folder is listed and shown in well under a second.
    longest = std::max(longest, StopAnswerMs(form, oneFolder, L"*.*", L"", 250));
    longest = std::max(longest, StopAnswerMs(form, oneFolder, L"*.*", L"x", 250));
    if (Exists(emptyFiles + L".complete"))
        longest = std::max(longest, StopAnswerMs(form, emptyFiles, L"*.*", L"needle"));
    if (Exists(content + L".complete-3"))
        longest = std::max(longest, StopAnswerMs(form, content, L"*.*", L"Quarrow-Needle-7319"));
    Print("window_stop_ms", longest);
    Print("window_stop_ms_bound", 250);
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

// 100 folders of 1,000 files each: the results of a Copy.
constexpr int CopyFolders = 100;
constexpr int CopyFilesPerFolder = 1000;

int ClipboardFileCount() {
    if (!OpenClipboard(nullptr))
        return -1;
    const HANDLE drop = GetClipboardData(CF_HDROP);
    const int count = drop != nullptr
                          ? static_cast<int>(DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0))
                          : 0;
    CloseClipboard();
    return count;
}

// Ctrl+C in the results list with 100,000 results of 100 folders selected, as the walker
// leaves them, until the clipboard holds them; beside reading the attributes of the same
// files, which the copy does to find those that are gone; and the longest the window goes
// meanwhile without answering a message sent to it.
void BenchCopy(TMainForm& form, const std::wstring& work) {
    const std::wstring root = work + L"\\copy-tree-100k";
    EnsureEntryTree(root, CopyFolders, CopyFilesPerFolder);
    form.BtnResetClick();
    for (int folder = 0; folder < CopyFolders; ++folder) {
        const TFolderText text =
            std::make_shared<const std::wstring>(root + L"\\folder" + std::to_wstring(folder) + L".txt\\");
        for (int file = 0; file < CopyFilesPerFolder; ++file) {
            auto item = std::make_unique<TShellItem>();
            item->Name = L"document" + std::to_wstring(file) + L".txt";
            item->FolderText = text;
            item->FileType = L"txt";
            form.IDList.Add(std::move(item));
        }
    }
    form.FlushResultRowCount();
    form.UpdateActionStates();
    ProcessMessages();
    const HWND list = form.Controls().ListViewResults;
    SetFocus(list);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    std::vector<double> copy, copyCpu, floor, gaps;
    for (int round = 0; round < 5; ++round) {
        // The floor: the attributes of the same files, read bare.
        auto start = Clock::now();
        for (const auto& item : form.IDList.Items())
            GetFileAttributesW(item->FullName().c_str());
        floor.push_back(Seconds(start));
        form.ExecuteAction(TActionId::ActionActionSelectAll);
        ProcessMessages();
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        {
            const TMessageLatencyProbe probe(form.Handle());
            start = Clock::now();
            const double cpu = ThreadCpuSeconds();
            SendMessageW(list, WM_KEYDOWN, 'C', 1);
            ProcessMessages();
            copyCpu.push_back(ThreadCpuSeconds() - cpu);
            copy.push_back(Seconds(start));
            gaps.push_back(probe.LongestMs());
        }
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        SendMessageW(list, WM_KEYUP, 'C', 0xC0000001);
        if (const int copied = ClipboardFileCount(); copied != form.IDList.Count())
            std::fprintf(stderr, "the clipboard holds %d files, expected %d\n", copied, form.IDList.Count());
    }
    Print("copy_100k_attributes_floor_s", Median(floor));
    Print("copy_100k_s", Median(copy));
    Print("copy_100k_s_bound", 2.0);
    Print("copy_100k_floor_ratio", Median(copy) / Median(floor));
    Print("copy_100k_cpu_s", Median(copyCpu));
    Print("copy_100k_max_pump_gap_ms", Median(gaps));
    form.BtnResetClick();
}

} // namespace

int main() {
    const std::wstring work = WorkFolderArgument("WindowBench");
    if (work.empty())
        return 2;
    // Further arguments name the groups to run (search, large, content, stop, selection,
    // copy, sort); none runs all.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::vector<std::wstring> groups(argv + std::min(argc, 2), argv + argc);
    LocalFree(argv);
    const auto wanted = [&groups](const wchar_t* group) {
        return groups.empty() || std::find(groups.begin(), groups.end(), group) != groups.end();
    };
    return RunOnMainWindow(work + L"\\appdata", [&](TMainForm& form) {
        if (wanted(L"search"))
            BenchSearch(form, work);
        if (wanted(L"large"))
            BenchLargeTree(form, work);
        if (wanted(L"content"))
            BenchContentSearch(form, work);
        if (wanted(L"stop"))
            BenchStop(form, work);
        if (wanted(L"selection"))
            BenchSelection(form);
        if (wanted(L"copy"))
            BenchCopy(form, work);
        if (wanted(L"sort"))
            BenchSort(form);
        return true;
    });
}
