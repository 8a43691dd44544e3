// vantel-batch's main dialog: the console on a text surface, with a window whose posts
// queue up until the script lets them be dispatched.
#pragma once
#include <condition_variable>
#include <deque>
#include <istream>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "batch/batch_surface.h"
#include "jobs/console.h"
#include "jobs/journal_file.h"
#include "platform/registry.h"
#include "remote/remote_link.h"
#include "script/script.h"
#include "script/scripted_link.h"

namespace vantel::batch {

using script::ScriptLine;
using script::Verb;

enum class LinkKind { Sim, Script, Remote };

struct Options {
    LinkKind link = LinkKind::Sim;
    bool trace = false;
    std::string journal;  // a JSON Lines file for the journal; empty: none
    // The store the histories are read from at the start and saved to at "close"; it
    // becomes this process's user store. Empty: the run starts with empty histories and
    // saves none, whatever store the environment names.
    std::string registry;
    remote::LinkChoice remote{};  // LinkKind::Remote: the controller and the credentials
};

class Runner {
public:
    // Output lines go to out.
    Runner(const Options& options, std::ostream& out);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // The dialog opens: histories loaded, then the console started on the window.
    void Open();

    // Opens the journal file of options.journal, if any; false with the reason.
    bool OpenJournal(std::string& error);
    // Reaches the controller of LinkKind::Remote; false with the reason. Nothing to do for
    // the other links.
    bool Connect(std::string& error);

    // Opens the dialog and runs the script to its end or to its "close" line; 0, or 2
    // after writing "vantel-batch: line N: reason" to err for a line that cannot be read
    // or carried out, or 3 when the journal file could not be written, "close" could not
    // save the histories or the remote controller was lost (a line on err says which).
    // Only "close" saves the histories, and only with options.registry. When the headers
    // were read already, headerLines counts them and firstCommand is the line after them,
    // the first to run.
    int Run(std::istream& script, std::ostream& err, int headerLines = 0, std::string_view firstCommand = {});

    // One line; false with the reason when it cannot be read or carried out. closed is
    // set by "close".
    bool Execute(std::string_view line, bool& closed, std::string& error);

    // Handles every notification queued so far, and those that handling them queues.
    void DispatchPending();
    // Dispatches until nothing is queued and the link has no job in flight.
    void WaitIdle();

    CConsole& Console() { return *m_console; }
    HWND Window() const { return m_window; }
    // Null unless the link is the scripted one.
    link::ScriptedLink* Scripted() { return m_scripted; }

private:
    struct Posted {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };

    bool Carry(const ScriptLine& line, bool& closed, std::string& error);
    // The remote controller was lost: said on err (once) and in the journal.
    bool LinkLost(std::ostream& err);
    bool DispatchOne();
    void DispatchFor(unsigned ms);

    std::string m_journalPath;
    bool m_keepHistories = false;
    std::string m_saveError;  // why "close" saved nothing; empty when it did
    JournalFile m_journalFile;
    LineWriter m_out;
    BatchSurface m_surface;
    CRegPair m_appPair;
    link::ScriptedLink* m_scripted = nullptr;
    remote::RemoteLink* m_remote = nullptr;
    std::string m_linkError;  // why the remote link could not be made
    std::unique_ptr<CConsole> m_console;

    std::mutex m_queueMutex;
    std::condition_variable m_posted;
    std::deque<Posted> m_queue;
    HWND m_window = 0;
};

}  // namespace vantel::batch
