#pragma once
// The row the results list's type-ahead moves to. The list collects the typed letters and
// keeps its own pause rule; the records answer where a name starts with them.

#include "search/ShellItem.h"

#include <string_view>

namespace quarrow {

struct TFindRequest {
    std::wstring_view Text;
    int Start = 0;       // the first row looked at
    bool Partial = true; // the name begins with Text; otherwise it is Text
    bool Wrap = true;    // after the last row, go on from the first
};

// The first row from `Start` whose name matches, ignoring case; -1 when none does. A letter
// typed again and again that begins no name moves on to the next name beginning with it,
// as in Explorer.
int FindResultRow(const TIDList& records, const TFindRequest& request);

} // namespace quarrow
