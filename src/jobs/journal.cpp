#include "jobs/journal.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <unordered_set>

namespace vantel {

std::size_t JournalEntry::Bytes() const {
    std::size_t bytes = sizeof(JournalEntry) + call.capacity() +
                        text.capacity() * sizeof(wchar_t);
    for (const auto& p : params) bytes += sizeof(p) + p.capacity() * sizeof(wchar_t);
    for (const auto& b : buttons) bytes += sizeof(b) + b.capacity() * sizeof(wchar_t);
    return bytes;
}

std::wstring JournalEntry::Summary() const {
    if (text.empty()) return std::wstring(call.begin(), call.end());
    const std::size_t end = text.find_first_of(L"\r\n");
    return end == std::wstring::npos ? text : text.substr(0, end);
}

const JournalEntry& Journal::Add(JournalEntry entry) {
    entry.seq = m_nextSeq++;
    if (clock) {
        entry.timeMs = clock();
    } else {
        entry.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    }
    m_bytes += entry.Bytes();
    m_entries.push_back(std::move(entry));
    // The newest entry stays even when it alone is past the byte bound.
    while (m_entries.size() > 1 && (m_entries.size() > m_limits.maxEntries || m_bytes > m_limits.maxBytes)) {
        m_bytes -= m_entries.front().Bytes();
        m_entries.pop_front();
        ++m_dropped;
    }
    const JournalEntry& added = m_entries.back();
    // By index: an observer may subscribe another while it is called.
    for (std::size_t i = 0; i < m_observers.size(); ++i) m_observers[i].second(added);
    return added;
}

int Journal::Subscribe(Observer observer) {
    const int token = m_nextToken++;
    m_observers.emplace_back(token, std::move(observer));
    return token;
}

void Journal::Unsubscribe(int token) {
    std::erase_if(m_observers, [token](const auto& o) { return o.first == token; });
}

const JournalEntry* Journal::Find(std::uint64_t seq) const {
    if (m_entries.empty() || seq < m_entries.front().seq || seq > m_entries.back().seq) return nullptr;
    return &m_entries[seq - m_entries.front().seq];
}

std::wstring PlainPath(std::wstring_view path) {
    std::wstring plain;
    plain.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'&') {
            if (i + 1 < path.size() && path[i + 1] == L'&') plain += L'&', ++i;
            continue;
        }
        plain += path[i];
    }
    return plain;
}

std::wstring_view InternPath(std::wstring_view text) {
    static std::mutex mutex;
    static std::unordered_set<std::wstring> texts;
    std::lock_guard lock(mutex);
    return *texts.emplace(text).first;
}

}  // namespace vantel
