#pragma once
// Thin, non-owning helpers over the controls' messages.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace quarrow {

std::wstring WindowText(HWND window);
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

} // namespace quarrow
