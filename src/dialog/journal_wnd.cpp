#include "dialog/journal_wnd.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <fmt/xchar.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialog/journal_list.h"
#include "dialog/window_group.h"
#include "jobs/console.h"
#include "jobs/journal_format.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace vantel {
namespace {

void SetLabelIfChanged(wxWindow* w, const wxString& label) {
    if (w->GetLabel() != label) w->SetLabel(label);
}

}  // namespace


// Rows are drawn from the journal as they scroll into view; nothing is kept per row.
class CJournalWnd::EntryList : public wxListCtrl {
public:
    EntryList(CJournalWnd& owner, wxWindow* parent)
        : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_VIRTUAL),
          m_owner(owner) {}

    wxString OnGetItemText(long item, long column) const override {
        const JournalEntry* e = m_owner.EntryOfRow(item);
        return e == nullptr ? wxString() : wxString(CellText(*e, static_cast<int>(column)));
    }

private:
    CJournalWnd& m_owner;
};

CJournalWnd::CJournalWnd(CConsole& console, CRegPair& appPair)
    : wxFrame(nullptr, wxID_ANY, L"Protokoll"),
      m_console(&console),
      m_placePair(std::make_unique<CRegPair>(appPair, L"Journal", false)),
      m_refreshTimer(this),
      m_jobsTimer(this) {
    // No parent, and a window group of its own: a box over the main window leaves it usable.
    GiveOwnWindowGroup(*this);
    // A dialog opened without a parent (the question dialog) would otherwise take this window
    // as its owner while it is the active one, and hold it instead of the main window.
    SetExtraStyle(GetExtraStyle() | wxWS_EX_TRANSIENT);
    BuildControls();
    Bind(wxEVT_CLOSE_WINDOW, &CJournalWnd::OnClose, this);
    Bind(wxEVT_TIMER, &CJournalWnd::OnRefreshTimer, this, m_refreshTimer.GetId());
    Bind(wxEVT_TIMER, &CJournalWnd::OnJobsTimer, this, m_jobsTimer.GetId());
    m_token = console.GetJournal().Subscribe([this](const JournalEntry&) { OnJournalEntry(); });
}

CJournalWnd::~CJournalWnd() { Detach(); }

