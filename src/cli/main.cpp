// quarrowc: the console program. Searches as the window does and writes the results to
// standard output or to a file.

#include "base/CommandLine.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "cli/ConsoleOptions.h"
#include "cli/ConsoleSearch.h"

#include <windows.h>

#include <atomic>
#include <exception>

namespace {

std::atomic<bool> g_interrupted{false};

// Ctrl+C and Ctrl+Break stop the walk as Stop does; the program then writes what it found
// and ends by itself. A listing or an open on a share that stopped answering never returns
// to see that: a second one ends the program at once.
BOOL WINAPI ConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (g_interrupted.exchange(true))
        TerminateProcess(GetCurrentProcess(), quarrow::ExitInterrupted);
    return TRUE;
}

int Run() {
    using namespace quarrow;
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    const TConsoleParse parse = ParseConsoleOptions(ProcessArguments());
    TOutputStream errorStream(errors);
    if (!parse.Error.empty()) {
        WriteErrorLine(errorStream, parse.Error);
        WriteErrorLine(errorStream, L"Try 'quarrowc --help' for the options.");
        return ExitError;
    }
    if (parse.Options.Action != TConsoleOptions::TAction::Search) {
        TOutputStream out(output);
        out.WriteText(parse.Options.Action == TConsoleOptions::TAction::Help ? ConsoleHelpText()
                                                                             : L"quarrowc " QUARROW_VERSION
                                                                               "\n");
        out.Flush();
        return ExitFound;
    }
    SetConsoleCtrlHandler(ConsoleControl, TRUE);
    try {
        TConsoleSearch search(parse.Options, output, errors, g_interrupted);
        return search.Run();
    } catch (const QuarrowError& error) {
        WriteErrorLine(errorStream, error.Message() + L".");
    } catch (const std::exception& error) {
        WriteErrorLine(errorStream, FromAnsi(error.what()) + L".");
    }
    return ExitError;
}

} // namespace

int wmain() {
    return Run();
}
