#include "cli/ConsoleOptions.h"

#include "base/Text.h"
#include "search/Criteria.h"

#include <climits>
#include <cwctype>
#include <optional>

namespace quarrow {
namespace {

constexpr wchar_t LocalHardDrives[] = L"Local Hard Drives";

struct TUnitName {
    const wchar_t* Name;
    int Index;
};

const TUnitName DateUnitNames[] = {
    {L"y", DateUnitYears},     {L"year", DateUnitYears},     {L"years", DateUnitYears},
    {L"mo", DateUnitMonths},   {L"month", DateUnitMonths},   {L"months", DateUnitMonths},
    {L"w", DateUnitWeeks},     {L"week", DateUnitWeeks},     {L"weeks", DateUnitWeeks},
    {L"d", DateUnitDays},      {L"day", DateUnitDays},       {L"days", DateUnitDays},
    {L"h", DateUnitHours},     {L"hour", DateUnitHours},     {L"hours", DateUnitHours},
    {L"min", DateUnitMinutes}, {L"minute", DateUnitMinutes}, {L"minutes", DateUnitMinutes},
};

const TUnitName SizeUnitNames[] = {
    {L"gb", SizeUnitGB},   {L"mb", SizeUnitMB},      {L"kb", SizeUnitKB},
    {L"b", SizeUnitBytes}, {L"byte", SizeUnitBytes}, {L"bytes", SizeUnitBytes},
};

// A count and a unit, as "2d", "2 days" or "10MB".
struct TCountAndUnit {
    int64_t Count = 0;
    int Unit = -1;
};

template <size_t N>
std::optional<TCountAndUnit> ParseCountAndUnit(const std::wstring& text, const TUnitName (&units)[N]) {
    size_t i = 0;
    TCountAndUnit result;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
        result.Count = result.Count * 10 + (text[i] - L'0');
        if (result.Count > INT_MAX)
            return std::nullopt;
        ++i;
    }
    if (i == 0)
        return std::nullopt;
    while (i < text.size() && text[i] == L' ')
        ++i;
    const std::wstring unit = LowerAsciiLetters(text.substr(i));
    for (const TUnitName& name : units) {
        if (unit == name.Name) {
            result.Unit = name.Index;
            return result;
        }
    }
    return std::nullopt;
}

bool ReadNumber(const std::wstring& text, size_t& i, size_t digits, int& value) {
    value = 0;
    for (size_t end = i + digits; i < end; ++i) {
        if (i >= text.size() || text[i] < L'0' || text[i] > L'9')
            return false;
        value = value * 10 + (text[i] - L'0');
    }
    return true;
}

bool ReadSeparator(const std::wstring& text, size_t& i, const wchar_t* separators) {
    if (i >= text.size() || std::wcschr(separators, text[i]) == nullptr)
        return false;
    ++i;
    return true;
}

// A local date, "YYYY-MM-DD", with a time of day after a blank or a T: "hh:mm" or "hh:mm:ss".
std::optional<TDateTime> ParseLocalDate(const std::wstring& text) {
    size_t i = 0;
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!ReadNumber(text, i, 4, year) || !ReadSeparator(text, i, L"-") || !ReadNumber(text, i, 2, month) ||
        !ReadSeparator(text, i, L"-") || !ReadNumber(text, i, 2, day))
        return std::nullopt;
    if (i < text.size()) {
        if (!ReadSeparator(text, i, L"T ") || !ReadNumber(text, i, 2, hour) ||
            !ReadSeparator(text, i, L":") || !ReadNumber(text, i, 2, minute))
            return std::nullopt;
        if (i < text.size() && (!ReadSeparator(text, i, L":") || !ReadNumber(text, i, 2, second)))
            return std::nullopt;
        if (i < text.size())
            return std::nullopt;
    }
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    return EncodeDateTime(year, month, day, hour, minute, second);
}

class TParser {
public:
    explicit TParser(const std::vector<std::wstring>& arguments) : arguments_(arguments) {}

