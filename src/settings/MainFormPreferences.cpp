// TMainForm: the Preferences command, and the Type column following its setting.

#include "ui/MainForm.h"

#include "search/SearchEngine.h"

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
// are fetched again as rows are drawn, with the icons.
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
    InvalidateRect(controls_.ListViewResults, nullptr, FALSE);
}

} // namespace quarrow
