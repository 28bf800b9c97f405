#include "ui/PreviewPane.h"

#include "results/ClipboardText.h"
#include "ui/Controls.h"

#include <commctrl.h>

#include <algorithm>

namespace quarrow {
namespace {

const wchar_t PaneClass[] = L"QuarrowPreviewPane";
constexpr UINT WmPreviewNews = WM_APP + 0xA0;
constexpr int IdHeader = 1;
constexpr int IdLines = 2;
constexpr UINT_PTR SubclassLines = 1;

const COLORREF MatchColor = RGB(0xFF, 0xE8, 0x6E);
const COLORREF CurrentMatchColor = RGB(0xFF, 0x9A, 0x3C);

int ScaledForWindow(HWND window, int designed) {
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return MulDiv(designed, dpi > 0 ? dpi : 96, 96);
}

int TextWidth(HDC dc, const wchar_t* text, int length) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, text, length, &extent);
    return extent.cx;
}

// The metrics of the font a control draws with.
TEXTMETRICW FontMetrics(HWND control) {
    HDC dc = GetDC(control);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return metrics;
}

bool KeyIsDown(int key) {
    return GetKeyState(key) < 0;
}

} // namespace

LRESULT CALLBACK PreviewPaneWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TPreviewPane*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TPreviewPane*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->handle_ = self->header_ = self->list_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK PreviewLinesProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR data) {
    auto* pane = reinterpret_cast<TPreviewPane*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        // Enter opens the file rather than pressing the window's default button.
        if (AsksAboutEnter(lParam))
            return DefSubclassProc(list, message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    case WM_KEYDOWN: {
        bool handled = false;
        pane->OnLinesKeyDown(wParam, handled);
        if (handled)
            return 0;
        break;
    }
    case WM_CHAR:
        // The characters of Enter, Ctrl+A and Ctrl+C would start the list's incremental search.
        if (wParam == L'\r' || wParam == 0x01 || wParam == 0x03)
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(list, PreviewLinesProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

TPreviewPane::TPreviewPane() = default;

TPreviewPane::~TPreviewPane() {
    loader_.reset();
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

bool TPreviewPane::Create(HWND parent, int id) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterFaceColouredClass(PaneClass, PreviewPaneWindowProc);
    CreateWindowExW(WS_EX_CONTROLPARENT, PaneClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                    0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (handle_ == nullptr)
        return false;
    // The label comes first, so that a screen reader names the list after it.
    header_ = CreateChild(handle_, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, IdHeader);
    list_ = CreateChild(handle_, WC_LISTVIEWW, L"",
                        LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_GROUP,
                        WS_EX_CLIENTEDGE, IdLines);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = const_cast<wchar_t*>(L"Line");
    column.cx = ScaledForWindow(handle_, 56);
    column.fmt = LVCFMT_RIGHT;
    ListView_InsertColumn(list_, 0, &column);
    column.pszText = const_cast<wchar_t*>(L"Text");
    column.cx = ScaledForWindow(handle_, 400);
    column.fmt = LVCFMT_LEFT;
    ListView_InsertColumn(list_, 1, &column);
    SetWindowSubclass(list_, PreviewLinesProc, SubclassLines, reinterpret_cast<DWORD_PTR>(this));

    const HWND window = handle_;
    loader_ = std::make_unique<TPreviewLoader>([window](uint64_t requestId) {
        PostMessageW(window, WmPreviewNews, 0, static_cast<LPARAM>(requestId));
    });
    return true;
}

LRESULT TPreviewPane::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WmPreviewNews:
        OnNews(static_cast<uint64_t>(lParam));
        return 0;
    default:
        return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void TPreviewPane::Layout() {
    RECT client{};
    GetClientRect(handle_, &client);
    const TEXTMETRICW metrics = FontMetrics(header_);
    const int margin = ScaledForWindow(handle_, 4);
    const int headerHeight = metrics.tmHeight + 2 * margin;
    SetWindowPos(header_, nullptr, margin, margin, std::max<int>(client.right - 2 * margin, 0),
                 metrics.tmHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(list_, nullptr, 0, headerHeight, client.right,
                 std::max<int>(client.bottom - headerHeight, 0), SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateTextColumnWidth();
}

void TPreviewPane::SetHeader(const std::wstring& text) {
    if (WindowText(header_) != text)
        SetWindowTextOf(header_, text);
}

std::wstring TPreviewPane::HeaderText() const {
    return WindowText(header_);
}

// A new preview keeps the list's row count until its first rows come: under this platform
// each change of the count costs a repaint of the list, and the focus may be moving fast.
void TPreviewPane::Preview(const TPreviewRequest& request) {
    Reset(L"Reading\u2026");
    path_ = request.Path;
    finished_ = false;
    loader_->Start(request);
}

void TPreviewPane::Clear(const std::wstring& header) {
    Reset(header);
    SetRowCount();
}

void TPreviewPane::Reset(const std::wstring& header) {
    loader_->Cancel();
    path_.clear();
    finished_ = true;
    arrival_ = 0;
    matchRow_ = matchIndex_ = -1;
    if (!rows_.empty()) {
        rows_.clear();
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        // Another file's rows start at the left edge again.
        if (const int scrolled = GetScrollPos(list_, SB_HORZ); scrolled > 0)
            ListView_Scroll(list_, -scrolled, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
    SetHeader(header);
}

void TPreviewPane::SetRowCount() {
    const int count = ListView_GetItemCount(list_);
    const int rows = static_cast<int>(rows_.size());
    // While the file is being read the count only grows: a file's last row comes with its
    // end, and rows of the same number as the file before then cost no change at all.
    if (count == rows || (!finished_ && rows < count))
        return;
    ListView_SetItemCountEx(list_, rows, LVSICF_NOSCROLL);
}

void TPreviewPane::OnNews(uint64_t id) {
    TPreviewNews news;
    if (!loader_->Take(id, news))
        return;
    const int first = static_cast<int>(rows_.size());
    int64_t largestLine = 0;
    for (TPreviewRow& row : news.Rows) {
        largestLine = std::max<int64_t>(largestLine, row.Line);
        rows_.push_back(std::move(row));
    }
    FitLineNumbers(largestLine);
    finished_ = news.Finished;
    if (!news.Rows.empty() || news.Finished)
        SetRowCount();
    // The list may have drawn these rows empty while they were being read, and a count that
    // did not change repaints nothing.
    if (!news.Rows.empty())
        ListView_RedrawItems(list_, first, static_cast<int>(rows_.size()) - 1);
    if (!news.Header.empty())
        SetHeader(news.Header);
    ArriveAtMatch();
}

// A line number wider than its column would be cut: the column grows to hold it (a log of
// ten million lines), and never shrinks below what the user made it.
void TPreviewPane::FitLineNumbers(int64_t largest) {
    if (largest <= 0)
        return;
    const int needed = TextExtentIn(list_, std::to_wstring(largest)).cx + ScaledForWindow(list_, 16);
    if (needed > ListView_GetColumnWidth(list_, 0)) {
        ListView_SetColumnWidth(list_, 0, needed);
        UpdateTextColumnWidth();
    }
}

// The text column is as wide as the longest row can be, so that a new file never has to
// change it: under this platform that costs a repaint of the list each time.
void TPreviewPane::UpdateTextColumnWidth() {
    const TEXTMETRICW metrics = FontMetrics(list_);
    RECT client{};
    GetClientRect(list_, &client);
    const int longest = (PreviewRowWidth + 8) * metrics.tmAveCharWidth + ScaledForWindow(list_, 24);
    const int width = std::max<int>(longest, client.right - ListView_GetColumnWidth(list_, 0));
    if (ListView_GetColumnWidth(list_, 1) != width)
        ListView_SetColumnWidth(list_, 1, width);
}

// The match after (before) the current one, or after the line the user moved to since.
bool TPreviewPane::FindMatch(bool forward, int& row, int& index) const {
    if (rows_.empty())
        return false;
    const int rowCount = static_cast<int>(rows_.size());
    const auto matchesIn = [this](int at) {
        return static_cast<int>(rows_[static_cast<size_t>(at)].Matches.size());
    };
    row = matchRow_;
    index = matchIndex_;
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (focused >= 0 && focused < rowCount && focused != row) {
        row = focused;
        index = forward ? -1 : matchesIn(row);
    } else if (row < 0) {
        row = forward ? 0 : rowCount - 1;
        index = forward ? -1 : matchesIn(row);
    }
    const int step = forward ? 1 : -1;
    for (index += step; row >= 0 && row < rowCount;) {
        if (index >= 0 && index < matchesIn(row))
            return true;
        row += step;
        if (row >= 0 && row < rowCount)
            index = forward ? 0 : matchesIn(row) - 1;
    }
    return false;
}

bool TPreviewPane::GoToMatch(bool forward) {
    int row = 0;
    int index = 0;
    if (FindMatch(forward, row, index)) {
        arrival_ = 0;
        SelectMatch(row, index);
        return true;
    }
    // Matches still being read come later: the move waits for them.
    if (forward && !finished_) {
        arrival_ = 1;
        return true;
    }
    return false;
}

void TPreviewPane::GoToMatchOnArrival(bool forward) {
    arrival_ = forward ? 1 : -1;
    if (forward && !rows_.empty())
        ArriveAtMatch();
}

// A file reached by F3 shows its first match as soon as it is there, and one reached by
// Shift+F3 its last match once it is read to its end.
void TPreviewPane::ArriveAtMatch() {
    if (arrival_ == 0 || (arrival_ < 0 && !finished_))
        return;
    const bool forward = arrival_ > 0;
    int row = 0;
    int index = 0;
    if (FindMatch(forward, row, index)) {
        arrival_ = 0;
        SelectMatch(row, index);
    } else if (finished_) {
        arrival_ = 0;
        if (OnNoMatchOnArrival)
            OnNoMatchOnArrival(forward);
    }
}

void TPreviewPane::SelectMatch(int row, int index) {
    const int previous = matchRow_;
    matchRow_ = row;
    matchIndex_ = index;
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, FALSE);
    ScrollMatchIntoView(row, index);
    if (previous >= 0 && previous < static_cast<int>(rows_.size()))
        ListView_RedrawItems(list_, previous, previous);
    ListView_RedrawItems(list_, row, row);
}

// A match far to the right of a long line is scrolled into view.
void TPreviewPane::ScrollMatchIntoView(int row, int index) {
    const TPreviewRow& line = rows_[static_cast<size_t>(row)];
    const TTextSpan& span = line.Matches[static_cast<size_t>(index)];
    RECT cell{};
    ListView_GetSubItemRect(list_, row, 1, LVIR_BOUNDS, &cell);
    HDC dc = GetDC(list_);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    const int padding = ScaledForWindow(list_, 6);
    const int left = cell.left + padding + TextWidth(dc, line.Text.c_str(), span.Start);
    const int right = cell.left + padding + TextWidth(dc, line.Text.c_str(), span.Start + span.Length);
    SelectObject(dc, previous);
    ReleaseDC(list_, dc);
    RECT client{};
    GetClientRect(list_, &client);
    const int visibleLeft = ListView_GetColumnWidth(list_, 0);
    if (right > client.right)
        ListView_Scroll(list_, right - client.right + padding * 4, 0);
    else if (left < visibleLeft)
        ListView_Scroll(list_, left - visibleLeft - padding * 4, 0);
}

void TPreviewPane::CopySelectedLines() {
    std::wstring text;
    for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_, row, LVNI_SELECTED)) {
        if (row >= static_cast<int>(rows_.size()))
            break;
        text += rows_[static_cast<size_t>(row)].Text + L"\r\n";
    }
    if (!text.empty())
        SetClipboardText(text, handle_);
}

void TPreviewPane::OnLinesKeyDown(WPARAM key, bool& handled) {
    const bool control = KeyIsDown(VK_CONTROL);
    const bool shift = KeyIsDown(VK_SHIFT);
    handled = true;
    if (key == 'C' && control && !shift) {
        CopySelectedLines();
    } else if (key == 'A' && control && !shift) {
        ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
    } else if (key == VK_RETURN && !control && !shift && OnOpen) {
        OnOpen();
    } else {
        handled = false;
    }
}

LRESULT TPreviewPane::OnNotify(const NMHDR& header) {
    if (header.idFrom != IdLines)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0 ||
            item.iItem < 0 || item.iItem >= static_cast<int>(rows_.size()))
            return 0;
        const TPreviewRow& row = rows_[static_cast<size_t>(item.iItem)];
        if (item.iSubItem == 0)
            displayText_ = row.Line > 0 ? std::to_wstring(row.Line) : std::wstring();
        else
            displayText_ = row.Text;
        const size_t length = std::min(displayText_.size(), static_cast<size_t>(item.cchTextMax - 1));
        displayText_.copy(item.pszText, length);
        item.pszText[length] = L'\0';
        return 0;
    }
    case NM_CUSTOMDRAW:
        return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(const_cast<NMHDR&>(header)));
    case NM_DBLCLK:
        if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0 && OnOpen)
            OnOpen();
        return 0;
    default:
        return 0;
    }
}

