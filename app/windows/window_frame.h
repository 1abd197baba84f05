#pragma once

#include <QString>

class QWidget;

namespace moorix {

class Preferences;

namespace WindowFrame {

// Puts `window` where it was when its frame was last saved under `name`, or, the first time, in the middle
// of the primary screen's available area. From then on the frame is saved under `name` whenever the
// window is hidden or the application quits.
void keep(QWidget& window, Preferences& store, const QString& name);

} // namespace WindowFrame

} // namespace moorix
