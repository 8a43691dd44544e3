// vantel-controller: sessions sharing one controller over a real Unix socket, talked to
// with the generated stub, and the executable itself. Waits are bounded only so that a hang
// fails (20 s); nothing is timed.
#include <gtest/gtest.h>
#include <grpcpp/grpcpp.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "controller/options.h"
#include "controller/service.h"
#include "controller/shared_controller.h"
#include "service/credentials.h"
#include "service/wire.h"
#include "bounded.h"
#include "temp_stores.h"

extern char** environ;

namespace vantel::controller {
namespace {

using link::CallId;
using link::ENotifyType;
using service::Value;
using Clock = std::chrono::steady_clock;

using test::Eventually;
using test::FileText;
using test::kBound;

Value Text(const std::string& s) {
    Value v;
    v.set_text(s);
    return v;
}
Value Num(std::int64_t n) {
    Value v;
    v.set_number(n);
    return v;
}
const Value kOut;  // an out-value's slot

link::sim::SimConfig QuickConfig() {
    link::sim::SimConfig c;
    c.latency = std::chrono::milliseconds(0);
    c.step = std::chrono::milliseconds(0);
    c.fixedClockMs = 0;
    return c;
}

// A daemon in this process on a socket in a folder of the test's own.
struct Served {
    explicit Served(link::sim::SimConfig config = QuickConfig(), SharedController::Faults faults = {}, std::string token = {})
        : shared(config, faults, [](const std::string&) {}), daemon(shared, ServiceOptions{token, 0, 0, "test controller", {}}) {
        Listen listen;
        listen.path = temp.Dir() + "/controller.sock";
        std::string error;
        EXPECT_TRUE(daemon.Start({listen}, std::nullopt, error)) << error;
    }
    std::shared_ptr<grpc::Channel> Channel() const {
        return grpc::CreateChannel("unix:" + temp.Dir() + "/controller.sock", grpc::InsecureChannelCredentials());
    }

    test::TempStores temp;
    SharedController shared;
    Daemon daemon;
};

// One console's end: a session, its calls and the notifications it receives.
class Client {
public:
    explicit Client(std::shared_ptr<grpc::Channel> channel, std::string token = {})
        : m_stub(service::Controller::NewStub(channel)), m_token(std::move(token)) {}
    ~Client() { Disconnect(); }

    grpc::Status Open(const std::string& callList = service::CallListFingerprint()) {
        service::OpenRequest request;
        request.set_call_list(callList);
        request.set_client("test");
        service::OpenReply reply;
        auto context = Context();
        const grpc::Status status = m_stub->Open(context.get(), request, &reply);
        m_session = reply.session();
        return status;
    }

    // Opens the session, reads its notifications on a thread of its own and inits the link.
    void Start() {
        ASSERT_TRUE(Open().ok());
        m_streamContext = Context();
        service::SessionRequest request;
        request.set_session(m_session);
        m_reader = m_stub->Notifications(m_streamContext.get(), request);
        m_thread = std::thread([this] {
            service::Notification n;
            while (m_reader->Read(&n)) {
                std::lock_guard lock(m_mutex);
                m_notes.push_back(n);
                m_arrived.notify_all();
            }
            std::lock_guard lock(m_mutex);
            m_streamStatus = m_reader->Finish();
            m_streamEnded = true;
            m_arrived.notify_all();
        });
        ASSERT_EQ(Call(CallId::Init, {Text("Vantel"), Text(""), Num(0xC100), Num(0), Num(223), Num(0xC101)}).ret(), 1);
    }

    void Disconnect() {
        if (!m_thread.joinable()) return;
        m_streamContext->TryCancel();
        m_thread.join();
    }

    service::CallReply Call(CallId call, std::vector<Value> args, grpc::Status* status = nullptr) {
        service::CallRequest request;
        request.set_session(m_session);
        request.set_call(static_cast<std::uint32_t>(call));
        for (auto& a : args) *request.add_args() = a;
        service::CallReply reply;
        auto context = Context();
        const grpc::Status s = m_stub->Call(context.get(), request, &reply);
        if (status) *status = s;
        else EXPECT_TRUE(s.ok()) << s.error_message();
        return reply;
    }

    std::int16_t Request(CallId call, std::vector<Value> args) { return static_cast<std::int16_t>(Call(call, std::move(args)).ret()); }

    service::InFlightReply Flight() {
        service::SessionRequest request;
        request.set_session(m_session);
        service::InFlightReply reply;
        auto context = Context();
        EXPECT_TRUE(m_stub->InFlight(context.get(), request, &reply).ok());
        return reply;
    }

