#pragma once

#include "core/history/instant.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moorix {

enum class EventAction { Opened, Closed };

// Why a port closed, as the recorder judged it.
enum class Ending { KilledByMoorix, ParentExited, Unexpected };

std::string_view rawValue(EventAction action);
std::string_view rawValue(Ending ending);
std::optional<EventAction> eventActionFromRaw(std::string_view raw);
std::optional<Ending> endingFromRaw(std::string_view raw);

// One line of the port history: a port seen opening or closing, with what was known of its process.
struct PortEvent {
    Instant at;
    EventAction action = EventAction::Opened;
    std::int64_t port = 0;
    std::int32_t pid = 0;
    std::string command;
    std::vector<std::string> parentChain;
    std::string user;
    std::string address;
    std::optional<std::string> cwd;
    std::optional<std::string> project;
    std::optional<std::vector<std::string>> argv;
    std::optional<Ending> ending;

    bool operator==(const PortEvent&) const = default;

    // The outermost ancestor's name, or the command itself without ancestors.
    std::string root() const;
};

// Absent when the instant cannot be written (a year beyond four digits).
std::optional<nlohmann::ordered_json> toJson(const PortEvent& event);
// One compact JSON object without its line feed; absent when the event cannot be written as UTF-8 JSON.
std::optional<std::string> encodeEventLine(const PortEvent& event);

std::optional<PortEvent> portEventFromJson(const nlohmann::json& value);
// Any JSON formatting of an event is read; the compact form this program writes takes a fast path.
std::optional<PortEvent> decodeEventLine(std::string_view line);
// The same, into `event`, whose content is unspecified when the line cannot be read.
bool decodeEventLine(std::string_view line, PortEvent& event);

} // namespace moorix
