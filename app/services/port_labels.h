#pragma once

#include "app/services/preferences.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>

// The user's labels of ports, kept as one JSON object in the "portLabels" preference:
// member names are ports in decimal, values the label texts.
namespace moorix::PortLabels {

// Keyed by the port in decimal; empty when nothing is stored or the stored text is not a JSON object of
// texts.
std::map<QString, QString> all(const Preferences& store);

// Sets the label of `port`, trimmed of spaces and tabs; an absent or blank label removes it.
void set(Preferences& store, const std::optional<QString>& label, std::int64_t port);

// The two halves of the above, over the stored text.
std::map<QString, QString> decode(const QString& json);
std::optional<QString> encode(const std::map<QString, QString>& labels);

} // namespace moorix::PortLabels
