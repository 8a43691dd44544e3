#include "platform/winmsg.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;

struct MessageNames {
    std::mutex mu;
    std::map<std::wstring, UINT> numbers;
    UINT next = kFirstRegisteredMessage;
};

MessageNames& Names() {
    static auto* names = new MessageNames;  // never destroyed: usable from other static destructors
    return *names;
}

// Each window has its own lock, so a slow sink holds up posts to that window only.
// The sink runs under it; DestroyPostTarget takes it to clear the sink, which is what
// guarantees no call after Destroy returns.
struct Target {
    std::mutex mu;
    PostSink sink;
};

struct TargetTable {
    std::mutex mu;
    std::unordered_map<HWND, std::shared_ptr<Target>> targets;
    HWND next = 1;
};

TargetTable& Targets() {
    static auto* table = new TargetTable;
    return *table;
}

}  // namespace

UINT RegisterWindowMessageW(const wchar_t* name) {
    if (name == nullptr || *name == L'\0') return 0;
    auto& names = Names();
    std::lock_guard lock(names.mu);
    auto [it, inserted] = names.numbers.try_emplace(name, names.next);
    if (inserted) {
        if (names.next > kLastRegisteredMessage) {
            names.numbers.erase(it);
            return 0;
        }
        ++names.next;
    }
    return it->second;
}

HWND CreatePostTarget(PostSink sink) {
    auto target = std::make_shared<Target>();
    target->sink = std::move(sink);
    auto& table = Targets();
    std::lock_guard lock(table.mu);
    const HWND hwnd = table.next++;
    table.targets.emplace(hwnd, std::move(target));
    return hwnd;
}

void DestroyPostTarget(HWND hwnd) {
    std::shared_ptr<Target> target;
    {
        auto& table = Targets();
        std::lock_guard lock(table.mu);
        auto it = table.targets.find(hwnd);
        if (it == table.targets.end()) return;
        target = std::move(it->second);
        table.targets.erase(it);
    }
    PostSink dead;
    {
        std::lock_guard lock(target->mu);
        dead.swap(target->sink);
    }
    // The sink's captures are released here, outside any lock.
}

bool PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Target> target;
    {
        auto& table = Targets();
        std::lock_guard lock(table.mu);
        auto it = table.targets.find(hwnd);
        if (it == table.targets.end()) return false;
        target = it->second;
    }
    std::lock_guard lock(target->mu);
    if (!target->sink) return false;
    target->sink(msg, wParam, lParam);
    return true;
}
