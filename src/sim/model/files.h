// The simulated controller's file system: volumes holding folders and items. Modules and
// data lists are kept as lines, other files as bytes. Every change is recorded as an event
// that the controller hands to its change watches. Single-threaded.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/outcome.h"

namespace vantel::link::sim {

// The link's EItemType numbering in the simulator.
enum class ItemType : std::int32_t { Folder = 0, Module = 1, Data = 2, File = 3 };

// Item attribute bits (ItemSetAttribute, ItemGetProp).
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;  // set by the controller only
inline constexpr std::uint32_t kLinked = 0x08;  // set by ItemLink
inline constexpr std::uint32_t kSettable = kReadOnly | kHidden | 0xF0;  // 0x10-0x80 are free for users
}  // namespace attr

// What changed, as the change watches report it.
namespace change {
inline constexpr std::uint32_t kCreated = 0x0001;
inline constexpr std::uint32_t kDestroyed = 0x0002;
inline constexpr std::uint32_t kRenamed = 0x0004;     // renamed or moved
inline constexpr std::uint32_t kWritten = 0x0008;     // whole content written
inline constexpr std::uint32_t kProperties = 0x0010;  // attributes, access, user, comment
inline constexpr std::uint32_t kInserted = 0x0020;    // lines inserted
inline constexpr std::uint32_t kDeleted = 0x0040;     // lines deleted
inline constexpr std::uint32_t kChanged = 0x0080;     // lines changed or redeclared
inline constexpr std::uint32_t kOpened = 0x0100;      // opened or closed for editing
inline constexpr std::uint32_t kAnalysed = 0x0200;    // analysed, linked or unlinked
inline constexpr std::uint32_t kUserAttr = 0x0400;    // user attributes
inline constexpr std::uint32_t kVolumeName = 0x0800;
inline constexpr std::uint32_t kFormatted = 0x1000;
// Which of them each kind of watch hears.
inline constexpr std::uint32_t kItemBits = kCreated | kDestroyed | kRenamed | kWritten | kProperties;
inline constexpr std::uint32_t kInfoBits = kWritten | kProperties | kAnalysed | kUserAttr | kRenamed | kDestroyed;
inline constexpr std::uint32_t kCodeBits = kWritten | kInserted | kDeleted | kChanged | kOpened;
}  // namespace change

struct SimItem {
    // A new item of the operator's, stamped created, modified and accessed at stamp.
    static std::unique_ptr<SimItem> Make(std::wstring name, ItemType type, std::uint64_t stamp);

    std::wstring name;  // as spelt when created
    ItemType type = ItemType::File;
    std::vector<std::wstring> lines;  // Module, Data
    std::vector<std::uint8_t> bytes;  // File
    std::uint32_t attributes = 0;
    std::wstring user;
    std::wstring comment;
    std::uint64_t created = 0, modified = 0, accessed = 0;  // CFileTime ticks
    std::map<std::wstring, std::wstring> userAttributes;   // keyed upper case
    bool analysedClean = false;                            // last analysis found nothing
    std::map<std::wstring, std::unique_ptr<SimItem>> children;  // Folder; keyed upper case

    bool IsText() const { return type == ItemType::Module || type == ItemType::Data; }
};

struct SimVolume {
    std::wstring name;  // upper case, without the colon
    std::wstring label;
    std::int32_t type = 1;  // 1 fixed, 2 memory, 3 removable
    std::int64_t capacity = 0;  // bytes
    SimItem root;
};

// A controller path split up: "USER:/R1/DEMO.SRC" -> USER, {R1, DEMO.SRC}. '\' works as '/';
// no volume means USER. ".." and empty names are refused.
struct SimPath {
    std::wstring volume;              // upper case
    std::vector<std::wstring> parts;  // as typed
    std::wstring Text() const;        // canonical upper-case full name
};
std::optional<SimPath> ParsePath(std::wstring_view text);
// A name an item may have: not empty, no separators, wildcards, colons or control characters.
bool ValidItemName(std::wstring_view name);