// The pane draws its rows itself: a control with visual styles may draw a selected row's
// text even in a cell it was told to leave alone.
LRESULT TPreviewPane::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const int row = static_cast<int>(draw.nmcd.dwItemSpec);
        if (row < 0 || row >= static_cast<int>(rows_.size()))
            return CDRF_DODEFAULT;
        DrawRow(draw.nmcd.hdc, row);
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

// The line number, and the text with its matches on a coloured ground, the current match
// in a stronger colour.
void TPreviewPane::DrawRow(HDC dc, int row) {
    const TPreviewRow& line = rows_[static_cast<size_t>(row)];
    const bool selected = ListView_GetItemState(list_, row, LVIS_SELECTED) != 0;
    const bool focused = GetFocus() == list_;
    const COLORREF ground =
        GetSysColor(selected ? (focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : COLOR_WINDOW);
    const COLORREF ink = line.Note
                             ? GetSysColor(COLOR_GRAYTEXT)
                             : GetSysColor(selected && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    const COLORREF previousGround = SetBkColor(dc, ground);
    const COLORREF previousInk = SetTextColor(dc, ink);
    const HGDIOBJ previousFont =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    RECT bounds{};
    ListView_GetItemRect(list_, row, &bounds, LVIR_BOUNDS);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bounds, nullptr, 0, nullptr);
    const int padding = ScaledForWindow(list_, 6);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int y = bounds.top + (bounds.bottom - bounds.top - metrics.tmHeight) / 2;

    RECT number{};
    ListView_GetSubItemRect(list_, row, 0, LVIR_LABEL, &number);
    if (line.Line > 0) {
        const std::wstring text = std::to_wstring(line.Line);
        SetTextAlign(dc, TA_RIGHT | TA_TOP);
        ExtTextOutW(dc, number.right - padding, y, ETO_CLIPPED, &number, text.c_str(),
                    static_cast<UINT>(text.size()), nullptr);
        SetTextAlign(dc, TA_LEFT | TA_TOP);
    }

    RECT cell{};
    ListView_GetSubItemRect(list_, row, 1, LVIR_BOUNDS, &cell);
    const int x = cell.left + padding;
    // The text is drawn at the places it was measured at, so that the matches' grounds fit it:
    // without them, this platform draws a substituted face wider than it measures it.
    const int length = static_cast<int>(line.Text.size());
    std::vector<int> ends(line.Text.size() + 1, 0);
    SIZE extent{};
    GetTextExtentExPointW(dc, line.Text.c_str(), length, 0, nullptr, ends.data() + 1, &extent);
    std::vector<int> advances(line.Text.size(), 0);
    for (size_t i = 0; i < advances.size(); ++i)
        advances[i] = ends[i + 1] - ends[i];
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &cell, line.Text.c_str(), static_cast<UINT>(length), advances.data());
    for (size_t i = 0; i < line.Matches.size(); ++i) {
        const TTextSpan& span = line.Matches[i];
        const bool current = row == matchRow_ && static_cast<int>(i) == matchIndex_;
        RECT area{x + ends[static_cast<size_t>(span.Start)], cell.top,
                  x + ends[static_cast<size_t>(span.Start + span.Length)], cell.bottom};
        IntersectRect(&area, &area, &cell);
        SetBkColor(dc, current ? CurrentMatchColor : MatchColor);
        SetTextColor(dc, RGB(0, 0, 0));
        ExtTextOutW(dc, x + ends[static_cast<size_t>(span.Start)], y, ETO_OPAQUE | ETO_CLIPPED, &area,
                    line.Text.c_str() + span.Start, static_cast<UINT>(span.Length),
                    advances.data() + span.Start);
    }
    if (focused && ListView_GetItemState(list_, row, LVIS_FOCUSED) != 0)
        DrawFocusRect(dc, &bounds);
    SelectObject(dc, previousFont);
    SetBkColor(dc, previousGround);
    SetTextColor(dc, previousInk);
}

} // namespace quarrow
