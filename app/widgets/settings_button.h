#pragma once

class QWidget;

namespace moorix {

class PillButton;

// A settings row's push button ("Show Again", "Check Now"): the panel's pill at the rows' text size,
// reachable with Tab. `cell` is what the row places: the pill with the room around it that the other
// controls keep for their focus ring, so that all controls line up.
struct SettingsButton {
    PillButton* button;
    QWidget* cell;
};

SettingsButton makeSettingsButton();

} // namespace moorix
