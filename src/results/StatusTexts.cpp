#include "results/StatusTexts.h"

namespace quarrow {

std::wstring SelectionSummaryText(int files, int64_t bytes, const TLocaleFormat& format) {
    if (files == 0)
        return L"No files selected";
    const std::wstring suffix =
        bytes > 0 ? L" (" + FormatCount(KilobytesRoundedUp(bytes), format) + L" KB)" : L"";
    return L"Selected: " + FormatCount(files, format) + (files == 1 ? L" file" : L" files") + suffix;
}

std::wstring FoundText(int count, const TLocaleFormat& format) {
    if (count == 0)
        return L"No files found";
    return L"Found: " + FormatCount(count, format) + (count == 1 ? L" file" : L" files");
}

std::wstring NotSearchedSuffix(int64_t count, const TLocaleFormat& format) {
    return count > 0 ? L" (" + FormatCount(count, format) + L" not searched)" : std::wstring();
}

std::optional<std::wstring> InfoPanelText(int infoMode, const TStatusSnapshot& snapshot,
                                          const TLocaleFormat& format) {
    switch (infoMode) {
    case 0:
    case 1:
        return std::wstring();
    case 2:
        return L"Search time: " + ElapsedTimeText(snapshot.ElapsedTime, format) +
               (snapshot.FindStopped ? L" (stopped)" : L"");
    case 3:
        return SelectionSummaryText(snapshot.TotalSelectedFiles, snapshot.TotalSelectedSize, format);
    default:
        return std::nullopt;
    }
}

std::optional<std::wstring> CountPanelText(int countMode, const TStatusSnapshot& snapshot,
                                           const TLocaleFormat& format) {
    switch (countMode) {
    case 0:
        return std::wstring();
    case 1:
        return std::wstring(L"Searching...");
    case 2:
    case 3:
        return FoundText(snapshot.ResultCount, format) + NotSearchedSuffix(snapshot.NotSearchedCount, format);
    default:
        return std::nullopt;
    }
}

std::optional<TStatusLight> StatusLightFor(int lightMode) {
    switch (lightMode) {
    case 0:
    case 2:
        return TStatusLight::Green;
    case 1:
        return TStatusLight::Red;
    case 3:
        return TStatusLight::Gray;
    default:
        return std::nullopt;
    }
}

} // namespace quarrow
