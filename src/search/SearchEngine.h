#pragma once
// The search: the launch (checks, criteria, run state), the directory walker and the
// content test. Window-free: everything the window shows or asks reaches it through
// ISearchHost.

#include "base/Prompt.h"
#include "search/Criteria.h"
#include "search/NotSearched.h"
#include "search/SearchCriteria.h"
#include "search/ShellItem.h"
#include "settings/Settings.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

class TFileSearch;
class TFolderPrefetcher;
class TListing;
struct TListedEntry;
struct TMappedFile;
template <typename Result> class TReadAhead;
class TModificationTimeRule;

// The window's side of a search.
class ISearchHost {
public:
    virtual ~ISearchHost() = default;

    virtual IPrompt& Prompt() = 0;

    // The launch rejected the location: show the first tab and focus the location box.
    virtual void FocusSearchLocation() = 0;
    // The launch rejected the name pattern: show the first tab and focus the name box.
    virtual void FocusSearchPattern() = 0;

    // Change monitoring: off at every launch; on (deletes and renames of files and
    // folders) after a search that left at least one result.
    virtual void SetChangeMonitoring(bool enabled) = 0;

    // The history lists, called at the launch steps that name them.
    virtual void UpdateSearchPatternHistory(const std::wstring& text) = 0;
    virtual void UpdateSearchLocationHistory(const std::wstring& location) = 0;
    virtual void UpdateContainingTextHistory(const std::wstring& text) = 0;

    // The count boxes show the positions of their up-down controls as plain numbers.
    virtual void RewriteCountEdits() = 0;

    // The window's part of the start of a search, after the run state, the sort state and
    // the results have been reset: buttons busy, list emptied and focused, action states,
    // status bar (1, 1, 1).
    virtual void SearchStarted() = 0;
    // The window's part of the end, however the walk ended: action states, status bar
    // (2, 2, 2), buttons idle.
    virtual void SearchFinished() = 0;

    // The walker's progress (status bar panels 0 and 1) and the list's row count.
    virtual void SetStatusText(int panel, const std::wstring& text) = 0;
    virtual void ResultCountChanged(int count) = 0;

    // Lets the window handle pending messages (Stop, scrolling, sorting, menus).
    virtual void ProcessMessages() = 0;
};

// A host without a window: nothing to focus, no histories, no change monitoring, no count
// boxes.
class TWindowlessSearchHost : public ISearchHost {
public:
    void FocusSearchLocation() override {}
    void FocusSearchPattern() override {}
    void SetChangeMonitoring(bool) override {}
    void UpdateSearchPatternHistory(const std::wstring&) override {}
    void UpdateSearchLocationHistory(const std::wstring&) override {}
    void UpdateContainingTextHistory(const std::wstring&) override {}
    void RewriteCountEdits() override {}
};

class TSearchEngine {
public:
    TSearchEngine(TIDList& idList, const TSettings& settings,
                  const std::vector<std::wstring>& excludeFoldersList, ISearchHost& host);
    ~TSearchEngine();
    TSearchEngine(const TSearchEngine&) = delete;
    TSearchEngine& operator=(const TSearchEngine&) = delete;

    // The launch: checks and reads the criteria, resets the results and walks every
    // location. Returns false when the criteria were rejected (after the message).
    // An error raised by the walk propagates after the idle state has been restored.
    bool Launch(const TSearchInput& input);

    // Stop: the walk ends before the next sub-folder.
    void Stop();

    // Lists one folder and, when sub-folders are wanted, walks them.
    void SearchFolder(const std::wstring& folder);

    // The type of a drive root (C:\ and so on), as GetDriveTypeW reports it.
    using TDriveTypeQuery = std::function<UINT(const std::wstring& root)>;
    static UINT SystemDriveType(const std::wstring& root);
    // Fills FixedDriveList and OtherDriveList from the drive types of A: to Z:.
    void BuildDriveLists(const TDriveTypeQuery& driveType = SystemDriveType);

    static std::wstring GetFileExtension(const std::wstring& name);

