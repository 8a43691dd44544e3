#include "batch/command_list.h"

#include <nlohmann/json.hpp>

#include "commands/hints.h"
#include "jobs/slots.h"
#include "platform/text.h"

namespace vantel::batch {
namespace {

bool Listed(const CommandRow& row) {
    return row.kind == RowKind::Item || row.kind == RowKind::Button || row.kind == RowKind::Hidden;
}

const char* KindName(RowKind kind) {
    switch (kind) {
        case RowKind::Button: return "button";
        case RowKind::Hidden: return "hidden";
        default: return "item";
    }
}

std::string SlotText(const CommandRow& row) {
    if (row.slot == kShowTable) return "show table";
    if (row.slot == kNoSlot) return row.direct != nullptr ? "answered at once" : "no job";
    return "slot " + std::to_string(row.slot);
}

}  // namespace

void WriteCommandList(std::ostream& out, CommandRows rows) {
    for (const CommandRow& row : rows) {
        if (!Listed(row)) continue;
        std::wstring fields;
        for (int n = 1; n <= 10; ++n) {
            const std::wstring use = hint::FieldUse(row, n);
            if (use.empty()) continue;
            fields += (fields.empty() ? L"" : L", ") + std::to_wstring(n) + L" " + use;
        }
        const std::wstring calls = hint::Calls(row), constants = hint::Constants(row);
        out << row.id << ' ' << KindName(row.kind);
        if (row.kind != RowKind::Hidden) out << ' ' << ToUtf8(hint::Place(row));
        out << " | " << (calls.empty() ? "nothing" : ToUtf8(calls))
            << " | fields: " << (fields.empty() ? "none" : ToUtf8(fields));
        if (!constants.empty()) out << " | always: " << ToUtf8(constants);
        out << " | " << SlotText(row) << " | " << (row.busyCheck ? "checks busy" : "no busy check") << '\n';
    }
}

void WriteCommandJson(std::ostream& out, CommandRows rows) {
    using json = nlohmann::ordered_json;  // keys in the order written: id first
    json list = json::array();
    for (const CommandRow& row : rows) {
        if (!Listed(row)) continue;
        json calls = json::array(), fields = json::array(), constants = json::array();
        for (const ArgSource& s : row.reads) {
            if (s.as == ReadAs::Call) {
                calls.push_back(link::kCallNames[static_cast<std::size_t>(s.call)]);
            } else if (s.field != 0) {
                fields.push_back({{"field", s.field},
                                  {"argument", ToUtf8(hint::ArgumentName(s))},
                                  {"reader", ToUtf8(hint::ReaderText(s))}});
            } else if (s.as == ReadAs::Fixed) {
                constants.push_back({{"argument", ToUtf8(hint::ArgumentName(s))}, {"value", s.value}});
            } else if (s.as == ReadAs::FixedText) {
                constants.push_back({{"argument", ToUtf8(hint::ArgumentName(s))}, {"value", ToUtf8(s.text)}});
            } else {  // supplied by the console: no value to state
                constants.push_back({{"argument", ToUtf8(hint::ArgumentName(s))},
                                     {"value", nullptr},
                                     {"supplied", ToUtf8(s.text)}});
            }
        }
        json entry = {{"id", row.id},
                      {"kind", KindName(row.kind)},
                      {"path", ToUtf8(hint::Place(row))},
                      {"hint", ToUtf8(hint::Short(row))},
                      {"calls", calls},
                      {"slot", row.slot == kNoSlot ? json(nullptr) : json(row.slot)},
                      {"busy_check", row.busyCheck},
                      {"fields", fields},
                      {"constants", constants}};
        list.push_back(std::move(entry));
    }
    out << list.dump(2) << '\n';
}

}  // namespace vantel::batch
