#include "app/cli/modes.h"

#include "core/control/process_inspection.h"
#include "core/text/terminal_text.h"

#include <cstdio>
#include <string>

namespace moorix::cli {

int argvMode(std::int32_t pid) {
    const auto arguments = PortCore::argv(pid);
    if (!arguments) {
        std::fputs("no argv (gone, or not our uid)\n", stdout);
        return 1;
    }
    for (std::size_t index = 0; index < arguments->size(); ++index) {
        const std::string line =
            "[" + std::to_string(index) + "] " + terminalSafe((*arguments)[index]) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}

} // namespace moorix::cli
