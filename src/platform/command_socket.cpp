#include "platform/command_socket.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <ostream>
#include <thread>
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

// How long one side waits for the other's line; a peer that says nothing is dropped.
constexpr int kLineWaitMs = 5000;

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
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

// Reads up to "\n" or end of stream. false when the line grows past limit, the peer is
// silent for too long, wakeFd (if any) becomes readable, or the read fails.
bool ReadLine(int fd, std::size_t limit, std::string& line, bool& tooLong, int wakeFd = -1) {
    tooLong = false;
    line.clear();
    char buf[64];
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(p, wakeFd >= 0 ? 2 : 1, kLineWaitMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (wakeFd >= 0 && p[1].revents != 0)) return false;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\n') return true;
            if (line.size() >= limit) {
                tooLong = true;
                return false;
            }
            line.push_back(buf[i]);
        }
    }
}

// A peer that has gone away must not take the console with it: no SIGPIPE.
void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
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
        dir = runtimeDir;
        return true;
    }
    dir = tmpRoot + "/vantel-" + std::to_string(::getuid());
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

// --- The console's end -------------------------------------------------------------------

struct CommandListener::State {
    std::string path;
    Deliver deliver;
    Fd listenFd;
    Fd wakeRead, wakeWrite;
    dev_t dev = 0;
    ino_t ino = 0;
    std::thread thread;

    void Serve(int fd) {
        // The folder keeps others out already; a peer of another user is refused all the same.
        ucred cred{};
        socklen_t len = sizeof cred;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::getuid()) {
            WriteAll(fd, "error: not allowed\n");
            return;
        }
        std::string line;
        bool tooLong = false;
        if (!ReadLine(fd, kMaxLine, line, tooLong, wakeRead.Get())) {
            WriteAll(fd, tooLong ? "error: line too long\n" : "error: no command id received\n");
            return;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        int id = 0;
        if (!ParseCommandId(line, id)) {
            WriteAll(fd, "error: not a command id\n");
            return;
        }
        if (!deliver(id)) {
            WriteAll(fd, "error: unknown command " + std::to_string(id) + "\n");
            return;
        }
        WriteAll(fd, "ok\n");
    }

    void Run() {
        for (;;) {
            pollfd fds[2] = {{listenFd.Get(), POLLIN, 0}, {wakeRead.Get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents != 0) return;
            if ((fds[0].revents & POLLIN) == 0) continue;
            Fd client(::accept4(listenFd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (client.Get() >= 0) Serve(client.Get());
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
    if (!MakeAddress(path, addr, error)) return false;
    const int live = ConnectTo(path);
    if (live >= 0) {
        ::close(live);
        error = path + " is in use by a running console";
        return false;
    }
    ::unlink(path.c_str());  // a socket left behind by a console that died

    state->listenFd.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (state->listenFd.Get() < 0) {
        error = Errno("socket");
        return false;
    }
    if (::bind(state->listenFd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        error = Errno(("cannot bind " + path).c_str());
        return false;
    }
    struct stat st;
    if (::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &st) != 0 || ::listen(state->listenFd.Get(), 8) != 0) {
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

    WriteAll(fd.Get(), std::to_string(id) + "\n");
    std::string reply;
    bool tooLong = false;
    if (!ReadLine(fd.Get(), 256, reply, tooLong) || reply.empty()) {
        message = "no answer from the console";
        return SendStatus::Failed;
    }
    if (reply == "ok") {
        message.clear();
        return SendStatus::Ok;
    }
    constexpr std::string_view prefix = "error: ";
    message = reply.starts_with(prefix) ? reply.substr(prefix.size()) : reply;
    return SendStatus::Refused;
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
    }
    return 1;
}

}  // namespace vantel::remote
