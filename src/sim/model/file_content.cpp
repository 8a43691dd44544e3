// Names and bytes: paths, item contents as bytes, their CRC.
#include "sim/model/files.h"

#include <zlib.h>

#include <algorithm>

#include "sim/model/model.h"
#include "platform/text.h"

namespace vantel::link::sim {
namespace {

constexpr std::size_t kMaxDepth = 16;

bool IsSep(wchar_t c) { return c == L'/' || c == L'\\'; }

}  // namespace

bool ValidItemName(std::wstring_view name) {
    if (name.empty() || name.size() > kMaxText || name == L"." || name == L"..") return false;
    return std::none_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x20 || c == L':' || IsSep(c) || c == L'*' || c == L'?'; });
}

// ---------------------------------------------------------------------------------------
// Names and bytes

std::wstring SimPath::Text() const {
    std::wstring t = volume + L":";
    if (parts.empty()) return t + L"/";
    for (const auto& p : parts) t += L"/" + Upper(p);
    return t;
}

std::optional<SimPath> ParsePath(std::wstring_view text) {
    if (text.size() > 1024) return std::nullopt;
    SimPath p;
    const auto colon = text.find(L':');
    if (colon != std::wstring_view::npos) {
        p.volume = Upper(text.substr(0, colon));
        if (p.volume.empty() || std::any_of(p.volume.begin(), p.volume.end(), IsSep)) return std::nullopt;
        text.remove_prefix(colon + 1);
    } else {
        p.volume = L"USER";
    }
    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t j = i;
        while (j < text.size() && !IsSep(text[j])) ++j;
        const std::wstring_view part = text.substr(i, j - i);
        if (!part.empty() && part != L".") {
            if (!ValidItemName(part)) return std::nullopt;
            p.parts.emplace_back(part);
        }
        i = j + 1;
    }
    if (p.parts.size() > kMaxDepth) return std::nullopt;
    return p;
}

std::wstring TextFromBytes(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::uint32_t c = 0;
        std::size_t n = 0;
        if (b < 0x80) c = b, n = 1;
        else if ((b & 0xE0) == 0xC0) c = b & 0x1F, n = 2;
        else if ((b & 0xF0) == 0xE0) c = b & 0x0F, n = 3;
        else if ((b & 0xF8) == 0xF0) c = b & 0x07, n = 4;
        bool ok = n != 0 && i + n <= text.size();
        for (std::size_t k = 1; ok && k < n; ++k) {
            const auto cb = static_cast<unsigned char>(text[i + k]);
            if ((cb & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (cb & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8 either.
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
        // Bytes that are not UTF-8 are taken as Latin-1, so nothing is lost on the way in.
        if (!ok) c = b, n = 1;
        out += static_cast<wchar_t>(c);
        i += n;
    }
    return out;
}

std::vector<std::uint8_t> ContentBytes(const SimItem& item) {
    if (!item.IsText()) return item.bytes;
    std::vector<std::uint8_t> out;
    for (const auto& line : item.lines) {
        const std::string utf8 = ToUtf8(line);
        out.insert(out.end(), utf8.begin(), utf8.end());
        out.push_back('\n');
    }
    return out;
}

void SetContentBytes(SimItem& item, std::span<const std::uint8_t> bytes) {
    if (!item.IsText()) {
        item.bytes.assign(bytes.begin(), bytes.end());
        return;
    }
    item.lines.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        const bool end = i == bytes.size();
        if (!end && bytes[i] != '\n' && bytes[i] != 0) continue;
        if (end && start == i) break;
        std::size_t stop = i;
        if (stop > start && bytes[stop - 1] == '\r') --stop;
        item.lines.push_back(TextFromBytes({reinterpret_cast<const char*>(bytes.data()) + start, stop - start}));
        start = i + 1;
    }
}

std::vector<std::uint8_t> MemoryBytes(const SimItem& item) {
    if (!item.IsText()) return item.bytes;
    std::vector<std::uint8_t> out;
    for (const auto& line : item.lines) {
        const std::string utf8 = ToUtf8(line);
        out.insert(out.end(), utf8.begin(), utf8.end());
        out.push_back(0);
    }
    return out;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes a 32-bit length; feed big buffers in pieces.
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t n = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        crc = crc32(crc, bytes.data() + done, static_cast<uInt>(n));
        done += n;
    }
    return static_cast<std::uint32_t>(crc);
}

ItemType TypeForName(std::wstring_view name) {
    const std::wstring up = Upper(name);
    const auto ends = [&](std::wstring_view ext) { return up.size() > ext.size() && up.ends_with(ext); };
    if (ends(L".SRC")) return ItemType::Module;
    if (ends(L".DAT")) return ItemType::Data;
    return ItemType::File;
}

std::int64_t ItemSize(const SimItem& item) {
    if (item.type == ItemType::Folder) {
        std::int64_t n = 0;
        for (const auto& [key, child] : item.children) n += ItemSize(*child);
        return n;
    }
    if (!item.IsText()) return static_cast<std::int64_t>(item.bytes.size());
    std::int64_t n = 0;
    for (const auto& line : item.lines) n += static_cast<std::int64_t>(ToUtf8(line).size()) + 1;
    return n;
}

}  // namespace vantel::link::sim
