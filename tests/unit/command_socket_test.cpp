// The local command socket: id parsing, the private folder, and the console's and the
// sender's ends talking over a real socket.
#include "platform/command_socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "temp_stores.h"

namespace vantel::remote {
namespace {

TEST(CommandId, OnlyPlainDecimalIdsInRange) {
    int id = 0;
    EXPECT_TRUE(ParseCommandId("36866", id));
    EXPECT_EQ(id, 36866);
    EXPECT_TRUE(ParseCommandId("65535", id));
    for (const char* bad : {"", "0", "65536", "99999999999", "-1", "+5", " 5", "5 ", "0x10", "12a", "3.0"}) {
        EXPECT_FALSE(ParseCommandId(bad, id)) << bad;
    }
}

TEST(CommandSocketFolder, OneFolderInTheRuntimeFolderElseAPrivateOneOfOurOwn) {
    test::TempStores temp;
    std::string dir, error;
    const std::string runtime = temp.Dir() + "/run";
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    ASSERT_TRUE(ResolveSocketFolder(runtime.c_str(), temp.Dir(), true, dir, error)) << error;
    EXPECT_EQ(dir, runtime + "/vantel");
    struct stat st;
    ASSERT_EQ(lstat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A relative runtime folder is no runtime folder; the fallback is made private.
    ASSERT_TRUE(ResolveSocketFolder("relative", temp.Dir(), true, dir, error)) << error;
    EXPECT_EQ(dir, temp.Dir() + "/vantel-" + std::to_string(getuid()));
    ASSERT_EQ(lstat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    chmod(dir.c_str(), 0755);
    EXPECT_FALSE(ResolveSocketFolder(nullptr, temp.Dir(), true, dir, error));
    rmdir(dir.c_str());
    ASSERT_EQ(symlink("/tmp", dir.c_str()), 0);
    EXPECT_FALSE(ResolveSocketFolder(nullptr, temp.Dir(), true, dir, error));
    unlink(dir.c_str());
    EXPECT_FALSE(ResolveSocketFolder(nullptr, temp.Dir(), false, dir, error));  // the sender creates nothing
    // The same checks hold inside the runtime folder.
    chmod((runtime + "/vantel").c_str(), 0750);
    EXPECT_FALSE(ResolveSocketFolder(runtime.c_str(), temp.Dir(), true, dir, error));
}

// A console's end in a runtime folder of the test's own, recording what it is handed.
class CommandSocket : public ::testing::Test {
protected:
    CommandSocket() {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_RUNTIME_DIR", temp.Dir().c_str(), 1);
        std::string error;
        if (!SocketFolder(true, folder, error)) ADD_FAILURE() << error;
    }
    ~CommandSocket() override {
        if (m_old) {
            setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

    CommandListener::Deliver Recorder() {
        return [this](int id) {
            std::lock_guard lock(mu);
            received.push_back(id);
            return id != 4711;  // the one id this console does not handle
        };
    }
    std::vector<int> Received() {
        std::lock_guard lock(mu);
        return received;
    }

    static sockaddr_un Address(const std::string& path) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        return addr;
    }
    // A connected peer that has said nothing yet; -1 when nobody listens. A console that
    // leaves it hanging (in connect too, when its backlog is full) fails the test, not hangs it.
    static int Connect(const std::string& path) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        const timeval guard{20, 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &guard, sizeof guard);
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
        const sockaddr_un addr = Address(path);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
    // Everything the other end writes until it closes; closes fd.
    static std::string ReadToEnd(int fd) {
        std::string reply;
        char buf[256];
        for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) reply.append(buf, static_cast<std::size_t>(n));
        close(fd);
        return reply;
    }
    // Writes raw bytes to path and returns the whole reply.
    static std::string Raw(const std::string& path, const std::string& bytes) {
        const int fd = Connect(path);
        if (fd < 0) return "no connection";
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        shutdown(fd, SHUT_WR);
        return ReadToEnd(fd);
    }

    test::TempStores temp;
    std::mutex mu;
    std::vector<int> received;
    std::string folder;  // where the consoles' sockets go

private:
    std::optional<std::string> m_old;
};

TEST_F(CommandSocket, DeliversToThisProcessAndRefusesWhatItDoesNotHandle) {
    CommandListener listener;
    std::string error, message;
    ASSERT_TRUE(listener.Start(Recorder(), error)) << error;
    EXPECT_EQ(listener.Path(), SocketPath(folder, getpid()));
    struct stat st;
    ASSERT_EQ(lstat(listener.Path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(SendCommand("36866", getpid(), message), SendStatus::Ok) << message;
    EXPECT_EQ(SendCommand("4711", 0, message), SendStatus::Refused);
    EXPECT_EQ(message, "unknown command 4711");
    EXPECT_EQ(Received(), (std::vector<int>{36866, 4711}));

    // Nothing malformed reaches the console, and the listener keeps serving.
    EXPECT_EQ(Raw(listener.Path(), "hello\n"), "error: not a command id\n");
    EXPECT_EQ(Raw(listener.Path(), std::string(4096, '7')), "error: line too long\n");
    EXPECT_EQ(Raw(listener.Path(), ""), "error: not a command id\n");
    EXPECT_EQ(Raw(listener.Path(), "36864\r\n"), "ok\n");
    EXPECT_EQ(Received(), (std::vector<int>{36866, 4711, 36864}));

    listener.Stop();
    EXPECT_NE(access(SocketPath(folder, getpid()).c_str(), F_OK), 0);
    EXPECT_EQ(SendCommand("36866", getpid(), message), SendStatus::NoConsole);
    EXPECT_EQ(message, "no console running with pid " + std::to_string(getpid()));
}

TEST_F(CommandSocket, WithoutAPidTheMostRecentLiveConsoleIsChosen) {
    CommandListener older, newer;
    std::string error, message;
    std::atomic<int> olderGot = 0;
    const auto countOlder = [&](int) {
        ++olderGot;
        return true;
    };
    ASSERT_TRUE(older.Start(SocketPath(folder, 111), countOlder, error)) << error;
    ASSERT_TRUE(newer.Start(SocketPath(folder, 222), Recorder(), error)) << error;
    const timespec past[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, older.Path().c_str(), past, AT_SYMLINK_NOFOLLOW), 0);
    // A socket left behind by a console that died, newest of all: skipped.
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", SocketPath(folder, 333).c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        close(fd);
    }
    EXPECT_EQ(SendCommand("1073", 0, message), SendStatus::Ok) << message;
    EXPECT_EQ(Received(), std::vector<int>{1073});
    EXPECT_EQ(olderGot, 0);

    // A second listener does not take over a live socket.
    CommandListener intruder;
    EXPECT_FALSE(intruder.Start(newer.Path(), Recorder(), error));
    newer.Stop();
    EXPECT_EQ(SendCommand("1073", 0, message), SendStatus::Ok);
    EXPECT_EQ(olderGot, 1);
}

TEST_F(CommandSocket, SenderReportsEveryFailureClearly) {
    std::ostringstream err;
    const char* bad[] = {"vantel-send", "abc"};
    EXPECT_EQ(RunSend(2, bad, err), 2);
    EXPECT_NE(err.str().find("not a command id: \"abc\""), std::string::npos) << err.str();

    err.str("");
    const char* badPid[] = {"vantel-send", "36866", "12x"};
    EXPECT_EQ(RunSend(3, badPid, err), 2);
    EXPECT_NE(err.str().find("not a process id"), std::string::npos) << err.str();

    err.str("");
    const char* none[] = {"vantel-send", "36866"};
    EXPECT_EQ(RunSend(2, none, err), 1);
    EXPECT_EQ(err.str(), "vantel-send: no console running\n");

    err.str("");
    const char* usage[] = {"vantel-send"};
    EXPECT_EQ(RunSend(1, usage, err), 2);
    EXPECT_NE(err.str().find("usage"), std::string::npos);

    CommandListener listener;
    std::string error;
    ASSERT_TRUE(listener.Start(Recorder(), error)) << error;
    err.str("");
    const std::string pid = std::to_string(getpid());
    const char* refused[] = {"vantel-send", "4711", pid.c_str()};
    EXPECT_EQ(RunSend(3, refused, err), 1);
    EXPECT_EQ(err.str(), "vantel-send: the console refused: unknown command 4711\n");
}

// Peers that connect and say nothing (a full house of them) neither hold up nor refuse a
// sender; each is answered and dropped in its turn.
TEST_F(CommandSocket, SilentPeersHoldUpNobody) {
    const auto start = std::chrono::steady_clock::now();
    CommandListener listener;
    std::string error, message;
    ASSERT_TRUE(listener.Start(Recorder(), error)) << error;
    std::vector<int> idle;
    for (std::size_t i = 0; i < kMaxConnections; ++i) {
        idle.push_back(Connect(listener.Path()));
        ASSERT_GE(idle.back(), 0);
    }
    send(idle.back(), "368", 3, MSG_NOSIGNAL);  // half a line, never finished

    EXPECT_EQ(SendCommand("36864", getpid(), message), SendStatus::Ok) << message;
    EXPECT_EQ(Received(), std::vector<int>{36864});
    // A line longer than the socket can buffer is answered without being read to its end.
    EXPECT_EQ(Raw(listener.Path(), std::string(1 << 20, '7')), "error: line too long\n");

    // The oldest made room for the newcomers; the others run out of time.
    EXPECT_EQ(ReadToEnd(idle.front()), "error: too many connections\n");
    EXPECT_EQ(ReadToEnd(idle.back()), "error: no command id received\n");
    for (std::size_t i = 1; i + 1 < idle.size(); ++i) close(idle[i]);
    EXPECT_EQ(Received(), std::vector<int>{36864});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "hang guard";
}

// A console that takes the request and goes away may or may not have run it: the sender
// says neither "taken" nor "refused".
TEST_F(CommandSocket, ADroppedConnectionAfterTheRequestLeavesTheOutcomeUnknown) {
    const std::string path = SocketPath(folder, 4242);
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un addr = Address(path);
    ASSERT_EQ(bind(server, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(server, 4), 0);
    std::vector<std::string> requests;
    std::thread fake([&] {
        for (int i = 0; i < 2; ++i) {
            const int fd = accept(server, nullptr, nullptr);
            std::string line;
            char ch;
            while (recv(fd, &ch, 1, 0) == 1 && ch != '\n') line.push_back(ch);
            requests.push_back(line);
            close(fd);
        }
    });

    std::string message;
    EXPECT_EQ(SendCommand("36864", 4242, message), SendStatus::Unknown);
    EXPECT_NE(message.find("without answering"), std::string::npos) << message;
    std::ostringstream err;
    const char* args[] = {"vantel-send", "36865", "4242"};
    EXPECT_EQ(RunSend(3, args, err), 3);
    EXPECT_EQ(err.str().rfind("vantel-send: outcome unknown: ", 0), 0u) << err.str();
    fake.join();
    close(server);
    EXPECT_EQ(requests, (std::vector<std::string>{"36864", "36865"}));
}

}  // namespace
}  // namespace vantel::remote
