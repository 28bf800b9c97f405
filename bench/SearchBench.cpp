// Benchmarks of the search engine against the platform's floor, measured side by side:
// the walk of 200,000 empty files, the content search of about 300 MB in 12,000 files (for
// a plain and an accented text, and in a tree where a quarter of the files are UTF-16, with
// the longest wait for the window), the longest wait for the window in a folder that holds a
// sparse 4 GB file, and the in-memory scan against the standard searcher and memchr. Prints
// "name: value" lines. argv[1] is the work folder; the trees are generated there once and
// reused.

#include "BenchSupport.h"

#include "base/Handles.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "search/SearchEngine.h"
#include "search/Searches.h"
#include "search/TextEncoding.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace quarrow;
using namespace quarrow::bench;

namespace {

const char* const Words[] = {"the",     "search",  "folder", "result",   "window",   "listing",
                             "pattern", "quarrow", "needle", "haystack", "file",     "mapping",
                             "view",    "byte",    "table",  "skip",     "and",      "of",
                             "to",      "in",      "is",     "Windows",  "Platform", "Data"};

// Text made of words, so that skips behave as they do on ordinary documents.
void AppendWords(std::string& text, size_t length, std::mt19937& rng) {
    std::uniform_int_distribution<size_t> pick(0, std::size(Words) - 1);
    const size_t end = text.size() + length;
    while (text.size() < end) {
        text += Words[pick(rng)];
        text += rng() % 12 == 0 ? '\n' : ' ';
    }
    text.resize(end);
}

constexpr char Needle[] = "Quarrow-Needle-7319";
// Found in its UTF-8 and its ANSI form, in either letter case.
constexpr wchar_t AccentedNeedle[] = L"Gr\u00FC\u00DFe-Nadel-4711";
constexpr wchar_t AccentedNeedleUpper[] = L"GR\u00DC\u00DFE-NADEL-4711";

// The trees are complete once their marker exists, so an interrupted run starts again.
void EnsureWalkTree(const std::wstring& root) {
    const std::wstring marker = root + L".complete";
    if (Exists(marker))
        return;
    std::fprintf(stderr, "generating 200,000 empty files in 1,000 folders...\n");
    CreateDirectoryW(root.c_str(), nullptr);
    for (int top = 0; top < 10; ++top) {
        const std::wstring topFolder = root + L"\\top" + std::to_wstring(top);
        CreateDirectoryW(topFolder.c_str(), nullptr);
        for (int leaf = 0; leaf < 100; ++leaf) {
            const std::wstring folder = topFolder + L"\\leaf" + std::to_wstring(leaf);
            CreateDirectoryW(folder.c_str(), nullptr);
            for (int file = 0; file < 200; ++file)
                WriteWholeFile(folder + L"\\file" + std::to_wstring(file) + L".txt", {});
        }
    }
    WriteWholeFile(marker, {});
}

// About 300 MB in 12,000 files of 5 to 45 KB; the needle, in various letter cases, in a few,
// and the accented needle in a few others. With `quarterUtf16`, every fourth file is UTF-16
// of about the same size (either byte order, with and without a byte-order mark), and the
// needle is in some of those too. Returns how many files hold the needle.
int EnsureContentTree(const std::wstring& root, bool quarterUtf16) {
    constexpr int Every = 2000;
    const int needleFiles = 12000 / Every * (quarterUtf16 ? 2 : 1);
    const std::wstring marker = root + (quarterUtf16 ? L".complete-utf16-1" : L".complete-3");
    if (Exists(marker))
        return needleFiles;
    std::fprintf(stderr, "generating about 300 MB in 12,000 files%s...\n",
                 quarterUtf16 ? ", a quarter of them UTF-16" : "");
    CreateDirectoryW(root.c_str(), nullptr);
    std::mt19937 rng(quarterUtf16 ? 4321 : 1234);
    std::string content;
    for (int folder = 0; folder < 100; ++folder) {
        const std::wstring path = root + L"\\folder" + std::to_wstring(folder);
        CreateDirectoryW(path.c_str(), nullptr);
        for (int file = 0; file < 120; ++file) {
            const int index = folder * 120 + file;
            const bool wide = quarterUtf16 && index % 4 == 3;
            content.clear();
            AppendWords(content, (5120 + rng() % 40960) / (wide ? 2 : 1), rng);
            if (index % Every == 1000 || (quarterUtf16 && index % Every == 1003)) {
                std::string needle = Needle;
                if (index % 2)
                    std::transform(needle.begin(), needle.end(), needle.begin(), ::toupper);
                content.replace(rng() % (content.size() - needle.size()), needle.size(), needle);
            }
            if (!wide && index % Every == 1500) {
                const std::wstring text = index % 3 ? AccentedNeedle : AccentedNeedleUpper;
                const std::string accented = index % 2 ? ToUtf8(text) : ToAnsi(text);
                content.replace(rng() % (content.size() - accented.size()), accented.size(), accented);
            }
            if (wide) {
                const int kind = (index / 4 + folder) % 4;
                const bool bigEndian = kind % 2 == 1;
                std::string bytes =
                    kind < 2 ? std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE") : std::string();
                bytes += Utf16Bytes(FromAnsi(content), bigEndian);
                content = std::move(bytes);
            }
            WriteWholeFile(path + L"\\doc" + std::to_wstring(file) + L".txt", content);
        }
    }
    WriteWholeFile(marker, {});
    return needleFiles;
}

// The platform's floor: one listing per folder, nothing else; it also keeps the slowest
// folder's listing time.
struct SlowestFolderWalk {
    int64_t entries = 0;
    double slowestFolder = 0;

