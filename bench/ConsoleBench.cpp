// The console program's search against the platform's floor, side by side: a *.txt search
// of the 20,000-entry tree written as CSV to a file, against a bare walk of the same tree.
// The search runs as quarrowc runs it, in this process, so that the figure is the search's
// and not the starting of a process. Prints "name: value" lines. argv[1] is the work folder;
// the tree is generated there once.

#include "BenchSupport.h"

#include "cli/ConsoleSearch.h"

#include <shellapi.h>

#include <atomic>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

// A line a result: the header and one row per file.
int64_t CountLines(const std::wstring& path) {
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    int64_t lines = 0;
    char buffer[65536];
    DWORD read = 0;
    while (file && ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        lines += std::count(buffer, buffer + read, '\n');
    return lines;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        std::fprintf(stderr, "usage: ConsoleBench <work folder>\n");
        return 2;
    }
    const std::wstring work = argv[1];
    const std::wstring root = work + L"\\entry-tree";
    EnsureEntryTree(root);

    TConsoleOptions options;
    options.Input.LocationText = root;
    options.Input.PatternText = L"*.txt";
    options.Format = TOutputFormat::Csv;
    options.OutputFile = work + L"\\console-bench.csv";
    options.Quiet = true;
    const std::atomic<bool> interrupted{false};
    const auto consoleSearch = [&] {
        TConsoleSearch search(options, GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE),
                              interrupted);
        if (search.Run() != ExitFound)
            std::fprintf(stderr, "the console search found nothing\n");
    };
    const std::vector<double> medians =
        SideBySide(21, {Timed([&] { BareWalk(root); }), Timed(consoleSearch)});
    const int64_t expected = EntryTreeFolders * EntryTreeFilesPerFolder + 1;
    if (CountLines(options.OutputFile) != expected)
        std::fprintf(stderr, "the console wrote %lld lines, expected %lld\n",
                     static_cast<long long>(CountLines(options.OutputFile)),
                     static_cast<long long>(expected));
    DeleteFileW(options.OutputFile.c_str());
    Print("cli_bare_walk_s", medians[0]);
    Print("cli_pattern_s", medians[1]);
    Print("cli_pattern_ratio", medians[1] / medians[0]);
    Print("cli_pattern_ratio_bound", 1.2);
    return 0;
}
