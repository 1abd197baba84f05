#pragma once

#include "app/panel/panel_backend.h"

namespace moorix {

class DevCount;
class History;
class Preferences;

// The panel's backend over the real system: the port listing and process tools, the history file, the
// Docker client, the preferences store, the clipboard and the desktop.
PanelBackend systemBackend(History& history, Preferences& preferences, DevCount& devCount);

} // namespace moorix
