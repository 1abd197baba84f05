#pragma once

#include "app/panel/panel_backend.h"

namespace moorix {

class CpuMeter;
class DevCount;
class History;
class KillNotes;
class Preferences;

// The panel's backend over the real system: the port listing and process tools, the history file, the
// Docker client, the preferences store, the clipboard and the desktop. Stops are noted in `kills`, and
// CPU figures are the share since `meter` last read a process. Each argument must outlive the backend.
PanelBackend systemBackend(History& history, Preferences& preferences, DevCount& devCount, KillNotes& kills,
                           CpuMeter& meter);

} // namespace moorix
