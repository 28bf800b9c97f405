#pragma once
// What a search looks for: the values read from the criteria controls, and the criteria
// the launch derives from them for the walker.

#include "base/DateTime.h"

#include <cstdint>
#include <string>

namespace quarrow {

// A snapshot of the criteria controls at the moment Search is pressed.
struct TSearchInput {
    std::wstring PatternText;  // ComboBoxSearchPattern
    std::wstring LocationText; // ComboBoxSearchLocation
    bool SearchInSubfolders = true;
    bool ShowMatchingFilenames = true;
    bool ShowMatchingFoldernames = false;

    bool SearchForDateTime = false; // CheckBoxSearchForDateTime
    bool DSNewerThan = true;
    bool DSOlderThan = false;
    bool DSBetween = false;
    int DTCount = 1;         // position of UpDownDTCount
    int DTUnitIndex = 3;     // item index of ComboBoxDTUnits; -1 when none is selected
    TDateTime BeginDate = 0; // DateTimePickerBegin, time of day included
    TDateTime EndDate = 0;   // DateTimePickerEnd

    bool SearchForSize = false; // CheckBoxSearchForSize
    bool SZLargerThan = true;
    bool SZSmallerThan = false;
    int SZCount = 1;     // position of UpDownSZCount
    int SZUnitIndex = 2; // item index of ComboBoxSZUnits; -1 when none is selected

    std::wstring ContainingText; // ComboBoxContainingText, as typed
    bool CTCaseSensitive = false;
    bool CTIgnoreExecutableFiles = true;
    bool CTIgnoreMediaFiles = true;
};

// The criteria a search reads. A criterion that is not in use keeps its last value.
// (ExcludeFolders and ShowTypeInsteadOfExtension are settings, kept in TSettings.)
struct TSearchCriteria {
    std::wstring SearchPattern;
    // The Name box's text when it has no "*" or "?": the names that contain it are found.
    // Empty when SearchPattern is a wildcard pattern.
    std::wstring SearchWord;
    bool SearchInSubfolders = true;
    bool ShowMatchingFilenames = true;
    bool ShowMatchingFoldernames = false;

    bool SearchOnDate = false;
    bool DTNewerThan = false;
    bool DTOlderThan = false;
    bool DTBetween = false;
    TDateTime DTBeginDate = 0;
    TDateTime DTEndDate = 0;
    TDateTime DTCurrentDateAndTime = 0;
    TDateTime DTSearchDateAndTime = 0;

    bool SearchOnSize = false;
    bool SZLargerThan = false;
    bool SZSmallerThan = false;
    int64_t SZSearchSize = 0;

    bool SearchInFiles = false;
    std::wstring CTString;
    bool CTCaseSensitive = false;
    bool CTIgnoreExecutableFiles = true;
    bool CTIgnoreMediaFiles = true;
};

// The run state of a search.
struct TSearchRunState {
    bool SearchInProgress = false;
    bool FindStopped = false;
    TDateTime ElapsedTime = 0;
};

} // namespace quarrow
