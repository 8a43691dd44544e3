// The mailbox: unread notifications kept for their fetch calls, within bounds.
#include <algorithm>
#include <cstdlib>

#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

using namespace internal;

namespace {
std::size_t TextBytes(const std::wstring& s) { return s.size() * sizeof(wchar_t); }
std::size_t TextBytes(const std::vector<std::wstring>& list) {
    std::size_t n = list.size() * sizeof(std::wstring);
    for (const auto& s : list) n += TextBytes(s);
    return n;
}
}  // namespace

void SimController::Keep(std::int16_t h, Payload&& p) {
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
    const auto [it, created] = m_mailbox.try_emplace(h);
    Box& box = it->second;
    if (created && m_standing.count(h)) {
        box.stream = true;
        m_streamBoxes.insert(h);
    }
    box.items.emplace_back(std::move(p), ++m_mailSeq, bytes);
    ++m_mailCount;
    m_mailBytes += bytes;

    // One log record for a run of drops: a new run starts once the mailbox has drained to half.
    if (m_mailCount <= m_cfg.mailboxCount / 2 && m_mailBytes <= m_cfg.mailboxBytes / 2) m_dropping = false;
    while ((m_mailCount > m_cfg.mailboxCount || m_mailBytes > m_cfg.mailboxBytes) && m_mailCount > 1 && DropOldest()) {
        if (m_dropping) continue;
        m_dropping = true;
        m_log.AddOwn(Stamp(), L"Mailbox", L"", kLogMailboxFull, 2,
                     L"Unread notifications over " + std::to_wstring(m_cfg.mailboxCount) + L" or " +
                         std::to_wstring(m_cfg.mailboxBytes) + L" bytes: the oldest are dropped",
                     L"Dropped so far: " + std::to_wstring(m_mailDropped));
    }
}

SimController::Payload SimController::Unkeep(BoxIt box, std::deque<Unread>::iterator it) {
    Payload p = std::move(it->p);
    --m_mailCount;
    m_mailBytes -= it->bytes;
    box->second.items.erase(it);
    if (box->second.items.empty()) {
        m_streamBoxes.erase(box->first);
        m_mailbox.erase(box);
    }
    return p;
}

void SimController::Forget(std::int16_t h) {
    const auto box = m_mailbox.find(h);
    if (box == m_mailbox.end()) return;
    for (const Unread& u : box->second.items) m_mailBytes -= u.bytes;
    m_mailCount -= box->second.items.size();
    m_streamBoxes.erase(h);
    m_mailbox.erase(box);
}

void SimController::ForgetAll() {
    m_mailbox.clear();
    m_streamBoxes.clear();
    m_mailCount = 0;
    m_mailBytes = 0;
    m_mouseLeft.clear();
    m_mouseUnread = 0;
}

bool SimController::DropOldest() {
    // Within a box the notifications are in the order made: the oldest is at the front.
    const auto oldestOf = [&](auto first, auto last, auto boxOf) {
        BoxIt best = m_mailbox.end();
        for (auto i = first; i != last; ++i) {
            const BoxIt b = boxOf(i);
            if (b != m_mailbox.end() && !b->second.items.empty() &&
                (best == m_mailbox.end() || b->second.items.front().seq < best->second.items.front().seq)) {
                best = b;
            }
        }
        return best;
    };
    BoxIt victim = oldestOf(m_streamBoxes.begin(), m_streamBoxes.end(), [&](auto i) { return m_mailbox.find(*i); });
    if (victim == m_mailbox.end()) victim = oldestOf(m_mailbox.begin(), m_mailbox.end(), [](BoxIt i) { return i; });
    if (victim == m_mailbox.end()) return false;
    Unkeep(victim, victim->second.items.begin());
    ++m_mailDropped;
    return true;
}

}  // namespace vantel::link::sim