    TConsoleParse Run() {
        TConsoleOptions& o = result_.Options;
        o.Input.LocationText = L".";
        for (index_ = 0; index_ < arguments_.size() && result_.Error.empty(); ++index_)
            ReadArgument(arguments_[index_]);
        if (result_.Error.empty())
            CheckCombinations();
        return result_;
    }

private:
    void ReadArgument(const std::wstring& argument) {
        const bool isOption =
            !optionsEnded_ && argument.size() > 1 && (argument[0] == L'-' || argument == L"/?");
        if (!isOption) {
            SetLocation(argument);
            return;
        }
        if (argument == L"--") {
            optionsEnded_ = true;
            return;
        }
        const size_t equals = argument.find(L'=');
        option_ = argument.substr(0, equals);
        inlineValue_.reset();
        if (equals != std::wstring::npos)
            inlineValue_ = argument.substr(equals + 1);
        if (!ReadFlag() && !ReadValueOption() && result_.Error.empty())
            result_.Error = L"Unknown option: " + argument;
    }

    bool ReadFlag() {
        TConsoleOptions& o = result_.Options;
        TSearchInput& in = o.Input;
        bool* flag = nullptr;
        if (option_ == L"--help" || option_ == L"-h" || option_ == L"/?")
            o.Action = TConsoleOptions::TAction::Help;
        else if (option_ == L"--version")
            o.Action = TConsoleOptions::TAction::Version;
        else if (option_ == L"--all-drives")
            SetLocation(LocalHardDrives);
        else if (option_ == L"--no-subfolders")
            in.SearchInSubfolders = false;
        else if (option_ == L"--case-sensitive")
            in.CTCaseSensitive = true;
        else if (option_ == L"--search-system-files")
            in.CTIgnoreExecutableFiles = false;
        else if (option_ == L"--search-media-files")
            in.CTIgnoreMediaFiles = false;
        else if (option_ == L"--use-saved-exclusions")
            flag = &o.UseSavedExclusions;
        else if (option_ == L"--ansi")
            flag = &o.Ansi;
        else if (option_ == L"--quiet")
            flag = &o.Quiet;
        else if (option_ == L"--list-not-searched")
            flag = &o.ListNotSearched;
        else
            return false;
        if (inlineValue_)
            result_.Error = L"The option " + option_ + L" takes no value.";
        if (flag != nullptr)
            *flag = true;
        return true;
    }

    bool ReadValueOption() {
        TConsoleOptions& o = result_.Options;
        TSearchInput& in = o.Input;
        if (option_ == L"--name")
            return ReadValue(in.PatternText);
        if (option_ == L"--text")
            return ReadValue(in.ContainingText);
        if (option_ == L"--output")
            return ReadValue(o.OutputFile);
        if (option_ == L"--show")
            return ReadShow();
        if (option_ == L"--format")
            return ReadFormat();
        if (option_ == L"--exclude") {
            std::wstring folder;
            if (ReadValue(folder))
                o.ExcludeFolders.push_back(folder);
            return true;
        }
        if (option_ == L"--max-results")
            return ReadMaxResults();
        if (option_ == L"--newer-than" || option_ == L"--older-than")
            return ReadDateAge();
        if (option_ == L"--between")
            return ReadBetween();
        if (option_ == L"--larger-than" || option_ == L"--smaller-than")
            return ReadSize();
        return false;
    }

    // The option's value, after "=" or as the next argument. False after an error.
    bool ReadValue(std::wstring& value) {
        if (inlineValue_) {
            value = *inlineValue_;
            return true;
        }
        if (index_ + 1 >= arguments_.size()) {
            result_.Error = L"The option " + option_ + L" needs a value.";
            return false;
        }
        value = arguments_[++index_];
        return true;
    }

    void Fail(const std::wstring& value, const std::wstring& expected) {
        result_.Error = L"Invalid value for " + option_ + L": \"" + value + L"\". " + expected;
    }

