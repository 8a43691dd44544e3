// The remote link against a real vantel-controller on a Unix socket: an exact wait, a
// controller killed mid-job, dropped results, refusals, two consoles on one controller (values
// both ways), and vantel-batch losing its controller. Waits are bounded only so that a hang
// fails (20 s); nothing is timed.
#include "remote/remote_link.h"

#include <gtest/gtest.h>
#include <grpcpp/grpcpp.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "batch/runner.h"
#include "link/plexa.h"
#include "platform/winmsg.h"
#include "service/controller.grpc.pb.h"
#include "bounded.h"
#include "platform/command_socket.h"
#include "temp_stores.h"

extern char** environ;

namespace vantel::remote {
namespace {

using link::CallId;
using link::CPlexa;
using link::ENotifyType;

using test::Eventually;
using test::FileText;

// vantel-controller in a folder of the test's own, with the simulator's latency given.
class Controller {
public:
    explicit Controller(int latencyMs, std::vector<std::string> args = {}) : m_args(std::move(args)) {
        if (const char* old = std::getenv("VANTEL_SIM_LATENCY_MS")) m_oldLatency = old;
        setenv("VANTEL_SIM_LATENCY_MS", std::to_string(latencyMs).c_str(), 1);
        Start();
    }
    ~Controller() {
        Kill();
        if (m_oldLatency) {
            setenv("VANTEL_SIM_LATENCY_MS", m_oldLatency->c_str(), 1);
        } else {
            unsetenv("VANTEL_SIM_LATENCY_MS");
        }
    }

    void Start() {
        std::vector<std::string> all = {VANTEL_CONTROLLER_PATH, "--listen", "unix:" + Socket()};
        all.insert(all.end(), m_args.begin(), m_args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, (temp.Dir() + "/log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ASSERT_EQ(posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_TRUE(Eventually([&] { return Answers(Socket()); })) << Log();
    }
    void Kill() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }

    std::string Socket() const { return temp.Dir() + "/controller.sock"; }
    // The port of the controller's TCP listener, once it has said it listens.
    std::string TcpPort() const {
        const std::string said = "listening on tcp:127.0.0.1:";
        std::string port;
        EXPECT_TRUE(Eventually([&] {
            const std::string log = Log();
            const auto at = log.find(said);
            if (at == std::string::npos) return false;
            port = log.substr(at + said.size(), log.find('\n', at) - at - said.size());
            return true;
        })) << Log();
        return port;
    }
    std::string Log() const { return FileText(temp.Dir() + "/log"); }
    test::TempStores temp;

private:
    std::vector<std::string> m_args;
    std::optional<std::string> m_oldLatency;
    pid_t m_pid = 0;
};

// A console's end: its window, what is posted to it, and the link's states.
struct Console {
    explicit Console(const Controller& c, std::string token = {}, std::string callList = {})
        : Console("unix:" + c.Socket(), [&] {
              RemoteOptions options;
              options.token = std::move(token);
              options.callList = std::move(callList);
              return options;
          }()) {}
    Console(const std::string& endpoint, RemoteOptions options) {
        std::string error;
        EXPECT_TRUE(ParseEndpoint(endpoint, options.endpoint, error)) << error;
        auto made = std::make_unique<RemoteLink>(options);
        link = made.get();
        plexa = std::make_unique<CPlexa>(std::move(made));
        window = CreatePostTarget([this](UINT msg, WPARAM w, LPARAM l) {
            std::lock_guard lock(mu);
            posts.push_back({msg, static_cast<std::int16_t>(w & 0xFFFF), static_cast<std::int32_t>(l)});
        });
    }
    ~Console() {
        plexa.reset();
        DestroyPostTarget(window);
    }
    bool Open() {
        std::string error;
        return link->Connect(error) && plexa->Init(L"Vantel", L"", kPlexa, window, 223, kKey) == 1;
    }

