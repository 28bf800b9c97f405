#pragma once
// The settings file: where it lives, reading it at start, writing it back, and keeping the
// saved window geometry on a screen.

#include "settings/Settings.h"

#include <windows.h>

#include <string>
#include <vector>

namespace quarrow {

// The main window's outer size and position in screen pixels, and its first results column.
struct TWindowGeometry {
    int Width;
    int Height;
    int Left;
    int Top;
    int FirstColumnWidth;
};

// "Quarrow.ini" in the folder named by APPDATA, as a full path; the bare name without APPDATA.
std::wstring SettingsFilePath();

// Fills the settings, the saved geometry and the four lists from the file; whatever is
// missing or unreadable takes its default. Never fails.
void LoadSettings(const std::wstring& path, const TDesignedGeometry& designed, TSettings& settings,
                  TSettingsLists& lists);

// Writes the settings, the current geometry and the lists. Raises QuarrowError ("Unable to
// write to <full path>") at the first write the system refuses; the file then stays as it was.
void SaveSettings(const std::wstring& path, const TDesignedGeometry& designed, const TSettings& settings,
                  const TWindowGeometry& current, const TSettingsLists& lists);

// The outer bounds in screen pixels to save for a window whose rectangle is `windowRect`.
// A minimised or maximised window saves the bounds it is restored to, which its placement
// gives in workspace coordinates: relative to the work area of its monitor, so off from the
// screen's by a taskbar at the top or the left.
RECT WindowBoundsToSave(const RECT& windowRect, bool minimisedOrMaximised, const RECT& normalPosition,
                        const RECT& monitor, const RECT& workArea);

// The geometry the settings hold.
TWindowGeometry SavedGeometry(const TSettings& settings);

// A window whose caption cannot be reached on any of the work areas is moved onto the
// nearest one, keeping its size where it fits; otherwise it is returned as it is.
TWindowGeometry MoveOntoScreen(const TWindowGeometry& window, const std::vector<RECT>& workAreas);

// The work areas of the monitors attached now.
std::vector<RECT> MonitorWorkAreas();

// MoveOntoScreen over the monitors attached now.
TWindowGeometry MoveOntoScreen(const TWindowGeometry& window);

} // namespace quarrow
