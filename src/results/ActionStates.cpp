#include "results/ActionStates.h"

namespace quarrow {

std::vector<std::pair<TActionId, bool>> ComputeActionStates(const TActionSnapshot& snapshot) {
    const bool hasResults = snapshot.ResultCount > 0;
    const bool one = snapshot.TotalSelectedFiles == 1;
    const bool any = snapshot.TotalSelectedFiles != 0;
    const bool matches = hasResults && snapshot.PreviewPaneShown && snapshot.ContentSearched;
    using A = TActionId;
    return {
        {A::ActionActionSelectAll, hasResults},
        {A::ActionActionInvertSelection, hasResults},
        {A::ActionExportAlltemsToClipboard, hasResults},
        {A::ActionExportAlltemsToTextFile, hasResults},
        {A::ActionExportAlltemsToCommaDelimitedFile, hasResults},
        {A::ActionActionCopy, any},
        {A::ActionActionCut, any},
        {A::ActionActionRename, one},
        {A::ActionActionEdit, one && snapshot.HasEditor},
        {A::ActionActionOpenContainingFolder, one},
        {A::ActionActionOpen, one},
        {A::ActionActionProperties, any},
        {A::ActionActionDelete, any},
        {A::ActionExportSelectedItemsToClipboard, any},
        {A::ActionToolsNotSearched, snapshot.NotSearchedCount > 0},
        {A::ActionViewNextMatch, matches},
        {A::ActionViewPreviousMatch, matches},
    };
}

} // namespace quarrow
