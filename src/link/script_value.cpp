#include "link/script_value.h"

#include "platform/text.h"

namespace vantel::link {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class ValueReader {
public:
    ValueReader(std::string_view text, std::size_t firstColumn) : m_text(text), m_firstColumn(firstColumn) {}

    bool AtEnd() {
        SkipBlanks();
        return m_pos == m_text.size();
    }

    bool Read(Value& value, std::string& error) {
        SkipBlanks();
        if (Peek() == '[') return ReadArray(value, error);
        Scalar scalar;
        if (!ReadScalar(scalar, error)) return false;
        std::visit([&](auto&& v) { value = std::move(v); }, std::move(scalar));
        // A value ends at a blank or the line's end: "1"2 is a mistake, not two values.
        if (m_pos < m_text.size() && !IsBlank(m_text[m_pos])) return Fail(error, "expected a blank after a value");
        return true;
    }

private:
    char Peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    void SkipBlanks() {
        while (m_pos < m_text.size() && IsBlank(m_text[m_pos])) ++m_pos;
    }
    bool Fail(std::string& error, std::string what) const {
        error = std::move(what) + " at column " + std::to_string(m_pos + m_firstColumn);
        return false;
    }

    bool ReadScalar(Scalar& scalar, std::string& error) {
        if (Peek() == '"') return ReadString(scalar, error);
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !IsBlank(m_text[m_pos]) && m_text[m_pos] != ',' && m_text[m_pos] != ']' &&
               m_text[m_pos] != '[' && m_text[m_pos] != '"') {
            ++m_pos;
        }
        const std::string_view token = m_text.substr(start, m_pos - start);
        if (token == "true" || token == "false") {
            scalar = token == "true";
            return true;
        }
        Number number;
        if (!token.empty() && ParseNumber(token, number)) {
            scalar = number;
            return true;
        }
        m_pos = start;
        if (token.empty()) return Fail(error, "expected a value");
        return Fail(error, "not a value: " + std::string(token));
    }

    bool ReadString(Scalar& scalar, std::string& error) {
        const std::size_t open = m_pos++;
        std::string bytes;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') {
                scalar = FromUtf8(bytes);
                return true;
            }
            if (c != '\\') {
                bytes += c;
                continue;
            }
            switch (m_pos < m_text.size() ? m_text[m_pos] : '\0') {
                case 'n': bytes += '\n'; break;
                case 'r': bytes += '\r'; break;
                case 't': bytes += '\t'; break;
                case '\\': bytes += '\\'; break;
                case '"': bytes += '"'; break;
                default: --m_pos; return Fail(error, "unknown escape in a string");
            }
            ++m_pos;
        }
        m_pos = open;
        return Fail(error, "string without its closing quote");
    }

    bool ReadArray(Value& value, std::string& error) {
        ++m_pos;
        Array array;
        SkipBlanks();
        if (Peek() == ']') {
            ++m_pos;
            value = std::move(array);
            return true;
        }
        for (;;) {
            SkipBlanks();
            const std::size_t start = m_pos;
            Scalar item;
            if (Peek() == '[') return Fail(error, "arrays do not nest");
            if (!ReadScalar(item, error)) return false;
            if (!array.items.empty() && item.index() != array.items.front().index()) {
                m_pos = start;
                return Fail(error, "array elements of different kinds");
            }
            array.items.push_back(std::move(item));
            SkipBlanks();
            const char c = Peek();
            if (c == ']') {
                ++m_pos;
                break;
            }
            if (c != ',') return Fail(error, "expected , or ] in an array");
            ++m_pos;
        }
        if (m_pos < m_text.size() && !IsBlank(m_text[m_pos])) return Fail(error, "expected a blank after a value");
        value = std::move(array);
        return true;
    }

    std::string_view m_text;
    std::size_t m_firstColumn;
    std::size_t m_pos = 0;
};

}  // namespace

std::string EscapeText(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t plain = 0;  // start of the run not yet copied
    const auto flush = [&](std::size_t end) {
        if (end > plain) out += ToUtf8(text.substr(plain, end - plain));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* escape = nullptr;
        switch (text[i]) {
            case L'\n': escape = "\\n"; break;
            case L'\r': escape = "\\r"; break;
            case L'\t': escape = "\\t"; break;
            case L'\\': escape = "\\\\"; break;
            case L'"': escape = "\\\""; break;
            default: continue;
        }
        flush(i);
        out += escape;
        plain = i + 1;
    }
    flush(text.size());
    return out;
}

bool Number::Fits(unsigned bits) const {
    if (bits >= 64) return !negative || magnitude <= (std::uint64_t{1} << 63);
    if (negative) return magnitude <= (std::uint64_t{1} << (bits - 1));
    return magnitude <= (std::uint64_t{1} << bits) - 1;
}

bool ParseNumber(std::string_view token, Number& number) {
    Number n;
    if (!token.empty() && token.front() == '-') {
        n.negative = true;
        token.remove_prefix(1);
    }
    unsigned base = 10;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        base = 16;
        token.remove_prefix(2);
    }
    if (token.empty()) return false;
    for (char c : token) {
        const int d = HexDigit(c);
        if (d < 0 || static_cast<unsigned>(d) >= base) return false;
        if (n.magnitude > (UINT64_MAX - static_cast<unsigned>(d)) / base) return false;
        n.magnitude = n.magnitude * base + static_cast<unsigned>(d);
    }
    if (n.magnitude == 0) n.negative = false;
    number = n;
    return true;
}

bool ParseValues(std::string_view text, std::vector<Value>& values, std::string& error, std::size_t firstColumn) {
    ValueReader reader(text, firstColumn);
    std::vector<Value> parsed;
    while (!reader.AtEnd()) {
        Value v;
        if (!reader.Read(v, error)) return false;
        parsed.push_back(std::move(v));
    }
    values = std::move(parsed);
    return true;
}

}  // namespace vantel::link