    bool ReadShow() {
        std::wstring value;
        if (!ReadValue(value))
            return true;
        TSearchInput& in = result_.Options.Input;
        const std::wstring show = LowerAsciiLetters(value);
        if (show == L"files" || show == L"folders" || show == L"both") {
            in.ShowMatchingFilenames = show != L"folders";
            in.ShowMatchingFoldernames = show != L"files";
        } else {
            Fail(value, L"Use files, folders or both.");
        }
        return true;
    }

    bool ReadFormat() {
        std::wstring value;
        if (!ReadValue(value))
            return true;
        const std::wstring format = LowerAsciiLetters(value);
        if (format == L"txt")
            result_.Options.Format = TOutputFormat::Txt;
        else if (format == L"csv")
            result_.Options.Format = TOutputFormat::Csv;
        else if (format == L"json")
            result_.Options.Format = TOutputFormat::Json;
        else
            Fail(value, L"Use txt, csv or json.");
        return true;
    }

    bool ReadMaxResults() {
        std::wstring value;
        if (!ReadValue(value))
            return true;
        int64_t count = 0;
        bool valid = !value.empty();
        for (wchar_t c : value) {
            valid = valid && c >= L'0' && c <= L'9' && count <= INT_MAX;
            if (valid)
                count = count * 10 + (c - L'0');
        }
        if (!valid || count < 1 || count > INT_MAX)
            Fail(value, L"Give a number of at least 1.");
        else
            result_.Options.MaxResults = count;
        return true;
    }

    bool ReadDateAge() {
        std::wstring value;
        if (!ReadValue(value))
            return true;
        const auto age = ParseCountAndUnit(value, DateUnitNames);
        if (!age || age->Count < MinCount || age->Count > MaxCount) {
            Fail(value, L"Give a count from 1 to 10000 and a unit (years, months, weeks, days, hours or "
                        L"minutes), for example 2d or \"3 weeks\".");
            return true;
        }
        TSearchInput& in = result_.Options.Input;
        SetDateMode(option_ == L"--newer-than" ? &in.DSNewerThan : &in.DSOlderThan);
        in.DTCount = static_cast<int>(age->Count);
        in.DTUnitIndex = age->Unit;
        return true;
    }

    bool ReadBetween() {
        std::wstring first, second;
        if (inlineValue_) {
            result_.Error = L"The option --between takes two dates: --between FROM TO.";
            return true;
        }
        if (index_ + 2 >= arguments_.size()) {
            result_.Error = L"The option --between needs two dates: --between FROM TO.";
            return true;
        }
        first = arguments_[++index_];
        second = arguments_[++index_];
        const auto begin = ParseLocalDate(first);
        const auto end = ParseLocalDate(second);
        if (!begin || !end) {
            Fail(begin ? second : first, L"Give a date as YYYY-MM-DD, with a time of day as YYYY-MM-DDThh:mm "
                                         L"or YYYY-MM-DDThh:mm:ss if wanted.");
            return true;
        }
        TSearchInput& in = result_.Options.Input;
        SetDateMode(&in.DSBetween);
        in.BeginDate = *begin;
        in.EndDate = *end;
        return true;
    }

    void SetDateMode(bool* mode) {
        TSearchInput& in = result_.Options.Input;
        if (in.SearchForDateTime) {
            result_.Error = L"Give only one of --newer-than, --older-than and --between.";
            return;
        }
        in.SearchForDateTime = true;
        in.DSNewerThan = in.DSOlderThan = in.DSBetween = false;
        *mode = true;
    }

    bool ReadSize() {
        std::wstring value;
        if (!ReadValue(value))
            return true;
        const auto size = ParseCountAndUnit(value, SizeUnitNames);
        if (!size) {
            Fail(value, L"Give a count and a unit (GB, MB, KB or bytes), for example 10MB or \"500 KB\".");
            return true;
        }
        TSearchInput& in = result_.Options.Input;
        if (in.SearchForSize) {
            result_.Error = L"Give only one of --larger-than and --smaller-than.";
            return true;
        }
        in.SearchForSize = true;
        in.SZLargerThan = option_ == L"--larger-than";
        in.SZSmallerThan = !in.SZLargerThan;
        in.SZCount = static_cast<int>(size->Count);
        in.SZUnitIndex = size->Unit;
        return true;
    }

