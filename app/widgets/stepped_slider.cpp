#include "app/widgets/stepped_slider.h"

#include "app/widgets/focus_ring.h"
#include "app/widgets/theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace moorix {

namespace {

constexpr qreal knobSize = 18;
constexpr qreal trackHeight = 4;
constexpr int sliderHeight = 24;

} // namespace

SteppedSlider::SteppedSlider(int minimum, int maximum, int step, int width, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), m_width(width) {
    setRange(minimum, maximum);
    setSingleStep(step);
    setPageStep(step * 5);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractSlider::valueChanged, this, [this](int value) {
        if (const int onGrid = snapped(value); onGrid != value) {
            setValue(onGrid);
            return;
        }
        emit steppedValueChanged(value);
    });
}

int SteppedSlider::snapped(int value) const {
    const int step = std::max(singleStep(), 1);
    const int clamped = std::clamp(value, minimum(), maximum());
    const int steps = static_cast<int>(std::lround(static_cast<double>(clamped - minimum()) / step));
    const int lastStep = (maximum() - minimum()) / step;
    return minimum() + std::min(steps, lastStep) * step;
}

QSize SteppedSlider::sizeHint() const {
    return {m_width + 2 * focusRingMargin, sliderHeight + 2 * focusRingMargin};
}

QRectF SteppedSlider::track() const {
    return {static_cast<qreal>(focusRingMargin), (height() - trackHeight) / 2, static_cast<qreal>(m_width),
            trackHeight};
}

QRectF SteppedSlider::travel() const {
    // The knob's centre stops half a knob short of either end, so the knob stays on the track.
    return track().adjusted(knobSize / 2, 0, -knobSize / 2, 0);
}

QRectF SteppedSlider::knob() const {
    const QRectF line = travel();
    const qreal span = std::max(maximum() - minimum(), 1);
    const qreal x = line.left() + line.width() * (value() - minimum()) / span;
    return {x - knobSize / 2, line.center().y() - knobSize / 2, knobSize, knobSize};
}

int SteppedSlider::valueAt(qreal x) const {
    const QRectF line = travel();
    const qreal fraction = std::clamp((x - line.left()) / line.width(), 0.0, 1.0);
    return snapped(minimum() + static_cast<int>(std::lround(fraction * (maximum() - minimum()))));
}

void SteppedSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF line = track();
    const QRectF thumb = knob();
    const qreal radius = trackHeight / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.16f));
    painter.drawRoundedRect(line, radius, radius);
    painter.setBrush(isEnabled() ? Theme::accent() : Theme::tertiaryText());
    painter.drawRoundedRect(QRectF(line.topLeft(), QPointF(thumb.center().x(), line.bottom())), radius,
                            radius);

    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.3f));
    painter.drawEllipse(thumb.translated(0, 1));
    QColor face = QColor::fromRgbF(0.98f, 0.97f, 0.95f);
    if (isSliderDown())
        face = face.darker(110);
    else if (m_hovered)
        face = Qt::white;
    painter.setBrush(face);
    painter.drawEllipse(thumb.adjusted(0.5, 0.5, -0.5, -0.5));
    if (hasFocus()) paintFocusRing(painter, thumb, knobSize / 2);
}

void SteppedSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setSliderDown(true);
    setValue(valueAt(event->position().x()));
    event->accept();
}

void SteppedSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    setValue(valueAt(event->position().x()));
    event->accept();
}

void SteppedSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isSliderDown()) {
        event->ignore();
        return;
    }
    setSliderDown(false);
    update();
    event->accept();
}

void SteppedSlider::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QSlider::enterEvent(event);
}

void SteppedSlider::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QSlider::leaveEvent(event);
}

} // namespace moorix
