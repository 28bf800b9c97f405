#pragma once
// Thin, non-owning helpers over the controls' messages.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace quarrow {

// Registers a window class of this module painted in the face colour of dialogs.
void RegisterFaceColouredClass(const wchar_t* name, WNDPROC procedure, const wchar_t* cursor = IDC_ARROW);
// A visible child control made with no size; the layout places it.
HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                 int id);
// A dialog without controls, font or caption, made from an in-memory template.
HWND CreateEmptyDialog(HWND parent, DWORD style, DWORD exStyle, DLGPROC procedure, LPARAM parameter);
// A tab sheet takes the themed body of a tab page when the platform offers it.
void EnableTabPageTexture(HWND sheet);

// The page a key asks a tab control to move to, as tabbed dialogs do: Ctrl+Tab and
// Ctrl+PageDown go to the next page, Ctrl+Shift+Tab and Ctrl+PageUp to the previous one,
// wrapping round. -1 when `message` is no such key or the control has no page.
int PageFromKey(const MSG& message, HWND tabControl);
// After a page change from the keyboard, the focus leaves a control of the page now hidden
// for the tab control.
void KeepFocusOffHiddenPage(HWND hiddenSheet, HWND tabControl);
// Sets the caption of a tab. A tab that gets narrower leaves its old border behind on some
// platforms, so the row of tabs is drawn again when a caption changes.
void SetTabCaption(HWND tabControl, int index, const std::wstring& caption);

// Whether a control is asked for its dialog code (WM_GETDLGCODE, whose parameter is given)
// about the Enter key going down: a list that acts on Enter then wants it, rather than let
// the window's default button take it.
bool AsksAboutEnter(LPARAM dialogCodeParameter);
// Centres a top-level window on its owner, kept on the owner's screen, caption first.
void CenterOnOwner(HWND window, HWND owner);

std::wstring WindowText(HWND window);
// The size `text` takes in the control's font.
SIZE TextExtentIn(HWND control, const std::wstring& text);
void SetWindowTextOf(HWND window, const std::wstring& text);

bool IsChecked(HWND button);
void SetChecked(HWND button, bool checked);

// The items of a combo box; the edit text is kept.
void SetComboItems(HWND combo, const std::vector<std::wstring>& items);
std::vector<std::wstring> ComboItems(HWND combo);
int ComboIndex(HWND combo);
void SetComboIndex(HWND combo, int index);

int UpDownPosition(HWND upDown);
void SetUpDownPosition(HWND upDown, int position);

bool PickerValue(HWND picker, SYSTEMTIME& value);
void SetPickerValue(HWND picker, const SYSTEMTIME& value);

std::wstring StatusText(HWND statusBar, int panel);
void SetStatusTextOf(HWND statusBar, int panel, const std::wstring& text);

// Stops a control from painting while it lives, then has it painted whole once. Under Wine
// a list view paints each row whose selection changes at once: selecting 100,000 rows that
// way takes ten seconds, and a tenth of a second without.
class TRedrawSuspended {
public:
    explicit TRedrawSuspended(HWND control);
    ~TRedrawSuspended();
    TRedrawSuspended(const TRedrawSuspended&) = delete;
    TRedrawSuspended& operator=(const TRedrawSuspended&) = delete;

private:
    HWND control_;
};

// Messages to a list view that go straight to the control's own procedure, past the
// subclass chain: under Wine every message through SetWindowSubclass asks the server for the
// chain (about 15 microseconds), which a loop over 100,000 rows cannot afford. Only for
// messages no subclass of the list handles.
class TListViewDirect {
public:
    explicit TListViewDirect(HWND list);

    int Count() const;
    int SelectedCount() const;
    // The next selected row after `row` (-1: from the start); -1 when there is none.
    int NextSelected(int row) const;
    // Row -1 stands for every row.
    void SetSelected(int row, bool selected) const;

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;

    HWND list_;
    WNDPROC procedure_;
};

} // namespace quarrow
