#include "settings/SettingsStore.h"

#include "base/Text.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <iterator>

namespace quarrow {

namespace {

const wchar_t* const PreferencesSection = L"Preferences";
const wchar_t* const ExcludeFoldersSection = L"ExcludeFoldersList";

struct ListSection {
    const wchar_t* name;
    std::vector<std::wstring> TSettingsLists::*list;
};

const ListSection HistorySections[] = {
    {L"SearchPatternHistoryList", &TSettingsLists::SearchPatternHistoryList},
    {L"SearchLocationHistoryList", &TSettingsLists::SearchLocationHistoryList},
    {L"ContainingTextHistoryList", &TSettingsLists::ContainingTextHistoryList},
};

std::wstring EnvironmentVariable(const wchar_t* name) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

std::vector<std::wstring> ReadList(const TIniFile& ini, const std::wstring& section) {
    std::vector<std::wstring> entries;
    for (int index = 0; index <= MaxHistoryIndex; ++index) {
        std::wstring entry = ini.ReadString(section, std::to_wstring(index), L"");
        if (!entry.empty())
            entries.push_back(std::move(entry));
    }
    return entries;
}

void WriteList(TIniFile& ini, const std::wstring& section, const std::vector<std::wstring>& entries) {
    ini.EraseSection(section);
    for (size_t index = 0; index < entries.size(); ++index) {
        if (!entries[index].empty())
            ini.WriteString(section, std::to_wstring(index), entries[index]);
    }
}

bool FitsAnsi(const std::wstring& text) {
    bool lossless = true;
    ToAnsi(text, &lossless);
    return lossless;
}

bool NeedsUnicode(const TSettings& settings, const TSettingsLists& lists) {
    if (!FitsAnsi(settings.Editor))
        return true;
    for (const auto& section : HistorySections) {
        if (!std::all_of((lists.*section.list).begin(), (lists.*section.list).end(), FitsAnsi))
            return true;
    }
    return !std::all_of(lists.ExcludeFoldersList.begin(), lists.ExcludeFoldersList.end(), FitsAnsi);
}

// How far of its width and of its caption a window must show to be grabbed with the mouse.
constexpr long long ReachablePixels = 32;

long long Overlap(long long aLow, long long aHigh, long long bLow, long long bHigh) {
    return std::max(0LL, std::min(aHigh, bHigh) - std::max(aLow, bLow));
}

long long Gap(long long aLow, long long aHigh, long long bLow, long long bHigh) {
    return std::max({0LL, bLow - aHigh, aLow - bHigh});
}

// Edges in 64 bits: the geometry comes from a file and may be anything.
struct Edges {
    long long left, top, right, bottom;
};

Edges EdgesOf(const TWindowGeometry& window) {
    const long long left = window.Left, top = window.Top;
    return {left, top, left + std::max(window.Width, 1), top + std::max(window.Height, 1)};
}

bool CaptionReachable(const Edges& window, const RECT& area) {
    const long long captionBottom = window.top + std::min(ReachablePixels, window.bottom - window.top);
    const long long needed = std::min(ReachablePixels, window.right - window.left);
    return window.top >= area.top && captionBottom <= area.bottom &&
           Overlap(window.left, window.right, area.left, area.right) >= needed;
}

// In floating point: the squares of far-off edges do not fit in 64 bits.
double DistanceSquared(const Edges& window, const RECT& area) {
    const double dx = static_cast<double>(Gap(window.left, window.right, area.left, area.right));
    const double dy = static_cast<double>(Gap(window.top, window.bottom, area.top, area.bottom));
    return dx * dx + dy * dy;
}

long long SharedArea(const Edges& window, const RECT& area) {
    return Overlap(window.left, window.right, area.left, area.right) *
           Overlap(window.top, window.bottom, area.top, area.bottom);
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcWork);
    return TRUE;
}

} // namespace

std::wstring SettingsFilePath() {
    const std::wstring appData = EnvironmentVariable(L"APPDATA");
    if (appData.empty())
        return L"Quarrow.ini";
    return ProfileFullPath(appData + L"\\Quarrow.ini");
}

void LoadSettings(const std::wstring& path, const TDesignedGeometry& designed, TSettings& settings,
                  TSettingsLists& lists) {
    const TIniFile ini(path);
    const TSettings defaults;
    const std::wstring section = PreferencesSection;
    settings.ShowTypeInsteadOfExtension =
        ini.ReadBool(section, L"ShowTypeInsteadOfExtension", defaults.ShowTypeInsteadOfExtension);
    settings.SavePositionAndSize =
        ini.ReadBool(section, L"SavePositionAndSize", defaults.SavePositionAndSize);
    settings.SaveSearchData = ini.ReadBool(section, L"SaveSearchData", defaults.SaveSearchData);
    settings.ExcludeFolders = ini.ReadBool(section, L"ExcludeFolders", defaults.ExcludeFolders);
    settings.Editor = ini.ReadString(section, L"Editor", defaults.Editor);
    settings.FAppWidth = ini.ReadInteger(section, L"AppWidth", designed.DefaultAppWidth);
    settings.FAppHeight = ini.ReadInteger(section, L"AppHeight", designed.DefaultAppHeight);
    settings.FAppLeft = ini.ReadInteger(section, L"AppLeft", defaults.FAppLeft);
    settings.FAppTop = ini.ReadInteger(section, L"AppTop", defaults.FAppTop);
    settings.FFirstColumnWidth =
        ini.ReadInteger(section, L"FirstColumnWidth", designed.DefaultFirstColumnWidth);
    settings.PreviewPane = ini.ReadBool(section, L"PreviewPane", defaults.PreviewPane);
    settings.PreviewPaneHeight =
        ini.ReadInteger(section, L"PreviewPaneHeight", designed.DefaultPreviewPaneHeight);

    for (const auto& list : HistorySections)
        lists.*list.list = ReadList(ini, list.name);
    lists.ExcludeFoldersList = ReadList(ini, ExcludeFoldersSection);
}

