#pragma once
// The one rule that enables the result actions, from a small snapshot of the window.

#include "results/Actions.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace quarrow {

struct TActionSnapshot {
    int ResultCount = 0;
    int TotalSelectedFiles = 0; // as last computed, not the list's live selection
    bool HasEditor = false;
    int64_t NotSearchedCount = 0; // of the last search
    bool PreviewPaneShown = false;
    bool ContentSearched = false; // the results come from a search with a containing text
};

// The enabled state of every action the rule governs (Exit, Help, About and Preferences
// are not among them).
std::vector<std::pair<TActionId, bool>> ComputeActionStates(const TActionSnapshot& snapshot);

} // namespace quarrow
