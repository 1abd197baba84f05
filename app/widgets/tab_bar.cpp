#include "app/widgets/tab_bar.h"

#include "app/widgets/accessible_button.h"
#include "app/widgets/colour_mix.h"
#include "app/widgets/focus_ring.h"
#include "app/widgets/theme.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace moorix {

namespace {

constexpr int capsulePadding = 3;
constexpr int tabSpacing = 2;
constexpr QSize textPadding(14, 6);

// A spring with a response of 0.32 s and a damping fraction of 0.8: it overshoots a little and settles.
qreal spring(qreal progress) {
    if (progress >= 1) return 1;
    constexpr qreal duration = 0.5, response = 0.32, damping = 0.8;
    const qreal omega = 2 * M_PI / response;
    const qreal decay = damping * omega;
    const qreal ringing = omega * std::sqrt(1 - damping * damping);
    const qreal t = progress * duration;
    return 1 - std::exp(-decay * t) * (std::cos(ringing * t) + decay / ringing * std::sin(ringing * t));
}

// One tab: draws its title; the bar draws the capsule and the chip beneath. `highlight` is how much of
// the chip lies under it, so the text colour follows the chip as it slides.
class TabButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TabButton(QWidget* parent) : QAbstractButton(parent) {
        // Checked is selected; the bar keeps exactly one tab checked.
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void setHighlight(qreal highlight) {
        if (qFuzzyCompare(1 + m_highlight, 1 + highlight)) return;
        m_highlight = highlight;
        update();
    }

    QSize sizeHint() const override {
        // Wide enough for the bold title, so the bar does not shift as the selection moves.
        const QFontMetrics bold(Theme::uiFont(13, QFont::DemiBold));
        return {bold.horizontalAdvance(text()) + 2 * textPadding.width(),
                bold.height() + 2 * textPadding.height()};
    }

protected:
    void nextCheckState() override { setChecked(true); }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor idle = Theme::primaryText();
        idle.setAlphaF(underMouse() && m_highlight < 0.5 ? 0.95f : 0.75f);
        painter.setPen(mixColours(idle, Theme::onAccent(), std::clamp(m_highlight, 0.0, 1.0)));
        painter.setFont(Theme::uiFont(13, m_highlight >= 0.5 ? QFont::DemiBold : QFont::Normal));
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) {
            const qreal radius = height() / 2.0;
            paintFocusRing(painter, QRectF(rect()).adjusted(2, 2, -2, -2), radius - 2);
        }
    }

private:
    qreal m_highlight = 0;
};

QAccessibleInterface* accessibleTabs(const QString&, QObject* object) {
    if (auto* tab = qobject_cast<TabButton*>(object)) return new AccessibleButton(tab, QAccessible::PageTab);
    if (auto* bar = qobject_cast<TabBar*>(object))
        return new QAccessibleWidget(bar, QAccessible::PageTabList);
    return nullptr;
}

} // namespace

TabBar::TabBar(int tabCount, QWidget* parent) : QWidget(parent), m_slide(new QVariantAnimation(this)) {
    static const bool registered = (QAccessible::installFactory(accessibleTabs), true);
    Q_UNUSED(registered);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(capsulePadding, capsulePadding, capsulePadding, capsulePadding);
    row->setSpacing(tabSpacing);
    for (int index = 0; index < tabCount; ++index) {
        auto* tab = new TabButton(this);
        tab->setChecked(index == m_current);
        connect(tab, &QAbstractButton::clicked, this, [this, index] {
            if (index == m_current) return;
            select(index);
            emit currentChanged(index);
        });
        tab->installEventFilter(this);
        row->addWidget(tab);
        m_tabs.push_back(tab);
    }
    m_slide->setDuration(500);
    QEasingCurve curve;
    curve.setCustomType(spring);
    m_slide->setEasingCurve(curve);
    connect(m_slide, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { placeChip(value.toRectF()); });
}

void TabBar::setTitles(const QStringList& titles) {
    for (std::size_t index = 0; index < m_tabs.size() && index < static_cast<std::size_t>(titles.size());
         ++index)
        m_tabs[index]->setText(titles[static_cast<qsizetype>(index)]);
    // The tabs' widths follow their titles; the chip follows the new geometry once the layout has run.
    updateGeometry();
}

QAbstractButton* TabBar::tab(int index) const { return m_tabs.at(static_cast<std::size_t>(index)); }

void TabBar::select(int index) {
    m_current = index;
    for (std::size_t tab = 0; tab < m_tabs.size(); ++tab)
        m_tabs[tab]->setChecked(static_cast<int>(tab) == index);
    m_slide->stop();
    if (!isVisible()) {
        placeChip(chipTarget());
        return;
    }
    m_slide->setStartValue(m_chip);
    m_slide->setEndValue(chipTarget());
    m_slide->start();
}

QRectF TabBar::chipTarget() const {
    return QRectF(m_tabs.at(static_cast<std::size_t>(m_current))->geometry());
}

void TabBar::placeChip(const QRectF& chip) {
    m_chip = chip;
    for (auto* tab : m_tabs) {
        const QRectF area(tab->geometry());
        const qreal overlap = area.intersected(chip).width();
        static_cast<TabButton*>(tab)->setHighlight(area.width() > 0 ? overlap / area.width() : 0);
    }
    update();
}

bool TabBar::eventFilter(QObject* watched, QEvent* event) {
    // A tab moved or changed size (new titles): the chip goes with it.
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        if (m_slide->state() == QAbstractAnimation::Running)
            m_slide->setEndValue(chipTarget());
        else
            placeChip(chipTarget());
    }
    return QWidget::eventFilter(watched, event);
}

void TabBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(Theme::border(), 1));
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.22f));
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    if (m_chip.isEmpty()) return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
    painter.drawRoundedRect(m_chip.translated(0, 1), m_chip.height() / 2, m_chip.height() / 2);
    painter.setBrush(Theme::selection());
    painter.drawRoundedRect(m_chip, m_chip.height() / 2, m_chip.height() / 2);
}

} // namespace moorix

#include "tab_bar.moc"
