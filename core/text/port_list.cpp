#include "core/text/port_list.h"

#include "core/text/decimal.h"

namespace moorix::PortList {

namespace {

template <typename Visit> void forEachNumber(std::string_view text, Visit&& visit) {
    while (true) {
        const std::size_t comma = text.find(',');
        if (const auto number = parseInt64(text.substr(0, comma))) visit(*number);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
}

} // namespace

std::set<std::int64_t> parse(std::string_view text) {
    std::set<std::int64_t> ports;
    forEachNumber(text, [&](std::int64_t port) { ports.insert(port); });
    return ports;
}

std::size_t countNumbers(std::string_view text) {
    std::size_t count = 0;
    forEachNumber(text, [&](std::int64_t) { ++count; });
    return count;
}

std::string encode(const std::set<std::int64_t>& ports) {
    std::string text;
    for (const std::int64_t port : ports) {
        if (!text.empty()) text += ',';
        text += std::to_string(port);
    }
    return text;
}

} // namespace moorix::PortList