void CJournalWnd::BuildControls() {
    auto* panel = new wxPanel(this);
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(new wxStaticText(panel, wxID_ANY, L"&Filter:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(4));
    m_filter = new wxTextCtrl(panel, wxID_ANY);
    m_filter->SetHint(L"Befehl, Text oder Aufruf");
    top->Add(m_filter, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(12));
    top->Add(new wxStaticText(panel, wxID_ANY, L"&Art:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(4));
    m_kind = new wxChoice(panel, wxID_ANY);
    m_kind->Append(L"alle");
    for (std::string_view name : kJournalKindNames) m_kind->Append(wxString::FromUTF8(name.data(), name.size()));
    m_kind->SetSelection(0);
    top->Add(m_kind, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(12));
    m_count = new wxStaticText(panel, wxID_ANY, L"0 von 0 Einträgen");
    top->Add(m_count, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(12));
    top->AddStretchSpacer();
    m_exportFiltered = new wxCheckBox(panel, wxID_ANY, L"nur &gefilterte");
    top->Add(m_exportFiltered, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(4));
    auto* exportButton = new wxButton(panel, wxID_ANY, L"&Exportieren...");
    top->Add(exportButton, 0, wxALIGN_CENTER_VERTICAL);

    m_list = new EntryList(*this, panel);
    struct ColumnSpec {
        const wchar_t* title;
        int width;
        wxListColumnFormat align;
    };
    const ColumnSpec columns[] = {
        {L"Nr.", 60, wxLIST_FORMAT_RIGHT},      {L"Zeit", 95, wxLIST_FORMAT_LEFT},
        {L"Art", 95, wxLIST_FORMAT_LEFT},       {L"Befehl", 190, wxLIST_FORMAT_LEFT},
        {L"Handle", 60, wxLIST_FORMAT_RIGHT},   {L"Text", 360, wxLIST_FORMAT_LEFT},
        {L"Latenz", 70, wxLIST_FORMAT_RIGHT},
    };
    for (const ColumnSpec& c : columns) m_list->AppendColumn(c.title, c.align, FromDIP(c.width));

    m_detail = new wxTextCtrl(panel, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                              wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
    m_detail->SetFont(wxFont(wxFontInfo(GetFont().GetPointSize()).Family(wxFONTFAMILY_TELETYPE)));

    auto* jobsBox = new wxStaticBoxSizer(wxHORIZONTAL, panel, L"Ausstehende Aufträge");
    m_jobs = new wxListCtrl(jobsBox->GetStaticBox(), wxID_ANY, wxDefaultPosition, wxSize(-1, FromDIP(96)),
                            wxLC_REPORT | wxLC_SINGLE_SEL);
    m_jobs->AppendColumn(L"Befehl", wxLIST_FORMAT_LEFT, FromDIP(260));
    m_jobs->AppendColumn(L"Handle", wxLIST_FORMAT_RIGHT, FromDIP(70));
    m_jobs->AppendColumn(L"Slot", wxLIST_FORMAT_LEFT, FromDIP(120));
    m_jobs->AppendColumn(L"Wartet seit", wxLIST_FORMAT_RIGHT, FromDIP(100));
    jobsBox->Add(m_jobs, 1, wxEXPAND | wxRIGHT, FromDIP(8));
    m_abort = new wxButton(jobsBox->GetStaticBox(), wxID_ANY, L"A&bbrechen");
    m_abort->Disable();
    jobsBox->Add(m_abort, 0, wxALIGN_TOP);

    auto* column = new wxBoxSizer(wxVERTICAL);
    const int gap = FromDIP(6);
    column->Add(top, 0, wxEXPAND | wxALL, gap);
    column->Add(m_list, 3, wxEXPAND | wxLEFT | wxRIGHT, gap);
    column->Add(m_detail, 2, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    column->Add(jobsBox, 0, wxEXPAND | wxALL, gap);
    panel->SetSizer(column);

    m_filter->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { OnFilterChanged(); });
    m_kind->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnFilterChanged(); });
    exportButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnExportButton(); });
    m_abort->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnAbortButton(); });
    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { OnSelected(); });
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { OnSelected(); });
    m_list->Bind(wxEVT_LIST_ITEM_FOCUSED, [this](wxListEvent&) { OnSelected(); });
    m_list->Bind(wxEVT_KEY_DOWN, &CJournalWnd::OnListKey, this);
    const auto jobSelection = [this](wxListEvent&) {
        m_abort->Enable(m_jobs->GetSelectedItemCount() > 0 && m_console != nullptr);
    };
    m_jobs->Bind(wxEVT_LIST_ITEM_SELECTED, jobSelection);
    m_jobs->Bind(wxEVT_LIST_ITEM_DESELECTED, jobSelection);
    SetMinSize(FromDIP(wxSize(480, 320)));
}

void CJournalWnd::Present() {
    if (!m_placed) {
        RestorePlace();
        m_placed = true;
    }
    if (!IsShown()) {
        Show();
        Rebuild();
        UpdateJobs();
        m_jobsTimer.Start(1000);
    }
    if (IsIconized()) Iconize(false);
    Raise();
}

void CJournalWnd::Detach() {
    m_refreshTimer.Stop();
    m_jobsTimer.Stop();
    if (m_console == nullptr) return;
    if (IsShown()) SavePlace();
    m_console->GetJournal().Unsubscribe(m_token);
    m_console = nullptr;
    m_rows.clear();
    m_list->SetItemCount(0);
}

void CJournalWnd::OnClose(wxCloseEvent& e) {
    if (!e.CanVeto()) {
        e.Skip();
        return;
    }
    // Closing only hides it: the filter and the place stay for the next time it opens.
    e.Veto();
    SavePlace();
    m_refreshTimer.Stop();
    m_jobsTimer.Stop();
    Hide();
}

// A flood of entries repaints once per batch, not once per entry.
void CJournalWnd::OnJournalEntry() {
    if (IsShown() && !m_refreshTimer.IsRunning()) m_refreshTimer.StartOnce(kRefreshMs);
}

void CJournalWnd::OnRefreshTimer(wxTimerEvent&) { FlushRefresh(); }

void CJournalWnd::OnJobsTimer(wxTimerEvent&) { UpdateJobs(); }

