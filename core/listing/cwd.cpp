#include "core/listing/cwd.h"

#include "core/platform/process_info.h"
#include "core/text/file_text.h"

#include <nlohmann/json.hpp>

namespace moorix::PortCore {

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
