#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The values of the options that take ports or a number of seconds.
namespace moorix::cli {

inline constexpr std::size_t maxListedPorts = 1024;

// Whether `value` is written as a list of ports ("3000,3001", "5170-5175") rather than one port: it has a
// comma or a dash. An argument that begins with "--" is another option, not a value.
bool looksLikePortList(std::string_view value);

// The ports of a list of port numbers (1 to 65535) and ascending ranges, in the order given, each once;
// absent when the list is malformed or names more than maxListedPorts ports, repeats included.
std::optional<std::vector<std::int64_t>> parsePortList(std::string_view value);

// A number of seconds, whole or with a decimal fraction, from 0 to a year; absent otherwise.
std::optional<double> parseSeconds(std::string_view value);

} // namespace moorix::cli
