#include "commands/hints.h"

#include <algorithm>
#include <string_view>

namespace vantel::hint {
namespace {

constexpr std::wstring_view kDash = L" \u2014 ";
constexpr std::wstring_view kDot = L" \u00b7 ";
constexpr std::wstring_view kArrow = L" \u2192 ";

std::wstring WithoutAmpersands(std::wstring_view text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;  // "&&" stands for one '&'
        out += text[i];
    }
    return out;
}

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

std::wstring CallName(link::CallId call) {
    const std::string_view name = link::kCallNames[static_cast<std::size_t>(call)];
    return std::wstring(name.begin(), name.end());
}

// The short form's note after a field's name, where the name alone would mislead.
std::wstring Note(const ArgSource& s) {
    switch (s.as) {
        case ReadAs::Hex: return L" (hex)";
        case ReadAs::NonZero: return L" (0/1)";
        case ReadAs::Is: return s.text == L"1" ? L" (0/1)" : L" (" + Quoted(s.text) + L" = 1)";
        case ReadAs::IsNot: return L" (" + Quoted(s.text) + L" = 0)";
        case ReadAs::List: return L" (a|b|\u2026)";
        default: return L"";
    }
}

std::vector<const ArgSource*> FieldReads(const CommandRow& row) {
    std::vector<const ArgSource*> reads;
    for (const ArgSource& s : row.reads) {
        if (s.field != 0) reads.push_back(&s);
    }
    std::stable_sort(reads.begin(), reads.end(), [](const ArgSource* a, const ArgSource* b) { return a->field < b->field; });
    return reads;
}

}  // namespace

std::wstring Title(const CommandRow& row) {
    if (row.kind == RowKind::Hidden) return L"Command " + std::to_wstring(row.id);
    const std::size_t cut = row.path.rfind(L'/');
    return WithoutAmpersands(cut == std::wstring_view::npos ? row.path : row.path.substr(cut + 1));
}

std::wstring Place(const CommandRow& row) {
    if (row.kind == RowKind::Hidden) return L"hidden";
    std::wstring out;
    std::wstring_view rest = row.path;
    while (true) {
        const std::size_t cut = rest.find(L'/');
        out += WithoutAmpersands(rest.substr(0, cut));
        if (cut == std::wstring_view::npos) break;
        out += L" > ";
        rest.remove_prefix(cut + 1);
    }
    return out;
}

std::wstring ArgumentName(const ArgSource& s) {
    if (s.position < 0) return std::wstring(s.name);
    const auto names = link::ArgumentNames(s.call);
    const auto position = static_cast<std::size_t>(s.position);
    return position < names.size() ? std::wstring(names[position]) : L"argument " + std::to_wstring(s.position + 1);
}

std::wstring ReaderText(const ArgSource& s) {
    const std::wstring note = s.text.empty() ? L"" : L", " + std::wstring(s.text);
    switch (s.as) {
        case ReadAs::Text: return L"text";
        case ReadAs::Short: return L"%hd" + note;
        case ReadAs::Long: return L"%ld" + note;
        case ReadAs::Unsigned: return L"%lu" + note;
        case ReadAs::LongBits: return L"%ld as unsigned";
        case ReadAs::Hex: return L"%lx";
        case ReadAs::Is: return L"exactly " + Quoted(s.text) + std::wstring(kArrow) + L"1, else 0";
        case ReadAs::IsNot: return L"exactly " + Quoted(s.text) + std::wstring(kArrow) + L"0, else 1";
        case ReadAs::NonZero: return L"%ld, not 0" + std::wstring(kArrow) + L"1";
        case ReadAs::List: return L"list, cut at |";
        case ReadAs::Derived: return std::wstring(s.text);
        case ReadAs::Fixed:
        case ReadAs::FixedText:
        case ReadAs::Own:
        case ReadAs::Call: break;
    }
    return L"";
}

std::wstring ConstantText(const ArgSource& s) {
    switch (s.as) {
        case ReadAs::Fixed: return std::to_wstring(s.value);
        case ReadAs::FixedText: return Quoted(s.text);
        default: return std::wstring(s.text);
    }
}

std::wstring Constants(const CommandRow& row) {
    std::wstring out;
    for (const ArgSource& s : row.reads) {
        if (s.field != 0 || s.as == ReadAs::Call) continue;
        if (!out.empty()) out += L", ";
        out += ArgumentName(s) + L" = " + ConstantText(s);
    }
    return out;
}

std::wstring Calls(const CommandRow& row) {
    std::wstring out;
    for (const ArgSource& s : row.reads) {
        if (s.as != ReadAs::Call) continue;
        if (!out.empty()) out += L", ";
        out += CallName(s.call);
    }
    return out;
}

std::wstring Short(const CommandRow& row) {
    std::wstring out = Title(row) + std::wstring(kDash);
    const auto reads = FieldReads(row);
    if (reads.empty()) {
        const std::wstring calls = Calls(row);
        if (calls.empty()) return out + L"does nothing";
        const std::wstring constants = Constants(row);
        return out + calls + (constants.empty() ? L", no fields" : L": " + constants);
    }
    int field = 0;
    for (const ArgSource* s : reads) {
        if (s->field == field) {
            out += L" + " + ArgumentName(*s) + Note(*s);
            continue;
        }
        if (field != 0) out += kDot;
        field = s->field;
        out += std::to_wstring(field) + L" " + ArgumentName(*s) + Note(*s);
    }
    return out;
}

std::wstring Full(const CommandRow& row) {
    const std::wstring calls = Calls(row);
    std::wstring out = Title(row) + (calls.empty() ? L": does nothing" : L": " + calls);
    for (const ArgSource* s : FieldReads(row)) {
        out += L"\n" + std::to_wstring(s->field) + L" " + ArgumentName(*s) + L": " + ReaderText(*s);
    }
    const std::wstring constants = Constants(row);
    if (!constants.empty()) out += L"\nalways: " + constants;
    return out;
}

std::wstring FieldUse(const CommandRow& row, int n) {
    std::wstring out;
    for (const ArgSource& s : row.reads) {
        if (s.field != n) continue;
        if (!out.empty()) out += L", ";
        out += ArgumentName(s) + L" (" + ReaderText(s) + L")";
    }
    return out;
}

}  // namespace vantel::hint
