#include "app/widgets/segmented_picker.h"

#include "app/widgets/accessible_button.h"
#include "app/widgets/focus_ring.h"
#include "app/widgets/theme.h"

#include <QAbstractButton>
#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>

namespace moorix {

namespace {

constexpr int frameHeight = 24;
constexpr qreal frameRadius = 7;
constexpr qreal inset = 2;

// One option: draws its text; the picker draws the frame and the chosen fill beneath.
class Segment : public QAbstractButton {
    Q_OBJECT

public:
    explicit Segment(QWidget* parent) : QAbstractButton(parent) {
        setCheckable(true);
        // Arrow keys move between the options, and the chosen one cannot be unchosen by clicking it.
        setAutoExclusive(true);
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF shape = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        if (!isChecked() && (underMouse() || isDown())) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor::fromRgbF(1, 1, 1, isDown() ? 0.1f : 0.06f));
            painter.drawRoundedRect(shape, frameRadius - inset, frameRadius - inset);
        }
        painter.setFont(Theme::uiFont(12, isChecked() ? QFont::DemiBold : QFont::Normal));
        painter.setPen(isChecked() ? Theme::onAccent() : Theme::primaryText());
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) paintFocusRing(painter, shape, frameRadius - inset);
    }
};

QAccessibleInterface* accessiblePicker(const QString&, QObject* object) {
    if (auto* segment = qobject_cast<Segment*>(object))
        return new AccessibleButton(segment, QAccessible::RadioButton);
    if (auto* picker = qobject_cast<SegmentedPicker*>(object))
        return new QAccessibleWidget(picker, QAccessible::Grouping);
    return nullptr;
}

} // namespace

SegmentedPicker::SegmentedPicker(int optionCount, int width, QWidget* parent)
    : QWidget(parent), m_width(width) {
    static const bool registered = (QAccessible::installFactory(accessiblePicker), true);
    Q_UNUSED(registered);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (int index = 0; index < optionCount; ++index) {
        auto* option = new Segment(this);
        option->setObjectName(QStringLiteral("option%1").arg(index));
        // Checking one option unchecks the others; only the newly checked one reports a choice.
        connect(option, &QAbstractButton::toggled, this, [this, index](bool on) {
            if (!on || m_syncing) return;
            m_current = index;
            update();
            emit picked(index);
        });
        m_options.push_back(option);
    }
}

void SegmentedPicker::setLabels(const QStringList& labels) {
    for (std::size_t index = 0; index < m_options.size() && index < static_cast<std::size_t>(labels.size());
         ++index)
        m_options[index]->setText(labels[static_cast<qsizetype>(index)]);
}

void SegmentedPicker::setCurrentIndex(int index) {
    QScopedValueRollback syncing(m_syncing, true);
    for (std::size_t option = 0; option < m_options.size(); ++option) {
        // An exclusive button refuses to be unchecked directly; leaving none chosen needs this.
        m_options[option]->setAutoExclusive(false);
        m_options[option]->setChecked(static_cast<int>(option) == index);
        m_options[option]->setAutoExclusive(true);
    }
    m_current = index >= 0 && index < static_cast<int>(m_options.size()) ? index : -1;
    update();
}

QSize SegmentedPicker::sizeHint() const {
    return {m_width + 2 * focusRingMargin, frameHeight + 2 * focusRingMargin};
}

QRectF SegmentedPicker::frame() const {
    return QRectF(focusRingMargin, (height() - frameHeight) / 2.0, m_width, frameHeight);
}

void SegmentedPicker::resizeEvent(QResizeEvent*) {
    const QRectF area = frame();
    const qreal step = area.width() / static_cast<qreal>(std::max<std::size_t>(m_options.size(), 1));
    for (std::size_t index = 0; index < m_options.size(); ++index) {
        const qreal left = area.left() + step * static_cast<qreal>(index);
        m_options[index]->setGeometry(QRectF(left, area.top(), step, area.height()).toRect());
    }
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = frame();
    painter.setPen(QPen(Theme::border(), 1));
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.22f));
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), frameRadius, frameRadius);

    // Hairlines between two options that are both unchosen.
    painter.setPen(QPen(Theme::divider(), 1));
    for (std::size_t index = 1; index < m_options.size(); ++index) {
        if (static_cast<int>(index) == m_current || static_cast<int>(index) - 1 == m_current) continue;
        const qreal x = m_options[index]->geometry().left() + 0.5;
        painter.drawLine(QPointF(x, area.top() + 6), QPointF(x, area.bottom() - 6));
    }

    if (m_current < 0) return;
    const QRectF chosen = QRectF(m_options[static_cast<std::size_t>(m_current)]->geometry())
                              .adjusted(inset, inset, -inset, -inset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.3f));
    painter.drawRoundedRect(chosen.translated(0, 0.5), frameRadius - inset, frameRadius - inset);
    painter.setBrush(Theme::accent());
    painter.drawRoundedRect(chosen, frameRadius - inset, frameRadius - inset);
}

} // namespace moorix

#include "segmented_picker.moc"
