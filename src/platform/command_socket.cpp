#include "platform/command_socket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <ostream>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vantel::remote {
namespace {

// A connection has this long from accept to finish its line; the sender waits longer for
// the answer, so a console that is there always answers first.
constexpr int kConsoleDeadlineMs = 2000;
constexpr int kAnswerWaitMs = 5000;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    int Get() const { return m_fd; }
    void Reset(int fd = -1) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

bool MakeAddress(const std::string& path, sockaddr_un& addr, std::string& error) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        error = "socket path too long: " + path;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Connects to the socket at path; -1 with errno set when nobody listens there.
int ConnectTo(const std::string& path) {
    sockaddr_un addr;
    std::string ignored;
    if (!MakeAddress(path, addr, ignored)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

enum class LineResult { Line, Closed, TimedOut, Failed };

// The sender's wait for the console's line: up to "\n" or end of stream, at most limit
// characters, until the deadline.
LineResult ReadLine(int fd, std::size_t limit, std::string& line, std::chrono::steady_clock::time_point deadline) {
    line.clear();
    char buf[64];
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return LineResult::TimedOut;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return LineResult::Failed;
        if (ready == 0) return LineResult::TimedOut;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        // The console closes as soon as it has answered; a reset after its line is no loss.
        if (n < 0) return line.empty() ? LineResult::Failed : LineResult::Line;
        if (n == 0) return line.empty() ? LineResult::Closed : LineResult::Line;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\n' || line.size() >= limit) return LineResult::Line;
            line.push_back(buf[i]);
        }
    }
}

// A peer that has gone away must not take the process with it: no SIGPIPE. Returns how
// much was written.
std::size_t WriteAll(int fd, std::string_view text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::send(fd, text.data() + written, text.size() - written, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    return written;
}

// The console's short answers fit any empty socket buffer; a peer that does not take one
// at once loses it rather than stall the other connections.
void Answer(int fd, std::string_view text) {
    while (::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno == EINTR) {
    }
}

bool IsSocketName(std::string_view name, pid_t& pid) {
    constexpr std::string_view prefix = "vantel-", suffix = ".sock";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix)) {
        return false;
    }
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
        return false;
    }
    pid = static_cast<pid_t>(std::strtol(std::string(digits).c_str(), nullptr, 10));
    return pid > 0;
}

}  // namespace

bool ParseCommandId(std::string_view text, int& id) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + (ch - '0');
    }
    if (value < 1 || value > 0xFFFF) return false;
    id = value;
    return true;
}

bool ResolveSocketFolder(const char* runtimeDir, const std::string& tmpRoot, bool create, std::string& dir,
                         std::string& error) {
    if (runtimeDir != nullptr && runtimeDir[0] == '/') {
        dir = std::string(runtimeDir) + "/vantel";
    } else {
        dir = tmpRoot + "/vantel-" + std::to_string(::getuid());
    }
    if (create && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = Errno(("cannot create " + dir).c_str());
        return false;
    }
    struct stat st;
    if (::lstat(dir.c_str(), &st) != 0) {
        error = Errno(dir.c_str());
        return false;
    }
    // Someone else's folder, or one that others may enter, could hand us their socket.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
        error = dir + " is not a private folder of this user";
        return false;
    }
    return true;
}

bool SocketFolder(bool create, std::string& dir, std::string& error) {
    return ResolveSocketFolder(std::getenv("XDG_RUNTIME_DIR"), "/tmp", create, dir, error);
}

std::string SocketPath(const std::string& dir, pid_t pid) { return dir + "/vantel-" + std::to_string(pid) + ".sock"; }