    void Run(const std::wstring& folder) {
        const auto start = Clock::now();
        WIN32_FIND_DATAW entry;
        std::vector<std::wstring> subFolders;
        UniqueFind find(FindFirstFileExW((folder + L"\\*.*").c_str(), FindExInfoBasic, &entry,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (find) {
            do {
                ++entries;
                const bool dots =
                    entry.cFileName[0] == L'.' &&
                    (entry.cFileName[1] == 0 || (entry.cFileName[1] == L'.' && entry.cFileName[2] == 0));
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !dots)
                    subFolders.push_back(folder + L"\\" + entry.cFileName);
            } while (FindNextFileW(find.Get(), &entry));
        }
        find.Reset();
        slowestFolder = std::max(slowestFolder, Seconds(start));
        for (const std::wstring& sub : subFolders)
            Run(sub);
    }
};

class BenchHost : public TWindowlessSearchHost {
public:
    SilentPrompt prompt;

    IPrompt& Prompt() override { return prompt; }
    void SearchStarted() override {
        lastPump = Clock::now();
        maxPumpGaps.push_back(0);
    }
    void SearchFinished() override { ProcessMessages(); }
    void SetStatusText(int, const std::wstring&) override {}
    void ResultCountChanged(int) override {}
    // The real pump, so that its cost is part of the walk's.
    void ProcessMessages() override {
        quarrow::ProcessMessages();
        const auto now = Clock::now();
        maxPumpGaps.back() =
            std::max(maxPumpGaps.back(), std::chrono::duration<double>(now - lastPump).count());
        lastPump = now;
    }
    // The longest gap of the measured searches (the first one warms the caches).
    double MaxPumpGap() const {
        return maxPumpGaps.size() < 2 ? 0 : *std::max_element(maxPumpGaps.begin() + 1, maxPumpGaps.end());
    }