void SaveSettings(const std::wstring& path, const TDesignedGeometry& designed, const TSettings& settings,
                  const TWindowGeometry& current, const TSettingsLists& lists) {
    TIniFileUpdate update(path, NeedsUnicode(settings, lists));
    TIniFile& ini = update.File();
    const std::wstring section = PreferencesSection;
    ini.WriteBool(section, L"ShowTypeInsteadOfExtension", settings.ShowTypeInsteadOfExtension);
    ini.WriteBool(section, L"SavePositionAndSize", settings.SavePositionAndSize);
    ini.WriteBool(section, L"SaveSearchData", settings.SaveSearchData);
    ini.WriteBool(section, L"ExcludeFolders", settings.ExcludeFolders);
    ini.WriteString(section, L"Editor", settings.Editor);
    ini.WriteInteger(section, L"AppWidth", current.Width);
    ini.WriteInteger(section, L"AppHeight", current.Height);
    ini.WriteInteger(section, L"AppLeft", current.Left);
    ini.WriteInteger(section, L"AppTop", current.Top);
    const bool usableColumn = current.FirstColumnWidth > 50 && current.FirstColumnWidth < 500;
    ini.WriteInteger(section, L"FirstColumnWidth",
                     usableColumn ? current.FirstColumnWidth : designed.DefaultFirstColumnWidth);
    ini.WriteBool(section, L"PreviewPane", settings.PreviewPane);
    ini.WriteInteger(section, L"PreviewPaneHeight", settings.PreviewPaneHeight);

    for (const auto& list : HistorySections) {
        if (settings.SaveSearchData)
            WriteList(ini, list.name, lists.*list.list);
        else
            ini.EraseSection(list.name);
    }
    WriteList(ini, ExcludeFoldersSection, lists.ExcludeFoldersList);
    update.Commit();
}

TWindowGeometry SavedGeometry(const TSettings& settings) {
    return {settings.FAppWidth, settings.FAppHeight, settings.FAppLeft, settings.FAppTop,
            settings.FFirstColumnWidth};
}

RECT WindowBoundsToSave(const RECT& windowRect, bool minimisedOrMaximised, const RECT& normalPosition,
                        const RECT& monitor, const RECT& workArea) {
    if (!minimisedOrMaximised)
        return windowRect;
    RECT bounds = normalPosition;
    OffsetRect(&bounds, workArea.left - monitor.left, workArea.top - monitor.top);
    return bounds;
}

TWindowGeometry MoveOntoScreen(const TWindowGeometry& window, const std::vector<RECT>& workAreas) {
    std::vector<RECT> areas;
    std::copy_if(workAreas.begin(), workAreas.end(), std::back_inserter(areas),
                 [](const RECT& area) { return area.right > area.left && area.bottom > area.top; });
    const Edges edges = EdgesOf(window);
    if (areas.empty() || std::any_of(areas.begin(), areas.end(),
                                     [&](const RECT& area) { return CaptionReachable(edges, area); }))
        return window;
    const RECT& nearest = *std::min_element(areas.begin(), areas.end(), [&](const RECT& a, const RECT& b) {
        const double da = DistanceSquared(edges, a), db = DistanceSquared(edges, b);
        return da != db ? da < db : SharedArea(edges, a) > SharedArea(edges, b);
    });
    TWindowGeometry moved = window;
    moved.Width = std::min(window.Width, static_cast<int>(nearest.right - nearest.left));
    moved.Height = std::min(window.Height, static_cast<int>(nearest.bottom - nearest.top));
    moved.Left = static_cast<int>(
        std::clamp<long long>(window.Left, nearest.left, nearest.right - std::max(moved.Width, 0)));
    moved.Top = static_cast<int>(
        std::clamp<long long>(window.Top, nearest.top, nearest.bottom - std::max(moved.Height, 0)));
    return moved;
}

std::vector<RECT> MonitorWorkAreas() {
    std::vector<RECT> areas;
    EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

TWindowGeometry MoveOntoScreen(const TWindowGeometry& window) {
    return MoveOntoScreen(window, MonitorWorkAreas());
}

} // namespace quarrow
