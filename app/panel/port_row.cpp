#include "app/panel/port_row.h"

#include "app/panel/list_metrics.h"
#include "app/panel/owner_icon.h"
#include "app/panel/panel_model.h"
#include "app/panel/panel_style_sheets.h"
#include "app/services/l10n.h"
#include "app/widgets/pill_button.h"
#include "app/widgets/symbol.h"
#include "app/widgets/theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QToolTip>

namespace moorix {

namespace {

constexpr int margin = 10;
constexpr int iconSize = 28;
constexpr int textLeft = margin + iconSize + 10;
constexpr int rightWidth = 86;
constexpr int gap = 6;

QFont portFont() { return Theme::monoFont(15, QFont::Bold); }
QFont captionFont() { return Theme::uiFont(12); }
QFont chipFont() { return Theme::uiFont(11, QFont::DemiBold); }
QFont statsFont() { return Theme::monoFont(11); }

int titleTop() {
    const int block = QFontMetrics(portFont()).height() + 1 + QFontMetrics(captionFont()).height();
    return (ListMetrics::rowHeight - block) / 2;
}

int secondLineTop() { return titleTop() + QFontMetrics(portFont()).height() + 1; }

PillButton::Look buttonLook(const QColor& text, const QColor& fill, QFont::Weight weight = QFont::DemiBold) {
    return {Theme::uiFont(11, weight), text, fill, QMargins(9, 3, 9, 3)};
}

// The row as screen readers see it: a selectable list item whose press selects it.
class PortRowAccessible : public QAccessibleWidget {
public:
    explicit PortRowAccessible(QWidget* row) : QAccessibleWidget(row, QAccessible::ListItem) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = row()->state().selected;
        state.focusable = true;
        return state;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction(), setFocusAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction() || action == setFocusAction()) {
            row()->selectByUser();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    PortRow* row() const { return static_cast<PortRow*>(widget()); }
};

QAccessibleInterface* rowAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(PortRow::staticMetaObject.className()) && object && object->isWidgetType())
        return new PortRowAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

PortRow::PortRow(PanelModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(rowAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setFixedHeight(ListMetrics::rowHeight);
}

// The buttons and the label editor are made when first needed: a list of hundreds of rows is built
// in one refresh, and most rows are never hovered.
PillButton* PortRow::stopButton() {
    if (!m_stop) {
        m_stop = new PillButton(this);
        connect(m_stop, &PillButton::clicked, this,
                [this] { m_model.request(m_state.entry, StopAction::Stop); });
        applyTexts();
    }
    return m_stop;
}

void PortRow::makeConfirmButtons() {
    if (m_confirm) return;
    m_cancel = new PillButton(this);
    m_confirm = new PillButton(this);
    m_cancel->setLook(buttonLook(Theme::primaryText(), QColor(255, 255, 255, 34), QFont::Medium));
    m_confirm->setLook(buttonLook(QColor(Qt::white), Theme::danger()));
    connect(m_cancel, &PillButton::clicked, this, [this] { m_model.cancelPending(); });
    connect(m_confirm, &PillButton::clicked, this, [this] { m_model.confirmPending(); });
    applyTexts();
}

QLineEdit* PortRow::labelEditor() {
    if (!m_labelEditor) {
        m_labelEditor = new QLineEdit(this);
        m_labelEditor->setFont(captionFont());
        m_labelEditor->setFixedSize(180, 20);
        m_labelEditor->setStyleSheet(labelEditorStyle());
        m_labelEditor->installEventFilter(this);
        connect(m_labelEditor, &QLineEdit::textEdited, this,
                [this](const QString& text) { m_model.setLabelDraft(text); });
        applyTexts();
    }
    return m_labelEditor;
}

void PortRow::applyTexts() {
    if (m_stop) {
        m_stop->setLabel(L10n::text("stop"));
        m_stop->setToolTip(m_state.stopHelp);
        m_stop->setAccessibleDescription(m_state.stopHelp);
        m_stop->setLook(
            buttonLook(m_state.entry.isSystemCritical() ? Theme::secondaryText() : Theme::danger(),
                       QColor(255, 255, 255, 26)));
    }
    if (m_confirm) {
        m_cancel->setLabel(L10n::text("cancel"));
        m_confirm->setLabel(L10n::text("stop"));
    }
    if (m_labelEditor) {
        m_labelEditor->setPlaceholderText(L10n::text("label_placeholder"));
        m_labelEditor->setAccessibleName(L10n::text("label_placeholder"));
    }
}

void PortRow::selectByUser() { m_model.select(m_state.entry.id()); }

void PortRow::setState(const RowState& state) {
    if (state == m_state) return;
    const bool wasEditing = m_state.editingLabel;
    const bool wasSelected = m_state.selected;
    m_state = state;

    if (accessibleName() != state.accessibleName) setAccessibleName(state.accessibleName);
    if (accessibleDescription() != state.toolTip) setAccessibleDescription(state.toolTip);
    applyTexts();

    if (state.editingLabel && !wasEditing) {
        QLineEdit* editor = labelEditor();
        editor->setText(m_model.labelDraft());
        editor->show();
        editor->setFocus();
        editor->selectAll();
    } else if (!state.editingLabel && wasEditing && m_labelEditor) {
        const bool hadFocus = m_labelEditor->hasFocus();
        m_labelEditor->hide();
        if (hadFocus) window()->setFocus();
    }
    if (state.selected != wasSelected) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    placeControls();
    update();
}

void PortRow::setStatsText(const QString& text) {
    if (text == m_state.statsText) return;
    m_state.statsText = text;
    update();
}

void PortRow::setHovering(bool hovering) {
    if (hovering == m_hovering) return;
    m_hovering = hovering;
    placeControls();
    update();
}

int PortRow::rightAreaLeft() const {
    if (m_state.confirming && m_cancel) return m_cancel->x() - margin;
    return width() - margin - rightWidth - margin;
}

void PortRow::placeControls() {
    const int right = width() - margin;
    const bool offerStop = !m_state.confirming && (m_hovering || m_state.selected);
    if (offerStop || m_stop) {
        PillButton* stop = stopButton();
        const QSize size = stop->sizeHint();
        stop->setGeometry(right - size.width(), (ListMetrics::rowHeight - size.height()) / 2, size.width(),
                          size.height());
        stop->setVisible(offerStop);
    }
    if (m_state.confirming || m_confirm) {
        makeConfirmButtons();
        const QSize confirmSize = m_confirm->sizeHint(), cancelSize = m_cancel->sizeHint();
        // Beside the port, so that the question below has the row's whole width.
        const int titleMiddle = titleTop() + QFontMetrics(portFont()).height() / 2;
        m_confirm->setGeometry(right - confirmSize.width(), titleMiddle - confirmSize.height() / 2,
                               confirmSize.width(), confirmSize.height());
        m_cancel->setGeometry(m_confirm->x() - gap - cancelSize.width(),
                              titleMiddle - cancelSize.height() / 2, cancelSize.width(), cancelSize.height());
        m_confirm->setVisible(m_state.confirming);
        m_cancel->setVisible(m_state.confirming);
    }
    if (m_labelEditor) m_labelEditor->move(textLeft, secondLineTop() - 2);
}

void PortRow::resizeEvent(QResizeEvent*) { placeControls(); }

void PortRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    const qreal ratio = devicePixelRatioF();

    QColor wash = Qt::transparent;
    if (m_state.confirming)
        wash = QColor(255, 59, 48, 26);
    else if (m_state.selected)
        wash = QColor(Theme::accent().red(), Theme::accent().green(), Theme::accent().blue(), 31);
    else if (m_hovering)
        wash = QColor(255, 255, 255, 15);
    if (wash.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(wash);
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
    }

    // Owner icon, clipped to a rounded square.
    const QRectF iconBox(margin, (ListMetrics::rowHeight - iconSize) / 2.0, iconSize, iconSize);
    QPainterPath clip;
    clip.addRoundedRect(iconBox, 7, 7);
    painter.save();
    painter.setClipPath(clip);
    painter.drawPixmap(iconBox.topLeft(), ownerIcon(m_state.entry).pixmap(QSize(iconSize, iconSize), ratio));
    painter.restore();

    const int columnRight = rightAreaLeft();
    const QFontMetricsF portMetrics(portFont());
    const qreal top = titleTop();
    const qreal middle = top + portMetrics.height() / 2;
    qreal x = textLeft;
    m_marks = {};

    if (m_state.healthy) {
        m_marks.dot = QRectF(x, middle - 3, 6, 6);
        painter.setPen(Qt::NoPen);
        QColor dot = *m_state.healthy ? Theme::healthy() : Theme::secondaryText();
        if (!*m_state.healthy) dot.setAlphaF(dot.alphaF() * 0.4f);
        painter.setBrush(dot);
        painter.drawEllipse(m_marks.dot);
        x += 6 + gap;
    }

    const QString colon = QStringLiteral(":");
    const QString port = QString::number(m_state.entry.port);
    const QRectF portBox(x, top, portMetrics.horizontalAdvance(colon) + portMetrics.horizontalAdvance(port),
                         portMetrics.height());
    painter.setFont(portFont());
    painter.setPen(Theme::tertiaryText());
    painter.drawText(QPointF(x, top + portMetrics.ascent()), colon);
    painter.setPen(Theme::primaryText());
    painter.drawText(QPointF(x + portMetrics.horizontalAdvance(colon), top + portMetrics.ascent()), port);
    if (m_hovering && m_state.entry.isDev()) {
        painter.setPen(QPen(Theme::primaryText(), 1));
        const qreal underline = top + portMetrics.ascent() + 2.5;
        painter.drawLine(QPointF(portBox.left(), underline), QPointF(portBox.right(), underline));
    }
    m_marks.port = portBox;
    x = portBox.right() + gap;

    if (m_state.label) {
        const QFontMetricsF chipMetrics(chipFont());
        const qreal room = columnRight - x - 12;
        const QString text =
            chipMetrics.elidedText(*m_state.label, Qt::ElideRight, std::max<qreal>(room, 24));
        const QRectF chip(x, middle - chipMetrics.height() / 2 - 1, chipMetrics.horizontalAdvance(text) + 12,
                          chipMetrics.height() + 2);
        QColor fill = Theme::accent();
        fill.setAlphaF(0.18f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(chip, chip.height() / 2, chip.height() / 2);
        painter.setFont(chipFont());
        painter.setPen(Theme::accent().lighter(115));
        painter.drawText(chip, Qt::AlignCenter, text);
        m_marks.chip = chip;
        x = chip.right() + gap;
    }
    const auto mark = [&](const char* name, int size, const QColor& color, QRectF& box) {
        const QPixmap pixmap = symbol(QString::fromLatin1(name), size, color, ratio);
        box = QRectF(x, middle - size / 2.0, size, size);
        painter.drawPixmap(box.topLeft(), pixmap);
        x = box.right() + gap;
    };
    if (m_state.watched) mark("bell.fill", 9, Theme::secondaryText(), m_marks.bell);
    if (m_state.entry.isExposed()) mark("network", 10, Theme::exposed(), m_marks.exposed);

    if (!m_state.editingLabel) {
        const QFontMetricsF captionMetrics(captionFont());
        const qreal lineTop = secondLineTop();
        painter.setFont(captionFont());
        painter.setPen(m_state.confirming ? Theme::primaryText() : Theme::secondaryText());
        const qreal lineRight = m_state.confirming ? width() - margin : columnRight;
        const QString line = captionMetrics.elidedText(m_state.secondLine, Qt::ElideRight,
                                                       std::max<qreal>(0, lineRight - textLeft));
        painter.drawText(QPointF(textLeft, lineTop + captionMetrics.ascent()), line);
    }

    // The figures keep their place but step aside for the stop button.
    if (!m_state.confirming && !m_state.statsText.isEmpty() && !m_hovering && !m_state.selected) {
        QFont font = statsFont();
        const qreal natural = QFontMetricsF(font).horizontalAdvance(m_state.statsText);
        if (natural > rightWidth) font.setPixelSize(std::max(9, static_cast<int>(font.pixelSize() * 0.8)));
        painter.setFont(font);
        painter.setPen(Theme::tertiaryText());
        painter.drawText(QRectF(width() - margin - rightWidth, 0, rightWidth, ListMetrics::rowHeight),
                         Qt::AlignRight | Qt::AlignVCenter, m_state.statsText);
    }
}

QString PortRow::helpAt(const QPointF& point) const {
    if (m_marks.dot.contains(point)) return m_state.healthHelp;
    if (m_marks.port.contains(point) && !m_state.portHelp.isEmpty()) return m_state.portHelp;
    if (m_marks.bell.contains(point)) return m_state.watchedHelp;
    if (m_marks.exposed.contains(point)) return m_state.exposedHelp;
    if (!m_state.statsText.isEmpty() && point.x() >= width() - margin - rightWidth && !m_hovering)
        return m_state.statsHelp;
    return m_state.toolTip;
}

bool PortRow::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), helpAt(help->pos()), this);
        return true;
    }
    return QWidget::event(event);
}

