#pragma once
// The console program's options: what to search for, where, and how to write the results.

#include "search/SearchCriteria.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarrow {

enum class TOutputFormat { Txt, Csv, Json };

struct TConsoleOptions {
    enum class TAction { Search, Help, Version };
    TAction Action = TAction::Search;

    // The criteria as the window's controls would hold them; the location defaults to the
    // current folder.
    TSearchInput Input;
    std::vector<std::wstring> ExcludeFolders; // as given
    bool UseSavedExclusions = false;

    TOutputFormat Format = TOutputFormat::Txt;
    std::wstring OutputFile; // empty: standard output
    bool Ansi = false;       // the window's encoding rule instead of UTF-8
    int64_t MaxResults = 0;  // 0: no limit
    bool Quiet = false;
    bool ListNotSearched = false; // what could not be searched, on standard error
};

struct TConsoleParse {
    TConsoleOptions Options;
    std::wstring Error; // empty when every argument was understood
};

// The arguments after the program's name.
TConsoleParse ParseConsoleOptions(const std::vector<std::wstring>& arguments);

// What --help prints.
std::wstring ConsoleHelpText();

} // namespace quarrow