bool Answers(const std::string& path) {
    const int fd = ConnectTo(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool FreeSocketPath(const std::string& path, const std::string& who, std::string& error) {
    sockaddr_un addr;
    if (!MakeAddress(path, addr, error)) return false;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        error = Errno(path.c_str());
        return false;
    }
    if (!S_ISSOCK(st.st_mode)) {
        error = path + " exists and is not a socket";
        return false;
    }
    if (Answers(path)) {
        error = path + " is in use by a running " + who;
        return false;
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        error = Errno(("cannot remove the stale socket " + path).c_str());
        return false;
    }
    return true;
}

// --- The console's end -------------------------------------------------------------------

struct CommandListener::State {
    using Clock = std::chrono::steady_clock;

    // An accepted peer whose line is not complete yet.
    struct Connection {
        Fd fd;
        std::string line;
        Clock::time_point deadline;
    };

    std::string path;
    Deliver deliver;
    Fd listenFd;
    Fd wakeRead, wakeWrite;
    dev_t dev = 0;
    ino_t ino = 0;
    std::thread thread;
    std::deque<Connection> open;  // oldest first
    Clock::time_point acceptPausedUntil;

    void Handle(std::string line, int fd) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        int id = 0;
        if (!ParseCommandId(line, id)) {
            Answer(fd, "error: not a command id\n");
        } else if (!deliver(id)) {
            Answer(fd, "error: unknown command " + std::to_string(id) + "\n");
        } else {
            Answer(fd, "ok\n");
        }
    }

    // Reads what c has sent so far; true when c is done with (answered or gone).
    bool Read(Connection& c) {
        char buf[256];
        for (;;) {
            const ssize_t n = ::recv(c.fd.Get(), buf, sizeof buf, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK;
            if (n == 0) {  // the end of the stream ends the line too
                Handle(std::move(c.line), c.fd.Get());
                return true;
            }
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == '\n') {
                    Handle(std::move(c.line), c.fd.Get());
                    return true;
                }
                if (c.line.size() >= kMaxLine) {
                    Answer(c.fd.Get(), "error: line too long\n");
                    return true;
                }
                c.line.push_back(buf[i]);
            }
        }
    }

    void Accept() {
        for (;;) {
            Fd client(::accept4(listenFd.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (client.Get() < 0) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                // Out of descriptors: the rest wait in the backlog, without a busy loop.
                if (errno == EMFILE || errno == ENFILE) acceptPausedUntil = Clock::now() + std::chrono::milliseconds(100);
                return;
            }
            // The folder keeps others out already; a peer of another user is refused all the same.
            ucred cred{};
            socklen_t len = sizeof cred;
            if (::getsockopt(client.Get(), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::getuid()) {
                Answer(client.Get(), "error: not allowed\n");
                continue;
            }
            // The newest peer is the likeliest to be a sender still at work.
            if (open.size() >= kMaxConnections) {
                Answer(open.front().fd.Get(), "error: too many connections\n");
                open.pop_front();
            }
            open.push_back({std::move(client), {}, Clock::now() + std::chrono::milliseconds(kConsoleDeadlineMs)});
        }
    }

    void Run() {
        std::vector<pollfd> fds;
        for (;;) {
            const auto now = Clock::now();
            std::erase_if(open, [&](Connection& c) {
                if (c.deadline > now) return false;
                Answer(c.fd.Get(), "error: no command id received\n");
                return true;
            });
            const bool acceptPaused = acceptPausedUntil > now;
            auto wakeAt = Clock::time_point::max();
            for (const Connection& c : open) wakeAt = std::min(wakeAt, c.deadline);
            if (acceptPaused) wakeAt = std::min(wakeAt, acceptPausedUntil);
            const int timeout = wakeAt == Clock::time_point::max()
                                    ? -1
                                    : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now).count());
            fds.assign({{wakeRead.Get(), POLLIN, 0}, {listenFd.Get(), static_cast<short>(acceptPaused ? 0 : POLLIN), 0}});
            for (const Connection& c : open) fds.push_back({c.fd.Get(), POLLIN, 0});
            if (::poll(fds.data(), fds.size(), timeout) < 0) {
                if (errno == EINTR) continue;
                // Senders would otherwise wait on a socket nobody serves.
                std::fprintf(stderr, "vantel: no longer listening for commands: %s\n", std::strerror(errno));
                for (const Connection& c : open) Answer(c.fd.Get(), "error: the console stopped listening\n");
                open.clear();
                listenFd.Reset();
                return;
            }
            if (fds[0].revents != 0) {
                // Nothing more is taken from these peers; no reply would be a lie to them.
                for (const Connection& c : open) Answer(c.fd.Get(), "error: the console is closing\n");
                open.clear();
                return;
            }
            // Lines first, so that a complete one is never lost to a newcomer.
            std::size_t k = 0;
            for (std::size_t j = 2; j < fds.size(); ++j) {
                if (fds[j].revents != 0 && Read(open[k])) {
                    open.erase(open.begin() + static_cast<std::ptrdiff_t>(k));
                } else {
                    ++k;
                }
            }
            if ((fds[1].revents & POLLIN) != 0) Accept();
        }
    }
};

CommandListener::CommandListener() = default;

CommandListener::~CommandListener() { Stop(); }

const std::string& CommandListener::Path() const {
    static const std::string none;
    return m_state ? m_state->path : none;
}

bool CommandListener::Start(Deliver deliver, std::string& error) {
    std::string dir;
    if (!SocketFolder(true, dir, error)) return false;
    return Start(SocketPath(dir, ::getpid()), std::move(deliver), error);
}

bool CommandListener::Start(const std::string& path, Deliver deliver, std::string& error) {
    Stop();
    auto state = std::make_unique<State>();
    state->path = path;
    state->deliver = std::move(deliver);

    sockaddr_un addr;
    if (!MakeAddress(path, addr, error) || !FreeSocketPath(path, "console", error)) return false;

    state->listenFd.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (state->listenFd.Get() < 0) {
        error = Errno("socket");
        return false;
    }
    if (::bind(state->listenFd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        error = Errno(("cannot bind " + path).c_str());
        return false;
    }
    struct stat st;
    if (::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &st) != 0 || ::listen(state->listenFd.Get(), SOMAXCONN) != 0) {
        error = Errno(path.c_str());
        ::unlink(path.c_str());
        return false;
    }
    state->dev = st.st_dev;
    state->ino = st.st_ino;

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = Errno("pipe");
        ::unlink(path.c_str());
        return false;
    }
    state->wakeRead.Reset(pipeFds[0]);
    state->wakeWrite.Reset(pipeFds[1]);
    State* raw = state.get();
    state->thread = std::thread([raw] { raw->Run(); });
    m_state = std::move(state);
    return true;
}

