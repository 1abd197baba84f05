#include "core/history/port_event.h"

#include "core/text/json_text.h"
#include "core/text/utf8.h"

#include <limits>

namespace moorix {

namespace {

// Reads exactly the compact form that encodeEventLine writes. Anything else (another key order, blanks,
// escapes other than \/ \" \\, fractions, unknown keys) is left to the general JSON reader, so this
// path never accepts a line that the general reader would reject or read differently.
class CanonicalReader {
public:
    explicit CanonicalReader(std::string_view line) : m_text(line) {}

    bool read(PortEvent& event) {
        std::string_view text;
        if (!literal("{\"at\":") || !plain(text)) return false;
        const auto at = parseIsoInstant(text);
        if (!at || !literal(",\"action\":") || !plain(text)) return false;
        const auto action = eventActionFromRaw(text);
        std::int64_t pid = 0;
        if (!action || !literal(",\"port\":") || !integer(event.port) || !literal(",\"pid\":") ||
            !integer(pid) || pid < std::numeric_limits<std::int32_t>::min() ||
            pid > std::numeric_limits<std::int32_t>::max())
            return false;
        event.at = *at;
        event.action = *action;
        event.pid = static_cast<std::int32_t>(pid);
        if (!literal(",\"command\":") || !string(event.command) || !literal(",\"parentChain\":") ||
            !strings(event.parentChain) || !literal(",\"user\":") || !string(event.user) ||
            !literal(",\"address\":") || !string(event.address))
            return false;
        event.cwd.reset();
        event.project.reset();
        event.argv.reset();
        event.ending.reset();
        if (literal(",\"cwd\":") && !string(event.cwd.emplace())) return false;
        if (literal(",\"project\":") && !string(event.project.emplace())) return false;
        if (literal(",\"argv\":") && !strings(event.argv.emplace())) return false;
        if (literal(",\"ending\":")) {
            if (!plain(text)) return false;
            event.ending = endingFromRaw(text);
            if (!event.ending) return false;
        }
        return literal("}") && m_at == m_text.size();
    }

private:
    bool literal(std::string_view expected) {
        if (m_text.compare(m_at, expected.size(), expected) != 0) return false;
        m_at += expected.size();
        return true;
    }

    bool string(std::string& out) {
        out.clear();
        if (!literal("\"")) return false;
        bool wide = false;
        while (m_at < m_text.size()) {
            std::size_t run = m_at;
            while (run < m_text.size()) {
                const auto c = static_cast<unsigned char>(m_text[run]);
                if (c == '"' || c == '\\' || c < 0x20) break;
                wide |= c >= 0x80;
                ++run;
            }
            out.append(m_text, m_at, run - m_at);
            m_at = run;
            if (m_at >= m_text.size()) return false;
            const char c = m_text[m_at];
            if (c == '"') {
                ++m_at;
                return !wide || isValidUtf8(out);
            }
            if (c != '\\' || m_at + 1 >= m_text.size()) return false;
            const char escaped = m_text[m_at + 1];
            if (escaped != '/' && escaped != '"' && escaped != '\\') return false;
            out += escaped;
            m_at += 2;
        }
        return false;
    }

    // A string of printable ASCII without escapes, which is all an instant or a name of this program holds;
    // any other is left to the general reader.
    bool plain(std::string_view& out) {
        if (!literal("\"")) return false;
        const std::size_t start = m_at;
        while (m_at < m_text.size()) {
            const auto c = static_cast<unsigned char>(m_text[m_at]);
            if (c == '"') {
                out = m_text.substr(start, m_at++ - start);
                return true;
            }
            if (c == '\\' || c < 0x20 || c >= 0x80) return false;
            ++m_at;
        }
        return false;
    }

    bool strings(std::vector<std::string>& out) {
        out.clear();
        if (!literal("[")) return false;
        if (literal("]")) return true;
        out.reserve(4); // a parent chain or a command line is rarely longer; spares the first regrowths
        do {
            if (!string(out.emplace_back())) return false;
        } while (literal(","));
        return literal("]");
    }

