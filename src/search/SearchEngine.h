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
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

class TFileSearch;
class TFolderPrefetcher;
class TListing;
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

    // Fills FixedDriveList and OtherDriveList from the drive types of A: to Z:.
    void BuildDriveLists();

    static std::wstring GetFileExtension(const std::wstring& name);

    TSearchCriteria Criteria;
    TSearchRunState RunState;
    std::vector<std::wstring> ExeFiles;   // "exe,com,dll,sys,bin,tlb,pdb"
    std::vector<std::wstring> MediaFiles; // "asf,wma,...,png"
    std::vector<std::wstring> FixedDriveList;
    std::vector<std::wstring> OtherDriveList;
    // What the last launch could not search, emptied by the next.
    TNotSearched NotSearched;
    // The folders the walk enters next are listed ahead on a second thread, and the files of
    // a folder that reach the content test are opened and mapped ahead on a third. What is
    // read ahead is older than what is read on arrival: a test that changes the tree in the
    // middle of a walk turns this off.
    bool ReadAhead = true;

    // How many files may wait mapped for their content test at once.
    static constexpr size_t MaxFilesMappedAhead = 16;

    // A folder's content tests let the window handle its messages at least this often (in
    // milliseconds), so that Stop is not held up by a folder of many files.
    uint64_t ContentTestPumpInterval = 50;

    TFileSearch& FileSearch() { return *fileSearch_; }

    // The walk of a launch is running (also after Stop, until it has unwound).
    bool Walking() const { return walking_; }

private:
    struct FolderId {
        DWORD volume = 0;
        uint64_t index = 0;
        bool operator==(const FolderId&) const = default;
    };
    struct WalkFrame {
        std::wstring folder;
        std::optional<FolderId> id;
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
    static void AddSubFolder(const WIN32_FIND_DATAW& entry, std::vector<SubFolder>& subFolders);
    void AnnounceSubFolders(const std::wstring& path, const std::vector<SubFolder>& subFolders);
    void AnnounceContentTests(const std::wstring& path, const TListing& listing);
    bool PassesListingTests(const WIN32_FIND_DATAW& entry, TDateTime& modified, int64_t& size) const;
    bool OpensForContentTest(const WIN32_FIND_DATAW& entry) const;
    void TestEntry(const std::wstring& folder, TFolderText& folderText, const WIN32_FIND_DATAW& entry);
    bool PassesContentTest(const std::wstring& folder, const WIN32_FIND_DATAW& entry);
    bool LeadsBackToAncestor(const std::wstring& path);
    static std::optional<FolderId> ReadFolderId(const std::wstring& path);

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
    std::atomic<int64_t> largestFileMappedAhead_{0};
    std::unique_ptr<TReadAhead<TMappedFile>> filesAhead_;
    bool walking_ = false;
    uint64_t lastPump_ = 0; // GetTickCount64 at the walk's last pump
};

} // namespace quarrow
