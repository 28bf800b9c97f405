#include "cli/ConsoleSearch.h"

#include "base/FileSystem.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "results/Export.h"
#include "settings/ExcludeFolders.h"
#include "settings/SettingsStore.h"

namespace quarrow {
namespace {

// The platform's FileIdInfo class (from Windows 8 on), which this program's headers leave out.
constexpr auto FileIdInformation = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct TFileIdInformation {
    ULONGLONG VolumeSerialNumber;
    uint64_t FileId[2];
};

std::wstring FinalName(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file, path.data(), MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        path.resize(length);
        length = GetFinalPathNameByHandleW(file, path.data(), length, FILE_NAME_NORMALIZED);
    }
    if (length == 0 || length >= path.size())
        return {};
    path.resize(length);
    return path.substr(path.find_last_of(L'\\') + 1);
}

// The file the results go to, when they go to one: the walk leaves it out. Under Wine a
// redirection made by a Linux shell comes without a name and tells only the file's index.
std::optional<TSearchEngine::TLeftOutFile> OutputFileIdentity(HANDLE output) {
    if (GetFileType(output) != FILE_TYPE_DISK)
        return std::nullopt;
    TSearchEngine::TLeftOutFile file;
    BY_HANDLE_FILE_INFORMATION info;
    TFileIdInformation id{};
    if (GetFileInformationByHandle(output, &info)) {
        file.Volume = info.dwVolumeSerialNumber;
        file.Index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        file.Name = FinalName(output);
    } else if (GetFileInformationByHandleEx(output, FileIdInformation, &id, sizeof(id))) {
        file.Volume = static_cast<DWORD>(id.VolumeSerialNumber);
        file.Index = id.FileId[0];
    } else {
        return std::nullopt;
    }
    if (!file.Name.empty())
        return file;
    // A redirection emptied the file just before the program started, and every write since
    // has made it newer.
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return std::nullopt;
    constexpr uint64_t Slack = 2 * 10000000ULL;
    const uint64_t since = ((uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime) - Slack;
    file.WrittenSince = {static_cast<DWORD>(since), static_cast<DWORD>(since >> 32)};
    return file;
}

} // namespace

PromptResult TConsolePrompt::Message(PromptType, const std::wstring& text, PromptButtons buttons) {
    WriteErrorLine(errors_, text);
    return buttons == PromptButtons::YesNo ? PromptResult::No : PromptResult::Ok;
}

void WriteErrorLine(TOutputStream& errors, const std::wstring& text) {
    std::wstring line = text;
    // The window's messages break their lines with CR LF; a console and a pipe both read LF.
    for (size_t at = line.find(L"\r\n"); at != std::wstring::npos; at = line.find(L"\r\n", at))
        line.erase(at, 1);
    errors.WriteText(line + L"\n");
    errors.Flush();
}

TConsoleSearch::TConsoleSearch(const TConsoleOptions& options, HANDLE output, HANDLE errors,
                               const std::atomic<bool>& interrupted)
    : options_(options), errors_(errors), prompt_(errors_), interrupted_(interrupted),
      progress_(options.Quiet ? nullptr : errors), lines_(options.Format), standardOutput_(output) {}

TConsoleSearch::~TConsoleSearch() = default;

// The folders the walker compares are full paths without a trailing backslash (a drive root
// keeps its own), as the window's list keeps them.
std::vector<std::wstring> TConsoleSearch::ExcludedFolders() const {
    std::vector<std::wstring> folders;
    if (options_.UseSavedExclusions) {
        TSettings saved;
        TSettingsLists lists;
        LoadSettings(SettingsFilePath(), TDesignedGeometry{}, saved, lists);
        folders = lists.ExcludeFoldersList;
    }
    for (const std::wstring& folder : options_.ExcludeFolders) {
        const std::wstring expanded = ExcludedFolderPath(ExpandNamedPath(folder));
        if (!expanded.empty() && IndexOfIgnoreCase(folders, expanded) < 0)
            folders.push_back(expanded);
    }
    return folders;
}

int TConsoleSearch::Run() {
    excludeFoldersList_ = ExcludedFolders();
    settings_.ExcludeFolders = !excludeFoldersList_.empty();
    buffered_ = options_.Ansi && (!options_.OutputFile.empty() || !IsConsoleHandle(standardOutput_));
    engine_ = std::make_unique<TSearchEngine>(idList_, settings_, excludeFoldersList_, *this);
    engine_->BuildDriveLists();

    if (!engine_->Launch(options_.Input))
        return ExitError;
    if (buffered_ && !outputFailed_)
        WriteAnsiResults();
    else
        WriteNewResults();
    progress_.Clear();
    const bool written = FinishOutput();
    ReportNotSearched();
    if (!written)
        return ExitError;
    if (interrupted_)
        return ExitInterrupted;
    return found_ > 0 ? ExitFound : ExitNothingFound;
}

void TConsoleSearch::SearchStarted() {
    if (!OpenOutput()) {
        outputFailed_ = true;
        StopWriting();
        WriteErrorLine(errors_, L"Could not write to file " + TypedFilePath(options_.OutputFile));
        return;
    }
    engine_->LeftOutFile = OutputFileIdentity(output_->Handle());
    if (!buffered_) {
        const std::wstring header = lines_.Header();
        if (!header.empty())
            WriteText(header + std::wstring(lines_.LineEnd()));
    }
}

bool TConsoleSearch::OpenOutput() {
    if (options_.OutputFile.empty()) {
        output_ = std::make_unique<TOutputStream>(standardOutput_);
        return true;
    }
    // Through its long form, a file of any depth.
    const std::wstring path = ExtendedLengthPath(TypedFilePath(options_.OutputFile));
    outputFile_.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!outputFile_)
        return false;
    output_ = std::make_unique<TOutputStream>(outputFile_.Get());
    return true;
}

