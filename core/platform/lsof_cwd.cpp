#include "core/platform/lsof_cwd.h"

#include "core/text/decimal.h"
#include "core/text/text_lines.h"

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

} // namespace moorix::PortCore
