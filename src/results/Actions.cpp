#include "results/Actions.h"

namespace quarrow {
namespace {

using A = TActionId;

TMenuEntry Item(TActionId action) {
    return {TMenuEntry::Kind::Action, action, {}, {}};
}
TMenuEntry Separator() {
    return {};
}
TMenuEntry Submenu(const wchar_t* caption, std::vector<TMenuEntry> children) {
    return {TMenuEntry::Kind::Submenu, A::ActionFileExit, caption, std::move(children)};
}

std::vector<TMenuEntry> ResultActions() {
    return {Item(A::ActionActionOpen),
            Item(A::ActionActionEdit),
            Separator(),
            Item(A::ActionActionCut),
            Item(A::ActionActionCopy),
            Separator(),
            Item(A::ActionActionDelete),
            Item(A::ActionActionRename),
            Item(A::ActionActionProperties),
            Separator(),
            Item(A::ActionActionSelectAll),
            Item(A::ActionActionInvertSelection),
            Separator(),
            Item(A::ActionActionOpenContainingFolder)};
}

} // namespace

const std::array<TActionInfo, ActionCount>& ActionTable() {
    static const std::array<TActionInfo, ActionCount> table = {{
        {A::ActionFileExit, L"ActionFileExit", L"File", L"Exit", L"&Exit", -1, true, L""},
        {A::ActionActionOpen, L"ActionActionOpen", L"Actions", L"Open", L"O&pen", -1, true, L""},
        {A::ActionActionEdit, L"ActionActionEdit", L"Actions", L"Edit", L"&Edit", 8, false, L""},
        {A::ActionActionCut, L"ActionActionCut", L"Actions", L"Cut", L"&Cut", 15, true, L""},
        {A::ActionActionCopy, L"ActionActionCopy", L"Actions", L"Copy", L"Cop&y", 16, true, L""},
        {A::ActionActionDelete, L"ActionActionDelete", L"Actions", L"Delete", L"&Delete", 17, true, L""},
        {A::ActionActionRename, L"ActionActionRename", L"Actions", L"Rename", L"&Rename", -1, true, L""},
        {A::ActionActionProperties, L"ActionActionProperties", L"Actions", L"Properties", L"Proper&ties", -1,
         true, L""},
        {A::ActionActionSelectAll, L"ActionActionSelectAll", L"Actions", L"Select All", L"&Select All", -1,
         true, L""},
        {A::ActionActionInvertSelection, L"ActionActionInvertSelection", L"Actions", L"Invert Selection",
         L"&Invert Selection", -1, true, L""},
        {A::ActionActionOpenContainingFolder, L"ActionActionOpenContainingFolder", L"Actions",
         L"Open Containing Folder", L"&Open Containing Folder", -1, true, L""},
        {A::ActionToolsPreferences, L"ActionToolsPreferences", L"Tools", L"Preferences...",
         L"&Preferences...", 5, true, L""},
        {A::ActionExportSelectedItemsToClipboard, L"ActionExportSelectedItemsToClipboard", L"Export",
         L"Selected items to the clipboard", L"&Selected items to the clipboard", 11, true, L""},
        {A::ActionExportAlltemsToClipboard, L"ActionExportAlltemsToClipboard", L"Export",
         L"All items to the clipboard", L"&All items to the clipboard", 11, true, L""},
        {A::ActionExportAlltemsToTextFile, L"ActionExportAlltemsToTextFile", L"Export",
         L"All items to a text file", L"A&ll items to a text file", 9, true, L""},
        {A::ActionExportAlltemsToCommaDelimitedFile, L"ActionExportAlltemsToCommaDelimitedFile", L"Export",
         L"All items to a comma delimited file", L"All &items to a comma delimited file", 10, true, L""},
        {A::ActionHelpHelp, L"ActionHelpHelp", L"Help", L"Help", L"&Help", 3, true, L"F1"},
        {A::ActionHelpAbout, L"ActionHelpAbout", L"Help", L"About...", L"&About...", 0, true, L""},
        {A::ActionToolsNotSearched, L"ActionToolsNotSearched", L"Tools", L"Not Searched...",
         L"&Not Searched...", -1, false, L""},
        {A::ActionViewPreviewPane, L"ActionViewPreviewPane", L"View", L"Preview Pane", L"&Preview Pane", -1,
         true, L"Alt+P"},
        {A::ActionViewNextMatch, L"ActionViewNextMatch", L"View", L"Next Match", L"&Next Match", -1, false,
         L"F3"},
        {A::ActionViewPreviousMatch, L"ActionViewPreviousMatch", L"View", L"Previous Match",
         L"Pre&vious Match", -1, false, L"Shift+F3"},
    }};
    return table;
}

const TActionInfo& ActionInfo(TActionId id) {
    return ActionTable()[static_cast<size_t>(id)];
}

unsigned ActionCommand(TActionId id) {
    return ActionCommandBase + static_cast<unsigned>(id);
}

bool ActionFromCommand(unsigned command, TActionId& id) {
    if (command < ActionCommandBase || command >= ActionCommandBase + ActionCount)
        return false;
    id = static_cast<TActionId>(command - ActionCommandBase);
    return true;
}

const std::vector<TMenuEntry>& MainMenuLayout() {
    static const std::vector<TMenuEntry> layout = {
        Submenu(L"&File", {Item(A::ActionFileExit)}),
        Submenu(L"&Actions", ResultActions()),
        Submenu(L"&View", {Item(A::ActionViewPreviewPane), Separator(), Item(A::ActionViewNextMatch),
                           Item(A::ActionViewPreviousMatch)}),
        Submenu(L"&Tools", {Item(A::ActionToolsPreferences),
                            Submenu(L"&Export", {Item(A::ActionExportSelectedItemsToClipboard),
                                                 Item(A::ActionExportAlltemsToClipboard), Separator(),
                                                 Item(A::ActionExportAlltemsToTextFile),
                                                 Item(A::ActionExportAlltemsToCommaDelimitedFile)}),
                            Item(A::ActionToolsNotSearched)}),
        Submenu(L"&Help", {Item(A::ActionHelpHelp), Item(A::ActionHelpAbout)}),
    };
    return layout;
}

const std::vector<TMenuEntry>& PopupMenuLayout() {
    static const std::vector<TMenuEntry> layout = ResultActions();
    return layout;
}

} // namespace quarrow
