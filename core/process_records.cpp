#include "core/process_records.h"

#include "core/decimal.h"
#include "core/text_lines.h"
#include "core/utf8.h"

#include <cstring>
#include <limits>

namespace moorix::PortCore {

std::optional<std::vector<std::string>> parseArgumentArea(std::string_view area) {
    std::int32_t argc = 0;
    if (area.size() < sizeof argc + 1) return std::nullopt;
    std::memcpy(&argc, area.data(), sizeof argc);
    if (argc < 1) return std::nullopt;
    std::size_t at = sizeof argc;
    at = std::min(area.find('\0', at), area.size());
    while (at < area.size() && area[at] == '\0') ++at;

    std::vector<std::string> arguments;
    while (arguments.size() < static_cast<std::size_t>(argc) && at < area.size()) {
        const std::size_t end = std::min(area.find('\0', at), area.size());
        arguments.push_back(repairUtf8(area.substr(at, end - at)));
        at = end + 1;
    }
    if (arguments.size() != static_cast<std::size_t>(argc)) return std::nullopt;
    return arguments;
}

std::optional<std::vector<std::string>> parseCmdline(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    // The kernel ends every argument with a NUL; a process that rewrote its arguments may not.
    if (bytes.back() == '\0') bytes.remove_suffix(1);
    std::vector<std::string> arguments;
    for (;;) {
        const std::size_t end = bytes.find('\0');
        arguments.push_back(repairUtf8(bytes.substr(0, end)));
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return arguments;
}

std::optional<std::uint32_t> parseStatusEffectiveUid(std::string_view status) {
    std::optional<std::uint32_t> uid;
    forEachLine(status, [&](std::string_view line) {
        constexpr std::string_view key = "Uid:";
        if (uid || !line.starts_with(key)) return;
        line.remove_prefix(key.size());
        // Real, effective, saved and file-system uid, separated by tabs.
        std::string_view fields[2];
        for (auto& field : fields) {
            const std::size_t start = line.find_first_not_of(" \t");
            if (start == std::string_view::npos) return;
            line.remove_prefix(start);
            field = line.substr(0, line.find_first_of(" \t"));
            line.remove_prefix(field.size());
        }
        const auto value = parseInt64(fields[1]);
        if (value && *value >= 0 && *value <= std::numeric_limits<std::uint32_t>::max())
            uid = static_cast<std::uint32_t>(*value);
    });
    return uid;
}

std::optional<std::uint64_t> parseStatStartTime(std::string_view stat) {
    const std::size_t close = stat.rfind(')');
    if (close == std::string_view::npos) return std::nullopt;
    stat.remove_prefix(close + 1);
    // After the name come the state (field 3) and then numbers; the start time is the 20th field after it.
    constexpr int fieldsAfterName = 20;
    std::string_view field;
    for (int index = 0; index < fieldsAfterName; ++index) {
        const std::size_t start = stat.find_first_not_of(' ');
        if (start == std::string_view::npos) return std::nullopt;
        stat.remove_prefix(start);
        field = stat.substr(0, stat.find(' '));
        stat.remove_prefix(field.size());
    }
    const auto value = parseInt64(field);
    if (!value || *value < 0) return std::nullopt;
    return static_cast<std::uint64_t>(*value);
}

} // namespace moorix::PortCore
