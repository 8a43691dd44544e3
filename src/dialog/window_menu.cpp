// The window menu of the console (Alt+Space): minimise and close, the journal window and
// its option, recording the user's actions as a script and replaying one, the about box.
#include "dialog/vantel_dlg.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include <fmt/xchar.h>
#include <wx/aboutdlg.h>
#include <wx/filedlg.h>
#include <wx/menu.h>

#include "dialog/journal_wnd.h"
#include "dialog/layout.h"
#include "dialog/script_player.h"
#include "jobs/recorder.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/version.h"

namespace vantel {
namespace {

constexpr wchar_t kAppName[] = L"Vantel";
constexpr int kWindowMenuBase = 19000;
constexpr int kJournalOnlyItem = kWindowMenuBase + 10;
constexpr int kRecordItem = kWindowMenuBase + 11;
constexpr int kReplayItem = kWindowMenuBase + 12;
constexpr wchar_t kScriptWildcard[] = L"Vantel-Skripte (*.vbs)|*.vbs|Alle Dateien (*)|*";

std::wstring FileName(const std::string& path) { return FromUtf8(std::filesystem::path(path).filename().string()); }

std::wstring LocalDate() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm);
    return FromUtf8(text);
}

}  // namespace

std::unique_ptr<wxMenu> CVantelDlg::MakeWindowMenu() const {
    auto menu = std::make_unique<wxMenu>();
    menu->Append(kWindowMenuBase + 0, L"Mi&nimieren");
    menu->Append(kWindowMenuBase + 1, L"&Schließen\tAlt+F4");
    menu->AppendSeparator();
    menu->Append(kJournalWindowCommand, L"&Protokoll...\tCtrl+J");
    menu->AppendCheckItem(kJournalOnlyItem, L"&Meldungen nur im Protokoll")->Check(m_console->JournalOnly());
    menu->Append(kRecordItem, Recording() ? L"&Aufzeichnung beenden" : L"&Aufzeichnen...");
    menu->Append(kReplayItem, ScriptRunning() ? L"Skript an&halten" : L"Skript aus&führen...");
    menu->AppendSeparator();
    menu->Append(kWindowMenuBase + 2, wxString(kAboutText.data(), kAboutText.size()));
    return menu;
}

