// TMainForm: the Preferences command, and the Type column following its setting.

#include "ui/MainForm.h"

#include "search/SearchEngine.h"

#include <algorithm>

namespace quarrow {

void TMainForm::ActionToolsPreferencesExecute() {
    TPreferencesForm& preferences = PreferencesForm();
    preferences.SelectPage(0);
    preferences.ShowModal();
    if (handle_ == nullptr || !PreferencesHaveBeenChanged)
        return;
    PreferencesHaveBeenChanged = false;
    // The actions first: a refused save is reported as an error and must not leave the Edit
    // action out of step with the editor now in force.
    UpdateActionStates();
    SaveSettings();
}

// Records already drawn hold the type name or the extension of the old setting. Type names
// are fetched again, with the icons, for the rows in view and as other rows are drawn.
void TMainForm::ShowTypeInsteadOfExtensionChanged() {
    for (int i = 0; i < IDList.Count(); ++i) {
        TShellItem& record = IDList[i];
        if (Settings.ShowTypeInsteadOfExtension) {
            record.FileType.clear();
            record.InfoLoaded = false;
        } else {
            record.FileType = TSearchEngine::GetFileExtension(record.Name);
        }
    }
    // A repaint need not bring a range hint; the rows in view are fetched here.
    const HWND list = controls_.ListViewResults;
    if (Settings.ShowTypeInsteadOfExtension && IDList.Count() > 0) {
        const int top = std::max(ListView_GetTopIndex(list), 0);
        const int last = std::min(top + ListView_GetCountPerPage(list), IDList.Count() - 1);
        if (top <= last)
            ListViewResultsDataHint(top, last);
    }
    InvalidateRect(list, nullptr, FALSE);
}

} // namespace quarrow