void TConsoleSearch::SetStatusText(int panel, const std::wstring& text) {
    if (panel == 0)
        folder_ = text;
    Poll();
}

void TConsoleSearch::ResultCountChanged(int) {
    if (buffered_) {
        found_ = idList_.Count();
        if (options_.MaxResults > 0 && found_ >= options_.MaxResults)
            engine_->Stop();
    } else {
        WriteNewResults();
    }
    Poll();
}

void TConsoleSearch::ProcessMessages() {
    Poll();
}

void TConsoleSearch::Poll() {
    if (interrupted_)
        StopWriting();
    if (output_ != nullptr && writing_) {
        // Results on the console the progress line is on take its place at once.
        if (!output_->IsConsole()) {
            output_->FlushIfDue();
        } else if (output_->Pending()) {
            progress_.Clear();
            output_->Flush();
        }
    }
    progress_.Show(found_, folder_);
}

// The results found since the last call. Once written, a record is not needed again: the
// list stays small however many results a search finds.
void TConsoleSearch::WriteNewResults() {
    std::wstring& text = pendingLines_;
    text.clear();
    for (int i = 0; i < idList_.Count() && writing_; ++i) {
        lines_.AppendLine(text, idList_[i]);
        text += lines_.LineEnd();
        ++found_;
        if (options_.MaxResults > 0 && found_ >= options_.MaxResults) {
            engine_->Stop();
            break;
        }
    }
    idList_.Clear();
    WriteText(text);
    if (options_.MaxResults > 0 && found_ >= options_.MaxResults)
        writing_ = false;
}

// The window's rule: the ANSI code page when every character fits, else UTF-8 with a
// byte-order mark.
void TConsoleSearch::WriteAnsiResults() {
    if (options_.MaxResults > 0)
        while (idList_.Count() > options_.MaxResults)
            idList_.Delete(idList_.Count() - 1);
    found_ = idList_.Count();
    const TExportEncoding encoding = ChooseExportEncoding(idList_, TLocaleFormat::User());
    const UINT codePage = encoding == TExportEncoding::Utf8 ? CP_UTF8 : CP_ACP;
    std::string bytes(ExportByteOrderMark(encoding));
    bytes += EncodeExportText(lines_.Header(), encoding) + "\r\n";
    output_->WriteBytes(bytes, codePage);
    std::wstring line;
    for (int i = 0; i < idList_.Count() && !output_->Failed(); ++i) {
        line.clear();
        lines_.AppendLine(line, idList_[i]);
        output_->WriteBytes(EncodeExportText(line, encoding) + "\r\n", codePage);
    }
}

void TConsoleSearch::WriteText(const std::wstring& text) {
    if (!writing_ || output_ == nullptr || text.empty())
        return;
    output_->WriteText(text);
    if (output_->Failed())
        StopWriting();
}

// A write error (a closed pipe) or Ctrl+C ends the walk as Stop does.
void TConsoleSearch::StopWriting() {
    if (engine_ != nullptr)
        engine_->Stop();
    if (interrupted_ && output_ != nullptr && !output_->Failed())
        return;
    writing_ = false;
}

// Nothing is missed in silence: the number at the end, and on request every entry with its
// reason.
void TConsoleSearch::ReportNotSearched() {
    const TNotSearched& notSearched = engine_->NotSearched;
    if (notSearched.Count() == 0)
        return;
    const std::wstring count = std::to_wstring(notSearched.Count());
    if (!options_.ListNotSearched) {
        WriteErrorLine(errors_, L"Not searched: " + count + L" (--list-not-searched lists them)");
        return;
    }
    const int64_t unlisted = notSearched.Count() - static_cast<int64_t>(notSearched.Entries().size());
    WriteErrorLine(errors_,
                   NotSearchedListText(notSearched) + L"Not searched: " + count +
                       (unlisted > 0 ? L" (" + std::to_wstring(unlisted) + L" of them not listed)" : L""));
}

// A pipe that closed ends the output quietly; any other write that failed (a full disk
// behind a redirection, an output file that could not be written) is an error.
bool TConsoleSearch::FinishOutput() {
    if (outputFailed_)
        return false;
    if (output_ == nullptr)
        return true;
    if (output_->IsConsole() && output_->Pending())
        progress_.Clear();
    const bool written = output_->Flush();
    if (options_.OutputFile.empty()) {
        if (written || IsClosedPipe(output_->Error()))
            return true;
        WriteErrorLine(errors_, L"Could not write the results: " + SystemErrorText(output_->Error()) + L".");
        return false;
    }
    const bool closed = CloseHandle(outputFile_.Release()) != FALSE;
    if (written && closed)
        return true;
    WriteErrorLine(errors_, L"Could not write to file " + TypedFilePath(options_.OutputFile));
    return false;
}

} // namespace quarrow
