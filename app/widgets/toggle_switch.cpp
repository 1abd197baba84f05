#include "app/widgets/toggle_switch.h"

#include "app/widgets/accessible_button.h"
#include "app/widgets/colour_mix.h"
#include "app/widgets/focus_ring.h"
#include "app/widgets/theme.h"

#include <QPainter>
#include <QVariantAnimation>

namespace moorix {

namespace {

constexpr QSizeF trackSize(36, 20);

QAccessibleInterface* accessibleSwitch(const QString&, QObject* object) {
    auto* toggle = qobject_cast<ToggleSwitch*>(object);
    return toggle ? new AccessibleButton(toggle, QAccessible::CheckBox) : nullptr;
}

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent), m_slide(new QVariantAnimation(this)) {
    static const bool registered = (QAccessible::installFactory(accessibleSwitch), true);
    Q_UNUSED(registered);
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_slide->setDuration(160);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toReal();
        update();
    });
}

// A value set from outside (a stored preference shown) appears at once; Qt calls this for every
// setChecked, also while signals are blocked.
void ToggleSwitch::checkStateSet() {
    m_slide->stop();
    m_position = isChecked() ? 1 : 0;
    update();
}

// The user's own change (click, keyboard, the Press action) slides the knob across.
void ToggleSwitch::nextCheckState() {
    QAbstractButton::nextCheckState();
    m_slide->stop();
    m_slide->setStartValue(m_position);
    m_slide->setEndValue(isChecked() ? 1.0 : 0.0);
    m_slide->start();
}

QSize ToggleSwitch::sizeHint() const {
    return trackSize.toSize() + QSize(2 * focusRingMargin, 2 * focusRingMargin);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(QPointF(focusRingMargin, (height() - trackSize.height()) / 2), trackSize);
    const qreal radius = track.height() / 2;

    QColor off = QColor::fromRgbF(1, 1, 1, m_hovered ? 0.2f : 0.15f);
    QColor on = Theme::accent();
    if (m_hovered) on = on.lighter(106);
    painter.setPen(Qt::NoPen);
    painter.setBrush(mixColours(off, on, m_position));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knobSize = track.height() - 4;
    const qreal travel = track.width() - knobSize - 4;
    const QRectF knob(track.left() + 2 + travel * m_position, track.top() + 2, knobSize, knobSize);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.25f));
    painter.drawEllipse(knob.translated(0, 0.75));
    painter.setBrush(isDown() ? Theme::selection().darker(108) : QColor::fromRgbF(0.98f, 0.97f, 0.95f));
    painter.drawEllipse(knob);

    if (!isEnabled()) {
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.4f));
        painter.drawRoundedRect(track, radius, radius);
    }
    if (hasFocus()) paintFocusRing(painter, track, radius);
}

void ToggleSwitch::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ToggleSwitch::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace moorix
