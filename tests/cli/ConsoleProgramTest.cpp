// quarrowc.exe run as a script runs it: its output through a pipe and to a file, its
// messages and exit codes, Ctrl+Break, a reader that goes away, the settings file.

#include "ConsoleTestKit.h"

#include "base/SystemError.h"
#include "base/Text.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::wstring Quote(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::vector<std::string> Lines(const std::string& text, const std::string& end = "\r\n") {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = text.find(end); at != std::string::npos; at = text.find(end, start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + end.size();
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// Non-ASCII names: accented Latin, Japanese, and a character outside the basic plane.
const std::wstring AccentedName = L"\u00fcn\u00ef \u00e7\u00f6d\u00e9.txt";
const std::wstring JapaneseName = L"\u65e5\u672c\u8a9e.txt";
const std::wstring EmojiName = L"smile \U0001F600.txt";

class ConsoleProgramTest : public ::testing::Test {
protected:
    TempDir tree_{L"cli"};
};

TEST_F(ConsoleProgramTest, ExitCodesAndTheWindowsMessagesOnStandardError) {
    tree_.WriteFile(L"a.txt", "x");
    tree_.WriteFile(L"sub\\b.log", "y");

    TConsoleRun found = RunConsole(Quote(tree_.Path()) + L" --name *.txt");
    EXPECT_EQ(0, found.ExitCode);
    EXPECT_EQ("", found.Err);

    TConsoleRun nothing = RunConsole(Quote(tree_.Path()) + L" --name *.none");
    EXPECT_EQ(1, nothing.ExitCode);
    EXPECT_EQ("", nothing.Err);
    // The text table still has its header.
    EXPECT_EQ(1u, Lines(nothing.Out).size());

    TConsoleRun missing = RunConsole(Quote(tree_.Sub(L"no such folder")));
    EXPECT_EQ(2, missing.ExitCode);
    EXPECT_EQ("The location is not valid.\n", missing.Err);
    EXPECT_EQ("", missing.Out);

    TConsoleRun empty = RunConsole(L"\"\"");
    EXPECT_EQ(2, empty.ExitCode);
    EXPECT_EQ("Specify a folder to start the search in.  \n", empty.Err);

    TConsoleRun folderInName = RunConsole(Quote(tree_.Path()) + L" --name sub\\*.log");
    EXPECT_EQ(2, folderInName.ExitCode);
    EXPECT_EQ("The name cannot contain a folder. Put the folder in Location.\n", folderInName.Err);

    const std::wstring unwritable = tree_.Sub(L"missing folder\\out.csv");
    TConsoleRun badOutput = RunConsole(Quote(tree_.Path()) + L" --output " + Quote(unwritable));
    EXPECT_EQ(2, badOutput.ExitCode);
    EXPECT_EQ(Utf8(L"Could not write to file " + unwritable + L"\n"), badOutput.Err);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(unwritable.c_str()));

    // A location that is rejected leaves an existing output file as it was.
    const std::wstring kept = tree_.WriteFile(L"kept.csv", "keep me");
    TConsoleRun rejected = RunConsole(Quote(tree_.Sub(L"nowhere")) + L" --output " + Quote(kept));
    EXPECT_EQ(2, rejected.ExitCode);
    EXPECT_EQ("keep me", ReadFileBytes(kept));
}