void CVantelDlg::ShowWindowMenu() {
    const int commands[] = {kScMinimize, kScClose, kAboutCommand};
    const std::unique_ptr<wxMenu> menu = MakeWindowMenu();
    const int chosen = GetPopupMenuSelectionFromUser(*menu);
    if (chosen == kJournalWindowCommand) {
        ShowJournalWindow();
    } else if (chosen == kJournalOnlyItem) {
        SetJournalOnly(!m_console->JournalOnly());
    } else if (chosen == kRecordItem) {
        if (Recording()) {
            StopRecording();
        } else {
            wxFileDialog dlg(this, L"Aufzeichnen in", wxString(), L"aufzeichnung.vbs", kScriptWildcard,
                             wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
            if (dlg.ShowModal() == wxID_OK) StartRecording(dlg.GetPath().utf8_string());
        }
    } else if (chosen == kReplayItem) {
        if (ScriptRunning()) {
            StopScript();
        } else {
            wxFileDialog dlg(this, L"Skript ausführen", wxString(), wxString(), kScriptWildcard,
                             wxFD_OPEN | wxFD_FILE_MUST_EXIST);
            if (dlg.ShowModal() == wxID_OK) RunScript(dlg.GetPath().utf8_string());
        }
    } else if (chosen >= kWindowMenuBase && chosen < kWindowMenuBase + 3) {
        OnSysCommand(commands[chosen - kWindowMenuBase]);
    }
}

void CVantelDlg::OnSysCommand(int command) {
    switch (command) {
        case kScClose:
            // The recording ends with the window, and the close is its last line.
            if (Recording()) StopRecording(true);
            if (ScriptRunning()) StopScript();
            // Nothing opens any more, what is queued goes to the journal, and the boxes and
            // the question still open are closed, the question answered 0.
            m_console->BeginClose();
            EndDialog(0);
            break;
        case kScMinimize: Iconize(true); break;
        case kAboutCommand: {
            std::wstring name, version;
            ReadVersionInfo(name, version);
            wxAboutDialogInfo info;
            info.SetName(name.empty() ? wxString(kAppName) : wxString(name));
            info.SetVersion(version);
            info.SetDescription(L"Test console for the controller link");
            info.SetIcon(VantelIcon(32));
            wxAboutBox(info, this);
            break;
        }
        default: break;
    }
}

void CVantelDlg::ShowJournalWindow() {
    if (m_journalWnd == nullptr) {
        m_journalWnd = new CJournalWnd(*m_console, *m_appPair);
        m_journalWnd->SetIcons(GetIcons());
    }
    m_journalWnd->Present();
}

void CVantelDlg::SetJournalOnly(bool on) {
    m_console->SetJournalOnly(on);
    if (!m_optionsPair->SetValue(L"JournalOnly", on ? L"1" : L"0")) {
        MessageBox(L"Die Einstellung \"Meldungen nur im Protokoll\" konnte nicht gespeichert werden; "
                   L"sie gilt nur bis zum Ende dieser Sitzung.");
    }
}

bool CVantelDlg::StartRecording(const std::string& path) {
    if (Recording()) return false;
    // Tried at once, so that a file that cannot be written is said before anything is done.
    std::string error;
    if (!WriteTextFile(path, "", error)) {
        MessageBox(L"Die Aufzeichnung kann nicht beginnen: die Datei kann nicht geschrieben werden.\n\n" +
                   FromUtf8(error));
        return false;
    }
    const auto steadyMs = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    CConsole& console = *m_console;
    m_recorder = std::make_unique<Recorder>(
        [&console] { return console.Link().Backend().JobsInFlight() == 0 && console.QueuedNotifications() == 0; },
        steadyMs);
    std::wstring name, version;
    ReadVersionInfo(name, version);
    m_recorder->Begin(version.empty() ? L"(without version block)" : version, LocalDate());
    m_recordPath = path;
    m_console->ScriptNote(L"Aufzeichnung begonnen: " + FromUtf8(path));
    m_recorderToken = m_console->GetJournal().Subscribe([this](const JournalEntry& e) {
        if (m_recorder) m_recorder->Observe(e);
    });
    UpdateScriptStatus();
    return true;
}

bool CVantelDlg::StopRecording(bool closing) {
    if (!Recording()) return false;
    const std::string text = m_recorder->Finish(closing);
    const std::size_t lines = m_recorder->Lines().size();
    m_console->GetJournal().Unsubscribe(m_recorderToken);
    m_recorder.reset();
    std::string error;
    const bool written = WriteTextFile(m_recordPath, text, error);
    if (written) {
        m_console->ScriptNote(fmt::format(L"Aufzeichnung beendet: {} ({} Zeilen)", FromUtf8(m_recordPath), lines));
    } else {
        m_console->ScriptNote(L"Aufzeichnung nicht gespeichert: " + FromUtf8(error));
        std::fprintf(stderr, "vantel: recording not saved: %s\n", error.c_str());
        // A close by signal may come from a session that is ending: nobody to press OK.
        if (m_endSignal.empty()) {
            MessageBox(L"Die Aufzeichnung konnte nicht gespeichert werden.\n\n" + FromUtf8(error));
        }
    }
    UpdateScriptStatus();
    return written;
}

bool CVantelDlg::ScriptRunning() const { return m_player && m_player->Running(); }

bool CVantelDlg::RunScript(const std::string& path) {
    if (ScriptRunning()) return false;
    auto player = std::make_unique<CScriptPlayer>(*this);
    std::wstring error;
    if (!player->Load(path, error)) {
        m_console->ScriptNote(L"Skript nicht ausgeführt: " + error);
        MessageBox(L"Das Skript " + FileName(path) + L" wird nicht ausgeführt.\n\n" + error);
        return false;
    }
    m_player = std::move(player);
    m_scriptPath = path;
    m_player->onStep = [this] { UpdateScriptStatus(); };
    m_player->onEnd = [this](bool stopped) {
        m_console->ScriptNote((stopped ? L"Skript angehalten in Zeile " + std::to_wstring(m_player->LineNumber())
                                       : std::wstring(L"Skript beendet")) +
                              L": " + FromUtf8(m_scriptPath));
        // The player is in its own call now; it goes once that has returned.
        CallAfter([this] {
            if (m_player && !m_player->Running()) m_player.reset();
            UpdateScriptStatus();
        });
        UpdateScriptStatus();
    };
    m_console->ScriptNote(L"Skript gestartet: " + FromUtf8(path));
    m_player->Start();
    UpdateScriptStatus();
    return true;
}

void CVantelDlg::StopScript() {
    if (ScriptRunning()) m_player->Stop();
}

void CVantelDlg::UpdateScriptStatus() {
    std::wstring status;
    if (Recording()) status = L"Aufzeichnung l\u00e4uft: " + FileName(m_recordPath);
    if (ScriptRunning()) {
        if (!status.empty()) status += L"; ";
        status += L"Skript l\u00e4uft: " + FileName(m_scriptPath) + L", Zeile " +
                  std::to_wstring(m_player->LineNumber());
    }
    m_scriptStatus = status;
    UpdateStatusLine();
}

}  // namespace vantel
