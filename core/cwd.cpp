#include "core/cwd.h"

#include "core/decimal.h"
#include "core/file_text.h"
#include "core/process_table.h"
#include "core/text_lines.h"

#include <nlohmann/json.hpp>

namespace moorix::PortCore {

std::unordered_map<std::int32_t, std::string> cwdMap(std::string_view text) {
    std::unordered_map<std::int32_t, std::string> map;
    std::int32_t pid = 0;
    forEachLine(text, [&](std::string_view line) {
        if (line.front() == 'p') {
            pid = parseInt32(line.substr(1)).value_or(0);
        } else if (line.front() == 'n' && pid != 0) {
            map[pid] = std::string(line.substr(1));
        }
    });
    return map;
}

std::optional<std::string> manifestName(std::string_view manifest) {
    const auto json = nlohmann::json::parse(manifest, nullptr, false);
    if (!json.is_object()) return std::nullopt;
    const auto name = json.find("name");
    if (name == json.end() || !name->is_string()) return std::nullopt;
    return name->get<std::string>();
}

std::string projectName(const std::string& cwd) {
    if (const auto manifest = readRegularFile(cwd + "/package.json"))
        if (auto name = manifestName(*manifest)) return *std::move(name);
    return processName(cwd);
}

} // namespace moorix::PortCore
