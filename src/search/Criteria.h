#pragma once
// The arithmetic that turns the values of the criteria controls into search criteria.

#include "base/DateTime.h"

#include <cstdint>
#include <string>

namespace quarrow {

// The items of ComboBoxDTUnits and ComboBoxSZUnits, by item index.
enum DateUnit { DateUnitYears, DateUnitMonths, DateUnitWeeks, DateUnitDays, DateUnitHours, DateUnitMinutes };
enum SizeUnit { SizeUnitGB, SizeUnitMB, SizeUnitKB, SizeUnitBytes };

// Empty gives "*.*"; a text without "*" or "?" finds every name that contains it.
std::wstring NormaliseSearchPattern(const std::wstring& text);

// `now` moved back by `count` units. False, with `threshold` unchanged, when no unit is selected.
bool MoveBackByDateUnits(TDateTime now, int count, int unitIndex, TDateTime& threshold);

// `count` units in bytes; 0 when no unit is selected.
int64_t SizeLimitInBytes(int count, int unitIndex);

// The bytes a file must contain: the text in the ANSI code page, or its UTF-8 form when
// the code page cannot represent every character.
std::string ContentPatternBytes(const std::wstring& text);

} // namespace quarrow
