#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moorix {

// The pids as the "-p" option of ps and lsof takes them: decimal, joined with ",". Pids below 1 name no
// single process (and "-5" would read as an option), so they are left out.
inline std::string pidList(const std::vector<std::int32_t>& pids) {
    std::string list;
    for (std::int32_t pid : pids) {
        if (pid < 1) continue;
        if (!list.empty()) list += ',';
        list += std::to_string(pid);
    }
    return list;
}

} // namespace moorix