void CJournalWnd::FlushRefresh() {
    m_refreshTimer.Stop();
    if (m_console == nullptr || !IsShown()) return;
    AppendNew();
    UpdateJobs();
}

const JournalEntry* CJournalWnd::EntryOfRow(long row) const {
    if (m_console == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) return nullptr;
    return m_console->GetJournal().Find(m_rows[static_cast<std::size_t>(row)]);
}

bool CJournalWnd::Passes(const JournalEntry& e) const {
    return PassesFilter(e, m_kindIndex, m_needle);
}

void CJournalWnd::OnFilterChanged() {
    m_needle = FoldFilter(m_filter->GetValue().ToStdWstring());
    m_kindIndex = m_kind->GetSelection() - 1;
    if (m_console != nullptr && IsShown()) Rebuild();
}

std::vector<std::uint64_t> CJournalWnd::SelectedSeqs() const {
    std::vector<std::uint64_t> seqs;
    for (long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row >= 0;
         row = m_list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        if (static_cast<std::size_t>(row) < m_rows.size()) seqs.push_back(m_rows[static_cast<std::size_t>(row)]);
    }
    return seqs;
}

void CJournalWnd::Rebuild() {
    const Journal& journal = m_console->GetJournal();
    const std::vector<std::uint64_t> selected = SelectedSeqs();
    m_rows.clear();
    for (std::size_t i = 0; i < journal.Size(); ++i) {
        const JournalEntry& e = journal.At(i);
        if (Passes(e)) m_rows.push_back(e.seq);
    }
    m_seenSeq = journal.LastSeq();
    m_list->SetItemCount(static_cast<long>(m_rows.size()));
    m_list->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    long lastSelected = -1;
    for (const std::uint64_t seq : selected) {
        const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), seq);
        if (it == m_rows.end() || *it != seq) continue;
        lastSelected = static_cast<long>(it - m_rows.begin());
        m_list->SetItemState(lastSelected, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    if (lastSelected >= 0) {
        m_list->EnsureVisible(lastSelected);
    } else if (!m_rows.empty()) {
        m_list->EnsureVisible(static_cast<long>(m_rows.size()) - 1);
    }
    m_follow = lastSelected < 0;
    m_lastTop = m_list->GetTopItem();
    m_list->Refresh();
    UpdateCount();
    OnSelected();
}

void CJournalWnd::AppendNew() {
    const Journal& journal = m_console->GetJournal();
    const bool dropping = !m_rows.empty() && m_rows.front() < journal.FirstSeq();
    if (!dropping && m_seenSeq == journal.LastSeq()) return;

    const long oldCount = static_cast<long>(m_rows.size());
    // Only the user moves the top row between refreshes: a scroll away from the newest row
    // ends following, one back to it resumes it; a resize alone changes nothing.
    const long shownTop = m_list->GetTopItem();
    if (shownTop != m_lastTop) m_follow = oldCount == 0 || shownTop + m_list->GetCountPerPage() >= oldCount;
    const bool follow = m_follow && m_list->GetSelectedItemCount() == 0;
    std::vector<std::uint64_t> selected;
    std::uint64_t topSeq = 0;
    if (dropping) {
        selected = SelectedSeqs();
        const long top = m_list->GetTopItem();
        if (top >= 0 && top < oldCount) topSeq = m_rows[static_cast<std::size_t>(top)];
    }

    std::size_t dropped = 0;
    while (!m_rows.empty() && m_rows.front() < journal.FirstSeq()) {
        m_rows.pop_front();
        ++dropped;
    }
    for (std::uint64_t seq = std::max(m_seenSeq + 1, journal.FirstSeq()); seq <= journal.LastSeq(); ++seq) {
        if (const JournalEntry* e = journal.Find(seq); e != nullptr && Passes(*e)) m_rows.push_back(seq);
    }
    m_seenSeq = journal.LastSeq();
    const long count = static_cast<long>(m_rows.size());
    m_list->SetItemCount(count);

    if (dropped > 0) {
        // Rows are indices: entries dropped at the front move every row up, so the
        // selection and the scroll position are put back onto the same entries.
        m_list->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
        for (const std::uint64_t seq : selected) {
            const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), seq);
            if (it != m_rows.end() && *it == seq) {
                m_list->SetItemState(static_cast<long>(it - m_rows.begin()), wxLIST_STATE_SELECTED,
                                     wxLIST_STATE_SELECTED);
            }
        }
        if (!follow && topSeq != 0 && count > 0) {
            const long top =
                static_cast<long>(std::lower_bound(m_rows.begin(), m_rows.end(), topSeq) - m_rows.begin());
            m_list->EnsureVisible(count - 1);
            m_list->EnsureVisible(std::min(top, count - 1));
        }
    }
    if (follow && count > 0) m_list->EnsureVisible(count - 1);
    m_lastTop = m_list->GetTopItem();
    m_list->Refresh();
    UpdateCount();
    if (dropped > 0) OnSelected();
}

