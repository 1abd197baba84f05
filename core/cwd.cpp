#include "core/cwd.h"

#include "core/decimal.h"
#include "core/process_table.h"
#include "core/text_lines.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

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

namespace {

std::optional<std::string> readRegularFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (file.bad()) return std::nullopt;
    return std::move(bytes).str();
}

} // namespace

std::string projectName(const std::string& cwd) {
    if (auto manifest = readRegularFile(cwd + "/package.json")) {
        const auto json = nlohmann::json::parse(*manifest, nullptr, false);
        if (json.is_object()) {
            auto name = json.find("name");
            if (name != json.end() && name->is_string()) return name->get<std::string>();
        }
    }
    return processName(cwd);
}

} // namespace moorix::PortCore
