// TMainForm: the preview pane below the results, its splitter, and the keys that go from
// match to match and between the list and the pane.

#include "ui/MainForm.h"

#include "ui/MainFormIds.h"

#include <algorithm>

namespace quarrow {
namespace {

// Designed sizes (96 DPI).
constexpr int SplitterHeight = 5;
constexpr int SmallestPaneHeight = 60;
constexpr int SmallestListHeight = 60;
// Rows the list shows above the pane when the window can grow for them.
constexpr int ListRowsBesidePane = 8;

// The height of a row of a report-view list as the control measures it: its font's or its
// small pictures' height, whichever is more, and one pixel.
int RowHeight(HWND list) {
    HDC dc = GetDC(list);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    int iconWidth = 0, iconHeight = 0;
    if (const HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL))
        ImageList_GetIconSize(images, &iconWidth, &iconHeight);
    return std::max<int>(metrics.tmHeight, iconHeight) + 1;
}

} // namespace

void TMainForm::CreatePreviewPane() {
    previewSplitter_ = std::make_unique<TSplitter>();
    previewPane_ = std::make_unique<TPreviewPane>();
    if (!previewSplitter_->Create(handle_, IdPreviewSplitter) ||
        !previewPane_->Create(handle_, IdPreviewPane))
        throw std::runtime_error("The preview pane could not be created");
    controls_.PreviewSplitter = previewSplitter_->Handle();
    controls_.PreviewPane = previewPane_->Handle();
    previewSplitter_->OnDrag = [this](int top) { DragPreviewSplitter(top); };
    // The pane shows the focused result; a line of another one is never opened.
    previewPane_->OnOpen = [this] {
        const int row = FocusedResultRow();
        if (!Settings.Editor.empty() && row >= 0 && GetResult(row).FullName() == previewPane_->Path())
            EditFile(GetResult(row));
    };
    previewPane_->OnNoMatchOnArrival = [this](bool forward) { GoToMatchInNextResult(forward); };
}

void TMainForm::ShowPreviewPane(bool shown, bool growForList) {
    Settings.PreviewPane = shown;
    SetActionChecked(TActionId::ActionViewPreviewPane, shown);
    const HWND focus = GetFocus();
    if (!shown && focus != nullptr && IsChild(controls_.PreviewPane, focus))
        SetFocus(controls_.ListViewResults);
    ShowWindow(controls_.PreviewSplitter, shown ? SW_SHOW : SW_HIDE);
    ShowWindow(controls_.PreviewPane, shown ? SW_SHOW : SW_HIDE);
    LayoutControls();
    if (shown && growForList)
        GrowForListRows();
    // A hidden pane reads nothing.
    if (shown)
        PreviewFocusedResult();
    else
        previewPane_->Clear();
    UpdateActionStates();
}

void TMainForm::ActionViewPreviewPaneExecute() {
    ShowPreviewPane(!Settings.PreviewPane);
}

