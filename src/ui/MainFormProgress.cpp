// TMainForm: the pace at which the results list, the status bar and the window's messages
// follow a walk. Under Wine, setting the list's row count costs about 10 ms and every
// status text is painted at once (about a millisecond): done for every result and every
// folder, the window would take several times as long as the walk. About ten times a
// second is as often as a person can follow; the list and the texts are brought up to date
// when the walk comes by after that interval, and the row count when the walk ends. The
// row count waits longer where setting it costs more, so that it never takes more than a
// twentieth of the walk.

#include "ui/MainForm.h"

#include "base/Messages.h"
#include "ui/Controls.h"

#include <algorithm>

namespace quarrow {
namespace {

constexpr ULONGLONG PaceInterval = 100; // milliseconds
constexpr ULONGLONG RowCountCostShare = 20;
// Each look into the message queue calls the Wine server, handles the display's events and
// copies what was painted since to the display: once per folder, that is a tenth of a fast
// walk. Forty times a second answers every message within a tenth of a second, a row count
// and a slow moment of a loaded machine included.
constexpr ULONGLONG PumpInterval = 25;

} // namespace

void TMainForm::ShowWalkProgress(int panel, const std::wstring& text) {
    if (panel < 0 || panel >= static_cast<int>(walkProgress_.size()))
        return;
    walkProgress_[static_cast<size_t>(panel)] = text;
    KeepPaceWithWalk();
}

void TMainForm::KeepPaceWithWalk() {
    const ULONGLONG now = GetTickCount64();
    if (now - rowCountSetAt_ >= std::max(PaceInterval, RowCountCostShare * rowCountCost_))
        FlushResultRowCount();
    if (now - progressShownAt_ < PaceInterval)
        return;
    for (size_t panel = 0; panel < walkProgress_.size(); ++panel) {
        if (walkProgress_[panel]) {
            SetStatusTextOf(controls_.StatusBar, static_cast<int>(panel), *walkProgress_[panel]);
            walkProgress_[panel].reset();
            progressShownAt_ = now;
        }
    }
}

void TMainForm::PumpDuringWalk() {
    const ULONGLONG now = GetTickCount64();
    if (now - pumpedAt_ < PumpInterval)
        return;
    pumpedAt_ = now;
    quarrow::ProcessMessages();
}

void TMainForm::ResetWalkPace() {
    for (auto& text : walkProgress_)
        text.reset();
    progressShownAt_ = 0;
    pumpedAt_ = 0;
}

void TMainForm::FlushResultRowCount() {
    if (removalsUnshown_) {
        ShowResultsRemoved();
        return;
    }
    if (shownRowCount_ != IDList.Count())
        SetResultRowCount(IDList.Count());
}

void TMainForm::ClearResultRows() {
    CancelRename();
    TSelectionSync sync(*this);
    SetResultRowCount(IDList.Count());
    ListView_DeleteAllItems(controls_.ListViewResults);
    handOverPending_ = false;
    SchedulePreviewOfFocus();
}

} // namespace quarrow
