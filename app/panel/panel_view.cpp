#include "app/panel/panel_view.h"

#include "app/panel/alert_strip.h"
#include "app/panel/empty_state.h"
#include "app/panel/list_metrics.h"
#include "app/panel/panel_header.h"
#include "app/panel/panel_model.h"
#include "app/panel/port_list_view.h"
#include "app/panel/port_row.h"
#include "app/panel/search_field.h"
#include "app/widgets/divider.h"
#include "app/widgets/scroll_style.h"
#include "app/widgets/theme.h"
#include "app/windows/history_sheet.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace moorix {

namespace {

std::optional<PanelKey> panelKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Down:
        return PanelKey::Down;
    case Qt::Key_Up:
        return PanelKey::Up;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return PanelKey::Activate;
    case Qt::Key_Escape:
        return PanelKey::Back;
    case Qt::Key_Menu:
        return PanelKey::Menu;
    case Qt::Key_F10:
        if (event.modifiers() == Qt::ShiftModifier) return PanelKey::Menu;
        break;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace

PanelView::PanelView(PanelModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_header(new PanelHeader(model)), m_history(new HistorySheet),
      m_listPage(new QWidget), m_strip(new AlertStrip(model)), m_search(new SearchField(model)),
      m_empty(new EmptyState), m_scroll(new QScrollArea), m_list(new PortListView(model)) {
    setObjectName(QStringLiteral("panel"));
    setAccessibleName(QStringLiteral("Moorix"));
    setPalette(Theme::palette());
    setFocusPolicy(Qt::StrongFocus);
    // The layout sizes the panel to its content; the header sets the width every piece takes.
    m_header->setFixedWidth(width);

    m_scroll->setWidget(m_list);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }") + scrollBarStyle());
    m_scroll->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, m_list, &PortListView::syncHover);

    auto* page = new QVBoxLayout(m_listPage);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(m_strip);
    page->addWidget(m_search);
    page->addWidget(new Divider);
    page->addWidget(m_empty);
    page->addWidget(m_scroll);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_header);
    layout->addWidget(new Divider);
    layout->addWidget(m_history);
    layout->addWidget(m_listPage);

    connect(m_header, &PanelHeader::searchToggled, this, &PanelView::toggleSearch);
    connect(m_header, &PanelHeader::settingsRequested, this, &PanelView::settingsRequested);
    connect(m_header, &PanelHeader::quitRequested, this, &PanelView::quitRequested);
    connect(m_history, &HistorySheet::closeRequested, &m_model.history(), &HistorySheetModel::close);
    connect(&m_model, &PanelModel::changed, this, &PanelView::sync);
    connect(&m_model, &PanelModel::portChanged, m_list, &PortListView::refreshPort);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, &PanelView::toggleSearch);
    sync(~0u);
}

void PanelView::sync(unsigned what) {
    if (what & PanelModel::Header) m_header->sync();
    if (what & PanelModel::Strip) m_strip->sync();
    if (what & PanelModel::Search) {
        // The keyboard moves only when the search field closes under it; elsewhere it stays put.
        const bool closingUnderKeyboard =
            !m_model.showSearch() && m_search->isVisible() && m_search->isAncestorOf(window()->focusWidget());
        m_search->setVisible(m_model.showSearch());
        m_search->sync();
        if (closingUnderKeyboard) setFocus();
    }
    if (what & PanelModel::List) {
        const PortSections shown = m_model.sections();
        m_empty->setText(m_model.emptyStateText());
        m_empty->setVisible(shown.empty());
        m_scroll->setVisible(!shown.empty());
        m_list->rebuild(shown);
        m_scroll->setFixedHeight(
            static_cast<int>(std::ceil(m_model.listHeight(shown, m_room - heightBesideList()))));
    } else if (what & PanelModel::Rows) {
        m_list->refreshRows();
    } else if (what & PanelModel::Stats) {
        m_list->refreshStats();
    }
    if (what & PanelModel::History) {
        const bool history = m_model.history().shown();
        m_history->setVisible(history);
        m_listPage->setVisible(!history);
        m_history->retranslate();
        m_history->setMaximumListHeight(static_cast<int>(m_model.panelMaxHeight()));
        m_history->setEvents(m_model.history().events());
    }
}

void PanelView::setRoom(int height) {
    if (height == m_room) return;
    m_room = height;
    sync(PanelModel::List);
}

// What the panel shows besides the list: header, strip, search field, dividers, empty state.
int PanelView::heightBesideList() const {
    int height = 0;
    for (const QLayout* column : {layout(), m_listPage->layout()}) {
        for (int i = 0; i < column->count(); ++i) {
            const QWidget* piece = column->itemAt(i)->widget();
            if (!piece || piece == m_listPage || piece == m_scroll || !piece->isVisibleTo(this)) continue;
            height += piece->hasHeightForWidth() ? piece->heightForWidth(width) : piece->sizeHint().height();
        }
    }
    return height;
}

void PanelView::toggleSearch() {
    m_model.toggleSearch();
    if (m_model.showSearch())
        m_search->focusText();
    else
        setFocus();
}

void PanelView::revealSelection() {
    if (!m_model.selection()) return;
    if (PortRow* row = m_list->row(*m_model.selection())) m_scroll->ensureWidgetVisible(row, 0, 0);
}

void PanelView::openSelectedMenu() {
    if (!m_model.selection()) return;
    PortRow* row = m_list->row(*m_model.selection());
    if (!row || !row->isVisible()) return;
    revealSelection();
    row->openMenu(row->mapToGlobal(QPoint(row->width() / 2, ListMetrics::rowHeight - 6)));
}

void PanelView::keyPressEvent(QKeyEvent* event) {
    const auto key = panelKey(*event);
    if (!key || !m_model.takesKey(*key)) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (*key) {
    case PanelKey::Down:
    case PanelKey::Up:
        m_model.moveSelection(*key == PanelKey::Down ? 1 : -1);
        revealSelection();
        break;
    case PanelKey::Activate:
        if (!m_model.handleReturn()) event->ignore();
        break;
    case PanelKey::Back:
        if (!m_model.handleEscape()) emit dismissRequested();
        break;
    case PanelKey::Menu:
        openSelectedMenu();
        break;
    }
}

// The panel opens with the keyboard on its list, wherever the window put it.
void PanelView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_model.showSearch()) setFocus();
}

void PanelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::panel());
    painter.setPen(QColor(255, 255, 255, 28));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace moorix
