#pragma once
// The action list: every user command of the main window with its category, captions,
// picture and designed enabled state, and the layouts of the main menu and the popup that
// are built from it. Window-free data.

#include <array>
#include <string>
#include <vector>

namespace quarrow {

enum class TActionId {
    ActionFileExit,
    ActionActionOpen,
    ActionActionEdit,
    ActionActionCut,
    ActionActionCopy,
    ActionActionDelete,
    ActionActionRename,
    ActionActionProperties,
    ActionActionSelectAll,
    ActionActionInvertSelection,
    ActionActionOpenContainingFolder,
    ActionToolsPreferences,
    ActionExportSelectedItemsToClipboard,
    ActionExportAlltemsToClipboard,
    ActionExportAlltemsToTextFile,
    ActionExportAlltemsToCommaDelimitedFile,
    ActionHelpHelp,
    ActionHelpAbout,
    ActionToolsNotSearched,
    ActionViewPreviewPane,
    ActionViewNextMatch,
    ActionViewPreviousMatch,
};

constexpr int ActionCount = 22;

struct TActionInfo {
    TActionId Id;
    const wchar_t* Name;
    const wchar_t* Category;
    const wchar_t* Caption;
    const wchar_t* MenuCaption; // with its accelerator letter
    int ImageIndex;             // in ImageListMain32b; -1 for none
    bool EnabledAsDesigned;
    const wchar_t* ShortCut; // shown in the menu ("F1", "Alt+P", "Shift+F3"); empty for none
};

const std::array<TActionInfo, ActionCount>& ActionTable();
const TActionInfo& ActionInfo(TActionId id);

// The menu command identifier of an action, and back.
constexpr unsigned ActionCommandBase = 40001;
unsigned ActionCommand(TActionId id);
bool ActionFromCommand(unsigned command, TActionId& id);

// One entry of a menu layout: an action, a separator, or a submenu with its own entries.
struct TMenuEntry {
    enum class Kind { Action, Separator, Submenu };
    Kind EntryKind = Kind::Separator;
    TActionId Action = TActionId::ActionFileExit;
    std::wstring Caption; // of a submenu
    std::vector<TMenuEntry> Children;
};

// The top-level menus of the menu bar, each a submenu entry.
const std::vector<TMenuEntry>& MainMenuLayout();
// The results list's popup.
const std::vector<TMenuEntry>& PopupMenuLayout();

// The images of ImageListMain32b that the window uses beyond the actions.
constexpr int ImageIndexExcludedFolder = 14;
constexpr int ImageListMain32bCount = 18;

} // namespace quarrow