void PortRow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_marks.port.contains(event->position()))
        m_model.openPort(m_state.entry);
    else
        selectByUser();
}

void PortRow::mouseMoveEvent(QMouseEvent* event) {
    setHovering(true);
    const bool overLink = m_state.entry.isDev() && m_marks.port.contains(event->position());
    setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void PortRow::enterEvent(QEnterEvent*) { setHovering(true); }

void PortRow::leaveEvent(QEvent*) { setHovering(false); }

void PortRow::contextMenuEvent(QContextMenuEvent* event) { openMenu(event->globalPos()); }

void PortRow::openMenu(const QPoint& globalPosition) {
    const PortEntry entry = m_state.entry;
    const auto items = m_model.menuItems(entry);
    // The menu has no parent: a refresh may replace this row while the menu is open.
    QMenu menu;
    styleRowMenu(menu);
    for (const auto& item : items) {
        if (!item.action) {
            menu.addSeparator();
            continue;
        }
        menu.addAction(item.text)->setData(static_cast<int>(*item.action));
    }
    QPointer<PanelModel> model(&m_model);
    QPointer<PortRow> self(this);
    const QAction* chosen = menu.exec(globalPosition);
    if (chosen && model) model->trigger(static_cast<RowAction>(chosen->data().toInt()), entry);
    if (self) emit self->menuClosed();
}

bool PortRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_labelEditor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_model.setLabelDraft(m_labelEditor->text());
            m_model.commitLabelEdit(m_state.entry.port);
            return true;
        }
        if (key == Qt::Key_Escape) {
            m_model.handleEscape();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace moorix