    void SetLocation(const std::wstring& location) {
        if (locationGiven_) {
            result_.Error = L"Give one location only (a folder, a drive root or --all-drives).";
            return;
        }
        locationGiven_ = true;
        result_.Options.Input.LocationText = location;
    }

    void CheckCombinations() {
        const TConsoleOptions& o = result_.Options;
        if (o.Ansi && o.Format == TOutputFormat::Json)
            result_.Error = L"The option --ansi applies to the txt and csv formats only: JSON is UTF-8.";
    }

    const std::vector<std::wstring>& arguments_;
    TConsoleParse result_;
    size_t index_ = 0;
    std::wstring option_;
    std::optional<std::wstring> inlineValue_;
    bool optionsEnded_ = false;
    bool locationGiven_ = false;
};

} // namespace

TConsoleParse ParseConsoleOptions(const std::vector<std::wstring>& arguments) {
    return TParser(arguments).Run();
}

std::wstring ConsoleHelpText() {
    return LR"(Searches for files and folders by name, date, size and content, as Quarrow's window does,
and writes the results to standard output or to a file.

Usage: quarrowc [LOCATION] [options]

Where to search:
  LOCATION                  a folder or a drive root such as D:\ (default: the current folder)
  --all-drives              search every local hard drive
  --no-subfolders           search the location only, not its sub-folders
  --exclude FOLDER          do not search FOLDER or anything below it; may be given many times
  --use-saved-exclusions    also skip the excluded folders saved by Quarrow's window
                            (read from Quarrow.ini, which is never written)

What to find:
  --name PATTERN            name pattern with * and ? (default: *.*); a text without * or ?
                            finds every name that contains it
  --show files|folders|both which entries can be results (default: files)
  --newer-than AGE          modified less than AGE ago
  --older-than AGE          modified more than AGE ago
                            AGE: a count from 1 to 10000 and a unit (years, months, weeks,
                            days, hours, minutes; or y, mo, w, d, h, min): 2d, "3 weeks"
  --between FROM TO         modified after FROM and before TO, local times written
                            YYYY-MM-DD or YYYY-MM-DDThh:mm[:ss]
  --larger-than SIZE        larger than SIZE
  --smaller-than SIZE       smaller than SIZE
                            SIZE: a count and a unit (GB, MB, KB, bytes): 10MB, "500 KB"
  --text TEXT               files that contain TEXT
  --case-sensitive          match the letter case of TEXT
  --search-system-files     also look for TEXT in .exe, .dll, .sys and similar files
  --search-media-files      also look for TEXT in .jpg, .avi, .mp3 and similar files

Output:
  --format txt|csv|json     txt: the window's text table (the default); csv: its
                            comma-delimited file; json: one JSON object a line, with the
                            path, the size in bytes, the modification time (UTC) and whether
                            the entry is a folder
  --output FILE             write to FILE instead of standard output (replaced if it exists)
  --ansi                    txt and csv in the ANSI code page, as the window exports them:
                            UTF-8 with a byte-order mark when a name does not fit it. The
                            results are then written when the search ends.
                            Without --ansi, files and pipes get UTF-8 without a byte-order mark.
  --max-results N           stop after N results
  --quiet                   no progress line on the console
  --list-not-searched       list on standard error each folder that could not be listed and
                            each file whose contents could not be read, with the reason
                            (their number is always given there at the end)
  --version                 print the version and exit
  --help, -h, /?            print this help and exit

Results are written as they are found; the file they are written to is never one of them.
Ctrl+C stops the search: what was found is written. A second Ctrl+C ends the program at once.

Exit codes:
  0  something was found
  1  nothing was found
  2  a bad option, a location that does not exist, or results that could not be written
  3  the search was interrupted (Ctrl+C)

Examples:
  quarrowc C:\Projects --name *.txt --text "to do"
  quarrowc D:\ --name *.iso --larger-than 1GB --format csv --output big.csv
  quarrowc --all-drives --name report --newer-than 2w --format json
)";
}

} // namespace quarrow
