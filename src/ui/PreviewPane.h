#pragma once
// The preview pane below the results: a header line ("12 matches in 7 lines", or a note on
// why a file shows nothing) over a list of numbered lines with the matches highlighted. The
// list is a standard list view, so that a screen reader reads each line with its number
// and follows the selection from match to match.

#include "results/PreviewLoader.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

class TPreviewPane {
public:
    TPreviewPane();
    ~TPreviewPane();
    TPreviewPane(const TPreviewPane&) = delete;
    TPreviewPane& operator=(const TPreviewPane&) = delete;

    // A hidden child of `parent`, placed by the parent's layout.
    bool Create(HWND parent, int id);
    HWND Handle() const { return handle_; }
    HWND HeaderLabel() const { return header_; }
    HWND Lines() const { return list_; }

    // Shows what the reading of `request` finds, as it comes.
    void Preview(const TPreviewRequest& request);
    // Shows nothing but `header`, and reads nothing.
    void Clear(const std::wstring& header = {});
    // The path shown, or asked for; empty after Clear.
    const std::wstring& Path() const { return path_; }
    bool Finished() const { return finished_; }
    std::wstring HeaderText() const;
    const std::vector<TPreviewRow>& Rows() const { return rows_; }

    // Moves to the next (or previous) match of this file: selects its line and marks it.
    // False when there is none after (before) the current one in a file read to its end;
    // a move forward past the matches read so far waits for the next ones.
    bool GoToMatch(bool forward);
    // After a move to another file: goes to its first (or last) match once it is read.
    void GoToMatchOnArrival(bool forward);
    // The current match: its row and its index in the row; -1 when there is none.
    int MatchRow() const { return matchRow_; }
    int MatchIndex() const { return matchIndex_; }

    // Copies the selected lines' text, one line of text per row.
    void CopySelectedLines();

    // A double click (or Enter) on a line.
    std::function<void()> OnOpen;
    // A file reached by GoToMatchOnArrival has no match to go to.
    std::function<void(bool forward)> OnNoMatchOnArrival;

    TPreviewLoader& Loader() { return *loader_; }

private:
    friend LRESULT CALLBACK PreviewPaneWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK PreviewLinesProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    void DrawRow(HDC dc, int row);
    void OnLinesKeyDown(WPARAM key, bool& handled);
    void OnNews(uint64_t id);
    void SetHeader(const std::wstring& text);
    void Reset(const std::wstring& header);
    void SetRowCount();
    void FitLineNumbers(int64_t largest);
    void Layout();
    bool FindMatch(bool forward, int& row, int& index) const;
    void ArriveAtMatch();
    void SelectMatch(int row, int index);
    void ScrollMatchIntoView(int row, int index);
    void UpdateTextColumnWidth();

    HWND handle_ = nullptr;
    HWND header_ = nullptr;
    HWND list_ = nullptr;
    std::unique_ptr<TPreviewLoader> loader_;
    std::wstring path_;
    std::vector<TPreviewRow> rows_;
    bool finished_ = true;
    int matchRow_ = -1;
    int matchIndex_ = -1;
    int arrival_ = 0; // 1: go to the first match once read, -1: to the last one
    std::wstring displayText_;
};

} // namespace quarrow