void TMainForm::PreviewLayout(int top, int bottom, int width) {
    const TMainControls& c = controls_;
    if (!Settings.PreviewPane) {
        SetWindowPos(c.ListViewResults, nullptr, 0, top, width, std::max(bottom - top, 0),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const int splitter = Scale(SplitterHeight);
    const int available = bottom - top - splitter;
    const int pane =
        std::clamp(Settings.PreviewPaneHeight, std::min(Scale(SmallestPaneHeight), available / 2),
                   std::max(available - Scale(SmallestListHeight), available / 2));
    const int listHeight = std::max(available - pane, 0);
    SetWindowPos(c.ListViewResults, nullptr, 0, top, width, listHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(c.PreviewSplitter, nullptr, 0, top + listHeight, width, splitter,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(c.PreviewPane, nullptr, 0, top + listHeight + splitter, width, std::max(pane, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Below the pane, the list of a window of the first-run size shows about two rows, at any
// DPI: the window grows, within its monitor's work area, until the list shows eight
// and the pane has its own height. An empty list cannot tell its row height, which is
// reckoned here: the rows it shows are counted again after each step.
void TMainForm::GrowForListRows() {
    const HWND list = controls_.ListViewResults;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& area = monitor.rcWork;
    const int rowHeight = RowHeight(list);
    for (int step = 0; step < 4 && !IsIconic(handle_) && !IsZoomed(handle_); ++step) {
        const int shown = ListView_GetCountPerPage(list);
        if (shown >= ListRowsBesidePane)
            return;
        RECT pane{}, window{};
        GetWindowRect(controls_.PreviewPane, &pane);
        GetWindowRect(handle_, &window);
        const int paneShort =
            std::max(Settings.PreviewPaneHeight, Scale(SmallestPaneHeight)) - (pane.bottom - pane.top);
        const int growth = std::max(paneShort, 0) + (ListRowsBesidePane - shown) * rowHeight;
        const int height = std::min<int>(window.bottom - window.top + growth, area.bottom - area.top);
        if (height <= window.bottom - window.top)
            return;
        const int top = std::max<int>(area.top, std::min<int>(window.top, area.bottom - height));
        SetWindowPos(handle_, nullptr, window.left, top, window.right - window.left, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TMainForm::DragPreviewSplitter(int top) {
    RECT pane{};
    GetWindowRect(controls_.PreviewPane, &pane);
    MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&pane), 2);
    const int height = pane.bottom - (top + Scale(SplitterHeight));
    if (height == Settings.PreviewPaneHeight)
        return;
    Settings.PreviewPaneHeight = std::max(height, Scale(SmallestPaneHeight));
    LayoutControls();
}

int TMainForm::FocusedResultRow() const {
    const HWND list = controls_.ListViewResults;
    int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    if (row < 0)
        row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    return row >= 0 && row < IDList.Count() ? row : -1;
}

void TMainForm::SchedulePreviewOfFocus() {
    if (previewPending_ || handle_ == nullptr || !Settings.PreviewPane)
        return;
    previewPending_ = true;
    PostMessageW(handle_, WmPreviewFocus, 0, 0);
}

// The pane shows the focused result of the current results; it starts reading only when
// that is another file than the one it shows.
void TMainForm::PreviewFocusedResult() {
    previewPending_ = false;
    if (!Settings.PreviewPane || !previewPane_)
        return;
    const int row = FocusedResultRow();
    if (row < 0) {
        previewPane_->Clear();
        return;
    }
    const TShellItem& record = GetResult(row);
    TPreviewRequest request;
    request.Path = record.FullName();
    if (request.Path == previewPane_->Path() && previewGeneration_ == resultsGeneration_)
        return;
    request.IsFolder = record.IsFolder;
    if (engine_->Criteria.SearchInFiles) {
        request.Text = engine_->Criteria.CTString;
        request.CaseSensitive = engine_->Criteria.CTCaseSensitive;
    }
    previewGeneration_ = resultsGeneration_;
    previewPane_->Preview(request);
}

void TMainForm::ActionViewNextMatchExecute() {
    GoToMatch(true);
}

void TMainForm::ActionViewPreviousMatchExecute() {
    GoToMatch(false);
}

void TMainForm::GoToMatch(bool forward) {
    if (!Settings.PreviewPane)
        return;
    PreviewFocusedResult();
    if (!previewPane_->GoToMatch(forward))
        GoToMatchInNextResult(forward);
}

// Past the last match of a result, F3 goes on to the next result's first match; past the
// first, Shift+F3 to the previous result's last match.
void TMainForm::GoToMatchInNextResult(bool forward) {
    const HWND list = controls_.ListViewResults;
    const int row = FocusedResultRow();
    const int next = row < 0 ? (forward ? 0 : IDList.Count() - 1) : row + (forward ? 1 : -1);
    if (next < 0 || next >= IDList.Count() || next >= ListView_GetItemCount(list)) {
        MessageBeep(MB_OK);
        return;
    }
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, next, FALSE);
    PreviewFocusedResult();
    previewPane_->GoToMatchOnArrival(forward);
}

// F6 moves the focus from the pane to the results list, and from anywhere else to the pane.
bool SwitchPreviewFocus(TMainForm& form, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_F6 || !form.Settings.PreviewPane ||
        GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    const HWND focus = GetFocus();
    const bool inPane = focus != nullptr && IsChild(form.controls_.PreviewPane, focus);
    SetFocus(inPane ? form.controls_.ListViewResults : form.previewPane_->Lines());
    return true;
}

} // namespace quarrow