    // Until the controller has nothing in flight and every notification sent has come.
    void Settle() {
        const auto end = Clock::now() + kBound;
        while (Clock::now() < end) {
            const auto flight = Flight();
            std::unique_lock lock(m_mutex);
            if (flight.jobs() == 0 && m_notes.size() >= flight.last_notification()) return;
            m_arrived.wait_for(lock, std::chrono::milliseconds(5));
        }
        ADD_FAILURE() << "the controller did not settle";
    }

    std::vector<service::Notification> Notes() {
        std::lock_guard lock(m_mutex);
        return m_notes;
    }
    // (handle, type) of every notification so far.
    std::vector<std::pair<std::int16_t, std::int64_t>> Heard() {
        std::vector<std::pair<std::int16_t, std::int64_t>> out;
        for (const auto& n : Notes()) out.emplace_back(static_cast<std::int16_t>(n.wparam() & 0xFFFF), n.lparam());
        return out;
    }

    // The status the notification stream ended with, once it has.
    std::optional<grpc::Status> StreamEnd() {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, kBound, [&] { return m_streamEnded; });
        return m_streamEnded ? std::optional(m_streamStatus) : std::nullopt;
    }

private:
    std::unique_ptr<grpc::ClientContext> Context() const {
        auto context = std::make_unique<grpc::ClientContext>();
        if (!m_token.empty()) context->AddMetadata("authorization", "Bearer " + m_token);
        return context;
    }

