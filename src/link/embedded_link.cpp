#include "link/embedded_link.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "platform/winmsg.h"

namespace vantel::link {
namespace {

using Clock = std::chrono::steady_clock;

// Out-values of a result call start empty, whatever the caller left in them.
void ClearOut(const LinkArg& a) {
    if (!a.out) return;
    switch (a.type) {
        case ArgType::I16: a.As<std::int16_t>() = 0; break;
        case ArgType::I32:
        case ArgType::Enum: a.As<std::int32_t>() = 0; break;
        case ArgType::U32: a.As<std::uint32_t>() = 0; break;
        case ArgType::Window: a.As<HWND>() = 0; break;
        case ArgType::Str: a.As<std::wstring>().clear(); break;
        case ArgType::Time: a.As<CFileTime>() = CFileTime(); break;
        case ArgType::StrArray: a.As<StringArray>().clear(); break;
        case ArgType::BoolArray: a.As<BoolArray>().clear(); break;
        case ArgType::ByteArray: a.As<ByteArray>().clear(); break;
        case ArgType::DWordArray: a.As<DWordArray>().clear(); break;
    }
}

class EmbeddedLink final : public ILinkBackend {
public:
    explicit EmbeddedLink(int latencyMs) : m_latency(std::chrono::milliseconds(latencyMs < 0 ? 0 : latencyMs)) {
        m_worker = std::thread([this] { Run(); });
    }

    ~EmbeddedLink() override {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_worker.join();
    }

    std::int32_t Invoke(CallId id, std::span<const LinkArg> args) override {
        std::lock_guard lock(m_mutex);
        switch (id) {
            case CallId::Init:
                m_window = args[3].As<HWND>();
                m_plexaMsg = args[2].As<UINT>();
                m_open = true;
                return 1;
            case CallId::Exit:
                m_open = false;
                return 1;
            case CallId::CmdAbort: {
                const auto h = args[0].As<std::int16_t>();
                for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
                    if (it->handle == h) {
                        m_jobs.erase(it);
                        m_live.erase(h);
                        PostLocked(h, 2);
                        return 1;
                    }
                }
                return 0;
            }
            default: break;
        }
        if (kCallIsRequest[static_cast<std::size_t>(id)]) {
            if (!m_open) return 0;
            const std::int16_t h = NextHandle();
            m_live.insert(h);
            m_jobs.push_back({h, Clock::now() + m_latency});
            m_wake.notify_all();
            return h;
        }
        for (const auto& a : args) ClearOut(a);
        return 1;
    }

    std::size_t JobsInFlight() const override {
        std::lock_guard lock(m_mutex);
        return m_jobs.size();
    }

private:
    struct Job {
        std::int16_t handle;
        Clock::time_point due;
    };

    // Positive 16-bit handles, never 0 and never one still live.
    std::int16_t NextHandle() {
        for (;;) {
            m_next = m_next >= 0x7FFF ? 1 : m_next + 1;
            if (!m_live.count(static_cast<std::int16_t>(m_next))) return static_cast<std::int16_t>(m_next);
        }
    }

    void PostLocked(std::int16_t h, LPARAM type) {
        PostMessageW(m_window, m_plexaMsg, static_cast<WPARAM>(static_cast<std::uint16_t>(h)), type);
    }

    void Run() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (m_jobs.empty()) {
                m_wake.wait(lock);
                continue;
            }
            const auto due = m_jobs.front().due;
            if (Clock::now() < due) {
                m_wake.wait_until(lock, due);
                continue;
            }
            const Job job = m_jobs.front();
            m_jobs.pop_front();
            m_live.erase(job.handle);
            PostLocked(job.handle, 0);
        }
    }

    const Clock::duration m_latency;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    std::set<std::int16_t> m_live;
    int m_next = 0;
    HWND m_window = 0;
    UINT m_plexaMsg = 0;
    bool m_open = false;
    bool m_stop = false;
    std::thread m_worker;
};

}  // namespace

int DefaultLatencyMs() {
    if (const char* env = std::getenv("VANTEL_SIM_LATENCY_MS")) {
        char* end = nullptr;
        const long v = std::strtol(env, &end, 10);
        if (end != env && v >= 0 && v <= 60000) return static_cast<int>(v);
    }
    return 20;
}

std::unique_ptr<ILinkBackend> MakeEmbeddedLink(int latencyMs) { return std::make_unique<EmbeddedLink>(latencyMs); }

}  // namespace vantel::link
