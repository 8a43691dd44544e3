// The journal window ("Protokoll"): every entry the console recorded, filtered by text and
// kind, the whole of the selected one, and the jobs still pending. It only observes the
// journal; it is a top-level window of its own, usable while a box holds the main window.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <wx/timer.h>

#include "jobs/journal.h"
#include "jobs/journal_format.h"

class wxButton;
class wxCheckBox;
class wxChoice;
class wxListCtrl;
class wxStaticText;
class wxTextCtrl;
class CRegPair;

namespace vantel {

class CConsole;

class CJournalWnd : public wxFrame {
public:
    // appPair: the application pair; the window keeps its place in its child pair "Journal".
    CJournalWnd(CConsole& console, CRegPair& appPair);
    ~CJournalWnd() override;

    // Shows the window (where it was last time, if that is on a screen) and raises it.
    void Present();
    // Stops observing the console and keeps the window's place; call before destroying.
    void Detach();

    // New entries are shown in batches; this applies what has come in now.
    void FlushRefresh();

    bool Export(const std::string& path, ExportFormat format, bool filteredOnly, std::string& error);
    // The selected entries as text lines, oldest first, each ended by a line feed.
    std::string SelectedLines() const;
    // The entry a row shows; null when it has been dropped from the journal since.
    const JournalEntry* EntryOfRow(long row) const;

    wxListCtrl* List() const { return m_list; }
    wxTextCtrl* FilterField() const { return m_filter; }
    wxChoice* KindChoice() const { return m_kind; }
    wxStaticText* CountLabel() const { return m_count; }
    wxTextCtrl* Detail() const { return m_detail; }
    wxListCtrl* JobList() const { return m_jobs; }
    wxButton* AbortButton() const { return m_abort; }

    static constexpr int kRefreshMs = 100;

private:
    class EntryList;

    void BuildControls();
    void OnJournalEntry();
    void OnRefreshTimer(wxTimerEvent& e);
    void OnJobsTimer(wxTimerEvent& e);
    void OnClose(wxCloseEvent& e);
    void OnFilterChanged();
    void OnSelected();
    void OnListKey(wxKeyEvent& e);
    void OnExportButton();
    void OnAbortButton();
    void Rebuild();
    void AppendNew();
    bool Passes(const JournalEntry& e) const;
    void UpdateCount();
    void UpdateJobs();
    void CopySelection();
    std::vector<std::uint64_t> SelectedSeqs() const;
    void RestorePlace();
    void SavePlace();
    void SayError(const wxString& text);

    CConsole* m_console;
    std::unique_ptr<CRegPair> m_placePair;
    int m_token = 0;
    std::deque<std::uint64_t> m_rows;  // sequence numbers of the rows shown, ascending
    std::uint64_t m_seenSeq = 0;       // the last entry looked at for m_rows
    std::wstring m_needle;             // the filter text, case-folded
    int m_kindIndex = -1;              // -1: every kind
    bool m_placed = false;
    bool m_follow = true;    // the newest row is kept in view
    long m_lastTop = -1;     // the top row as the last refresh left it
    std::uint64_t m_detailSeq = 0;

    wxTimer m_refreshTimer;
    wxTimer m_jobsTimer;
    wxListCtrl* m_list = nullptr;  // an EntryList
    wxTextCtrl* m_filter = nullptr;
    wxChoice* m_kind = nullptr;
    wxStaticText* m_count = nullptr;
    wxCheckBox* m_exportFiltered = nullptr;
    wxTextCtrl* m_detail = nullptr;
    wxListCtrl* m_jobs = nullptr;
    wxButton* m_abort = nullptr;
    std::vector<std::int16_t> m_jobHandles;  // the handle of each row of m_jobs
};

}  // namespace vantel
