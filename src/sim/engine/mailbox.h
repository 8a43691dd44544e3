// The mailbox: what a notification announced, kept for the fetch call of its kind until
// fetched. Bounded by count and by (estimated) bytes: past either bound the oldest unread
// notification of a standing subscription is dropped; only when no subscription holds any,
// the oldest of all.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "link/plexa_types.h"
#include "sim/model/model.h"

namespace vantel::link::sim {

// The 6D mouse's readings are no kind: they coalesce outside the mailbox (FetchMouse).
enum class Kind { Result, SyncMsg, AsyncMsg, SubMsg, Confirm, AsyncDialog, Answer, SyncDialog, Key, Progress };

struct Stamped {
    std::uint64_t ticks;
};
// One out-value of a result call; a result with a list of them fills the call's out-values
// in order.
using Out = std::variant<std::int64_t, std::wstring, StringArray, BoolArray, ByteArray, DWordArray, Stamped>;

struct Payload {
    Kind kind = Kind::Result;
    std::int32_t ret = 1;
    std::wstring text;
    std::int32_t number = 0;
    std::vector<Out> outs;
    SimMessage msg;           // messages and dialogs
    std::int16_t values[6] = {};  // [0]: key switch, answer, percent
};

class Mailbox {
public:
    Mailbox(std::size_t maxCount, std::size_t maxBytes) : m_maxCount(maxCount), m_maxBytes(maxBytes) {}

    // Keeps p for handle h; stream: h belongs to a standing subscription, whose notifications
    // go first when over the bounds. When this starts a run of drops, the number dropped so
    // far at its first drop (one log record per run: a new run starts once the mailbox has
    // drained to half).
    std::optional<std::uint64_t> Keep(std::int16_t h, Payload&& p, bool stream);
    // The oldest unread notification of that kind for h, taken out.
    std::optional<Payload> Take(std::int16_t h, Kind kind);
    void Forget(std::int16_t h);
    void Clear();

    std::size_t Count() const { return m_count; }
    std::size_t Bytes() const { return m_bytes; }
    std::uint64_t Dropped() const { return m_dropped; }

private:
    // One unread notification, in the order made.
    struct Unread {
        Payload p;
        std::uint64_t seq = 0;
        std::size_t bytes = 0;
    };
    struct Box {
        std::deque<Unread> items;
        bool stream = false;
    };
    using BoxIt = std::map<std::int16_t, Box>::iterator;

    // Every unread notification enters through Keep and leaves through Unkeep or Forget, so
    // that the count and bytes stay right.
    Payload Unkeep(BoxIt box, std::deque<Unread>::iterator it);
    // Drops one notification to make room. False when nothing is left to drop.
    bool DropOldest();

    std::size_t m_maxCount, m_maxBytes;
    std::map<std::int16_t, Box> m_boxes;
    std::set<std::int16_t> m_streamBoxes;  // boxes with stream set that hold something
    std::size_t m_count = 0;
    std::size_t m_bytes = 0;
    std::uint64_t m_seq = 0;
    std::uint64_t m_dropped = 0;
    bool m_dropping = false;  // in a run of drops
};

}  // namespace vantel::link::sim
