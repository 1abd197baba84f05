#pragma once

#include "app/panel/pending_kill.h"
#include "app/panel/row_state.h"

#include <optional>

namespace moorix {

// Writes what a row says from what is known about it (its entry, label, container, health, figures):
// the second line, the help of each piece, the tool tip and the name a screen reader says. `confirming` is
// the stop the row waits on, whose question takes the second line.
void writeRowTexts(RowState& row, std::optional<StopAction> confirming);

} // namespace moorix
