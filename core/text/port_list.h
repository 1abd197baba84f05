#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

// Port numbers as the preferences store keeps them ("hiddenPorts", "watchedPorts"):
// decimal numbers joined by "," with no blanks.
namespace moorix::PortList {

// Pieces that are not numbers (blanks, letters, out of range, empty) are dropped silently.
std::set<std::int64_t> parse(std::string_view text);

// How many pieces are numbers, duplicates included (the settings window's hidden-ports count).
std::size_t countNumbers(std::string_view text);

std::string encode(const std::set<std::int64_t>& ports);

} // namespace moorix::PortList