    struct Post {
        UINT msg;
        std::int16_t handle;
        std::int32_t type;
        bool operator==(const Post&) const = default;
    };
    bool Got(std::int16_t h, ENotifyType type) {
        std::lock_guard lock(mu);
        return std::count(posts.begin(), posts.end(), Post{kPlexa, h, static_cast<std::int32_t>(type)}) > 0;
    }
    std::size_t Count(std::int16_t h) {
        std::lock_guard lock(mu);
        return std::count_if(posts.begin(), posts.end(), [&](const Post& p) { return p.handle == h; });
    }
    void WaitIdle() { ASSERT_TRUE(Eventually([&] { return link->JobsInFlight() == 0; })); }

    static constexpr UINT kPlexa = 0xC100, kKey = 0xC101;
    std::mutex mu;
    std::vector<Post> posts;
    RemoteLink* link = nullptr;
    std::unique_ptr<CPlexa> plexa;
    HWND window = 0;
};

// A controller whose notification stream lags: it sends the one notification of job 7 only
// once it has said that nothing is in flight and one notification was sent.
class LaggingController final : public service::Controller::Service {
public:
    grpc::Status Open(grpc::ServerContext*, const service::OpenRequest*, service::OpenReply* reply) override {
        reply->set_session("s");
        return grpc::Status::OK;
    }
    grpc::Status Call(grpc::ServerContext*, const service::CallRequest* request, service::CallReply* reply) override {
        reply->set_ret(link::kCallIsRequest[request->call()] ? 7 : 1);
        return grpc::Status::OK;
    }
    grpc::Status InFlight(grpc::ServerContext*, const service::SessionRequest*, service::InFlightReply* reply) override {
        reply->set_jobs(0);
        reply->set_last_notification(1);
        std::lock_guard lock(m_mu);
        m_asked = true;
        m_wake.notify_all();
        return grpc::Status::OK;
    }
    grpc::Status Notifications(grpc::ServerContext* context, const service::SessionRequest*,
                               grpc::ServerWriter<service::Notification>* writer) override {
        std::unique_lock lock(m_mu);
        m_wake.wait(lock, [&] { return m_asked || context->IsCancelled(); });
        lock.unlock();
        // Well after the answer above has reached the client.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        service::Notification n;
        n.set_seq(1);
        n.set_wparam(7);
        n.set_lparam(static_cast<std::int64_t>(ENotifyType::Result));
        writer->Write(n);
        while (!context->IsCancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return grpc::Status::OK;
    }
    grpc::Status Close(grpc::ServerContext*, const service::SessionRequest*, service::Empty*) override {
        return grpc::Status::OK;
    }

private:
    std::mutex m_mu;
    std::condition_variable m_wake;
    bool m_asked = false;
};

TEST(RemoteLink, AWaitHoldsUntilTheStreamHasCaughtUpWithWhatTheControllerSent) {
    test::TempStores temp;
    LaggingController service;
    grpc::ServerBuilder builder;
    builder.AddListeningPort("unix:" + temp.Dir() + "/lagging.sock", grpc::InsecureServerCredentials());
    builder.RegisterService(&service);
    const std::unique_ptr<grpc::Server> server = builder.BuildAndStart();
    ASSERT_NE(server, nullptr);
    std::mutex mu;
    std::vector<WPARAM> posted;
    const HWND window = CreatePostTarget([&](UINT, WPARAM w, LPARAM) {
        std::lock_guard lock(mu);
        posted.push_back(w);
    });
    {
        RemoteOptions options;
        std::string error;
        ASSERT_TRUE(ParseEndpoint("unix:" + temp.Dir() + "/lagging.sock", options.endpoint, error));
        auto owned = std::make_unique<RemoteLink>(options);
        RemoteLink& link = *owned;
        ASSERT_TRUE(link.Connect(error)) << error;
        CPlexa plexa(std::move(owned));
        ASSERT_EQ(plexa.Init(L"Vantel", L"", 0xC100, window, 223, 0xC101), 1);
        ASSERT_EQ(plexa.ShowVar(L"$OV_PRO", L""), 7);
        EXPECT_EQ(link.JobsInFlight(), 0u);
        std::lock_guard lock(mu);
        EXPECT_EQ(posted, std::vector<WPARAM>{7});
    }
    DestroyPostTarget(window);
    server->Shutdown(std::chrono::system_clock::now() + std::chrono::seconds(2));
}

TEST(RemoteLink, AControllerKilledMidJobEndsTheJobAndTheLinkComesBackByItself) {
    Controller controller(60'000);  // the job is still pending when the controller dies
    Console console(controller);
    ASSERT_TRUE(console.Open()) << controller.Log();
    const std::int16_t h = console.plexa->ShowVar(L"$OV_PRO", L"");
    ASSERT_NE(h, 0);

    controller.Kill();
    ASSERT_TRUE(Eventually([&] { return console.Got(h, ENotifyType::CommandAbort); }));
    EXPECT_NE(console.link->Status().state, LinkState::Connected);
    EXPECT_FALSE(console.link->Status().reason.empty());
    EXPECT_EQ(console.plexa->ShowVar(L"$OV_PRO", L""), 0);  // nothing goes while it is away
    EXPECT_EQ(console.link->JobsInFlight(), 0u);

    controller.Start();
    ASSERT_TRUE(Eventually([&] { return console.link->Status().state == LinkState::Connected; }));
    // Init was made again on the new session: requests start jobs again.
    EXPECT_NE(console.plexa->ShowVar(L"$OV_PRO", L""), 0);
    EXPECT_EQ(console.Count(h), 1u);  // the aborted job was ended once
}

// Only what may still speak is ended when the controller goes: a job that gave its last
// result keeps quiet (a box per finished job would bury the user), a subscription is ended.
TEST(RemoteLink, ALostControllerEndsTheSubscriptionButNotAFinishedJob) {
    Controller controller(0);
    Console console(controller);
    ASSERT_TRUE(console.Open()) << controller.Log();
    const std::int16_t done = console.plexa->ShowVar(L"$OV_PRO", L"");
    const std::int16_t standing = console.plexa->SetInfo(L"$OV_PRO", L"");
    ASSERT_NE(done, 0);
    ASSERT_NE(standing, 0);
    console.WaitIdle();
    ASSERT_TRUE(console.Got(done, ENotifyType::Result));
    ASSERT_TRUE(console.Got(standing, ENotifyType::Result));

    controller.Kill();
    ASSERT_TRUE(Eventually([&] { return console.Got(standing, ENotifyType::CommandAbort); }));
    EXPECT_FALSE(console.Got(done, ENotifyType::CommandAbort));
}

TEST(RemoteLink, ADroppedResultNeverComesButTheJobStillEndsWhenTheControllerGoes) {
    Controller controller(0, {"--fault", "drop=100%"});
    Console console(controller);
    ASSERT_TRUE(console.Open()) << controller.Log();
    const std::int16_t h = console.plexa->ShowVar(L"$OV_PRO", L"");
    ASSERT_NE(h, 0);
    console.WaitIdle();
    EXPECT_EQ(console.Count(h), 0u);

    controller.Kill();
    EXPECT_TRUE(Eventually([&] { return console.Got(h, ENotifyType::CommandAbort); }));
}

TEST(RemoteLink, AWrongTokenOrAnotherCallListIsRefusedForGood) {
    Controller controller(0);
    {
        Console other(controller, {}, "1 calls 0000000000000000");
        std::string error;
        EXPECT_FALSE(other.link->Connect(error));
        EXPECT_EQ(other.link->Status().state, LinkState::Refused);
        EXPECT_NE(error.find("1 calls 0000000000000000"), std::string::npos) << error;
        EXPECT_EQ(other.plexa->ShowVar(L"$OV_PRO", L""), 0);
    }
    std::ofstream(controller.temp.Dir() + "/token") << "secret\n";
    Controller guarded(0, {"--token-file", controller.temp.Dir() + "/token"});
    Console stranger(guarded, "guess");
    std::string error;
    EXPECT_FALSE(stranger.link->Connect(error));
    EXPECT_EQ(stranger.link->Status().state, LinkState::Refused);
    EXPECT_NE(error.find("token"), std::string::npos) << error;
    Console friendly(guarded, "secret");
    EXPECT_TRUE(friendly.Open()) << guarded.Log();
}

// Over TCP with TLS a console gets through only when it trusts the controller's certificate:
// not with another one, not without TLS. Both certificates are self-signed for 127.0.0.1 and
// localhost, valid to 2126 (openssl req -x509 -newkey ec -days 36500 ...).
TEST(RemoteLink, OverTlsOnlyAConsoleThatTrustsTheControllersCertificateGetsThrough) {
    const std::string tls = std::string(VANTEL_TEST_DATA_DIR) + "/tls/";
    Controller controller(0, {"--listen", "tcp:127.0.0.1:0", "--tls-cert", tls + "controller.pem", "--tls-key",
                              tls + "controller.key"});
    const std::string endpoint = "tcp:127.0.0.1:" + controller.TcpPort();
    auto trusting = [&](const std::string& ca) {
        RemoteOptions options;
        options.caPem = ca;
        options.reconnect = false;
        return options;
    };

    Console console(endpoint, trusting(FileText(tls + "controller.pem")));
    ASSERT_TRUE(console.Open()) << controller.Log();
    const std::int16_t h = console.plexa->ShowVar(L"$OV_PRO", L"");
    ASSERT_NE(h, 0);
    EXPECT_TRUE(Eventually([&] { return console.Got(h, ENotifyType::Result); }));

    for (const std::string& ca : {FileText(tls + "stranger.pem"), std::string()}) {
        Console stranger(endpoint, trusting(ca));
        std::string error;
        EXPECT_FALSE(stranger.link->Connect(error));
        EXPECT_NE(stranger.link->Status().state, LinkState::Connected);
        EXPECT_FALSE(error.empty());
    }
}

TEST(RemoteLink, ASubscriptionOfOneConsoleHearsTheOthersWrite) {
    Controller controller(0);
    Console watcher(controller), writer(controller);
    ASSERT_TRUE(watcher.Open() && writer.Open()) << controller.Log();
    const std::int16_t info = watcher.plexa->SetInfo(L"$OV_PRO", L"");
    ASSERT_NE(info, 0);
    std::wstring value;
    ASSERT_TRUE(Eventually([&] { return watcher.Count(info) == 1; }));
    ASSERT_EQ(watcher.plexa->SetInfoResult(info, value), 1);

    const std::int16_t set = writer.plexa->SetVar(L"$OV_PRO", L"50");
    ASSERT_NE(set, 0);
    ASSERT_TRUE(Eventually([&] { return watcher.Count(info) == 2; }));
    ASSERT_EQ(watcher.plexa->SetInfoResult(info, value), 1);
    EXPECT_EQ(value, L"50");
}

TEST(RemoteLink, VantelBatchSaysSoAndEndsWithStatus3WhenItsControllerIsLost) {
    Controller controller(0, {"--fault", "disconnect-after=4"});
    batch::Options options;
    options.link = batch::LinkKind::Remote;
    options.remote.endpoint = "unix:" + controller.Socket();
    std::ostringstream out, err;
    batch::Runner runner(options, out);
    std::string error;
    ASSERT_TRUE(runner.Connect(error)) << error;
    std::istringstream script("field 1 $OV_PRO\nmenu 32711\nwait\nmenu 32711\nwait\nmenu 32711\nwait\nmenu 32711\nwait\n");
    EXPECT_EQ(runner.Run(script, err), 3);
    EXPECT_NE(err.str().find("vantel-batch: controller unix:" + controller.Socket() + ": connection lost: "),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace vantel::remote