    TSearchCriteria Criteria;
    TSearchRunState RunState;
    // The local clock a launch reads; replaceable for tests.
    TDateTime (*Clock)() = NowLocal;
    std::vector<std::wstring> ExeFiles;   // "exe,com,dll,sys,bin,tlb,pdb"
    std::vector<std::wstring> MediaFiles; // "asf,wma,...,png"
    std::vector<std::wstring> FixedDriveList;
    std::vector<std::wstring> OtherDriveList;
    // What the last launch could not search, emptied by the next.
    TNotSearched NotSearched;
    // A file the walk leaves out as if it were not there (the console program's own output),
    // known by its identity on its volume and by its long name. Without a name, the files
    // last written since WrittenSince are those compared; without a volume, any volume's.
    struct TLeftOutFile {
        std::wstring Name;
        FILETIME WrittenSince{};
        DWORD Volume = 0;
        uint64_t Index = 0;
    };
    std::optional<TLeftOutFile> LeftOutFile;
    // The folders the walk enters next are listed ahead on two threads, and the files of
    // a folder that reach the content test are opened and mapped ahead on as many threads as
    // the machine has cores, up to four. What is read ahead is older than what is read on
    // arrival: a test that changes the tree in the middle of a walk turns this off.
    bool ReadAhead = true;

    // How many files may be mapped ahead of their content test at once, and how far ahead
    // in a folder's listing the walk looks for them.
    static constexpr size_t MaxFilesMappedAhead = 16;
    static constexpr size_t ContentTestsAhead = 64;
    static constexpr size_t MostFileThreads = 4;

    // Inside a folder the walk offers the window to handle its messages this often (in
    // milliseconds; the window takes the offer at its own pace), so that a folder of very
    // many files or content tests holds nothing up.
    uint64_t FolderPumpInterval = 10;

    TFileSearch& FileSearch() { return *fileSearch_; }

    // The walk of a launch is running (also after Stop, until it has unwound).
    bool Walking() const { return walking_; }

private:
    struct ObjectId {
        DWORD volume = 0;
        uint64_t index = 0;
        bool operator==(const ObjectId&) const = default;
    };
    struct WalkFrame {
        std::wstring folder;
        std::optional<ObjectId> id;
        bool idKnown = false;
    };
    struct SubFolder {
        std::wstring name;
        bool isLink = false;
    };

    bool ReadCriteria(const TSearchInput& input, std::wstring& location, bool& allDrives);
    void ReadDateCriteria(const TSearchInput& input);
    void ReadSizeCriteria(const TSearchInput& input);
    void Walk(bool allDrives, const std::wstring& location);
    void PrepareWalk();
    void Pump();
    bool IsExcluded(const std::wstring& folder) const;
    void AnnounceSubFolders(const std::wstring& path, const std::vector<SubFolder>& subFolders);
    void AnnounceContentTests(const std::wstring& path, const TListing& listing, size_t position,
                              size_t& announced);
    bool MapsAhead(const TListedEntry& entry) const;
    bool PassesListingTests(const TListedEntry& entry, TDateTime& modified) const;
    bool OpensForContentTest(const TListedEntry& entry) const;
    void TestEntry(const std::wstring& folder, TFolderText& folderText, const TListedEntry& entry);
    bool PassesContentTest(const std::wstring& folder, const TListedEntry& entry);
    bool IsLeftOut(const std::wstring& folder, const TListedEntry& entry) const;
    bool LeadsBackToAncestor(const std::wstring& path);
    static std::optional<ObjectId> ReadObjectId(const std::wstring& path);

    TIDList& idList_;
    const TSettings& settings_;
    const std::vector<std::wstring>& excludeFoldersList_;
    ISearchHost& host_;
    std::unique_ptr<TFileSearch> fileSearch_;
    std::unique_ptr<TModificationTimeRule> timeRule_;
    TContentForms contentForms_;
    std::vector<WalkFrame> walkStack_;
    std::unique_ptr<TFolderPrefetcher> prefetcher_;
    // Files larger than this are left to the content test: it may search them view by view.
    // Shared with the threads, which may outlive the engine.
    std::shared_ptr<std::atomic<int64_t>> largestFileMappedAhead_;
    std::unique_ptr<TReadAhead<TMappedFile>> filesAhead_;
    bool walking_ = false;
    uint64_t lastPump_ = 0; // GetTickCount64 at the walk's last pump
};

} // namespace quarrow
