#include "batch/runner.h"

#include <chrono>
#include <cstdlib>

#include <unistd.h>

#include "commands/catalogue.h"
#include "jobs/messages.h"
#include "sim/embedded.h"
#include "link/trace_link.h"
#include "platform/text.h"
#include "platform/winmsg.h"

namespace vantel::batch {
namespace {

using Clock = std::chrono::steady_clock;

// A link job that ends always posts, so this only bounds a wait on a link that ends jobs
// some other way.
constexpr auto kRecheck = std::chrono::milliseconds(20);

}  // namespace

Runner::Runner(const Options& options, std::ostream& out)
    : m_journalPath(options.journal),
      m_keepHistories(!options.registry.empty()),
      m_out(out),
      m_surface(m_out),
      m_appPair(L"Plexa.Vantel", false) {
    // The store path is read at each open, so this is all it takes.
    if (m_keepHistories) setenv("VANTEL_REGISTRY", options.registry.c_str(), 1);
    std::unique_ptr<link::ILinkBackend> backend;
    if (options.link == LinkKind::Script) {
        auto scripted = std::make_unique<link::ScriptedLink>();
        m_scripted = scripted.get();
        backend = std::move(scripted);
    } else if (options.link == LinkKind::Remote) {
        std::string error;
        auto remote = remote::MakeRemoteLink(options.remote, "vantel-batch " + std::to_string(getpid()), false, error);
        // The options were checked before; what is left is a credential file, said at Connect.
        if (remote) {
            m_remote = remote.get();
            backend = std::move(remote);
        } else {
            m_linkError = error;
            backend = std::make_unique<link::ScriptedLink>();
        }
    } else {
        backend = link::MakeEmbeddedLink();
    }
    if (options.trace) {
        backend = link::MakeTraceLink(std::move(backend), [this](std::string_view line) { m_out.Line(line); });
    }
    m_console = std::make_unique<CConsole>(m_surface, std::move(backend), m_appPair, Catalogue());
    m_surface.Attach(*m_console);
    m_window = CreatePostTarget([this](UINT msg, WPARAM wParam, LPARAM lParam) {
        {
            std::lock_guard lock(m_queueMutex);
            m_queue.push_back({msg, wParam, lParam});
        }
        m_posted.notify_one();
    });
}

Runner::~Runner() {
    // Nothing may reach the queue once it is going; the link's own thread may still post.
    DestroyPostTarget(m_window);
}

bool Runner::OpenJournal(std::string& error) {
    if (m_journalPath.empty()) return true;
    if (!m_journalFile.OpenFile(m_journalPath, error)) return false;
    m_console->GetJournal().Subscribe([this](const JournalEntry& e) { m_journalFile.Write(e); });
    return true;
}

bool Runner::Connect(std::string& error) {
    if (!m_linkError.empty()) {
        error = m_linkError;
        return false;
    }
    if (m_remote == nullptr) return true;
    const std::string where = "controller " + m_remote->Where().text;
    if (!m_remote->Connect(error)) {
        const bool refused = m_remote->Status().state == remote::LinkState::Refused;
        error = where + (refused ? ": refused: " : ": cannot be reached: ") + error;
        return false;
    }
    m_console->LinkNote(remote::JournalText(m_remote->Where(), m_remote->Status()));
    return true;
}

bool Runner::LinkLost(std::ostream& err) {
    if (m_remote == nullptr) return false;
    const remote::LinkStatus status = m_remote->Status();
    if (status.state == remote::LinkState::Connected) return false;
    m_console->LinkNote(remote::JournalText(m_remote->Where(), status));
    err << "vantel-batch: controller " << m_remote->Where().text << ": connection lost: " << status.reason << '\n';
    return true;
}

void Runner::Open() {
    if (m_keepHistories) m_console->LoadHistories();
    m_console->Start(m_window);
}

int Runner::Run(std::istream& script, std::ostream& err, int headerLines, std::string_view firstCommand) {
    Open();
    std::string line(firstCommand);
    int number = headerLines;
    bool more = !firstCommand.empty();
    if (!more) {
        more = static_cast<bool>(std::getline(script, line));
        ++number;
    }
    bool lost = false;
    for (; more; more = static_cast<bool>(std::getline(script, line)), ++number) {
        bool closed = false;
        std::string error;
        if (!Execute(line, closed, error)) {
            err << "vantel-batch: line " << number << ": " << error << '\n';
            return 2;
        }
        if (closed) break;
        if ((lost = LinkLost(err))) break;
    }
    int status = 0;
    if (lost || LinkLost(err)) status = 3;
    m_journalFile.Flush();
    if (!m_saveError.empty()) {
        err << "vantel-batch: histories not saved: " << m_saveError << '\n';
        status = 3;
    }
    if (m_journalFile.Failed()) {
        err << "vantel-batch: journal: " << m_journalFile.Error() << '\n';
        status = 3;
    }
    return status;
}

bool Runner::Execute(std::string_view text, bool& closed, std::string& error) {
    ScriptLine line;
    if (!script::ParseScriptLine(text, line, error)) return false;
    return Carry(line, closed, error);
}

bool Runner::Carry(const ScriptLine& line, bool& closed, std::string& error) {
    switch (line.verb) {
        case Verb::Field:
        case Verb::Pick:
        case Verb::Menu:
        case Verb::Close: DispatchPending(); break;
        default: break;
    }
    switch (line.verb) {
        case Verb::Nothing: return true;
        case Verb::Field: {
            FieldHistory& field = m_console->Field(static_cast<int>(line.first));
            field.Type(line.text);
            field.LeaveField();
            return true;
        }
        case Verb::Pick: {
            FieldHistory& field = m_console->Field(static_cast<int>(line.first));
            field.Pick(static_cast<int>(line.second));
            field.LeaveField();
            return true;
        }
        case Verb::Menu:
            if (!m_console->Command(static_cast<int>(line.first))) {
                error = "no command has the id " + std::to_string(line.first);
                return false;
            }
            return true;
        case Verb::Post:
            PostMessageW(m_window, WM_PLEXA, static_cast<WPARAM>(line.first), static_cast<LPARAM>(line.second));
            return true;
        case Verb::BofKey: PostMessageW(m_window, WM_BOFKEY, static_cast<WPARAM>(line.first), 0); return true;
        case Verb::Answer:
            m_surface.QueueAnswer(line.first == script::kAnswerClose ? kQuestionClosed
                                                             : kAnswerLeft + static_cast<int>(line.first));
            return true;
        case Verb::Wait: WaitIdle(); return true;
        case Verb::Sleep: DispatchFor(static_cast<unsigned>(line.first)); return true;
        case Verb::Close:
            if (!m_keepHistories) {
                m_console->End(std::wstring(kNotSavedNote) + L": no --registry store");
            } else if (m_console->SaveHistories()) {
                m_console->End(std::wstring(kSavedNote));
            } else {
                m_saveError = reg::LastError();
                m_console->End(std::wstring(kNotSavedNote) + L": " + FromUtf8(m_saveError));
            }
            closed = true;
            return true;
        case Verb::Handle:
        case Verb::Result:
            if (m_scripted == nullptr) {
                error = std::string(line.verb == Verb::Handle ? "handle" : "result") + " lines need --link script";
                return false;
            }
            if (line.verb == Verb::Handle) {
                m_scripted->QueueHandle(static_cast<std::int16_t>(line.first));
                return true;
            }
            return m_scripted->QueueResult(line.call, line.ret, line.values, error);
    }
    return true;
}

bool Runner::DispatchOne() {
    Posted p;
    {
        std::lock_guard lock(m_queueMutex);
        if (m_queue.empty()) return false;
        p = m_queue.front();
        m_queue.pop_front();
    }
    m_console->OnMessage(p.msg, p.wParam, p.lParam);
    return true;
}

void Runner::DispatchPending() {
    while (DispatchOne()) {
    }
}

void Runner::WaitIdle() {
    for (;;) {
        DispatchPending();
        // The link posts a job's end before the job stops counting as in flight, so when
        // it reports none, every post of its jobs is already queued.
        const std::size_t inFlight = m_console->Link().Backend().JobsInFlight();
        std::unique_lock lock(m_queueMutex);
        if (m_queue.empty()) {
            if (inFlight == 0) return;
            m_posted.wait_for(lock, kRecheck, [this] { return !m_queue.empty(); });
        }
    }
}

void Runner::DispatchFor(unsigned ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    do {
        DispatchPending();
        std::unique_lock lock(m_queueMutex);
        m_posted.wait_until(lock, until, [this] { return !m_queue.empty(); });
    } while (Clock::now() < until);
    DispatchPending();
}

}  // namespace vantel::batch
