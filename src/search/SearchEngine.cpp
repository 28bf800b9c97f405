#include "search/SearchEngine.h"

#include "base/FileSystem.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "search/Criteria.h"
#include "search/FolderPrefetcher.h"
#include "search/ModificationTime.h"
#include "search/ReadAhead.h"
#include "search/Searches.h"

#include <algorithm>
#include <chrono>

namespace quarrow {
namespace {

constexpr wchar_t LocalHardDrives[] = L"Local Hard Drives";

// ASCII texts compare as the locale compares them when only the case of A to Z is
// ignored; that spares the locale's comparison for nearly every file.
bool SameAsciiTextIgnoreCase(const std::wstring& a, const std::wstring& b) {
    const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

bool IsAscii(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

bool InExtensionList(const std::vector<std::wstring>& list, const std::wstring& extension) {
    if (extension.empty())
        return false;
    for (const std::wstring& entry : list) {
        const bool same = IsAscii(entry) && IsAscii(extension) ? SameAsciiTextIgnoreCase(entry, extension)
                                                               : SameTextIgnoreCase(entry, extension);
        if (same)
            return true;
    }
    return false;
}

} // namespace

TSearchEngine::TSearchEngine(TIDList& idList, const TSettings& settings,
                             const std::vector<std::wstring>& excludeFoldersList, ISearchHost& host)
    : ExeFiles(SplitCommaText(L"exe,com,dll,sys,bin,tlb,pdb")),
      MediaFiles(SplitCommaText(L"asf,wma,wmv,avi,mpg,mpeg,mp3,cda,wav,jpg,jpeg,gif,bmp,tif,tiff,ico,png")),
      idList_(idList), settings_(settings), excludeFoldersList_(excludeFoldersList), host_(host),
      fileSearch_(std::make_unique<TFileSearch>()), timeRule_(std::make_unique<TModificationTimeRule>()),
      prefetcher_(std::make_unique<TFolderPrefetcher>()),
      largestFileMappedAhead_(std::make_shared<std::atomic<int64_t>>(0)),
      filesAhead_(std::make_unique<TReadAhead<TMappedFile>>(
          [largest = largestFileMappedAhead_](const std::wstring& path) {
              return MapWholeFile(path, *largest);
          },
          MaxFilesMappedAhead, ThreadsForCores(MostFileThreads))) {
    // Stop reaches a walk that is inside a very large file.
    fileSearch_->OnProgress = [this] {
        Pump();
        return RunState.SearchInProgress;
    };
}

TSearchEngine::~TSearchEngine() = default;

UINT TSearchEngine::SystemDriveType(const std::wstring& root) {
    return GetDriveTypeW(root.c_str());
}

void TSearchEngine::BuildDriveLists(const TDriveTypeQuery& driveType) {
    FixedDriveList.clear();
    OtherDriveList.clear();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        switch (driveType(root)) {
        case DRIVE_FIXED:
            FixedDriveList.push_back(root);
            break;
        case DRIVE_REMOTE:
        case DRIVE_CDROM:
        case DRIVE_RAMDISK:
            OtherDriveList.push_back(root);
            break;
        default:
            break;
        }
    }
}

std::wstring TSearchEngine::GetFileExtension(const std::wstring& name) {
    const size_t last = name.find_last_of(L".\\:");
    if (last == std::wstring::npos || name[last] != L'.')
        return {};
    return name.substr(last + 1);
}

bool TSearchEngine::Launch(const TSearchInput& input) {
    if (walking_)
        return false;
    host_.SetChangeMonitoring(false);
    std::wstring location;
    bool allDrives = false;
    if (!ReadCriteria(input, location, allDrives))
        return false;

    RunState.SearchInProgress = true;
    RunState.FindStopped = false;
    NotSearched.Clear();
    const auto start = std::chrono::steady_clock::now();
    idList_.Clear();
    host_.SearchStarted();

    // The end runs however the walk ends; an error then goes on to the caller.
    const auto finish = [this] {
        walking_ = false;
        RunState.SearchInProgress = false;
        host_.SearchFinished();
        if (!idList_.Empty())
            host_.SetChangeMonitoring(true);
    };
    walking_ = true;
    try {
        Walk(allDrives, location);
    } catch (...) {
        finish();
        throw;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    RunState.ElapsedTime = elapsed.count() / 86400.0;
    finish();
    return true;
}

bool TSearchEngine::ReadCriteria(const TSearchInput& input, std::wstring& location, bool& allDrives) {
    if (PatternNamesAFolder(input.PatternText)) {
        ShowInformation(host_.Prompt(), L"The name cannot contain a folder. Put the folder in Location.");
        host_.FocusSearchPattern();
        return false;
    }
    if (!input.PatternText.empty())
        host_.UpdateSearchPatternHistory(input.PatternText);
    Criteria.SearchPattern = NormaliseSearchPattern(input.PatternText);
    Criteria.SearchWord =
        input.PatternText.find_first_of(L"*?") == std::wstring::npos ? input.PatternText : L"";

    allDrives = false;
    if (input.LocationText.empty()) {
        ShowInformation(host_.Prompt(), L"Specify a folder to start the search in.  ");
        host_.FocusSearchLocation();
        return false;
    }
    if (input.LocationText == LocalHardDrives) {
        allDrives = true;
    } else {
        location = ExpandNamedPath(input.LocationText);
        if (location.empty() || !IsExistingDirectory(location)) {
            ShowInformation(host_.Prompt(), L"The location is not valid.");
            host_.FocusSearchLocation();
            return false;
        }
        host_.UpdateSearchLocationHistory(location);
    }

    Criteria.SearchInSubfolders = input.SearchInSubfolders;
    Criteria.ShowMatchingFilenames = input.ShowMatchingFilenames;
    Criteria.ShowMatchingFoldernames = input.ShowMatchingFoldernames;
    if (!Criteria.ShowMatchingFilenames && !Criteria.ShowMatchingFoldernames) {
        ShowInformation(host_.Prompt(), L"Both 'Show matching filenames' and 'Show matching foldernames' are "
                                        L"unchecked.\r\nAs a result nothing will be found.");
        return false;
    }

    ReadDateCriteria(input);
    ReadSizeCriteria(input);

    Criteria.CTString = input.ContainingText;
    Criteria.SearchInFiles = !Criteria.CTString.empty();
    if (Criteria.SearchInFiles)
        host_.UpdateContainingTextHistory(Criteria.CTString);
    Criteria.CTCaseSensitive = input.CTCaseSensitive;
    Criteria.CTIgnoreExecutableFiles = input.CTIgnoreExecutableFiles;
    Criteria.CTIgnoreMediaFiles = input.CTIgnoreMediaFiles;
    return true;
}

void TSearchEngine::ReadDateCriteria(const TSearchInput& input) {
    Criteria.SearchOnDate = false;
    Criteria.SearchOnSize = false;
    if (!input.SearchForDateTime)
        return;
    Criteria.SearchOnDate = true;
    Criteria.DTNewerThan = false;
    Criteria.DTOlderThan = false;
    Criteria.DTBetween = false;
    Criteria.DTCurrentDateAndTime = Clock();
    if (input.DSNewerThan) {
        Criteria.DTNewerThan = true;
    } else if (input.DSOlderThan) {
        Criteria.DTOlderThan = true;
    } else if (input.DSBetween) {
        Criteria.DTBetween = true;
        Criteria.DTBeginDate = input.BeginDate;
        Criteria.DTEndDate = input.EndDate;
    }
    host_.RewriteCountEdits();
    if (Criteria.DTNewerThan || Criteria.DTOlderThan)
        MoveBackByDateUnits(Criteria.DTCurrentDateAndTime, input.DTCount, input.DTUnitIndex,
                            Criteria.DTSearchDateAndTime);
}

void TSearchEngine::ReadSizeCriteria(const TSearchInput& input) {
    if (!input.SearchForSize)
        return;
    Criteria.SearchOnSize = true;
    Criteria.SZLargerThan = false;
    Criteria.SZSmallerThan = false;
    Criteria.SZSearchSize = 0;
    if (input.SZLargerThan)
        Criteria.SZLargerThan = true;
    else if (input.SZSmallerThan)
        Criteria.SZSmallerThan = true;
    if (Criteria.SZLargerThan || Criteria.SZSmallerThan)
        Criteria.SZSearchSize = SizeLimitInBytes(input.SZCount, input.SZUnitIndex);
}

// After Stop every remaining drive still has its root folder listed: the walker tests the
// run flag only before a sub-folder.
void TSearchEngine::Walk(bool allDrives, const std::wstring& location) {
    if (!allDrives) {
        SearchFolder(location);
        return;
    }
    for (const std::wstring& drive : FixedDriveList) {
        SearchFolder(drive);
        Pump();
    }
}

void TSearchEngine::Pump() {
    host_.ProcessMessages();
    lastPump_ = GetTickCount64();
}

void TSearchEngine::Stop() {
    RunState.FindStopped = true;
    RunState.SearchInProgress = false;
}

void TSearchEngine::PrepareWalk() {
    timeRule_ = std::make_unique<TModificationTimeRule>();
    contentForms_ = TContentForms(Criteria.CTString);
    *largestFileMappedAhead_ = fileSearch_->MaxViewSize();
    lastPump_ = GetTickCount64();
    prefetcher_->SetPattern(Criteria.SearchWord.empty() ? TWildcard(Criteria.SearchPattern)
                                                        : TWildcard::Containing(Criteria.SearchWord),
                            Criteria.SearchInSubfolders);
}

// The walk's own paths are full already; expanding one whose name ends in a dot or a blank
// would drop that, and make "data." the excluded "data".
bool TSearchEngine::IsExcluded(const std::wstring& folder) const {
    const std::wstring full = NeedsExtendedLengthPath(folder) ? folder : ExpandFullPath(folder);
    return IndexOfIgnoreCase(excludeFoldersList_, full) >= 0;
}

void TSearchEngine::SearchFolder(const std::wstring& folder) {
    if (settings_.ExcludeFolders && IsExcluded(folder))
        return;
    if (walkStack_.empty())
        PrepareWalk();
    const std::wstring path = IncludeTrailingBackslash(folder);
    walkStack_.push_back({path, std::nullopt, false});
    struct PopFrame {
        std::vector<WalkFrame>& stack;
        TFolderPrefetcher& prefetcher;
        TReadAhead<TMappedFile>& filesAhead;
        ~PopFrame() {
            stack.pop_back();
            // The walk has ended, however it ended: nothing more is read ahead for it.
            if (stack.empty()) {
                prefetcher.Cancel();
                filesAhead.Cancel();
            }
        }
    } popFrame{walkStack_, *prefetcher_, *filesAhead_};

    host_.SetStatusText(0, path);
    // After Stop the walk no longer waits for a folder that is being listed ahead.
    const TListing listing = prefetcher_->Take(path, [this] {
        Pump();
        return RunState.SearchInProgress;
    });
    if (listing.Error() != 0 && listing.Error() != ERROR_CANCELLED)
        NotSearched.Add(path, TNotSearchedReason::FolderNotListed, listing.Error());
    std::vector<SubFolder> subFolders;
    TFolderText folderText;
    size_t announced = 0;
    for (size_t i = 0; i < listing.Size(); ++i) {
        AnnounceContentTests(path, listing, i, announced);
        const TListedEntry entry = listing.Get(i);
        if (entry.matches)
            TestEntry(path, folderText, entry);
        if (Criteria.SearchInSubfolders && entry.IsFolder())
            subFolders.push_back(
                {std::wstring(entry.name), (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        if (GetTickCount64() - lastPump_ >= FolderPumpInterval) {
            Pump();
            // Stop ends a content search here too: the rest of the folder is not opened.
            if (Criteria.SearchInFiles && !RunState.SearchInProgress)
                break;
        }
    }
    if (!idList_.Empty())
        host_.SetStatusText(1, L"Searching... " + std::to_wstring(idList_.Count()));
    if (!Criteria.SearchInSubfolders || !RunState.SearchInProgress)
        return;
    AnnounceSubFolders(path, subFolders);
    for (const SubFolder& sub : subFolders) {
        Pump();
        if (!RunState.SearchInProgress)
            return;
        const std::wstring subPath = path + sub.name;
        if (sub.isLink && LeadsBackToAncestor(subPath))
            continue;
        SearchFolder(subPath);
    }
}

// The folders the walk enters next may be listed ahead. A link is left to the walk, which
// first checks where it leads; an excluded folder is never entered.
void TSearchEngine::AnnounceSubFolders(const std::wstring& path, const std::vector<SubFolder>& subFolders) {
    if (!ReadAhead)
        return;
    std::vector<std::wstring> ahead;
    for (const SubFolder& sub : subFolders) {
        const std::wstring subPath = path + sub.name;
        if (sub.isLink || (settings_.ExcludeFolders && IsExcluded(subPath)))
            continue;
        ahead.push_back(IncludeTrailingBackslash(subPath));
    }
    prefetcher_->Announce(ahead);
}

// The files of the folder that the content test will open are mapped ahead, in the order
// the walk tests them, up to a stretch of the listing ahead of the walk's `position`.
void TSearchEngine::AnnounceContentTests(const std::wstring& path, const TListing& listing, size_t position,
                                         size_t& announced) {
    if (!ReadAhead || !Criteria.SearchInFiles || announced >= listing.Size() ||
        announced > position + ContentTestsAhead / 2)
        return;
    const size_t end = std::min(listing.Size(), position + ContentTestsAhead);
    std::vector<std::wstring> ahead;
    TDateTime modified = 0;
    for (; announced < end; ++announced) {
        const TListedEntry entry = listing.Get(announced);
        if (entry.matches && MapsAhead(entry) && PassesListingTests(entry, modified) &&
            OpensForContentTest(entry) && !IsLeftOut(path, entry))
            ahead.push_back(ExtendedLengthPath(path + std::wstring(entry.name)));
    }
    filesAhead_->Announce(ahead, false);
}

// A file stored online is never opened: reading it would download it.
bool TSearchEngine::MapsAhead(const TListedEntry& entry) const {
    return ReadAhead && entry.size > 0 && entry.size <= *largestFileMappedAhead_ &&
           !IsOnlineOnly(entry.attributes);
}

// The tests before the content test, in their order: the show switches, the date, the size.
bool TSearchEngine::PassesListingTests(const TListedEntry& entry, TDateTime& modified) const {
    const bool isFolder = entry.IsFolder();
    if (!Criteria.ShowMatchingFilenames && !isFolder)
        return false;
    if (!Criteria.ShowMatchingFoldernames && isFolder)
        return false;
    // The listing leaves out "." and "..".
    modified = timeRule_->FromUtc(entry.lastWrite);
    if (Criteria.SearchOnDate) {
        if (Criteria.DTNewerThan) {
            if (!(modified > Criteria.DTSearchDateAndTime))
                return false;
        } else if (Criteria.DTOlderThan) {
            if (!(modified < Criteria.DTSearchDateAndTime))
                return false;
        } else if (Criteria.DTBetween) {
            if (!(modified > Criteria.DTBeginDate && modified < Criteria.DTEndDate))
                return false;
        }
    }
    if (Criteria.SearchOnSize) {
        if (Criteria.SZLargerThan) {
            if (!(entry.size > Criteria.SZSearchSize))
                return false;
        } else if (Criteria.SZSmallerThan) {
            if (!(entry.size < Criteria.SZSearchSize))
                return false;
        }
    }
    return true;
}

void TSearchEngine::TestEntry(const std::wstring& folder, TFolderText& folderText,
                              const TListedEntry& entry) {
    TDateTime modified = 0;
    if (!PassesListingTests(entry, modified) || IsLeftOut(folder, entry))
        return;
    if (Criteria.SearchInFiles && !PassesContentTest(folder, entry))
        return;

    if (!folderText)
        folderText = std::make_shared<const std::wstring>(folder);
    auto item = std::make_unique<TShellItem>();
    item->Name = entry.name;
    item->FolderText = folderText;
    if (!settings_.ShowTypeInsteadOfExtension)
        item->FileType = GetFileExtension(item->Name);
    item->Modified = modified;
    item->LastWrite = entry.lastWrite;
    item->Size = entry.size;
    item->IsFolder = entry.IsFolder();
    idList_.Add(std::move(item));
    host_.ResultCountChanged(idList_.Count());
}

// Folders and the ignored kinds of files are never opened.
bool TSearchEngine::OpensForContentTest(const TListedEntry& entry) const {
    if (entry.IsFolder())
        return false;
    const std::wstring extension = LowerAsciiLetters(GetFileExtension(std::wstring(entry.name)));
    if (Criteria.CTIgnoreExecutableFiles && InExtensionList(ExeFiles, extension))
        return false;
    if (Criteria.CTIgnoreMediaFiles && InExtensionList(MediaFiles, extension))
        return false;
    return true;
}

bool TSearchEngine::PassesContentTest(const std::wstring& folder, const TListedEntry& entry) {
    if (!OpensForContentTest(entry))
        return false;
    // After Stop no file is opened; one that was being opened ahead is given up.
    if (!RunState.SearchInProgress)
        return false;
    const std::wstring name(entry.name);
    // Reading a file stored online would download it.
    if (IsOnlineOnly(entry.attributes)) {
        NotSearched.Add(folder + name, TNotSearchedReason::OnlineOnly);
        return false;
    }
    TFileSearch& search = *fileSearch_;
    // At any depth, and a name that ends in a dot or a blank, only this form names the file.
    const std::wstring path = ExtendedLengthPath(folder + name);
    std::optional<TMappedFile> mapped;
    if (MapsAhead(entry))
        mapped = filesAhead_->Take(path, [this] {
            Pump();
            return RunState.SearchInProgress;
        });
    if (!mapped && !RunState.SearchInProgress)
        return false;
    // A file the thread could not map is tried again here, where it may also be searched
    // view by view.
    if (mapped && mapped->view)
        search.SetMappedFile(path, std::move(*mapped));
    else
        search.SetFilename(path);
    bool found = false;
    for (const TContentForm& form : contentForms_.In(search.Encoding().Encoding)) {
        search.SetPattern(form.Bytes);
        search.SetForm(form.Form);
        search.SetCaseSensitive(Criteria.CTCaseSensitive);
        found = search.Search() != -1;
        if (found || search.Filename().empty() || search.ReadError() != 0)
            break;
    }
    if (!found && search.OpenError() != 0)
        NotSearched.Add(folder + name, TNotSearchedReason::FileNotOpened, search.OpenError());
    else if (!found && search.ReadError() != 0)
        NotSearched.Add(folder + name, TNotSearchedReason::FileNotRead, search.ReadError());
    // A file left mapped could not be deleted or replaced while the results are shown.
    search.CloseFile();
    return found;
}

// Only an entry that may be the file is opened to compare.
bool TSearchEngine::IsLeftOut(const std::wstring& folder, const TListedEntry& entry) const {
    if (!LeftOutFile || entry.IsFolder())
        return false;
    const TLeftOutFile& file = *LeftOutFile;
    if (file.Name.empty() ? CompareFileTime(&entry.lastWrite, &file.WrittenSince) < 0
                          : !SameTextIgnoreCase(entry.name, file.Name))
        return false;
    const std::optional<ObjectId> id = ReadObjectId(folder + std::wstring(entry.name));
    return id && id->index == file.Index && (file.Volume == 0 || id->volume == file.Volume);
}

std::optional<TSearchEngine::ObjectId> TSearchEngine::ReadObjectId(const std::wstring& path) {
    UniqueFile folder(CreateFileW(ExtendedLengthPath(path).c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder || !GetFileInformationByHandle(folder.Get(), &info))
        return std::nullopt;
    return ObjectId{info.dwVolumeSerialNumber,
                    (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A folder link is entered unless it resolves to a folder of the current path; every
// cycle passes through a link, so this bounds the walk. Identities are read only when a
// link is met.
bool TSearchEngine::LeadsBackToAncestor(const std::wstring& path) {
    const std::optional<ObjectId> target = ReadObjectId(path);
    if (!target)
        return false;
    for (WalkFrame& frame : walkStack_) {
        if (!frame.idKnown) {
            frame.id = ReadObjectId(frame.folder);
            frame.idKnown = true;
        }
        if (frame.id == target)
            return true;
    }
    return false;
}

} // namespace quarrow