void CJournalWnd::UpdateCount() {
    const Journal& journal = m_console->GetJournal();
    std::wstring text = Grouped(m_rows.size()) + L" von " + Grouped(journal.Size()) + L" Einträgen";
    if (journal.Dropped() > 0) text += L" (" + Grouped(journal.Dropped()) + L" ältere verworfen)";
    SetLabelIfChanged(m_count, text);
    m_count->GetParent()->Layout();
}

void CJournalWnd::OnSelected() {
    long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    if (row < 0 || m_list->GetItemState(row, wxLIST_STATE_SELECTED) == 0) {
        row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    }
    const JournalEntry* e = EntryOfRow(row);
    const std::uint64_t seq = e != nullptr ? e->seq : 0;
    if (seq == m_detailSeq) return;
    m_detailSeq = seq;
    m_detail->ChangeValue(e != nullptr ? wxString(DetailText(*e)) : wxString());
}

std::string CJournalWnd::SelectedLines() const {
    std::string text;
    for (const std::uint64_t seq : SelectedSeqs()) {
        if (m_console == nullptr) break;
        if (const JournalEntry* e = m_console->GetJournal().Find(seq)) text += ToTextLine(*e) + "\n";
    }
    return text;
}

void CJournalWnd::CopySelection() {
    const std::string text = SelectedLines();
    if (text.empty()) return;
    wxClipboardLocker clipboard;
    if (!clipboard) return;
    wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(text)));
}

