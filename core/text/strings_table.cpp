#include "core/text/strings_table.h"

#include <cstdint>
#include <optional>

namespace moorix {

namespace {

class Reader {
public:
    explicit Reader(std::string_view source) : m_text(source) {
        if (m_text.starts_with("\xEF\xBB\xBF")) m_at = 3;
    }

    StringsParse parse() {
        StringsParse result;
        for (;;) {
            if (!skipBlanksAndComments()) {
                result.errors.push_back({m_line, "unterminated comment"});
                break;
            }
            if (m_at >= m_text.size()) break;
            const std::size_t start = m_at;
            const int startLine = m_line;
            std::string error;
            if (auto entry = readEntry(error)) {
                if (result.table.contains(entry->first))
                    result.errors.push_back({startLine, "duplicate key \"" + entry->first + "\""});
                result.table.insert_or_assign(std::move(entry->first), std::move(entry->second));
                continue;
            }
            result.errors.push_back({startLine, error});
            resumeAfterLineOf(start, startLine);
        }
        return result;
    }

private:
    using Entry = std::pair<std::string, std::string>;

    std::optional<Entry> readEntry(std::string& error) {
        auto key = readQuoted(error);
        if (!key) return std::nullopt;
        if (!expect('=', error)) return std::nullopt;
        auto value = readQuoted(error);
        if (!value) return std::nullopt;
        if (!expect(';', error)) return std::nullopt;
        return Entry{std::move(*key), std::move(*value)};
    }

    bool expect(char wanted, std::string& error) {
        if (skipBlanksAndComments() && m_at < m_text.size() && m_text[m_at] == wanted) {
            ++m_at;
            return true;
        }
        error = std::string("expected '") + wanted + "'";
        return false;
    }

    std::optional<std::string> readQuoted(std::string& error) {
        if (!skipBlanksAndComments() || m_at >= m_text.size() || m_text[m_at] != '"') {
            error = "expected a quoted text";
            return std::nullopt;
        }
        ++m_at;
        std::string out;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"') return out;
            if (c == '\n') ++m_line;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size()) break;
            const char escaped = m_text[m_at++];
            switch (escaped) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '0':
                out += '\0';
                break;
            case 'U':
            case 'u':
                if (!readCodePoint(out)) {
                    error = "bad \\U escape";
                    return std::nullopt;
                }
                break;
            case '\n':
                ++m_line;
                out += escaped;
                break;
            default:
                out += escaped;
                break;
            }
        }
        error = "unterminated text";
        return std::nullopt;
    }

    // Four hex digits of UTF-16; a high surrogate takes its low half from a following \Uhhhh.
    bool readCodePoint(std::string& out) {
        auto unit = readHex4();
        if (!unit) return false;
        std::uint32_t code = *unit;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (m_text.substr(m_at, 2) != "\\U" && m_text.substr(m_at, 2) != "\\u") return false;
            m_at += 2;
            const auto low = readHex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        appendUtf8(out, code);
        return true;
    }

    std::optional<std::uint32_t> readHex4() {
        if (m_at + 4 > m_text.size()) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at + static_cast<std::size_t>(i)];
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return std::nullopt;
            value = value * 16 + digit;
        }
        m_at += 4;
        return value;
    }

    static void appendUtf8(std::string& out, std::uint32_t code) {
        const auto byte = [&](std::uint32_t b) { out += static_cast<char>(b); };
        if (code < 0x80) {
            byte(code);
        } else if (code < 0x800) {
            byte(0xC0 | (code >> 6));
            byte(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            byte(0xE0 | (code >> 12));
            byte(0x80 | ((code >> 6) & 0x3F));
            byte(0x80 | (code & 0x3F));
        } else {
            byte(0xF0 | (code >> 18));
            byte(0x80 | ((code >> 12) & 0x3F));
            byte(0x80 | ((code >> 6) & 0x3F));
            byte(0x80 | (code & 0x3F));
        }
    }

    // False when a block comment runs to the end of the text.
    bool skipBlanksAndComments() {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '\n') {
                ++m_line;
                ++m_at;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++m_at;
            } else if (m_text.substr(m_at, 2) == "//") {
                const std::size_t end = m_text.find('\n', m_at);
                m_at = end == std::string_view::npos ? m_text.size() : end;
            } else if (m_text.substr(m_at, 2) == "/*") {
                const std::size_t end = m_text.find("*/", m_at + 2);
                if (end == std::string_view::npos) {
                    m_at = m_text.size();
                    return false;
                }
                for (std::size_t i = m_at; i < end; ++i)
                    if (m_text[i] == '\n') ++m_line;
                m_at = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    void resumeAfterLineOf(std::size_t start, int startLine) {
        const std::size_t end = m_text.find('\n', start);
        m_at = end == std::string_view::npos ? m_text.size() : end + 1;
        m_line = startLine + 1;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    int m_line = 1;
};

} // namespace

StringsParse parseStringsTable(std::string_view source) { return Reader(source).parse(); }

} // namespace moorix
