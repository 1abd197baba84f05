#include "app/cli/option_values.h"

#include "core/text/decimal.h"

#include <algorithm>
#include <unordered_set>

namespace moorix::cli {

namespace {

constexpr std::int64_t highestPort = 65535;
constexpr double aYear = 366.0 * 86400;

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits only: the sign that parseInt64 allows would make "-" ambiguous between a range and a number.
std::optional<std::int64_t> listedPort(std::string_view text) {
    if (!isDigits(text)) return std::nullopt;
    const auto port = parseInt64(text);
    if (!port || *port < 1 || *port > highestPort) return std::nullopt;
    return port;
}

} // namespace

bool looksLikePortList(std::string_view value) {
    return !value.starts_with("--") && value.find_first_of(",-") != std::string_view::npos;
}

std::optional<std::vector<std::int64_t>> parsePortList(std::string_view value) {
    std::vector<std::int64_t> ports;
    std::unordered_set<std::int64_t> seen;
    std::size_t named = 0;
    for (std::size_t start = 0; start <= value.size();) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        const std::string_view item = value.substr(start, comma - start);
        start = comma + 1;
        const std::size_t dash = item.find('-');
        const auto first = listedPort(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : listedPort(item.substr(dash + 1));
        if (!first || !last || *last < *first) return std::nullopt;
        // Counted before the range is walked, so that "1-65535" costs nothing; a port named twice counts
        // twice.
        named += static_cast<std::size_t>(*last - *first) + 1;
        if (named > maxListedPorts) return std::nullopt;
        for (std::int64_t port = *first; port <= *last; ++port)
            if (seen.insert(port).second) ports.push_back(port);
    }
    return ports;
}

std::optional<double> parseSeconds(std::string_view value) {
    const std::size_t point = value.find('.');
    const std::string_view whole = value.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "1" : value.substr(point + 1);
    if (!isDigits(whole) || !isDigits(fraction) || whole.size() > 9) return std::nullopt;
    double seconds = static_cast<double>(*parseInt64(whole));
    if (point != std::string_view::npos) {
        double scale = 0.1;
        for (char digit : fraction) {
            seconds += (digit - '0') * scale;
            scale /= 10;
        }
    }
    if (seconds > aYear) return std::nullopt;
    return seconds;
}

} // namespace moorix::cli
