#pragma once
// Identifiers of the main window's controls (WM_COMMAND and WM_NOTIFY), shared by the files
// that define TMainForm's members.

namespace quarrow {

enum TControlId : int {
    IdPageControl = 1001,
    IdBtnSearch,
    IdBtnStop,
    IdBtnReset,
    IdListViewResults,
    IdStatusBar,
    IdImageStatusGreen,
    IdImageStatusRed,
    IdImageStatusGray,
    IdComboBoxSearchPattern,
    IdComboBoxSearchLocation,
    IdBitBtnOpenFolderDialog,
    IdCheckBoxSearchInSubfolders,
    IdCheckBoxShowMatchingFilenames,
    IdCheckBoxShowMatchingFoldernames,
    IdCheckBoxSearchForDateTime,
    IdRadioButtonDSNewerThan,
    IdRadioButtonDSOlderThan,
    IdRadioButtonDSBetween,
    IdEditDTCount,
    IdUpDownDTCount,
    IdComboBoxDTUnits,
    IdDateTimePickerBegin,
    IdDateTimePickerEnd,
    IdCheckBoxSearchForSize,
    IdRadioButtonSZLargerThan,
    IdRadioButtonSZSmallerThan,
    IdEditSZCount,
    IdUpDownSZCount,
    IdComboBoxSZUnits,
    IdComboBoxContainingText,
    IdCheckBoxCTCaseSensitive,
    IdCheckBoxCTIgnoreExecutableFiles,
    IdCheckBoxCTIgnoreMediaFiles,
    IdCheckBoxExcludeFolders,
    IdListViewExcludeFolders,
    IdBtnSFAdd,
    IdBtnSFRemove,
    IdBtnSFSuggest,
    IdBtnSFClear,
    IdPreviewSplitter,
    IdPreviewPane,
    IdStatic = 0xFFFF,
};

// Subclass identifiers of the controls whose messages the window filters.
constexpr unsigned SubclassCountEdit = 1;
constexpr unsigned SubclassResultsList = 2;
constexpr unsigned SubclassResultsListKeys = 3; // src/shell/MainFormShell.cpp

// Messages the main window posts to itself (src/results/MainFormSelection.cpp).
constexpr unsigned WmSelectionHandOver = 0x8000 + 0x90; // WM_APP + 0x90
constexpr unsigned WmRenameRefused = 0x8000 + 0x91;
constexpr unsigned WmLaunchArguments = 0x8000 + 0x92; // src/ui/MainForm.cpp
constexpr unsigned WmPreviewFocus = 0x8000 + 0x93;    // src/ui/MainFormPreview.cpp

} // namespace quarrow