    Clock::time_point lastPump;
    std::vector<double> maxPumpGaps;
};

void BenchScan() {
    constexpr size_t Size = size_t{100} << 20;
    std::mt19937 rng(42);
    std::string buffer;
    buffer.reserve(Size);
    AppendWords(buffer, Size, rng);
    buffer.replace(Size - 4096, sizeof(Needle) - 1, Needle);
    const std::string needle = Needle;
    std::string lowerNeedle = needle;
    std::transform(lowerNeedle.begin(), lowerNeedle.end(), lowerNeedle.begin(), ::tolower);

    TBaseSearch search;
    search.SetBuffer(buffer.data(), static_cast<int64_t>(buffer.size()));
    int64_t ours = -1, theirs = -1;
    const std::vector<double> caseSensitive =
        SideBySide(7, {Timed([&] {
                           search.SetCaseSensitive(true);
                           search.SetPattern(needle);
                           ours = search.Search();
                       }),
                       Timed([&] {
                           const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
                           const auto found = std::search(buffer.begin(), buffer.end(), searcher);
                           theirs = found == buffer.end() ? -1 : found - buffer.begin();
                       })});
    if (ours != theirs || ours < 0)
        std::fprintf(stderr, "scan results differ: %lld and %lld\n", static_cast<long long>(ours),
                     static_cast<long long>(theirs));

    // The standard searcher with the same folding needs a hashed table; shown for reference.
    unsigned char lower[256];
    for (int c = 0; c < 256; ++c) {
        char one = static_cast<char>(c);
        CharLowerBuffA(&one, 1);
        lower[c] = static_cast<unsigned char>(one);
    }
    const auto foldedHash = [&](char c) {
        return std::hash<unsigned char>()(lower[static_cast<unsigned char>(c)]);
    };
    const auto foldedEqual = [&](char a, char b) {
        return lower[static_cast<unsigned char>(a)] == lower[static_cast<unsigned char>(b)];
    };
    const std::vector<double> caseInsensitive =
        SideBySide(7, {Timed([&] {
                           search.SetCaseSensitive(false);
                           search.SetPattern(lowerNeedle);
                           ours = search.Search();
                       }),
                       Timed([&] {
                           const std::boyer_moore_horspool_searcher searcher(
                               lowerNeedle.begin(), lowerNeedle.end(), foldedHash, foldedEqual);
                           const auto found = std::search(buffer.begin(), buffer.end(), searcher);
                           theirs = found == buffer.end() ? -1 : found - buffer.begin();
                       })});
    if (ours != theirs || ours < 0)
        std::fprintf(stderr, "case-insensitive scan results differ\n");

    // A pattern of bytes the text never holds, against the platform's search for one byte.
    const std::string rare = "#7Zq!9X$";
    const void* theirsAt = nullptr;
    const std::vector<double> rarest =
        SideBySide(7, {Timed([&] {
                           search.SetCaseSensitive(true);
                           search.SetPattern(rare);
                           ours = search.Search();
                       }),
                       Timed([&] { theirsAt = std::memchr(buffer.data(), '\x01', Size); })});
    if (ours != -1 || theirsAt != nullptr)
        std::fprintf(stderr, "the rare pattern or byte was found\n");

    Print("scan_gbps_case_sensitive", Size / caseSensitive[0] / 1e9);
    Print("scan_gbps_case_insensitive", Size / caseInsensitive[0] / 1e9);
    Print("scan_gbps_std_case_sensitive", Size / caseSensitive[1] / 1e9);
    Print("scan_gbps_memchr", Size / rarest[1] / 1e9);
    Print("scan_vs_std_ratio", caseSensitive[0] / caseSensitive[1]);
    Print("scan_vs_std_ratio_bound", 0.33);
    Print("scan_vs_std_ratio_case_insensitive", caseInsensitive[0] / caseInsensitive[1]);
    Print("scan_vs_std_ratio_case_insensitive_bound", 0.33);
    Print("scan_vs_memchr_ratio", rarest[0] / rarest[1]);
    Print("scan_vs_memchr_ratio_bound", 1.5);
}

void BenchWalk(const std::wstring& work) {
    const std::wstring root = work + L"\\walk200k";
    EnsureWalkTree(root);
    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    BenchHost host;
    TSearchEngine engine(ids, settings, excluded, host);
    TSearchInput input;
    input.LocationText = root;
    // Rejects every entry at the size test: the walk without the cost of its records.
    TSearchInput noRecords = input;
    noRecords.SearchForSize = true;
    noRecords.SZCount = 10000;
    noRecords.SZUnitIndex = 0;
    SlowestFolderWalk bare;
    std::vector<double> slowestFolders;
    // The previous search's records are freed before the clock starts: that is not the walk.
    const std::vector<double> medians = SideBySide(9, {Timed([&] {
                                                           bare = {};
                                                           bare.Run(root);
                                                           slowestFolders.push_back(bare.slowestFolder);
                                                       }),
                                                       [&] {
                                                           ids.Clear();
                                                           return Timed([&] { engine.Launch(input); })();
                                                       },
                                                       [&] {
                                                           ids.Clear();
                                                           return Timed([&] { engine.Launch(noRecords); })();
                                                       }});
    const double slowestFolder = *std::max_element(slowestFolders.begin() + 1, slowestFolders.end());
    engine.Launch(input);
    if (ids.Count() != 200000)
        std::fprintf(stderr, "walk found %d files\n", ids.Count());
    const auto start = Clock::now();
    ids.Clear();
    const double clear = Seconds(start);
    Print("walk_bare_s", medians[0]);
    Print("walk_s", medians[1]);
    Print("walk_ratio", medians[1] / medians[0]);
    Print("walk_ratio_bound", 1.15);
    Print("walk_without_records_ratio", medians[2] / medians[0]);
    Print("clear_200k_records_s", clear);
    Print("max_pump_gap_ms", host.MaxPumpGap() * 1000);
    Print("max_folder_listing_ms", slowestFolder * 1000);
}

void BenchContent(const std::wstring& work) {
    const std::wstring root = work + L"\\content300m";
    const int expected = EnsureContentTree(root, false);
    const std::vector<std::wstring> files = ListFiles(root);
    const std::wstring wideRoot = work + L"\\content300m-utf16";
    const int wideExpected = EnsureContentTree(wideRoot, true);
    const std::vector<std::wstring> wideFiles = ListFiles(wideRoot);
    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    BenchHost host;
    TSearchEngine engine(ids, settings, excluded, host);
    TSearchInput input;
    input.LocationText = root;
    input.ContainingText = FromAnsi(Needle);
    TSearchInput accented = input;
    accented.ContainingText = AccentedNeedle;
    TSearchInput wide = input;
    wide.LocationText = wideRoot;
    int accentedFound = 0, wideFound = 0;
    const auto counted = [&](const TSearchInput& search, int& found) {
        return [&] {
            const double seconds = Timed([&] { engine.Launch(search); })();
            found = ids.Count();
            return seconds;
        };
    };
    const std::vector<double> medians =
        SideBySide(9, {Timed([&] { OpenMapUnmap(files, false); }), Timed([&] { engine.Launch(input); }),
                       Timed([&] { OpenMapUnmap(files, true); }), counted(accented, accentedFound),
                       Timed([&] { OpenMapUnmap(wideFiles, false); }), counted(wide, wideFound)});
    engine.Launch(input);
    if (ids.Count() != expected)
        std::fprintf(stderr, "content search found %d files, expected %d\n", ids.Count(), expected);
    if (accentedFound != expected)
        std::fprintf(stderr, "accented search found %d files, expected %d\n", accentedFound, expected);
    if (wideFound != wideExpected)
        std::fprintf(stderr, "search with UTF-16 files found %d files, expected %d\n", wideFound,
                     wideExpected);
    const double ratio = medians[1] / medians[0];
    Print("content_bare_s", medians[0]);
    Print("content_s", medians[1]);
    Print("content_ratio", ratio);
    Print("content_ratio_bound", 0.75);
    Print("content_accented_s", medians[3]);
    Print("content_ratio_accented", medians[3] / medians[0]);
    Print("content_pages_read_floor_s", medians[2]);
    Print("content_vs_pages_read_floor_ratio", medians[1] / medians[2]);
    Print("content_utf16_bare_s", medians[4]);
    Print("content_utf16_s", medians[5]);
    Print("content_ratio_utf16", medians[5] / medians[4]);
    Print("content_ratio_utf16_bound", 1.1 * ratio);
    // The longest the window waited for its messages inside folders of 120 files to test.
    Print("content_tree_max_pump_gap_ms", host.MaxPumpGap() * 1000);
    Print("content_tree_max_pump_gap_ms_bound", 100);
}

// The window waits longest inside one very large file: Stop must still get through.
void BenchLargeFilePumps(const std::wstring& work) {
    const std::wstring root = work + L"\\sparse4g";
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring big = root + L"\\big.dat";
    constexpr int64_t BigSize = int64_t{4} << 30;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(big.c_str(), GetFileExInfoStandard, &data) ||
        ((int64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow) != BigSize) {
        UniqueFile file(CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LARGE_INTEGER size;
        size.QuadPart = BigSize;
        if (!file || !SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get())) {
            std::fprintf(stderr, "cannot make the sparse file\n");
            return;
        }
    }
    WriteWholeFile(root + L"\\small.txt", Needle);
    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    BenchHost host;
    TSearchEngine engine(ids, settings, excluded, host);
    TSearchInput input;
    input.LocationText = root;
    input.ContainingText = FromAnsi(Needle);
    for (int run = 0; run < 3; ++run)
        engine.Launch(input);
    if (ids.Count() != 1)
        std::fprintf(stderr, "the sparse folder gave %d results\n", ids.Count());
    Print("content_max_pump_gap_ms", host.MaxPumpGap() * 1000);
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2) {
        std::fprintf(stderr, "usage: SearchBench <work folder>\n");
        return 2;
    }
    const std::wstring work = argv[1];
    // Further arguments name the groups to run (scan, walk, content, large); none runs all.
    const std::vector<std::wstring> groups(argv + 2, argv + argc);
    LocalFree(argv);
    const auto wanted = [&groups](const wchar_t* group) {
        return groups.empty() || std::find(groups.begin(), groups.end(), group) != groups.end();
    };
    CreateDirectoryW(work.c_str(), nullptr);
    if (wanted(L"scan"))
        BenchScan();
    if (wanted(L"walk"))
        BenchWalk(work);
    if (wanted(L"content"))
        BenchContent(work);
    if (wanted(L"large"))
        BenchLargeFilePumps(work);
    return 0;
}
