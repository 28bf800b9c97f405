#pragma once
// The order of the results by a column of the list: one comparison per column, and the
// sort that reorders the records by it.

#include "search/ShellItem.h"

#include <windows.h>

namespace quarrow {

// The columns of the results list, by index.
enum TResultColumn {
    ColumnName,
    ColumnFolder,
    ColumnSize,
    ColumnDateModified,
    ColumnType,
    ResultColumnCount
};

// Negative when `a` comes first in ascending order, zero when the column cannot tell them
// apart, positive otherwise; always -1, 0 or 1. Texts follow the rules of `locale` with
// letter case ignored; the date compares calendar days only.
int CompareNames(const TShellItem& a, const TShellItem& b, LPCWSTR locale = LOCALE_NAME_USER_DEFAULT);
int CompareFolders(const TShellItem& a, const TShellItem& b, LPCWSTR locale = LOCALE_NAME_USER_DEFAULT);
int CompareSizes(const TShellItem& a, const TShellItem& b);
int CompareModified(const TShellItem& a, const TShellItem& b);
int CompareFileTypes(const TShellItem& a, const TShellItem& b, LPCWSTR locale = LOCALE_NAME_USER_DEFAULT);

// The comparison of `column`.
int CompareResults(TResultColumn column, const TShellItem& a, const TShellItem& b,
                   LPCWSTR locale = LOCALE_NAME_USER_DEFAULT);

// Reorders the records by `column`; descending reverses the comparison, so records that
// compare equal keep their order relative to each other either way.
void SortResults(TIDList& list, TResultColumn column, bool ascending,
                 LPCWSTR locale = LOCALE_NAME_USER_DEFAULT);

} // namespace quarrow
