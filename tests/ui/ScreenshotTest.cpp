// Pictures of the four tabs for a person to look at (build/screenshots).

#include "WindowTestSupport.h"

#include "base/Text.h"

#include <string>

using namespace quarrow;
using namespace quarrow::test;

TEST_F(MainFormTest, SavesAPictureOfEachTab) {
    TMainForm& form = OpenForm(L"C:\\");
    const wchar_t* const names[] = {L"files", L"datesize", L"text", L"exclude"};
    for (int page = 0; page < 4; ++page) {
        form.SelectPage(page);
        RedrawWindow(form.Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
        Sleep(100);
        Pump();
        const std::wstring file =
            OutputFolder() + L"\\tab-" + names[page] + L"-" + std::to_wstring(form.Dpi()) + L"dpi.bmp";
        EXPECT_TRUE(SaveWindowBitmap(form.Handle(), file));
    }
}

TEST_F(MainFormTest, SavesAPictureOfTheMenus) {
    TMainForm& form = OpenForm(L"C:\\");
    for (int i = 0; i < 3; ++i)
        form.IDList.Add(std::make_unique<TShellItem>());
    form.TotalSelectedFiles = 1;
    form.UpdateActionStates();
    RECT window{};
    GetWindowRect(form.Handle(), &window);
    const std::pair<HMENU, const wchar_t*> menus[] = {{GetSubMenu(form.MainMenu(), 1), L"menu-actions"},
                                                      {GetSubMenu(form.MainMenu(), 2), L"menu-view"},
                                                      {GetSubMenu(form.MainMenu(), 3), L"menu-tools"},
                                                      {form.PopupActionMenuFull(), L"menu-popup"}};
    for (const auto& [menu, name] : menus) {
        const std::wstring file =
            OutputFolder() + L"\\" + name + L"-" + std::to_wstring(form.Dpi()) + L"dpi.bmp";
        bool saved = false;
        InspectNextMenu(
            [&](HWND menuWindow) { saved = menuWindow != nullptr && SaveWindowBitmap(menuWindow, file); });
        SetForegroundWindow(form.Handle());
        TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN, window.left + 40, window.top + 60, form.Handle(),
                         nullptr);
        EXPECT_TRUE(saved) << ToUtf8(name);
    }
    form.IDList.Clear();
}
