// The main dialog: a frame (only frames carry a menu bar) that runs modally, laid out
// from its template in dialog units, and the wx surface of the console.
#pragma once
#include <array>
#include <map>
#include <memory>
#include <string>

#include <wx/frame.h>
#include <wx/icon.h>
#include <wx/timer.h>

#include "jobs/console.h"
#include "platform/wintypes.h"

class wxGUIEventLoop;
class wxMenu;
class wxMenuBar;
class wxPanel;
class CRegPair;

namespace vantel {

namespace remote {
class CommandListener;
class RemoteLink;
}

class CMyComboBox;
class CJournalWnd;
class CScriptPlayer;
class JournalFile;
class Recorder;

// The icon of the console (large 32 x 32, small 16 x 16), drawn in code.
wxIcon VantelIcon(int size);

class CVantelDlg : public wxFrame, public ISurface {
public:
    // link: what stands behind the dialog's CPlexa.
    CVantelDlg(CRegPair& appPair, std::unique_ptr<link::ILinkBackend> link, wxWindow* parent = nullptr);
    ~CVantelDlg() override;

    // Shows the window and runs until EndDialog; returns its code.
    int DoModal();
    // Ends the boxes and the question still open first: the dialog's loop exits after theirs.
    void EndDialog(int code);

    // Posted to Handle() from any thread, asks the dialog to close as its Close does;
    // wParam: the signal that asked for it, 0 for none.
    static UINT CloseRequestMessage();

    CConsole& Console() { return *m_console; }
    CMyComboBox& FieldControl(int n) { return *m_fields.at(n - 1); }
    HWND Handle() const { return m_hwnd; }

    // ISurface
    FieldTexts ReadFields() override;
    void MessageBox(const std::wstring& text) override;
    int RunQuestion(const std::wstring& question, const AnswerCaptions& captions) override;
    void Pause(unsigned ms) override;

    // The window menu (the platform's own is the window manager's): Close, Minimise, the
    // journal, recording and replay, About. Its items read as the state of the dialog is now.
    void ShowWindowMenu();
    std::unique_ptr<wxMenu> MakeWindowMenu() const;
    void OnSysCommand(int command);
    static constexpr int kScClose = 0xF060;
    static constexpr int kScMinimize = 0xF020;

    // The toolkit takes menu ids below 0x7FFF only; command ids above that are mapped.
    int MenuIdOf(int commandId) const;

    // The socket on which command ids arrive from outside while the dialog runs; empty
    // when it is not listening.
    std::string CommandSocketPath() const;

    // The journal window ("Protokoll...", Ctrl+J): opened on first use, then shown again.
    void ShowJournalWindow();
    CJournalWnd* JournalWindow() const { return m_journalWnd; }
    // "Meldungen nur im Protokoll": kept in the user store and passed to the console.
    void SetJournalOnly(bool on);
    // What the console talks to, for the status line.
    void SetLinkDescription(const std::wstring& text);
    // The link to a controller of its own (the dialog's link or inside it): its state, now
    // and at every change, in the status line and the journal.
    void FollowLink(remote::RemoteLink& link);

    // "Aufzeichnen...": the user's actions from now on become a script in path, written when
    // the recording ends. False (and said in a box) when the file cannot be written.
    bool StartRecording(const std::string& path);
    // "Aufzeichnung beenden"; closing: the window closes (a "close" line). False when the
    // file could not be written; a box (or, when a signal closes the window, standard
    // error) says so.
    bool StopRecording(bool closing = false);
    bool Recording() const { return m_recorder != nullptr; }
    // "Skript ausführen...": runs the script in the dialog; false (and said in a box, naming
    // the line) when it cannot be read, with nothing run.
    bool RunScript(const std::string& path);
    // "Skript anhalten": ends after the line being carried out.
    void StopScript();
    bool ScriptRunning() const;
    // The text the status line shows about a recording or a replay; empty when none runs.
    const std::wstring& ScriptStatus() const { return m_scriptStatus; }

protected:
    // The highlighted menu item's hint, cut to the status line's width.
    void DoGiveHelp(const wxString& text, bool show) override;

private:
    void OnInitDialog();
    void BuildControls();
    wxMenuBar* BuildMenuBar();
    void SaveAndDestroy();
    void OnFieldLeft(CMyComboBox& field);
    void OnCommand(wxCommandEvent& e);
    void OnPosted(wxThreadEvent& e);
    void OnClose(wxCloseEvent& e);
    void OnCharHook(wxKeyEvent& e);
    void StartListening();
    void StopListening();
    void StartJournal();
    void BuildStatusLine();
    void OnJournalEntry(const JournalEntry& e);
    void UpdateStatusLine();
    void JournalFileFailed(const std::string& error);
    void UpdateScriptStatus();
    void ShowFieldUses(int id);
    wxSize DuToPixels(int w, int h) const;
    wxPoint DuToPixels(wxPoint p) const;

    std::unique_ptr<CConsole> m_console;
    std::unique_ptr<remote::CommandListener> m_listener;
    std::map<int, int> m_menuCommands;  // toolkit menu id -> command id
    wxPanel* m_panel = nullptr;
    std::array<CMyComboBox*, kFieldCount> m_fields{};
    wxGUIEventLoop* m_loop = nullptr;
    int m_result = 0;
    std::wstring m_endSignal;  // "SIGTERM" and the like when a signal closed it
    bool m_saved = false;
    HWND m_hwnd = 0;
    double m_duX = 1.5, m_duY = 1.625;  // pixels per dialog unit

    CRegPair* m_appPair = nullptr;
    std::unique_ptr<CRegPair> m_optionsPair;
    CJournalWnd* m_journalWnd = nullptr;  // top-level of its own; destroyed with the dialog
    std::unique_ptr<JournalFile> m_journalFile;
    int m_journalToken = 0;
    wxTimer m_statusTimer;
    std::wstring m_linkText;
    struct LinkStateQueue;
    std::shared_ptr<LinkStateQueue> m_linkStates;
    std::wstring m_lastOutcome;
    bool m_showingHelp = false;  // a menu item's hint is in the status line

    std::unique_ptr<Recorder> m_recorder;
    std::string m_recordPath;
    int m_recorderToken = 0;
    std::unique_ptr<CScriptPlayer> m_player;
    std::string m_scriptPath;
    std::wstring m_scriptStatus;
};

}  // namespace vantel
