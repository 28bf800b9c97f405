#pragma once
// The arithmetic that turns the values of the criteria controls into search criteria.

#include "base/DateTime.h"
#include "search/TextEncoding.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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

// The containing text as the bytes of one form.
struct TContentForm {
    std::string Bytes;
    TTextForm Form = TTextForm::Ansi;
};

// The forms a file may hold the containing text in, by the file's encoding. A file without
// a byte-order mark that is not UTF-16 is searched for the ANSI bytes (when the code page has
// every character) and the UTF-8 bytes (when they differ); a marked UTF-8 file for the UTF-8
// bytes; a UTF-16 file for the text in its byte order. A file holds the text when it holds
// any of its forms.
class TContentForms {
public:
    TContentForms() = default;
    explicit TContentForms(const std::wstring& text);
    const std::vector<TContentForm>& In(TFileEncoding encoding) const {
        return byEncoding_[static_cast<size_t>(encoding)];
    }

private:
    std::array<std::vector<TContentForm>, 4> byEncoding_;
};

// The range of the two count boxes' up-down controls.
constexpr int MinCount = 1;
constexpr int MaxCount = 10000;

// The count a count box's text stands for, within MinCount to MaxCount; a text that is not
// a number (an empty box included) gives MinCount.
int CountFromText(const std::wstring& text);

// A name pattern with a folder part (sub\*.txt, ..\other\*, C:*) would list another
// folder's entries as if they were in the searched one.
bool PatternNamesAFolder(const std::wstring& text);

} // namespace quarrow
