#include "app/cli/modes.h"

#include "core/json_text.h"
#include "core/listing.h"

#include <cstdio>

namespace moorix::cli {

int listMode() {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& entry : PortCore::listPorts()) list.push_back(toJson(entry));
    const std::string text = writeCompactJson(list).value_or("[]");
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

} // namespace moorix::cli
