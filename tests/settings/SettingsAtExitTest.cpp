// What reaches the settings file when the window goes: nothing from a window that failed
// before reading it, and the bounds a minimised or maximised window is restored to.

#include "settings/SettingsStore.h"
#include "ui/MainForm.h"

#include "common/TestSupport.h"

#include <commctrl.h>

#include <gtest/gtest.h>

using namespace quarrow;
using namespace quarrow::test;

// This program has no shell unit, so the window's shell component cannot be made: creation
// fails after the settings took their defaults and before the file was read.
TEST(SettingsAtExit, AWindowThatFailedBeforeReadingTheFileNeitherWritesItNorResets) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TempDir appData(L"appdata");
    SetEnvironmentVariableW(L"APPDATA", appData.Path().c_str());
    const std::string content = "[Preferences]\r\nSaveSearchData=1\r\nEditor=Z:\\my\\editor.exe\r\n"
                                "[SearchPatternHistoryList]\r\n0=*.kept\r\n";
    const std::wstring file = appData.WriteFile(L"Quarrow.ini", content);

    {
        TMainForm form;
        auto prompt = std::make_unique<ScriptedPrompt>();
        ScriptedPrompt& answers = *prompt;
        form.SetPrompt(std::move(prompt));
        EXPECT_FALSE(form.Create());
        EXPECT_EQ(nullptr, form.Handle());
        ASSERT_EQ(1u, answers.Records().size()) << "the cause is reported";
        EXPECT_EQ(PromptType::Error, answers.Records()[0].type);
        form.BtnResetClick();
    }
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    EXPECT_EQ(content, ReadFileBytes(file));
    SetEnvironmentVariableW(L"APPDATA", nullptr);
}

// Placements are in workspace coordinates: off by a taskbar at the top or the left.
TEST(SettingsAtExit, AMinimisedOrMaximisedWindowSavesItsRestoredScreenBounds) {
    const RECT window{-32000, -32000, -31840, -31970};
    const RECT normal{100, 60, 700, 560};
    const RECT monitor{0, 0, 1920, 1080};
    struct TCase {
        RECT workArea;
        RECT expected;
    };
    const TCase cases[] = {
        {{0, 40, 1920, 1080}, {100, 100, 700, 600}}, // taskbar at the top
        {{64, 0, 1920, 1080}, {164, 60, 764, 560}},  // at the left
        {{0, 0, 1920, 1040}, {100, 60, 700, 560}},   // at the bottom: the same coordinates
    };
    for (const TCase& test : cases) {
        const RECT saved = WindowBoundsToSave(window, true, normal, monitor, test.workArea);
        EXPECT_TRUE(EqualRect(&saved, &test.expected))
            << saved.left << "," << saved.top << "," << saved.right << "," << saved.bottom;
    }
    // A second monitor left of the primary one, its taskbar at the top.
    const RECT second = WindowBoundsToSave(window, true, normal, {-1280, 0, 0, 1024}, {-1280, 30, 0, 1024});
    EXPECT_EQ(90, second.top);
    EXPECT_EQ(100, second.left);
    const RECT shown{10, 20, 610, 520};
    const RECT kept = WindowBoundsToSave(shown, false, normal, monitor, {0, 40, 1920, 1080});
    EXPECT_TRUE(EqualRect(&kept, &shown)) << "a normal window saves where it is";
}
