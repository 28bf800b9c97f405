#pragma once
// The user's preferences and the saved window geometry, as kept in the settings file.

#include <string>
#include <vector>

namespace quarrow {

// The designed window size and first column width (96 DPI); the geometry defaults.
struct TDesignedGeometry {
    int DefaultAppWidth = 549;
    int DefaultAppHeight = 454;
    int DefaultFirstColumnWidth = 150;
    int DefaultPreviewPaneHeight = 150;
};

struct TSettings {
    bool ShowTypeInsteadOfExtension = false;
    bool SavePositionAndSize = false;
    bool SaveSearchData = true;
    bool ExcludeFolders = false;
    std::wstring Editor = L"C:\\Windows\\notepad.exe";
    // The saved geometry: plain values, applied once at start when SavePositionAndSize is set.
    int FAppWidth = 549;
    int FAppHeight = 454;
    int FAppLeft = 100;
    int FAppTop = 100;
    int FFirstColumnWidth = 150;
    // The preview pane below the results: shown or not, and its height in pixels.
    bool PreviewPane = false;
    int PreviewPaneHeight = 150;
};

// The lists the settings file keeps (most recent first, at most MaxHistoryIndex + 1 each).
constexpr int MaxHistoryIndex = 11;

struct TSettingsLists {
    std::vector<std::wstring> SearchPatternHistoryList;
    std::vector<std::wstring> SearchLocationHistoryList;
    std::vector<std::wstring> ContainingTextHistoryList;
    std::vector<std::wstring> ExcludeFoldersList;
};

} // namespace quarrow