    bool integer(std::int64_t& out) {
        const bool negative = literal("-");
        const std::size_t start = m_at;
        std::uint64_t magnitude = 0;
        while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
            if (magnitude > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return false;
            magnitude = magnitude * 10 + static_cast<std::uint64_t>(m_text[m_at] - '0');
            ++m_at;
        }
        const std::size_t length = m_at - start;
        if (length == 0 || (length > 1 && m_text[start] == '0')) return false;
        constexpr auto limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        if (magnitude > limit) return false; // leaves the most negative value to the general reader
        out = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        return true;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

const nlohmann::json* member(const nlohmann::json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

bool readText(const nlohmann::json* value, std::string& out) {
    if (!value || !value->is_string()) return false;
    out = value->get<std::string>();
    return true;
}

bool readTexts(const nlohmann::json* value, std::vector<std::string>& out) {
    if (!value || !value->is_array()) return false;
    for (const auto& item : *value) {
        if (!item.is_string()) return false;
        out.push_back(item.get<std::string>());
    }
    return true;
}

std::optional<std::int64_t> readInteger(const nlohmann::json* value) {
    if (!value || !value->is_number_integer()) return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto magnitude = value->get<std::uint64_t>();
        if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(magnitude);
    }
    return value->get<std::int64_t>();
}

std::optional<PortEvent> decodeObject(const nlohmann::json& value) {
    if (!value.is_object()) return std::nullopt;
    PortEvent event;
    std::string text;
    if (!readText(member(value, "at"), text)) return std::nullopt;
    const auto at = parseIsoInstant(text);
    if (!at || !readText(member(value, "action"), text)) return std::nullopt;
    const auto action = eventActionFromRaw(text);
    const auto port = readInteger(member(value, "port"));
    const auto pid = readInteger(member(value, "pid"));
    if (!action || !port || !pid || *pid < std::numeric_limits<std::int32_t>::min() ||
        *pid > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    event.at = *at;
    event.action = *action;
    event.port = *port;
    event.pid = static_cast<std::int32_t>(*pid);
    if (!readText(member(value, "command"), event.command) ||
        !readTexts(member(value, "parentChain"), event.parentChain) ||
        !readText(member(value, "user"), event.user) || !readText(member(value, "address"), event.address))
        return std::nullopt;
    if (const auto* cwd = member(value, "cwd"); cwd && !readText(cwd, event.cwd.emplace()))
        return std::nullopt;
    if (const auto* project = member(value, "project");
        project && !readText(project, event.project.emplace()))
        return std::nullopt;
    if (const auto* argv = member(value, "argv"); argv && !readTexts(argv, event.argv.emplace()))
        return std::nullopt;
    if (const auto* ending = member(value, "ending")) {
        if (!readText(ending, text)) return std::nullopt;
        event.ending = endingFromRaw(text);
        if (!event.ending) return std::nullopt;
    }
    return event;
}

} // namespace

std::string_view rawValue(EventAction action) { return action == EventAction::Closed ? "closed" : "opened"; }

std::string_view rawValue(Ending ending) {
    switch (ending) {
    case Ending::KilledByMoorix:
        return "killedByMoorix";
    case Ending::ParentExited:
        return "parentExited";
    case Ending::Unexpected:
        return "unexpected";
    }
    return "unexpected";
}

std::optional<EventAction> eventActionFromRaw(std::string_view raw) {
    if (raw == "opened") return EventAction::Opened;
    if (raw == "closed") return EventAction::Closed;
    return std::nullopt;
}

std::optional<Ending> endingFromRaw(std::string_view raw) {
    for (Ending ending : {Ending::KilledByMoorix, Ending::ParentExited, Ending::Unexpected})
        if (raw == rawValue(ending)) return ending;
    return std::nullopt;
}

std::string PortEvent::root() const { return parentChain.empty() ? command : parentChain.back(); }

std::optional<nlohmann::ordered_json> toJson(const PortEvent& event) {
    auto at = formatIsoInstant(event.at);
    if (!at) return std::nullopt;
    nlohmann::ordered_json object;
    object["at"] = std::move(*at);
    object["action"] = rawValue(event.action);
    object["port"] = event.port;
    object["pid"] = event.pid;
    object["command"] = event.command;
    object["parentChain"] = event.parentChain;
    object["user"] = event.user;
    object["address"] = event.address;
    if (event.cwd) object["cwd"] = *event.cwd;
    if (event.project) object["project"] = *event.project;
    if (event.argv) object["argv"] = *event.argv;
    if (event.ending) object["ending"] = rawValue(*event.ending);
    return object;
}

std::optional<std::string> encodeEventLine(const PortEvent& event) {
    const auto object = toJson(event);
    if (!object) return std::nullopt;
    return writeCompactJson(*object);
}

std::optional<PortEvent> portEventFromJson(const nlohmann::json& value) {
    try {
        return decodeObject(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool decodeEventLine(std::string_view line, PortEvent& event) {
    try {
        if (CanonicalReader(line).read(event)) return true;
        const auto value = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
        if (value.is_discarded()) return false;
        auto decoded = decodeObject(value);
        if (!decoded) return false;
        event = std::move(*decoded);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<PortEvent> decodeEventLine(std::string_view line) {
    PortEvent event;
    if (!decodeEventLine(line, event)) return std::nullopt;
    return event;
}

} // namespace moorix