    std::unique_ptr<service::Controller::Stub> m_stub;
    std::string m_token;
    std::string m_session;
    std::unique_ptr<grpc::ClientContext> m_streamContext;
    std::unique_ptr<grpc::ClientReader<service::Notification>> m_reader;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<service::Notification> m_notes;
    bool m_streamEnded = false;
    grpc::Status m_streamStatus;
};

constexpr std::int64_t kResult = static_cast<std::int64_t>(ENotifyType::Result);

TEST(ControllerSessions, OneSessionsWriteFiresAnothersSubscriptionAndResultsStayWithTheirSession) {
    Served served;
    Client a(served.Channel()), b(served.Channel());
    a.Start();
    b.Start();

    const std::int16_t watch = a.Request(CallId::SetInfo, {Text("$OV_PRO"), Text("")});
    ASSERT_NE(watch, 0);
    a.Settle();
    const std::int16_t write = b.Request(CallId::SetVar, {Text("$OV_PRO"), Text("50")});
    ASSERT_NE(write, 0);
    a.Settle();
    b.Settle();

    using Heard = std::vector<std::pair<std::int16_t, std::int64_t>>;
    EXPECT_EQ(a.Heard(), (Heard{{watch, kResult}, {watch, kResult}}));
    EXPECT_EQ(b.Heard(), (Heard{{write, kResult}}));
    EXPECT_EQ(b.Call(CallId::SetInfoResult, {Num(watch), kOut}).ret(), 0) << "another session's result";
    EXPECT_EQ(a.Call(CallId::SetInfoResult, {Num(watch), kOut}).ret(), 1);
    const auto second = a.Call(CallId::SetInfoResult, {Num(watch), kOut});
    ASSERT_EQ(second.ret(), 1);
    EXPECT_EQ(second.outs(0).text(), "50");
    EXPECT_EQ(b.Call(CallId::SetVarResult, {Num(write)}).ret(), 1);
}

TEST(ControllerSessions, TheControllersOwnMessageReachesEverySessionAndEachFetchesIt) {
    Served served;
    Client a(served.Channel()), b(served.Channel());
    a.Start();
    b.Start();
    ASSERT_NE(a.Request(CallId::DisableStart, {Num(1), Text("maintenance")}), 0);
    a.Settle();
    b.Settle();

    const auto message = [](Client& c) {
        for (const auto& [h, type] : c.Heard()) {
            if (type == static_cast<std::int64_t>(ENotifyType::AsyncAddState)) return h;
        }
        return std::int16_t{0};
    };
    const std::int16_t h = message(b);
    ASSERT_NE(h, 0) << "b heard no message";
    EXPECT_EQ(message(a), h);
    const std::vector<Value> fetch = {Num(h), kOut, kOut, kOut, kOut, kOut, kOut, kOut, kOut, kOut};
    for (Client* c : {&b, &a}) {
        const auto got = c->Call(CallId::GetAsyncAddMessage, fetch);
        ASSERT_EQ(got.ret(), 1) << (c == &a ? "a" : "b");
        EXPECT_EQ(got.outs(4).text(), "Start disabled");
        EXPECT_EQ(got.outs(5).text(), "maintenance");
    }
    EXPECT_EQ(a.Call(CallId::GetAsyncAddMessage, fetch).ret(), 0) << "fetched once per session";
}

TEST(ControllerSessions, PowerOffIsForAllAndOneSessionsExitLeavesTheOthers) {
    Served served;
    Client a(served.Channel()), b(served.Channel());
    a.Start();
    b.Start();
    const std::int16_t watch = a.Request(CallId::SetInfo, {Text("$OV_PRO"), Text("")});
    ASSERT_NE(b.Request(CallId::PowerOff, {}), 0);
    b.Settle();
    const std::int16_t refused = a.Request(CallId::SetVar, {Text("$OV_PRO"), Text("40")});
    a.Settle();
    EXPECT_EQ(a.Call(CallId::SetVarResult, {Num(refused)}).ret(), 0) << "the controller is off for a too";

    ASSERT_EQ(b.Call(CallId::Exit, {}).ret(), 1);
    EXPECT_EQ(b.Request(CallId::ShowVar, {Text("$OV_PRO"), Text("")}), 0) << "b is not open after its Exit";
    ASSERT_EQ(b.Call(CallId::Init, {Text("Vantel"), Text(""), Num(0xC100), Num(0), Num(223), Num(0xC101)}).ret(), 1);
    const std::int16_t write = a.Request(CallId::SetVar, {Text("$OV_PRO"), Text("40")});
    a.Settle();
    EXPECT_EQ(a.Call(CallId::SetVarResult, {Num(write)}).ret(), 1) << "b's Init switched the controller on";
    const auto heard = a.Heard();
    EXPECT_EQ(std::count(heard.begin(), heard.end(), std::pair{watch, kResult}), 2) << "a's watch outlived b's Exit";
}

TEST(ControllerSessions, ASessionWhoseClientGoesHasItsJobsAbortedAndItsSubscriptionsEnded) {
    {
        link::sim::SimConfig slow = QuickConfig();
        slow.latency = std::chrono::hours(1);
        Served served(slow);
        Client a(served.Channel()), b(served.Channel());
        a.Start();
        b.Start();
        ASSERT_NE(a.Request(CallId::ShowVar, {Text("$OV_PRO"), Text("")}), 0);
        ASSERT_EQ(b.Flight().jobs(), 1u);
        a.Disconnect();
        EXPECT_TRUE(Eventually([&] { return b.Flight().jobs() == 0; })) << "a's pending job outlived a";
    }
    Served served;
    Client a(served.Channel()), b(served.Channel());
    a.Start();
    b.Start();
    const std::int16_t watch = a.Request(CallId::SetInfo, {Text("$OV_PRO"), Text("")});
    a.Settle();
    ASSERT_EQ(a.Call(CallId::SetInfoResult, {Num(watch), kOut}).ret(), 1);
    a.Disconnect();
    ASSERT_TRUE(Eventually([&] { return served.shared.Sessions() == 1; }));
    const std::int16_t write = b.Request(CallId::SetVar, {Text("$OV_PRO"), Text("30")});
    b.Settle();
    ASSERT_EQ(b.Call(CallId::SetVarResult, {Num(write)}).ret(), 1);
    EXPECT_EQ(served.shared.Unread(), 0u) << "a's watch still heard the write";
}

TEST(ControllerRefusals, AnotherCallListOrAMissingOrWrongTokenIsRefusedSayingWhy) {
    Served open;
    Client stranger(open.Channel());
    const grpc::Status mismatch = stranger.Open("7 calls 0123456789abcdef");
    EXPECT_EQ(mismatch.error_code(), grpc::StatusCode::FAILED_PRECONDITION);
    EXPECT_NE(mismatch.error_message().find("7 calls 0123456789abcdef"), std::string::npos) << mismatch.error_message();
    EXPECT_NE(mismatch.error_message().find(service::CallListFingerprint()), std::string::npos) << mismatch.error_message();

    Served guarded(QuickConfig(), {}, "s3cret");
    for (const std::string token : {"", "guess"}) {
        const grpc::Status refused = Client(guarded.Channel(), token).Open();
        EXPECT_EQ(refused.error_code(), grpc::StatusCode::UNAUTHENTICATED) << token;
        EXPECT_NE(refused.error_message().find("token"), std::string::npos) << refused.error_message();
    }
    Client insider(guarded.Channel(), "s3cret");
    insider.Start();
    grpc::Status status;
    Client(guarded.Channel(), "guess").Call(CallId::GetLogOpt, {}, &status);
    EXPECT_EQ(status.error_code(), grpc::StatusCode::UNAUTHENTICATED) << "every call carries the token";
}

TEST(ControllerFaults, DropGivesAHandleButNoNotificationAndDisconnectAfterEndsTheSession) {
    {
        Served served(QuickConfig(), {.dropPercent = 100});
        Client a(served.Channel());
        a.Start();
        EXPECT_NE(a.Request(CallId::ShowVar, {Text("$OV_PRO"), Text("")}), 0);
        a.Settle();
        EXPECT_EQ(a.Flight().last_notification(), 0u);
    }
    Served served(QuickConfig(), {.disconnectAfter = 2});
    Client a(served.Channel());
    a.Start();  // call 1
    grpc::Status status;
    a.Call(CallId::GetLogOpt, {}, &status);  // call 2, answered
    EXPECT_TRUE(status.ok());
    const auto end = a.StreamEnd();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->error_code(), grpc::StatusCode::UNAVAILABLE);
    a.Call(CallId::GetLogOpt, {}, &status);
    EXPECT_EQ(status.error_code(), grpc::StatusCode::UNAVAILABLE);
}

