#pragma once

#include "core/listing/port_entry.h"

#include <QString>

#include <optional>
#include <string>

namespace moorix {

// Everything one row of the list shows, worked out by the panel model so that the row only draws it.
struct RowState {
    PortEntry entry;
    bool selected = false;
    bool confirming = false;
    std::optional<QString> label;
    std::optional<std::string> dockerName;
    // Only for development ports, once probed.
    std::optional<bool> healthy;
    bool watched = false;
    bool editingLabel = false;
    // "%12 · 340 MB"; empty until the process's figures are known.
    QString statsText;
    // The confirmation question while confirming, else the container or who started the process.
    QString secondLine;
    // The help of each piece of the row, for its tool tip.
    QString stopHelp;
    // "Open in browser — http://localhost:3000" for development ports, else empty.
    QString portHelp;
    // Empty until the port was probed.
    QString healthHelp;
    QString watchedHelp;
    QString exposedHelp;
    QString statsHelp;
    // The process chain, then "pid 4242 · ada".
    QString toolTip;
    // ":3000", the label, then the second line: what a screen reader says for the row.
    QString accessibleName;

    bool operator==(const RowState&) const = default;
};

} // namespace moorix
