#pragma once
// The results as the console program writes them: the window's text table and
// comma-delimited layouts, or one JSON object a line.

#include "cli/ConsoleOptions.h"
#include "results/Export.h"
#include "search/ShellItem.h"

#include <string>
#include <string_view>

namespace quarrow {

class TResultLines {
public:
    explicit TResultLines(TOutputFormat format) : format_(format) {}

    // The line before the results, without its line end; empty for JSON, which has none.
    std::wstring Header() const;
    // Appends the line of `item`, without its line end.
    void AppendLine(std::wstring& out, const TShellItem& item);
    // The window's CR LF for its layouts; a bare LF between JSON lines.
    std::wstring_view LineEnd() const { return format_ == TOutputFormat::Json ? L"\n" : L"\r\n"; }

private:
    TOutputFormat format_;
    TExportRows rows_;
};

// {"path": ..., "size": ..., "modified": ..., "folder": ...} for one result; the time is
// the file's own last-write time, not the rounded one the window shows.
std::wstring JsonLine(const TShellItem& item);

// "2024-05-01T10:20:31Z".
std::wstring Iso8601Utc(const FILETIME& utc);

// A JSON string with its quotes. A lone surrogate, which no UTF-8 can carry, is escaped.
std::wstring JsonString(std::wstring_view text);

} // namespace quarrow
