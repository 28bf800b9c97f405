#pragma once
// One search of the console program: the engine's host that writes each result as it is
// found, shows progress on a console and turns the outcome into the exit code.

#include "base/Handles.h"
#include "base/Prompt.h"
#include "cli/ConsoleOptions.h"
#include "cli/ConsoleOutput.h"
#include "cli/ResultLines.h"
#include "search/SearchEngine.h"
#include "settings/Settings.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

enum ExitCode { ExitFound = 0, ExitNothingFound = 1, ExitError = 2, ExitInterrupted = 3 };

// The console's answer to the engine's messages: the text on standard error.
class TConsolePrompt : public IPrompt {
public:
    explicit TConsolePrompt(TOutputStream& errors) : errors_(errors) {}
    PromptResult Message(PromptType type, const std::wstring& text, PromptButtons buttons) override;
    bool PickFolder(std::wstring&, const std::wstring&) override { return false; }
    bool BrowseFolder(std::wstring&, const std::wstring&, bool) override { return false; }
    bool SaveFileName(const FileDialogOptions&, std::wstring&) override { return false; }
    bool OpenFileName(const FileDialogOptions&, std::wstring&) override { return false; }

private:
    TOutputStream& errors_;
};

// Writes one line to standard error, as the console shows it or as UTF-8.
void WriteErrorLine(TOutputStream& errors, const std::wstring& text);

class TConsoleSearch : public TWindowlessSearchHost {
public:
    // `interrupted` is set from the console's control handler (Ctrl+C, Ctrl+Break).
    TConsoleSearch(const TConsoleOptions& options, HANDLE output, HANDLE errors,
                   const std::atomic<bool>& interrupted);
    ~TConsoleSearch() override;

    int Run();

    // ISearchHost.
    IPrompt& Prompt() override { return prompt_; }
    void SearchStarted() override;
    void SearchFinished() override {}
    void SetStatusText(int panel, const std::wstring& text) override;
    void ResultCountChanged(int count) override;
    void ProcessMessages() override;

private:
    std::vector<std::wstring> ExcludedFolders() const;
    bool OpenOutput();
    void WriteText(const std::wstring& text);
    void WriteNewResults();
    void WriteAnsiResults();
    void Poll();
    void StopWriting();
    bool FinishOutput();
    void ReportNotSearched();

    const TConsoleOptions& options_;
    TOutputStream errors_;
    TConsolePrompt prompt_;
    const std::atomic<bool>& interrupted_;
    TProgressLine progress_;
    TResultLines lines_;

    TSettings settings_;
    std::vector<std::wstring> excludeFoldersList_;
    TIDList idList_;
    std::unique_ptr<TSearchEngine> engine_;

    HANDLE standardOutput_;
    UniqueFile outputFile_;
    std::unique_ptr<TOutputStream> output_;
    // The window's encoding rule needs every name before the first byte is written.
    bool buffered_ = false;
    bool writing_ = true;
    bool outputFailed_ = false; // the output file could not be created or written
    long long found_ = 0;
    std::wstring pendingLines_; // kept between calls for its memory
    std::wstring folder_;
};

} // namespace quarrow
