// The file system as text, kept between runs.
#include "sim/model/files.h"

#include <algorithm>

#include "sim/model/model.h"
#include "platform/text.h"

namespace vantel::link::sim {

// ---------------------------------------------------------------------------------------
// Kept between runs

namespace {

constexpr std::string_view kStateHeader = "VANTEL-FS 1\n";

std::string Escape(std::wstring_view text) {
    std::string out;
    for (char c : ToUtf8(text)) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::wstring Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return TextFromBytes(out);
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            out.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

bool ToNumber(std::string_view text, std::uint64_t& out) {
    if (text.empty() || text.size() > 20) return false;
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

void SaveItem(const SimItem& item, const std::wstring& path, std::string& out) {
    // Lines escaped one per line: a line may hold a carriage return or a zero character,
    // which the plain content form would not bring back.
    std::string bytes;
    if (item.IsText()) {
        for (const auto& line : item.lines) bytes += Escape(line) + "\n";
    } else {
        bytes.assign(item.bytes.begin(), item.bytes.end());
    }
    out += "I\t" + Escape(path) + "\t" + std::to_string(static_cast<std::int32_t>(item.type)) + "\t" +
           std::to_string(item.attributes) + "\t" + std::to_string(item.created) + "\t" + std::to_string(item.modified) +
           "\t" + std::to_string(item.accessed) + "\t" + (item.analysedClean ? "1" : "0") + "\t" + Escape(item.user) + "\t" +
           Escape(item.comment) + "\t" + std::to_string(bytes.size()) + "\n";
    out.append(bytes.begin(), bytes.end());
    out += "\n";
    for (const auto& [key, value] : item.userAttributes) out += "A\t" + Escape(path) + "\t" + Escape(key) + "\t" + Escape(value) + "\n";
    for (const auto& [key, child] : item.children) SaveItem(*child, path + L"/" + child->name, out);
}

}  // namespace

std::string SimFileSystem::Save() const {
    std::string out(kStateHeader);
    for (const auto& v : m_volumes) {
        out += "V\t" + Escape(v->name) + "\t" + Escape(v->label) + "\t" + std::to_string(v->type) + "\t" +
               std::to_string(v->capacity) + "\n";
        for (const auto& [key, child] : v->root.children) SaveItem(*child, v->name + L":/" + child->name, out);
    }
    return out;
}

std::uint64_t SimFileSystem::StateLimit() const {
    std::uint64_t limit = 16ull << 20;
    for (const auto& v : m_volumes) limit += 2 * static_cast<std::uint64_t>(std::max<std::int64_t>(v->capacity, 0));
    return limit;
}

bool SimFileSystem::Load(std::string_view text) {
    if (!text.starts_with(kStateHeader)) return false;
    text.remove_prefix(kStateHeader.size());
    SimFileSystem loaded(0);
    loaded.m_volumes.clear();
    while (!text.empty()) {
        const auto eol = text.find('\n');
        if (eol == std::string_view::npos) return false;
        const auto f = Fields(text.substr(0, eol));
        text.remove_prefix(eol + 1);
        std::uint64_t n[7] = {};
        if (f[0] == "V" && f.size() == 5 && ToNumber(f[3], n[0]) && ToNumber(f[4], n[1]) && n[0] <= 3 && n[1] <= (1ull << 40)) {
            auto v = std::make_unique<SimVolume>();
            v->name = Upper(Unescape(f[1]));
            v->label = Unescape(f[2]);
            v->type = static_cast<std::int32_t>(n[0]);
            v->capacity = static_cast<std::int64_t>(n[1]);
            v->root.type = ItemType::Folder;
            if (v->name.empty() || loaded.Volume(v->name) != nullptr) return false;
            loaded.m_volumes.push_back(std::move(v));
        } else if (f[0] == "I" && f.size() == 11 && ToNumber(f[2], n[0]) && n[0] <= 3 && ToNumber(f[3], n[1]) &&
                   ToNumber(f[4], n[2]) && ToNumber(f[5], n[3]) && ToNumber(f[6], n[4]) && ToNumber(f[10], n[5]) &&
                   n[5] < text.size() && text[n[5]] == '\n') {
            const auto p = ParsePath(Unescape(f[1]));
            if (!p || p->parts.empty() || loaded.Volume(p->volume) == nullptr || loaded.Parent(*p) == nullptr) return false;
            auto item = SimItem::Make(p->parts.back(), static_cast<ItemType>(n[0]), n[2]);
            item->attributes = static_cast<std::uint32_t>(n[1]);
            item->modified = n[3];
            item->accessed = n[4];
            item->analysedClean = f[7] == "1";
            item->user = Unescape(f[8]);
            item->comment = Unescape(f[9]);
            const std::string_view content = text.substr(0, static_cast<std::size_t>(n[5]));
            if (item->IsText()) {
                if (!content.empty() && content.back() != '\n') return false;
                for (std::size_t at = 0; at < content.size();) {
                    const auto end = content.find('\n', at);
                    item->lines.push_back(Unescape(content.substr(at, end - at)));
                    at = end + 1;
                }
            } else {
                item->bytes.assign(content.begin(), content.end());
            }
            text.remove_prefix(static_cast<std::size_t>(n[5]) + 1);
            loaded.Parent(*p)->children[Upper(p->parts.back())] = std::move(item);
        } else if (f[0] == "A" && f.size() == 4) {
            SimItem* item = loaded.Find(Unescape(f[1]));
            if (item == nullptr) return false;
            item->userAttributes[Upper(Unescape(f[2]))] = Unescape(f[3]);
        } else {
            return false;
        }
    }
    if (loaded.m_volumes.empty()) return false;
    m_volumes = std::move(loaded.m_volumes);
    m_events.clear();
    return true;
}

}  // namespace vantel::link::sim
