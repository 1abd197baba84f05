#include "app/windows/history_sheet.h"

#include "app/services/l10n.h"
#include "app/widgets/divider.h"
#include "app/widgets/icon_button.h"
#include "app/widgets/scroll_style.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"
#include "app/windows/history_event_list.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QVBoxLayout>

namespace moorix {

namespace {

constexpr int padding = 12;
constexpr int emptyHeight = 300;

} // namespace

HistorySheet::HistorySheet(QWidget* parent)
    : QWidget(parent), m_title(new QLabel), m_close(new IconButton(QStringLiteral("xmark"), 11)),
      m_empty(new QLabel), m_list(new QListView), m_events(new HistoryEventList(this)) {
    setObjectName(QStringLiteral("historySheet"));
    m_title->setFont(Theme::uiFont(13, QFont::DemiBold));
    setTextColor(m_title, Theme::primaryText());
    m_close->setColor(Theme::secondaryText());
    connect(m_close, &IconButton::clicked, this, &HistorySheet::closeRequested);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(padding, padding - 4, padding - 4, padding - 4);
    header->addWidget(m_title);
    header->addStretch();
    header->addWidget(m_close);

    m_empty->setFont(Theme::uiFont(12));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_empty->setFixedHeight(emptyHeight);
    m_empty->setContentsMargins(24, 24, 24, 24);
    setTextColor(m_empty, Theme::secondaryText());

    m_list->setModel(m_events);
    m_list->setItemDelegate(new HistoryEventDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setStyleSheet(QStringLiteral("QListView { background: transparent; }") + scrollBarStyle());
    m_list->viewport()->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(header);
    layout->addWidget(new Divider);
    layout->addWidget(m_empty);
    auto* listBox = new QVBoxLayout;
    listBox->setContentsMargins(padding, padding - 2, padding - 6, padding - 6);
    listBox->addWidget(m_list);
    layout->addLayout(listBox);
    retranslate();
    setEvents({});
}

void HistorySheet::retranslate() {
    m_title->setText(L10n::text("history_title"));
    m_close->setHelp(L10n::text("close"));
    m_empty->setText(L10n::text("history_empty"));
}

void HistorySheet::setEvents(std::vector<PortEvent> events) {
    m_events->setEvents(std::move(events));
    const bool empty = m_events->rowCount() == 0;
    m_empty->setVisible(empty);
    m_list->setVisible(!empty);
    resizeList();
}

void HistorySheet::setMaximumListHeight(int height) {
    m_maximumListHeight = height;
    resizeList();
}

void HistorySheet::resizeList() {
    const int content = m_events->rowCount() * HistoryEventDelegate::rowHeight;
    m_list->setFixedHeight(std::clamp(content, 0, std::max(m_maximumListHeight, emptyHeight)));
}

} // namespace moorix
