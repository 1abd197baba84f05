#pragma once

#include <QString>

class QMenu;

namespace moorix {

// The look of the controls Qt draws itself inside the dark panel: the row menu and the text fields.
void styleRowMenu(QMenu& menu);
QString labelEditorStyle();
QString searchEditStyle();

} // namespace moorix