TEST(ControllerOptions, TcpBeyondLoopbackNeedsTlsAndATokenAndFaultsAreChecked) {
    Options o;
    std::string problem;
    EXPECT_TRUE(ParseOptions({"--listen", "tcp:[::1]:0", "--listen=unix:c.sock", "--fault", "latency=3..9"}, o, problem)) << problem;
    ASSERT_EQ(o.listens.size(), 2u);
    EXPECT_EQ(o.listens[0].Text(), "tcp:[::1]:0");
    EXPECT_TRUE(o.listens[1].local);
    EXPECT_EQ(o.latencyMaxMs, 9);
    EXPECT_FALSE(ParseOptions({"--listen", "tcp:0.0.0.0:7000", "--token-file", "t"}, o, problem));
    EXPECT_NE(problem.find("TLS"), std::string::npos) << problem;
    EXPECT_TRUE(ParseOptions({"--listen", "tcp:0.0.0.0:7000", "--token-file", "t", "--tls-cert", "c", "--tls-key", "k"}, o, problem));
    for (const char* bad : {"drop=101%", "latency=9..3", "disconnect-after=0", "jitter=5"}) {
        EXPECT_FALSE(ParseOptions({"--fault", bad}, o, problem)) << bad;
    }
}

// Both ends read their credentials alike; what is no token is said, and a FIFO in a file's
// place is not waited on.
TEST(Credentials, ATokenLosesTrailingWhiteSpaceAndWhatHoldsNoneIsRefused) {
    test::TempStores temp;
    const std::string dir = temp.Dir();
    std::ofstream(dir + "/token") << "secret \n";
    std::ofstream(dir + "/blank") << " \n";
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    std::string token, error;
    ASSERT_TRUE(service::ReadTokenFile(dir + "/token", token, error)) << error;
    EXPECT_EQ(token, "secret");
    for (const char* bad : {"blank", "fifo", ".", "missing"}) {
        EXPECT_FALSE(service::ReadTokenFile(dir + "/" + bad, token, error)) << bad;
        EXPECT_NE(error.find(dir), std::string::npos) << error;
    }
}

#ifdef VANTEL_CONTROLLER_PATH
// Runs vantel-controller with args, its standard error into a file; the child's pid.
pid_t Spawn(const std::vector<std::string>& args, const std::string& errFile) {
    std::vector<char*> argv;
    std::vector<std::string> all = {VANTEL_CONTROLLER_PATH};
    all.insert(all.end(), args.begin(), args.end());
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::optional<int> ExitStatus(pid_t pid) {
    int status = 0;
    if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return std::nullopt;
    }
    return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::optional(128 + WTERMSIG(status));
}

TEST(ControllerExecutable, ServesUntilSigtermThenRemovesItsSocketAndRefusesAnOpenTcpListener) {
    test::TempStores temp;
    const std::string socket = temp.Dir() + "/c.sock", err = temp.Dir() + "/err";
    const pid_t pid = Spawn({"--listen", "unix:" + socket}, err);
    struct stat st{};
    ASSERT_TRUE(Eventually([&] { return stat(socket.c_str(), &st) == 0; })) << FileText(err);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    {
        Client c(grpc::CreateChannel("unix:" + socket, grpc::InsecureChannelCredentials()));
        c.Start();
        EXPECT_NE(c.Request(CallId::ShowVar, {Text("$OV_PRO"), Text("")}), 0);
    }
    kill(pid, SIGTERM);
    EXPECT_EQ(ExitStatus(pid), 0) << FileText(err);
    EXPECT_FALSE(std::filesystem::exists(socket));
    EXPECT_NE(FileText(err).find("session 1 opened"), std::string::npos) << FileText(err);

    EXPECT_EQ(ExitStatus(Spawn({"--listen", "tcp:0.0.0.0:0"}, err)), 2);
    EXPECT_NE(FileText(err).find("needs TLS"), std::string::npos) << FileText(err);
}
#endif

}  // namespace
}  // namespace vantel::controller
