#include "app/widgets/settings_button.h"

#include "app/widgets/focus_ring.h"
#include "app/widgets/pill_button.h"
#include "app/widgets/theme.h"

#include <QHBoxLayout>

namespace moorix {

SettingsButton makeSettingsButton() {
    auto* cell = new QWidget;
    auto* button = new PillButton(cell);
    button->setLook({Theme::uiFont(13, QFont::Medium), Theme::primaryText(), QColor(255, 255, 255, 34),
                     QMargins(12, 4, 12, 4)});
    button->setFocusPolicy(Qt::TabFocus);
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(focusRingMargin, focusRingMargin, focusRingMargin, focusRingMargin);
    layout->addWidget(button);
    return {button, cell};
}

} // namespace moorix