TEST_F(ConsoleProgramTest, BadOptionsAreRefusedWithTheirMessages) {
    struct Case {
        std::wstring arguments;
        std::string message;
    };
    const Case cases[] = {
        {L"--colour", "Unknown option: --colour"},
        {L"--name", "The option --name needs a value."},
        {L"--format xml", "Invalid value for --format: \"xml\". Use txt, csv or json."},
        {L"--max-results 0", "Invalid value for --max-results: \"0\". Give a number of at least 1."},
        {L"--newer-than 3 --name x", "Invalid value for --newer-than: \"3\"."},
        {L"--larger-than huge", "Invalid value for --larger-than: \"huge\"."},
        {L"--between 2024-01-01", "The option --between needs two dates: --between FROM TO."},
        {L"--between 2024-02-30 2024-03-01", "Invalid value for --between: \"2024-02-30\"."},
        {L"--newer-than 2d --older-than 1d", "Give only one of --newer-than, --older-than and --between."},
        {L"--format json --ansi",
         "The option --ansi applies to the txt and csv formats only: JSON is UTF-8."},
        {L"C:\\ D:\\", "Give one location only (a folder, a drive root or --all-drives)."},
        {L"--quiet=yes", "The option --quiet takes no value."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const TConsoleRun run = RunConsole(c.arguments);
        EXPECT_EQ(2, run.ExitCode);
        EXPECT_EQ(0u, run.Err.find(c.message)) << run.Err;
        EXPECT_NE(std::string::npos, run.Err.find("Try 'quarrowc --help' for the options.\n"));
        EXPECT_EQ("", run.Out);
    }
}

TEST_F(ConsoleProgramTest, HelpDocumentsEveryOption) {
    const TConsoleRun help = RunConsole(L"--help");
    EXPECT_EQ(0, help.ExitCode);
    for (const char* option : {"--all-drives",
                               "--no-subfolders",
                               "--exclude",
                               "--use-saved-exclusions",
                               "--name",
                               "--show",
                               "--newer-than",
                               "--older-than",
                               "--between",
                               "--larger-than",
                               "--smaller-than",
                               "--text",
                               "--case-sensitive",
                               "--search-system-files",
                               "--search-media-files",
                               "--format",
                               "--output",
                               "--ansi",
                               "--max-results",
                               "--quiet",
                               "--list-not-searched",
                               "--version",
                               "--help",
                               "-h",
                               "/?",
                               "Exit codes"})
        EXPECT_NE(std::string::npos, help.Out.find(option)) << option;
    EXPECT_EQ(help.Out, RunConsole(L"/?").Out);
    EXPECT_EQ(help.Out, RunConsole(L"-h").Out);
    const TConsoleRun version = RunConsole(L"--version");
    EXPECT_EQ(0, version.ExitCode);
    EXPECT_EQ("quarrowc " QUARROW_VERSION "\n", version.Out);
}

TEST_F(ConsoleProgramTest, NonAsciiNamesReachAPipeAndAFileAsUtf8) {
    for (const std::wstring& name : {AccentedName, JapaneseName, EmojiName})
        tree_.WriteFile(L"\u00e9t\u00e9\\" + name, "x");
    const std::wstring arguments = Quote(tree_.Path()) + L" --format csv";
    const TConsoleRun piped = RunConsole(arguments);
    ASSERT_EQ(0, piped.ExitCode);
    const std::wstring folder = tree_.Sub(L"\u00e9t\u00e9\\");
    for (const std::wstring& name : {AccentedName, JapaneseName, EmojiName})
        EXPECT_NE(std::string::npos, piped.Out.find(Utf8(L"\"" + name + L"\",\"" + folder + L"\"")))
            << Utf8(name);
    EXPECT_NE(0, piped.Out.rfind("\xEF\xBB\xBF", 0)) << "no byte-order mark";

    TempDir out(L"cli-out");
    const std::wstring file = out.Sub(L"out.csv");
    const TConsoleRun written = RunConsole(arguments + L" --output " + Quote(file));
    EXPECT_EQ(0, written.ExitCode);
    EXPECT_EQ("", written.Out);
    EXPECT_EQ(piped.Out, ReadFileBytes(file));

    // JSON carries the full path, its backslashes escaped, and the file's own time to the
    // second.
    ASSERT_TRUE(SetLastWriteTimeUtc(folder + EmojiName, 2021, 5, 1, 10, 20, 31));
    const TConsoleRun json =
        RunConsole(Quote(tree_.Sub(L"\u00e9t\u00e9")) + L" --name *smile* --format json");
    ASSERT_EQ(0, json.ExitCode);
    std::wstring escaped = folder + EmojiName;
    for (size_t at = escaped.find(L'\\'); at != std::wstring::npos; at = escaped.find(L'\\', at + 2))
        escaped.insert(at, 1, L'\\');
    const std::vector<std::string> lines = Lines(json.Out, "\n");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(Utf8(L"{\"path\": \"" + escaped +
                   L"\", \"size\": 1, \"modified\": \"2021-05-01T10:20:31Z\", \"folder\": false}"),
              lines[0]);
}

TEST_F(ConsoleProgramTest, MaxResultsStopsAfterThatMany) {
    for (int i = 0; i < 30; ++i)
        tree_.WriteFile(L"d" + std::to_wstring(i % 5) + L"\\f" + std::to_wstring(i) + L".txt", "x");
    const TConsoleRun all = RunConsole(Quote(tree_.Path()) + L" --format csv");
    ASSERT_EQ(31u, Lines(all.Out).size());
    const TConsoleRun three = RunConsole(Quote(tree_.Path()) + L" --format csv --max-results 3");
    EXPECT_EQ(0, three.ExitCode);
    const std::vector<std::string> lines = Lines(three.Out);
    ASSERT_EQ(4u, lines.size());
    // The first three of the same search, in the same order.
    EXPECT_TRUE(std::equal(lines.begin(), lines.end(), Lines(all.Out).begin()));
    const TConsoleRun ansi = RunConsole(Quote(tree_.Path()) + L" --format csv --ansi --max-results 3");
    EXPECT_EQ(three.Out, ansi.Out);
}

// The walk ends at the last result wanted: a folder after it is never entered (one that
// cannot be listed would be counted), and a result after it in the same folder is never
// written.
TEST_F(ConsoleProgramTest, MaxResultsEndsTheWalkAtTheLastResultWanted) {
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"held\\inside.txt"})
        tree_.WriteFile(name);
    UniqueFile held(CreateFileW(tree_.Sub(L"held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(held);
    ASSERT_EQ("Not searched: 1 (--list-not-searched lists them)\n",
              RunConsole(Quote(tree_.Path()) + L" --max-results 4").Err);
    for (const wchar_t* ansi : {L"", L" --ansi"}) {
        for (const size_t wanted : {2u, 3u}) {
            const TConsoleRun run = RunConsole(Quote(tree_.Path()) + L" --format csv --max-results " +
                                               std::to_wstring(wanted) + ansi);
            EXPECT_EQ(0, run.ExitCode);
            EXPECT_EQ(wanted + 1, Lines(run.Out).size()) << wanted << ansi;
            EXPECT_EQ("", run.Err) << wanted << ansi;
        }
    }
}

TEST_F(ConsoleProgramTest, ExcludedFoldersAndTheSavedListWhichIsNeverWritten) {
    tree_.WriteFile(L"keep\\a.txt", "x");
    tree_.WriteFile(L"skip\\b.txt", "x");
    tree_.WriteFile(L"saved\\c.txt", "x");
    const TConsoleRun excluded =
        RunConsole(Quote(tree_.Path()) + L" --format csv --exclude " + Quote(tree_.Sub(L"skip\\")));
    EXPECT_EQ(std::string::npos, excluded.Out.find("b.txt"));
    EXPECT_NE(std::string::npos, excluded.Out.find("a.txt"));
    EXPECT_NE(std::string::npos, excluded.Out.find("c.txt"));

    TempDir appData(L"appdata");
    SetEnvironmentVariableW(L"APPDATA", appData.Path().c_str());
    const std::string ini = Utf8(L"[Preferences]\r\nExcludeFolders=0\r\n[ExcludeFoldersList]\r\n0=" +
                                 tree_.Sub(L"saved") + L"\r\n");
    const std::wstring iniPath = appData.WriteFile(L"Quarrow.ini", ini);
    const TConsoleRun saved = RunConsole(
        Quote(tree_.Path()) + L" --format csv --use-saved-exclusions --exclude " + Quote(tree_.Sub(L"skip")));
    EXPECT_EQ(0, saved.ExitCode);
    EXPECT_EQ(std::string::npos, saved.Out.find("b.txt"));
    EXPECT_EQ(std::string::npos, saved.Out.find("c.txt"));
    EXPECT_NE(std::string::npos, saved.Out.find("a.txt"));
    EXPECT_EQ(ini, ReadFileBytes(iniPath));

    DeleteFileW(iniPath.c_str());
    RunConsole(Quote(tree_.Path()) + L" --use-saved-exclusions");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(iniPath.c_str())) << "the settings file was made";
    SetEnvironmentVariableW(L"APPDATA", nullptr);
}

// A folder whose name ends in a dot is searched and excluded as named, never as its
// sibling without the dot.
TEST_F(ConsoleProgramTest, ALocationOrAnExclusionEndingInADotIsThatFolder) {
    WriteFileExactly(tree_.Sub(L"data.\\dotted.txt"));
    tree_.WriteFile(L"data\\plain.txt");
    const TConsoleRun located = RunConsole(Quote(tree_.Sub(L"data.")) + L" --format csv");
    EXPECT_EQ(0, located.ExitCode);
    const std::vector<std::string> lines = Lines(located.Out);
    ASSERT_EQ(2u, lines.size()) << located.Out;
    EXPECT_EQ(0u, lines[1].find(Utf8(L"\"dotted.txt\",\"" + tree_.Sub(L"data.\\") + L"\""))) << lines[1];

    const TConsoleRun excluded =
        RunConsole(Quote(tree_.Path()) + L" --format csv --exclude " + Quote(tree_.Sub(L"data.")));
    EXPECT_EQ(std::string::npos, excluded.Out.find("dotted.txt"));
    EXPECT_NE(std::string::npos, excluded.Out.find("plain.txt"));
}

// The results written into the searched folder, by --output or by a redirection, are not
// among them.
TEST_F(ConsoleProgramTest, TheOutputFileIsNotAResult) {
    tree_.WriteFile(L"a.txt");
    tree_.MakeDir(L"sub");
    const std::wstring output = tree_.Sub(L"sub\\results.csv");
    const TConsoleRun written = RunConsole(Quote(tree_.Path()) + L" --name *.csv --output " + Quote(output));
    EXPECT_EQ(1, written.ExitCode) << "nothing else was to be found";
    EXPECT_EQ(1u, Lines(ReadFileBytes(output)).size());

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const std::wstring redirected = tree_.Sub(L"redirected.txt");
    UniqueFile file(CreateFileW(redirected.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &inherit, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    TRunningConsole console(Quote(tree_.Path()) + L" --name *.txt", file.Get(), false);
    EXPECT_EQ(0, console.Finish().ExitCode);
    file.Reset();
    const std::vector<std::string> lines = Lines(ReadFileBytes(redirected));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, lines[1].find("a.txt "));
}

// A write that fails for another reason than a reader gone away loses the results: the
// program says so and ends with code 2. A handle that takes no writes stands for a full disk.
TEST_F(ConsoleProgramTest, AFailedWriteOnStandardOutputEndsWithCode2AndTheReason) {
    tree_.WriteFile(L"a.txt");
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueFile readOnly(CreateFileW(tree_.Sub(L"out").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(readOnly);
    TRunningConsole console(Quote(tree_.Path()) + L" --name *.txt", readOnly.Get(), false);
    const TConsoleRun run = console.Finish();
    EXPECT_EQ(2, run.ExitCode);
    EXPECT_EQ(Utf8(L"Could not write the results: " + SystemErrorText(ERROR_ACCESS_DENIED) + L".\n"),
              run.Err);
}

// A file and a folder held open without sharing by the test: the search can neither read
// the one nor list the other, and says so.
TEST_F(ConsoleProgramTest, WhatCouldNotBeSearchedIsCountedAndListedOnStandardError) {
    tree_.WriteFile(L"a.txt", "needle");
    const std::wstring locked = tree_.WriteFile(L"locked.txt", "needle");
    tree_.WriteFile(L"held\\inside.txt", "needle");
    UniqueFile lockedFile(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueFile heldFolder(CreateFileW(tree_.Sub(L"held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(lockedFile && heldFolder);

    const std::wstring search = Quote(tree_.Path()) + L" --text needle --format csv";
    const TConsoleRun counted = RunConsole(search);
    EXPECT_EQ(0, counted.ExitCode);
    EXPECT_EQ(2u, Lines(counted.Out).size()) << counted.Out;
    EXPECT_EQ("Not searched: 2 (--list-not-searched lists them)\n", counted.Err);

    const TConsoleRun listed = RunConsole(search + L" --list-not-searched --quiet");
    EXPECT_EQ(counted.Out, listed.Out);
    const std::wstring sharing = SystemErrorText(ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Utf8(locked + L"\tCould not open the file: " + sharing + L".\n" + tree_.Sub(L"held\\") +
                   L"\tCould not list the folder: " + sharing + L".\nNot searched: 2\n"),
              listed.Err);

    lockedFile.Reset();
    heldFolder.Reset();
    EXPECT_EQ("", RunConsole(search).Err);
}

// Enough output to fill the pipe many times over: while the test does not read, the search
// waits in its write, so the interruption arrives in the middle of the walk however fast
// the walk is.
void WriteLargeTree(const TempDir& tree) {
    const std::wstring longName(90, L'n');
    for (int folder = 0; folder < 100; ++folder) {
        const std::wstring sub = L"folder " + std::to_wstring(folder) + L" " + longName;
        for (int file = 0; file < 20; ++file)
            tree.WriteFile(sub + L"\\" + std::to_wstring(file) + L" " + longName + L".txt");
    }
}

// Ctrl+C goes to every process of a console. The test gives itself a console of its own
// (the one Wine gives a program started from Linux takes no events), which the program
// shares, and ignores the event while it is sent. The ignoring is inherited, so it starts
// after the program has.
void UseOwnConsole() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    AllocConsole();
    // The test's own output stays where it went.
    SetStdHandle(STD_INPUT_HANDLE, input);
    SetStdHandle(STD_OUTPUT_HANDLE, output);
    SetStdHandle(STD_ERROR_HANDLE, error);
}

class IgnoreCtrlC {
public:
    IgnoreCtrlC() { SetConsoleCtrlHandler(nullptr, TRUE); }
    ~IgnoreCtrlC() { SetConsoleCtrlHandler(nullptr, FALSE); }
};

// Ctrl+C to the program, the test ignoring it, and `ms` for the program to take it.
void SendCtrlC(DWORD ms) {
    IgnoreCtrlC ignore;
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    Sleep(ms);
}

// A search of the large tree that shares the test's own console, still under way after
// 1.5 s; null when it was not.
std::unique_ptr<TRunningConsole> StartLongSearch(const TempDir& tree) {
    WriteLargeTree(tree);
    UseOwnConsole();
    auto console = std::make_unique<TRunningConsole>(Quote(tree.Path()) + L" --format csv");
    Sleep(1500);
    return console->Running() ? std::move(console) : nullptr;
}

TEST_F(ConsoleProgramTest, CtrlCStopsTheSearchWithCode3AndACompleteLastLine) {
    const std::unique_ptr<TRunningConsole> console = StartLongSearch(tree_);
    ASSERT_TRUE(console) << "the search ended before it could be interrupted";
    SendCtrlC(500);
    const TConsoleRun run = console->Finish();
    EXPECT_EQ(3, run.ExitCode);
    ASSERT_GE(run.Out.size(), 2u);
    EXPECT_EQ("\r\n", run.Out.substr(run.Out.size() - 2)) << "the last line is cut";
    const std::vector<std::string> lines = Lines(run.Out);
    EXPECT_LT(lines.size(), 2001u) << "the search was not interrupted";
    EXPECT_GT(lines.size(), 1u);
    for (const std::string& line : lines)
        EXPECT_EQ('"', line.back()) << line;
    EXPECT_EQ("", run.Err);
}

// While nothing reads its results the program waits in a write, as it would in a listing on
// a share that stopped answering: the first Ctrl+C cannot reach it, the second ends it.
TEST_F(ConsoleProgramTest, ASecondCtrlCEndsABlockedSearchAtOnceWithCode3) {
    const std::unique_ptr<TRunningConsole> console = StartLongSearch(tree_);
    ASSERT_TRUE(console) << "the search ended before it could be interrupted";
    SendCtrlC(1000);
    EXPECT_TRUE(console->Running()) << "the write did not wait";
    SendCtrlC(500);
    for (int i = 0; i < 100 && console->Running(); ++i)
        Sleep(50);
    EXPECT_FALSE(console->Running());
    EXPECT_EQ(3, console->Finish().ExitCode);
}

TEST_F(ConsoleProgramTest, AReaderThatGoesAwayEndsTheSearchQuietly) {
    WriteLargeTree(tree_);
    TRunningConsole console(Quote(tree_.Path()));
    ASSERT_TRUE(console.Started());
    Sleep(1000);
    ASSERT_TRUE(console.Running());
    console.CloseOutput();
    const TConsoleRun run = console.Finish(30000);
    EXPECT_EQ(0, run.ExitCode);
    EXPECT_EQ("", run.Err);
}

} // namespace

namespace {

// The text of the console's screen up to the cursor, its rows joined: a line longer than a
// row goes on in the next.
std::wstring ScreenText(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(console, &info);
    std::wstring text(static_cast<size_t>(info.dwSize.X) * (info.dwCursorPosition.Y + 1), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, text.data(), static_cast<DWORD>(text.size()), COORD{0, 0}, &read);
    text.resize(read);
    return text;
}

} // namespace

// On a console, names are written as they are (not through a code page), and the progress
// line is gone at the end.
TEST_F(ConsoleProgramTest, TheConsoleShowsEveryNameAndNoProgressLineAtTheEnd) {
    for (const std::wstring& name : {AccentedName, JapaneseName})
        tree_.WriteFile(L"sub\\" + name, "x");
    UseOwnConsole();
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueFile screen(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(screen.Get(), &info))
        << "no console: under Wine it needs a display";
    TRunningConsole console(Quote(tree_.Path()) + L" --format csv", screen.Get());
    ASSERT_TRUE(console.Started());
    EXPECT_EQ(0, console.Finish().ExitCode);
    const std::wstring text = ScreenText(screen.Get());
    const std::wstring folder = tree_.Sub(L"sub\\");
    for (const std::wstring& name : {AccentedName, JapaneseName})
        EXPECT_NE(std::wstring::npos, text.find(L"\"" + name + L"\",\"" + folder + L"\"")) << Utf8(name);
    EXPECT_NE(std::wstring::npos, text.find(L"\"Name\",\"Folder\",\"Size\",\"Date Modified\""));
    EXPECT_EQ(std::wstring::npos, text.find(L"Searching...")) << Utf8(text);
}