void CommandListener::Stop() {
    if (!m_state) return;
    const char wake = 1;
    while (::write(m_state->wakeWrite.Get(), &wake, 1) < 0 && errno == EINTR) {
    }
    m_state->thread.join();
    // Only our own socket: another console may have replaced a file we thought stale.
    struct stat st;
    if (::lstat(m_state->path.c_str(), &st) == 0 && st.st_dev == m_state->dev && st.st_ino == m_state->ino) {
        ::unlink(m_state->path.c_str());
    }
    m_state.reset();
}

// --- The sender's end --------------------------------------------------------------------

SendStatus SendCommand(std::string_view idText, pid_t pid, std::string& message) {
    int id = 0;
    if (!ParseCommandId(idText, id)) {
        message = "not a command id: \"" + std::string(idText) + "\" (1 to 65535 expected)";
        return SendStatus::BadId;
    }
    std::string dir;
    if (!SocketFolder(false, dir, message)) {
        message = "no console running";
        return SendStatus::NoConsole;
    }

    // Candidates, most recently started first.
    std::vector<std::pair<timespec, std::string>> candidates;
    if (pid > 0) {
        candidates.push_back({{}, SocketPath(dir, pid)});
    } else if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            pid_t found = 0;
            struct stat st;
            const std::string path = dir + "/" + e->d_name;
            if (IsSocketName(e->d_name, found) && ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) &&
                st.st_uid == ::getuid()) {
                candidates.push_back({st.st_mtim, path});
            }
        }
        ::closedir(d);
        std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
            if (a.first.tv_sec != b.first.tv_sec) return a.first.tv_sec > b.first.tv_sec;
            if (a.first.tv_nsec != b.first.tv_nsec) return a.first.tv_nsec > b.first.tv_nsec;
            return a.second > b.second;
        });
    }

    Fd fd;
    for (const auto& candidate : candidates) {
        fd.Reset(ConnectTo(candidate.second));
        if (fd.Get() >= 0) break;
    }
    if (fd.Get() < 0) {
        message = pid > 0 ? "no console running with pid " + std::to_string(pid) : "no console running";
        return SendStatus::NoConsole;
    }

    const std::string request = std::to_string(id) + "\n";
    const std::size_t sent = WriteAll(fd.Get(), request);
    const int sendErrno = errno;
    // A console that turned us away may have said why before it closed.
    std::string reply;
    const LineResult got =
        ReadLine(fd.Get(), 256, reply, std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerWaitMs));
    const int readErrno = errno;
    constexpr std::string_view prefix = "error: ";
    if (got == LineResult::Line && reply == "ok") {
        message.clear();
        return SendStatus::Ok;
    }
    if (got == LineResult::Line && reply.starts_with(prefix)) {
        message = reply.substr(prefix.size());
        return SendStatus::Refused;
    }
    if (sent == 0) {
        message = std::string("could not send the command to the console: ") + std::strerror(sendErrno);
        return SendStatus::Failed;
    }
    // From here on the console may have the id: it may run, so "not taken" would be a guess.
    switch (got) {
        case LineResult::Line: message = "unexpected answer from the console: \"" + reply + "\""; break;
        case LineResult::Closed: message = "the console closed the connection without answering"; break;
        case LineResult::TimedOut:
            message = "no answer from the console within " + std::to_string(kAnswerWaitMs / 1000) + " s";
            break;
        case LineResult::Failed: message = std::string("no answer from the console: ") + std::strerror(readErrno); break;
    }
    if (sent < request.size()) message += " (the command was sent only in part)";
    message += "; the command may or may not run";
    return SendStatus::Unknown;
}

int RunSend(int argc, const char* const* argv, std::ostream& err) {
    if (argc < 2 || argc > 3) {
        err << "usage: vantel-send ID [PID]\n"
               "  sends the command ID to the running console with process id PID,\n"
               "  or to the most recently started one\n";
        return 2;
    }
    pid_t pid = 0;
    if (argc == 3) {
        const std::string_view text = argv[2];
        const bool digits = !text.empty() && text.size() <= 9 &&
                            std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
        pid = digits ? static_cast<pid_t>(std::strtol(argv[2], nullptr, 10)) : 0;
        if (pid <= 0) {
            err << "vantel-send: not a process id: \"" << text << "\"\n";
            return 2;
        }
    }
    std::string message;
    switch (SendCommand(argv[1], pid, message)) {
        case SendStatus::Ok: return 0;
        case SendStatus::BadId: err << "vantel-send: " << message << '\n'; return 2;
        case SendStatus::NoConsole: err << "vantel-send: " << message << '\n'; return 1;
        case SendStatus::Refused: err << "vantel-send: the console refused: " << message << '\n'; return 1;
        case SendStatus::Failed: err << "vantel-send: " << message << '\n'; return 1;
        case SendStatus::Unknown: err << "vantel-send: outcome unknown: " << message << '\n'; return 3;
    }
    return 1;
}

}  // namespace vantel::remote
