// The local route by which a command id reaches a running console from outside: each
// console listens on a Unix-domain socket of its own, "vantel-<pid>.sock", in a folder
// that only its user can enter (SocketFolder), and vantel-send talks to it.
//
// Protocol: one line per connection. The sender writes the decimal id and "\n"; the
// console answers "ok\n" when it has queued the command, or "error: <reason>\n". The
// console serves every connection at once and answers each within 2 s of accepting it.
#pragma once
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace vantel::remote {

// Longest request line accepted, newline excluded; anything longer is refused.
inline constexpr std::size_t kMaxLine = 32;
// Connections the console holds open at once; a newcomer beyond them closes the oldest.
inline constexpr std::size_t kMaxConnections = 64;

// A command id as the sender types it: 1 to 5 decimal digits, 1 to 65535, nothing else.
bool ParseCommandId(std::string_view text, int& id);

// The one folder of every socket of ours (the consoles' and the controller's):
// <runtimeDir>/vantel when runtimeDir is an absolute path (the user's runtime folder), else
// <tmpRoot>/vantel-<uid>; create makes it with mode 0700. A folder that is a link, belongs
// to someone else or lets others in is refused.
bool ResolveSocketFolder(const char* runtimeDir, const std::string& tmpRoot, bool create, std::string& dir,
                         std::string& error);
// The same for this process: $XDG_RUNTIME_DIR, else /tmp.
bool SocketFolder(bool create, std::string& dir, std::string& error);
std::string SocketPath(const std::string& dir, pid_t pid);
// Whether a program answers on the Unix socket at path.
bool Answers(const std::string& path);
// Makes path free to bind a Unix socket: nothing there, or a socket nobody answers on any
// more (left by a program that died: removed). False with the reason when something else is
// there or a running program answers on it (who: what that would be, "console").
bool FreeSocketPath(const std::string& path, const std::string& who, std::string& error);

// Listens on a thread of its own until stopped. Each well-formed id is handed to deliver on
// that thread; deliver only queues and says whether the console takes the id.
class CommandListener {
public:
    using Deliver = std::function<bool(int id)>;

    CommandListener();
    ~CommandListener();
    CommandListener(const CommandListener&) = delete;
    CommandListener& operator=(const CommandListener&) = delete;

    // Binds SocketPath(folder, getpid()); false with the reason when it cannot.
    bool Start(Deliver deliver, std::string& error);
    // Binds path itself. A live socket there is not taken over; a stale one is replaced.
    bool Start(const std::string& path, Deliver deliver, std::string& error);
    // Joins the thread and removes the socket file; no deliver call after it returns.
    void Stop();

    const std::string& Path() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Failed: the request never left. Unknown: it reached the console but no answer came back,
// so the command may run.
enum class SendStatus { Ok, BadId, NoConsole, Refused, Failed, Unknown };

// Delivers id to the console with that pid, or with pid 0 to the most recently started
// one that answers, and waits up to 5 s for its answer. message: the console's reason or
// what went wrong.
SendStatus SendCommand(std::string_view idText, pid_t pid, std::string& message);

// vantel-send's whole behaviour: "vantel-send ID [PID]". Writes errors to err; returns the
// exit status (0 delivered, 1 no console, refused or not sent, 2 bad arguments, 3 outcome
// unknown).
int RunSend(int argc, const char* const* argv, std::ostream& err);

}  // namespace vantel::remote
