#pragma once
// What the status bar shows for each of its modes. UpdateStatusBar applies these.

#include "base/DateTime.h"
#include "results/DisplayFormats.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quarrow {

// The values the status bar texts are made of.
struct TStatusSnapshot {
    int ResultCount = 0;
    int TotalSelectedFiles = 0;
    int64_t TotalSelectedSize = 0;
    TDateTime ElapsedTime = 0;
    bool FindStopped = false;
    int64_t NotSearchedCount = 0; // what the last search could not look into
};

enum class TStatusLight { Green, Red, Gray };

// "No files selected", "Selected: 1 file (1 KB)", "Selected: 2 files" ...
std::wstring SelectionSummaryText(int files, int64_t bytes,
                                  const TLocaleFormat& format = TLocaleFormat::User());
// "No files found", "Found: 1 file", "Found: 12,345 files".
std::wstring FoundText(int count, const TLocaleFormat& format = TLocaleFormat::User());
// " (3 not searched)" after the count; empty when nothing was left unsearched.
std::wstring NotSearchedSuffix(int64_t count, const TLocaleFormat& format = TLocaleFormat::User());

// Panel 0 by InfoMode, panel 1 by CountMode, the light by LightMode; nothing for a mode
// that leaves its part unchanged.
std::optional<std::wstring> InfoPanelText(int infoMode, const TStatusSnapshot& snapshot,
                                          const TLocaleFormat& format = TLocaleFormat::User());
std::optional<std::wstring> CountPanelText(int countMode, const TStatusSnapshot& snapshot,
                                           const TLocaleFormat& format = TLocaleFormat::User());
std::optional<TStatusLight> StatusLightFor(int lightMode);

} // namespace quarrow
