#include "dialog/journal_list.h"

#include <algorithm>
#include <cwctype>

#include <fmt/xchar.h>

#include "jobs/journal_format.h"
#include "platform/text.h"

namespace vantel {
namespace {


// Locale-independent for ASCII and Latin-1, where most of our text lives.
wchar_t Fold(wchar_t c) {
    if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

// needle is folded already.
bool ContainsFolded(std::wstring_view hay, std::wstring_view needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end(),
                       [](wchar_t h, wchar_t n) { return Fold(h) == n; }) != hay.end();
}

// The call is UTF-8; an ASCII needle never matches inside a multi-byte sequence, so it is
// searched as bytes without decoding.
bool CallContains(const std::string& call, std::wstring_view needle) {
    const bool ascii = std::all_of(needle.begin(), needle.end(), [](wchar_t c) { return c < 0x80; });
    if (!ascii) return ContainsFolded(FromUtf8(call), needle);
    return std::search(call.begin(), call.end(), needle.begin(), needle.end(), [](char h, wchar_t n) {
               return static_cast<wchar_t>(h >= 'A' && h <= 'Z' ? h + 32 : static_cast<unsigned char>(h)) == n;
           }) != call.end();
}

}  // namespace

std::wstring CellText(const JournalEntry& e, int column) {
    switch (column) {
        case kSeqColumn: return std::to_wstring(e.seq);
        case kTimeColumn: return FromUtf8(JournalClock(e.timeMs));
        case kKindColumn: return FromUtf8(KindName(e.kind));
        case kPathColumn: return CommandText(e.path, e.id);
        case kHandleColumn: return e.handle ? std::to_wstring(*e.handle) : std::wstring();
        case kTextColumn: return e.Summary();
        case kLatencyColumn: return e.latencyMs ? fmt::format(L"{} ms", *e.latencyMs) : std::wstring();
        default: return {};
    }
}

std::wstring FoldFilter(std::wstring_view typed) {
    std::wstring folded;
    for (const wchar_t c : typed) folded += Fold(c);
    return folded;
}

bool PassesFilter(const JournalEntry& e, int kindIndex, std::wstring_view folded) {
    if (kindIndex >= 0 && static_cast<int>(e.kind) != kindIndex) return false;
    if (folded.empty()) return true;
    return ContainsFolded(e.path, folded) || ContainsFolded(e.text, folded) || CallContains(e.call, folded);
}

std::wstring Grouped(std::uint64_t n) {
    std::wstring digits = std::to_wstring(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<std::size_t>(i), 1, L'.');
    }
    return digits;
}

std::wstring AgeText(std::int64_t ms) {
    if (ms < 0) return L"?";
    if (ms < 1000) return fmt::format(L"{} ms", ms);
    return fmt::format(L"{},{} s", ms / 1000, ms % 1000 / 100);
}

std::wstring CommandText(std::wstring_view path, int id) {
    if (!path.empty() || id == 0) return std::wstring(path);
    return fmt::format(L"Befehl {}", id);
}

std::wstring SlotText(int slot) {
    if (slot >= kShowTableSlotBase) return fmt::format(L"Show-Tabelle {}", slot - kShowTableSlotBase);
    return std::to_wstring(slot);
}

std::wstring DetailText(const JournalEntry& e) {
    std::wstring out = fmt::format(L"Nr. {}   {}   {}\n", e.seq, FromUtf8(JournalTime(e.timeMs)),
                                   FromUtf8(std::string(KindName(e.kind))));
    const auto line = [&out](std::wstring_view label, const std::wstring& value) {
        out += fmt::format(L"{:<11}{}\n", label, value);
    };
    if (!e.path.empty() || e.id != 0) {
        const bool both = e.id != 0 && !e.path.empty();
        line(L"Befehl:", both ? fmt::format(L"{} ({})", e.path, e.id) : CommandText(e.path, e.id));
    }
    if (e.handle) line(L"Handle:", std::to_wstring(*e.handle));
    if (e.slot) line(L"Slot:", SlotText(*e.slot));
    if (e.latencyMs) line(L"Latenz:", fmt::format(L"{} ms", *e.latencyMs));
    if (!e.call.empty()) line(L"Aufruf:", FromUtf8(e.call));
    if (e.ret) line(L"Rückgabe:", std::to_wstring(*e.ret));
    if (e.type) line(L"Meldung:", fmt::format(L"Typ {}, wParam {}", *e.type, e.wParam.value_or(0)));
    if (!e.type && e.wParam) line(L"wParam:", std::to_wstring(*e.wParam));
    for (std::size_t i = 0; i < e.params.size(); ++i) {
        line(i == 0 ? L"Parameter:" : L"", fmt::format(L"{:>2} {}", i + 1, e.params[i]));
    }
    if (!e.buttons.empty()) {
        std::wstring buttons;
        for (std::size_t i = 0; i < e.buttons.size(); ++i) buttons += (i ? L" | " : L"") + e.buttons[i];
        line(L"Knöpfe:", buttons);
    }
    if (e.answer) line(L"Antwort:", std::to_wstring(*e.answer));
    if (ShowsSomething(e.kind)) line(L"Gezeigt:", e.shown ? L"ja" : L"nein, nur im Protokoll");
    if (!e.text.empty()) {
        std::wstring text = e.text;
        std::erase(text, L'\r');
        out += L"\n" + text;
    }
    return out;
}

}  // namespace vantel