void CJournalWnd::OnListKey(wxKeyEvent& e) {
    if (e.GetModifiers() == wxMOD_CONTROL && e.GetKeyCode() == 'C') {
        CopySelection();
    } else if (e.GetModifiers() == wxMOD_CONTROL && e.GetKeyCode() == 'A') {
        m_list->SetItemState(-1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    } else {
        e.Skip();
    }
}

bool CJournalWnd::Export(const std::string& path, ExportFormat format, bool filteredOnly, std::string& error) {
    if (m_console == nullptr) {
        error = "the console has ended";
        return false;
    }
    FlushRefresh();
    const Journal& journal = m_console->GetJournal();
    std::vector<const JournalEntry*> entries;
    if (filteredOnly && IsShown()) {
        for (const std::uint64_t seq : m_rows) {
            if (const JournalEntry* e = journal.Find(seq)) entries.push_back(e);
        }
    } else {
        for (std::size_t i = 0; i < journal.Size(); ++i) {
            if (!filteredOnly || Passes(journal.At(i))) entries.push_back(&journal.At(i));
        }
    }
    return WriteJournalEntries(path, format, entries, error);
}

void CJournalWnd::OnExportButton() {
    // The file dialog and the error box are this window's own (see the constructor).
    struct OwnDialogs {
        wxWindow& w;
        explicit OwnDialogs(wxWindow& window) : w(window) { w.SetExtraStyle(w.GetExtraStyle() & ~wxWS_EX_TRANSIENT); }
        ~OwnDialogs() { w.SetExtraStyle(w.GetExtraStyle() | wxWS_EX_TRANSIENT); }
    } own(*this);
    static const wchar_t* const kExtensions[] = {L"jsonl", L"csv", L"txt"};
    wxFileDialog dialog(this, L"Protokoll exportieren", wxEmptyString, L"protokoll.jsonl",
                        L"JSON Lines (*.jsonl)|*.jsonl|CSV (*.csv)|*.csv|Text (*.txt)|*.txt",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) return;
    const int index = std::clamp(dialog.GetFilterIndex(), 0, 2);
    wxString path = dialog.GetPath();
    if (wxFileName(path).GetExt().empty()) path += wxString(L".") + kExtensions[index];
    std::string error;
    if (!Export(std::string(path.utf8_str()), static_cast<ExportFormat>(index), m_exportFiltered->GetValue(), error)) {
        SayError(L"Das Protokoll konnte nicht exportiert werden:\n" + wxString::FromUTF8(error));
    }
}

void CJournalWnd::SayError(const wxString& text) {
    // Parented here, the box joins this window's group and holds this window, not the console.
    wxMessageDialog box(this, text, L"Protokoll", wxOK | wxICON_ERROR);
    box.ShowModal();
}

void CJournalWnd::UpdateJobs() {
    if (m_console == nullptr) return;
    const std::vector<PendingJob> jobs = m_console->PendingJobs();
    bool same = jobs.size() == m_jobHandles.size();
    for (std::size_t i = 0; same && i < jobs.size(); ++i) same = jobs[i].handle == m_jobHandles[i];
    if (!same) {
        const long row = m_jobs->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
        const std::int16_t selected =
            row >= 0 && static_cast<std::size_t>(row) < m_jobHandles.size() ? m_jobHandles[row] : 0;
        m_jobs->DeleteAllItems();
        m_jobHandles.clear();
        for (const PendingJob& job : jobs) {
            const long i = m_jobs->InsertItem(m_jobs->GetItemCount(), CommandText(job.path, job.id));
            m_jobs->SetItem(i, 1, wxString::Format("%d", job.handle));
            m_jobs->SetItem(i, 2, SlotText(job.slot));
            if (job.handle == selected && selected != 0) {
                m_jobs->SetItemState(i, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            }
            m_jobHandles.push_back(job.handle);
        }
        auto* box = static_cast<wxStaticBox*>(m_jobs->GetParent());
        SetLabelIfChanged(box, jobs.empty() ? wxString(L"Ausstehende Aufträge")
                                            : wxString::Format(L"Ausstehende Aufträge (%zu)", jobs.size()));
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) m_jobs->SetItem(static_cast<long>(i), 3, AgeText(jobs[i].ageMs));
    m_abort->Enable(m_jobs->GetSelectedItemCount() > 0);
}

void CJournalWnd::OnAbortButton() {
    const long row = m_jobs->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (m_console == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_jobHandles.size()) return;
    m_console->AbortJob(m_jobHandles[static_cast<std::size_t>(row)]);
    UpdateJobs();
}

void CJournalWnd::RestorePlace() {
    std::wstring values[4];
    const wchar_t* names[] = {L"X", L"Y", L"W", L"H"};
    long numbers[4] = {};
    bool saved = true;
    for (int i = 0; i < 4 && saved; ++i) {
        saved = m_placePair->GetValue(names[i], values[i]) && wxString(values[i]).ToLong(&numbers[i]);
    }
    const wxSize minSize = GetMinSize();
    if (saved && numbers[2] >= minSize.x && numbers[3] >= minSize.y) {
        // Usable only if a strip of its title bar lies on a screen, so it can be grabbed.
        const wxRect title(numbers[0], numbers[1], numbers[2], FromDIP(24));
        for (unsigned d = 0; d < wxDisplay::GetCount(); ++d) {
            const wxRect seen = wxDisplay(d).GetClientArea().Intersect(title);
            if (!seen.IsEmpty() && seen.width >= FromDIP(48)) {
                SetSize(numbers[0], numbers[1], numbers[2], numbers[3]);
                return;
            }
        }
    }
    SetSize(FromDIP(wxSize(960, 600)));
    CentreOnScreen();
}

void CJournalWnd::SavePlace() {
    if (!m_placed || IsIconized() || IsMaximized()) return;
    const wxRect r = GetRect();
    const long numbers[] = {r.x, r.y, r.width, r.height};
    const wchar_t* names[] = {L"X", L"Y", L"W", L"H"};
    bool ok = true;
    for (int i = 0; i < 4; ++i) ok = m_placePair->SetValue(names[i], std::to_wstring(numbers[i])) && ok;
    // Losing the place is no reason to stop anyone; it is still said.
    if (!ok) std::fprintf(stderr, "vantel: the journal window's place could not be saved\n");
}

}  // namespace vantel
