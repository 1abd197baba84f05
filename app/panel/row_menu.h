#pragma once

#include "core/listing/port_entry.h"

#include <QString>

#include <optional>
#include <vector>

namespace moorix {

enum class RowAction {
    OpenInBrowser,
    OpenInEditor,
    SetLabel,
    ToggleWatch,
    Hide,
    Restart,
    KillTree,
    ForceKill,
    CopyUrl,
    CopyPort,
    CopyPid,
    CopyKill,
    History,
    CopyPath,
};

// One line of a row's context menu; a line without an action is a separator.
struct RowMenuItem {
    std::optional<RowAction> action;
    QString text;
    bool operator==(const RowMenuItem&) const = default;
};

// The context menu of a row, in order. A port that a container publishes offers no restart or process
// stops (its stop button stops the container); "open in" and "copy path" need a known folder.
std::vector<RowMenuItem> rowMenu(const PortEntry& entry, bool watched, bool hasContainer,
                                 const QString& folderOpener);

} // namespace moorix