// Item content as bytes: text items as UTF-8 lines, each ended by '\n'.
std::vector<std::uint8_t> ContentBytes(const SimItem& item);
// The reverse; text items split at '\n', "\r\n" or NUL (a last piece without an end counts).
void SetContentBytes(SimItem& item, std::span<const std::uint8_t> bytes);
// The form a copy into memory takes: text items as lines each ended by one zero byte.
std::vector<std::uint8_t> MemoryBytes(const SimItem& item);
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);
// UTF-8 bytes as text; bytes that are no UTF-8 are taken as Latin-1, so that nothing that
// comes in is lost (the console's own conversion replaces them).
std::wstring TextFromBytes(std::string_view text);

// The type a new name gets from its extension.
ItemType TypeForName(std::wstring_view name);

class SimFileSystem {
public:
    struct Event {
        std::wstring volume;  // upper case
        std::wstring path;    // canonical full name of the item ("" for the volume itself)
        std::uint32_t mask;
    };

    // Volumes with the sample modules; stamp is the creation time given to them.
    explicit SimFileSystem(std::uint64_t stamp);

    // A refusal says why (for the controller message) and changes nothing.

    SimVolume* Volume(std::wstring_view name);
    std::vector<const SimVolume*> Volumes() const;
    std::int64_t Used(const SimVolume& v) const;

    SimItem* Find(const SimPath& p);
    SimItem* Find(std::wstring_view path);
    // The folder that would hold p, or nothing.
    SimItem* Parent(const SimPath& p);

    OutcomeOf<SimItem*> Create(std::wstring_view path, ItemType type, std::uint64_t stamp, bool replace);
    Outcome Destroy(std::wstring_view path, bool recursive);
    Outcome Rename(std::wstring_view path, std::wstring_view newName, std::uint64_t stamp);
    Outcome Copy(std::wstring_view from, std::wstring_view to, bool replace, std::uint64_t stamp);
    Outcome Move(std::wstring_view from, std::wstring_view to, bool replace, std::uint64_t stamp);
    // Writes a whole item, creating it when missing.
    Outcome Write(std::wstring_view path, std::span<const std::uint8_t> bytes, bool replace, std::uint64_t stamp);
    Outcome Format(std::wstring_view volume, std::wstring_view label);
    Outcome SetLabel(std::wstring_view volume, std::wstring_view label);

    // Records a change of an item (its canonical name) for the watches.
    void Touch(const std::wstring& path, std::uint32_t mask);
    std::vector<Event> TakeEvents();

    // Refuses changes to read-only and system items.
    Outcome Writable(const SimItem& item, std::wstring_view path);
    // Checks the volume has room for growing by delta bytes.
    Outcome Room(const SimPath& p, std::int64_t delta);

    // The full name of every item whose name (without folder) or module name matches name.
    std::vector<std::wstring> Search(std::wstring_view name) const;

    static Outcome Fail(std::wstring why) { return Outcome::Refused(std::move(why)); }

    // The whole file system as text (UTF-8, one line per volume and item, contents counted in
    // bytes), and back. Load replaces everything, or changes nothing and returns false when
    // the text is not one that Save wrote.
    std::string Save() const;
    bool Load(std::string_view text);
    // The most that Save writes for these volumes filled up: content may double when escaped,
    // and names, properties and attributes get a margin of their own.
    std::uint64_t StateLimit() const;

private:
    OutcomeOf<SimItem*> Insert(const SimPath& p, std::unique_ptr<SimItem> item, bool replace);
    std::unique_ptr<SimItem> Detach(const SimPath& p);

    std::vector<std::unique_ptr<SimVolume>> m_volumes;
    std::vector<Event> m_events;
};

// Size in bytes of an item and everything below it.
std::int64_t ItemSize(const SimItem& item);

}  // namespace vantel::link::sim
