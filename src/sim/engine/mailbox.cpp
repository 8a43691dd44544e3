// The mailbox's book-keeping.
#include "sim/engine/mailbox.h"

#include <algorithm>

namespace vantel::link::sim {

namespace {
std::size_t TextBytes(const std::wstring& s) { return s.size() * sizeof(wchar_t); }
std::size_t TextBytes(const std::vector<std::wstring>& list) {
    std::size_t n = list.size() * sizeof(std::wstring);
    for (const auto& s : list) n += TextBytes(s);
    return n;
}
}  // namespace

std::optional<std::uint64_t> Mailbox::Keep(std::int16_t h, Payload&& p, bool stream) {
    // What the notification holds beyond its fixed size: texts, lists, bytes.
    std::size_t bytes = sizeof(Unread) + TextBytes(p.text) + TextBytes(p.msg.text1) + TextBytes(p.msg.text2) +
                        TextBytes(p.msg.text3) + TextBytes(p.msg.answers) + p.outs.size() * sizeof(Out);
    for (const Out& o : p.outs) {
        if (const auto* t = std::get_if<std::wstring>(&o)) bytes += TextBytes(*t);
        else if (const auto* l = std::get_if<StringArray>(&o)) bytes += TextBytes(*l);
        else if (const auto* f = std::get_if<BoolArray>(&o)) bytes += f->size() / 8;
        else if (const auto* b = std::get_if<ByteArray>(&o)) bytes += b->size();
        else if (const auto* d = std::get_if<DWordArray>(&o)) bytes += d->size() * sizeof(std::uint32_t);
    }
    const auto [it, created] = m_boxes.try_emplace(h);
    Box& box = it->second;
    if (created && stream) {
        box.stream = true;
        m_streamBoxes.insert(h);
    }
    box.items.emplace_back(std::move(p), ++m_seq, bytes);
    ++m_count;
    m_bytes += bytes;

    if (m_count <= m_maxCount / 2 && m_bytes <= m_maxBytes / 2) m_dropping = false;
    std::optional<std::uint64_t> runStart;
    while ((m_count > m_maxCount || m_bytes > m_maxBytes) && m_count > 1 && DropOldest()) {
        if (m_dropping) continue;
        m_dropping = true;
        runStart = m_dropped;
    }
    return runStart;
}

std::optional<Payload> Mailbox::Take(std::int16_t h, Kind kind) {
    const auto box = m_boxes.find(h);
    if (box == m_boxes.end()) return std::nullopt;
    auto& items = box->second.items;
    const auto it = std::find_if(items.begin(), items.end(), [&](const Unread& u) { return u.p.kind == kind; });
    if (it == items.end()) return std::nullopt;
    return Unkeep(box, it);
}

Payload Mailbox::Unkeep(BoxIt box, std::deque<Unread>::iterator it) {
    Payload p = std::move(it->p);
    --m_count;
    m_bytes -= it->bytes;
    box->second.items.erase(it);
    if (box->second.items.empty()) {
        m_streamBoxes.erase(box->first);
        m_boxes.erase(box);
    }
    return p;
}

void Mailbox::Forget(std::int16_t h) {
    const auto box = m_boxes.find(h);
    if (box == m_boxes.end()) return;
    for (const Unread& u : box->second.items) m_bytes -= u.bytes;
    m_count -= box->second.items.size();
    m_streamBoxes.erase(h);
    m_boxes.erase(box);
}

void Mailbox::Clear() {
    m_boxes.clear();
    m_streamBoxes.clear();
    m_count = 0;
    m_bytes = 0;
}

bool Mailbox::DropOldest() {
    // Within a box the notifications are in the order made: the oldest is at the front.
    const auto oldestOf = [&](auto first, auto last, auto boxOf) {
        BoxIt best = m_boxes.end();
        for (auto i = first; i != last; ++i) {
            const BoxIt b = boxOf(i);
            if (b != m_boxes.end() && !b->second.items.empty() &&
                (best == m_boxes.end() || b->second.items.front().seq < best->second.items.front().seq)) {
                best = b;
            }
        }
        return best;
    };
    BoxIt victim = oldestOf(m_streamBoxes.begin(), m_streamBoxes.end(), [&](auto i) { return m_boxes.find(*i); });
    if (victim == m_boxes.end()) victim = oldestOf(m_boxes.begin(), m_boxes.end(), [](BoxIt i) { return i; });
    if (victim == m_boxes.end()) return false;
    Unkeep(victim, victim->second.items.begin());
    ++m_dropped;
    return true;
}

}  // namespace vantel::link::sim
