// The Help command with and without its file and library, the help library's loader, and
// the About box.

#include "WindowTestSupport.h"

#include "ui/Controls.h"
#include "ui/HtmlHelp.h"

#include <filesystem>
#include <functional>
#include <utility>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::wstring WindowsFolder() {
    wchar_t buffer[MAX_PATH] = {};
    GetWindowsDirectoryW(buffer, MAX_PATH);
    return buffer;
}

// A visible top-level window of this process with the given caption.
HWND FindOwnWindow(const std::wstring& caption) {
    struct TSearch {
        std::wstring caption;
        HWND found;
    } search{caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM value) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(value);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
                WindowText(window) == s->caption) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// F1 as the user presses it, through the window's accelerator.
void PressF1(HWND window) {
    PostMessageW(window, WM_KEYDOWN, VK_F1, 0);
    PostMessageW(window, WM_KEYUP, VK_F1, 0xC0000001);
}

std::function<void()> g_whileModal;
void CALLBACK RunWhileModal(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    std::exchange(g_whileModal, nullptr)();
}

} // namespace

TEST(HtmlHelpLoader, TriesTheSystemFolderFirstAndThenTheRegisteredFullPath) {
    const auto candidates =
        HtmlHelpCandidates({L"C:\\windows\\system32", L"C:\\windows", L"%systemroot%\\SysWOW64\\hhctrl.ocx"});
    ASSERT_EQ(2u, candidates.size());
    EXPECT_EQ(L"C:\\windows\\system32\\hhctrl.ocx", candidates[0]);
    EXPECT_EQ(L"C:\\windows\\SysWOW64\\hhctrl.ocx", candidates[1]);
    // A bare name would be looked for in the current folder too.
    EXPECT_EQ(1u, HtmlHelpCandidates({L"C:\\windows\\system32", L"C:\\windows", L"hhctrl.ocx"}).size());
    EXPECT_EQ(1u, HtmlHelpCandidates(
                      {L"C:\\windows\\system32", L"C:\\windows", L"C:\\WINDOWS\\System32\\hhctrl.ocx"})
                      .size());

    TempDir empty(L"nohelp");
    UnloadHtmlHelp();
    LoadHtmlHelpFrom({empty.Path(), WindowsFolder(), L"%SystemRoot%\\nowhere\\hhctrl.ocx"});
    EXPECT_EQ(nullptr, HtmlHelpEntry());
    LoadHtmlHelpFrom({empty.Path(), WindowsFolder(), L"%SYSTEMROOT%\\system32\\hhctrl.ocx"});
    EXPECT_NE(nullptr, HtmlHelpEntry());
    UnloadHtmlHelp();
    EXPECT_EQ(nullptr, HtmlHelpEntry());
}

TEST_F(MainFormTest, HelpOpensTheViewerOrWarnsWhenTheFileOrTheLibraryIsMissing) {
    const std::wstring helpFile = HelpFilePath();
    std::error_code ignored;
    std::filesystem::remove(helpFile, ignored);
    TMainForm& form = OpenForm();
    LoadHtmlHelp();

    PressF1(form.Handle());
    Pump();
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(PromptType::Warning, Prompt().Records()[0].type);
    EXPECT_EQ(L"The help file 'QRWHelp.chm' could not be found.", Prompt().Records()[0].text);

    Prompt().Clear();
    ASSERT_TRUE(std::filesystem::copy_file(BuildFolder() + L"\\QRWHelp.chm", helpFile,
                                           std::filesystem::copy_options::overwrite_existing));
    PressF1(form.Handle());
    Pump();
    EXPECT_TRUE(Prompt().Records().empty());
    const HWND viewer = FindOwnWindow(L"Quarrow Help");
    ASSERT_NE(nullptr, viewer);
    SaveWindowBitmap(viewer, OutputFolder() + L"\\help-viewer.bmp");
    EXPECT_EQ(nullptr, GetWindow(viewer, GW_OWNER)); // not owned by the main window

    UnloadHtmlHelp(); // closes the viewer first
    Pump();
    EXPECT_FALSE(IsWindow(viewer));
    PressF1(form.Handle());
    Pump();
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(L"The help file 'QRWHelp.chm' could not be opened.", Prompt().Records()[0].text);
    std::filesystem::remove(helpFile, ignored);
}

TEST_F(MainFormTest, AboutBoxShowsTheProductAndVersionAndOpensItsLinks) {
    TMainForm& form = OpenForm();
    TAboutForm* about = form.AboutForm();
    ASSERT_NE(nullptr, about);
    EXPECT_FALSE(IsWindowVisible(about->Handle()));
    EXPECT_EQ(L"About Quarrow", WindowText(about->Handle()));
    EXPECT_EQ(L"Quarrow", WindowText(about->LabelProductName));
    EXPECT_EQ(L"Version 2.1.0", WindowText(about->LabelVersion));
    EXPECT_EQ(L"Contact information:", WindowText(about->LabelContact));
    EXPECT_EQ(L"&OK", WindowText(about->ButtonOK));

    std::vector<std::wstring> opened;
    about->OpenLink = [&](const std::wstring& address) { opened.push_back(address); };
    for (HWND label : {about->LabelInternet, about->LabelEmail}) {
        SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(L"https://quarrow.example.org/", opened[0]);
    EXPECT_EQ(L"mailto:support@quarrow.example.org?subject=Quarrow v2.1.0", opened[1]);

    const auto cursorOver = [&](HWND control) {
        SendMessageW(about->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), cursorOver(about->LabelEmail));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), cursorOver(about->LabelVersion));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), cursorOver(about->LabelInternet));

    form.ExecuteAction(TActionId::ActionHelpAbout);
    ASSERT_EQ(1u, Prompt().Records().size());
    EXPECT_EQ(ScriptedPrompt::Kind::ModalForm, Prompt().Records()[0].kind);
    EXPECT_EQ(L"About Quarrow", Prompt().Records()[0].text);
}

// The box's own modal loop: centred on the disabled main window, closed by OK, reused.
TEST_F(MainFormTest, AboutBoxRunsModallyOverTheMainWindowAndClosesWithOk) {
    TMainForm& form = OpenForm();
    TAboutForm& about = *form.AboutForm();
    for (int showing = 0; showing < 2; ++showing) {
        bool seen = false;
        g_whileModal = [&] {
            seen = IsWindowVisible(about.Handle()) && !IsWindowEnabled(form.Handle());
            RECT box{}, main{};
            GetWindowRect(about.Handle(), &box);
            GetWindowRect(form.Handle(), &main);
            EXPECT_NEAR((main.left + main.right) / 2, (box.left + box.right) / 2, 2);
            RECT client{};
            GetClientRect(about.Handle(), &client);
            EXPECT_EQ(form.Scale(339), client.right);
            EXPECT_EQ(form.Scale(248), client.bottom);
            if (showing == 0) {
                SaveWindowBitmap(about.Handle(), OutputFolder() + L"\\about.bmp");
                SendMessageW(about.ButtonOK, BM_CLICK, 0, 0);
            } else {
                PostMessageW(about.ButtonOK, WM_KEYDOWN, VK_ESCAPE, 0);
            }
        };
        SetTimer(nullptr, 0, 200, RunWhileModal);
        EXPECT_EQ(PromptResult::Ok, about.ShowModal());
        EXPECT_TRUE(seen);
        EXPECT_FALSE(IsWindowVisible(about.Handle()));
        EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    }
}
