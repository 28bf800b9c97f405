#pragma once
// Helpers shared by the test programs.

#include "base/Prompt.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <set>
#include <mutex>
#include <vector>

namespace quarrow::test {

// A fresh folder under the build tree (or %TEMP%), removed with everything in it when the
// object goes out of scope.
class TempDir {
public:
    explicit TempDir(const std::wstring& tag = L"t");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return path_; }    // no trailing backslash
    std::wstring Sub(const std::wstring& relative) const; // Path() + "\" + relative
    // Creates a file (and its folders) with the given bytes; returns the full path.
    std::wstring WriteFile(const std::wstring& relative, const std::string& content = {}) const;
    std::wstring MakeDir(const std::wstring& relative) const;

private:
    std::wstring path_;
};

// Creates a file, and the folders above it, through "\\?\" paths: at any depth, and with
// names that end in a dot or a blank kept as given. Returns `path`.
std::wstring WriteFileExactly(const std::wstring& path, const std::string& content = {});
// Folders below `base`, each named with 40 of one letter (a, b, ...), until the path is at
// least `length` characters long; returns the deepest (no trailing backslash).
std::wstring MakeDeepFolder(const std::wstring& base, size_t length);

// "Z:\a\b" names the Linux path "/a/b" under Wine; empty for any other path.
std::wstring LinuxPath(const std::wstring& path);

// Runs a Linux program (such as "/bin/rm -rf") on the Linux forms of one or two Z: paths,
// and waits until `done` holds (by default: `path` no longer exists). False when the
// program cannot be started or `done` does not come true within 5 s.
bool RunLinuxCommand(const std::wstring& program, const std::wstring& path,
                     const std::wstring& secondPath = {}, const std::function<bool()>& done = {});

// Ends the process with a message naming the test and the step it was at when the test
// has not ended within `limit`: a hang then fails at once and says where, instead of
// running into ctest's time-out with no word after the test's first line.
class Watchdog {
public:
    explicit Watchdog(DWORD limitSeconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    void Step(const char* step);

private:
    static DWORD WINAPI Watch(void* self);
    const DWORD limitSeconds_;
    std::string test_;
    std::atomic<const char*> step_{"starting"};
    HANDLE ended_;
    HANDLE thread_;
};

// The whole content of a file (empty when it cannot be read).
std::string ReadFileBytes(const std::wstring& path);

// The build folder (QUARROW_BUILD_DIR, set by ctest) as a Windows path, or empty.
std::wstring BuildFolder();
// The folder where tests keep their output (screenshots): the build folder when known.
std::wstring OutputFolder();

// Saves the window's screen area as a 24-bit BMP file; false on failure.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

// Sets a file's last-write time from a local SYSTEMTIME-like date.
bool SetLastWriteTimeUtc(const std::wstring& path, int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0);

// A prompt that records every request and answers from a script.
class ScriptedPrompt : public IPrompt {
public:
    enum class Kind { Message, PickFolder, BrowseFolder, SaveFile, OpenFile, ModalForm };
    struct Record {
        Kind kind;
        PromptType type = PromptType::Information;
        PromptButtons buttons = PromptButtons::Ok;
        std::wstring text;   // the message, or the dialog's title
        std::wstring detail; // the start folder or the dialog's filter
    };
    struct Answer {
        PromptResult result = PromptResult::Ok;
        bool accept = true;
        std::wstring path;
    };

    // Answers are used in order; with none left, messages get OK (No for a question) and
    // dialogs are cancelled.
    void Queue(Answer answer) { answers_.push_back(std::move(answer)); }
    void QueueResult(PromptResult result) { Queue({result, true, {}}); }
    void QueuePath(const std::wstring& path) { Queue({PromptResult::Ok, true, path}); }
    void QueueCancel() { Queue({PromptResult::Cancel, false, {}}); }

    const std::vector<Record>& Records() const { return records_; }
    void Clear() { records_.clear(); }

    PromptResult Message(PromptType type, const std::wstring& text, PromptButtons buttons) override;
    bool PickFolder(std::wstring& folder, const std::wstring& title) override;
    bool BrowseFolder(std::wstring& folder, const std::wstring& title, bool newStyle) override;
    bool SaveFileName(const FileDialogOptions& options, std::wstring& path) override;
    bool OpenFileName(const FileDialogOptions& options, std::wstring& path) override;
    // Records the form's caption and answers without showing it.
    PromptResult ShowModalForm(IModalForm& form) override;

private:
    bool NextDialogAnswer(std::wstring& path);

    std::vector<Record> records_;
    std::deque<Answer> answers_;
};

// Starts a Linux program (its path and arguments, Linux paths) through Wine's start; false
// when it could not be started. Wine does not wait for a Linux program: poll for its effect.
bool StartLinuxProgram(const std::wstring& commandLine);
// Z:\a\b as /a/b.
std::wstring ZDriveLinuxPath(const std::wstring& zDrivePath);

// Waits for a top-level window of another process whose caption contains `text`
// (ignoring case); null after the timeout.
HWND WaitForOtherProcessWindow(const std::wstring& text, DWORD timeoutMs = 15000);

// Answers every visible dialog (#32770) of this process that appears while it lives by
// posting WM_COMMAND with `command` (IDYES, IDNO, IDOK, IDCANCEL).
class DialogAnswerer {
public:
    explicit DialogAnswerer(WORD command);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    int Answered();
    std::vector<std::wstring> Captions();

private:
    void Watch();

    WORD command_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::set<HWND> seen_;
    std::vector<std::wstring> captions_;
    std::thread thread_;
};

} // namespace quarrow::test
