#include "app/panel/port_list_view.h"

#include "app/panel/list_metrics.h"
#include "app/panel/panel_model.h"
#include "app/panel/port_row.h"
#include "app/services/l10n.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"

#include <QCursor>
#include <QLabel>

#include <unordered_set>

namespace moorix {

namespace {

using namespace ListMetrics;

QLabel* sectionHeader(QWidget* parent) {
    QFont font = Theme::monoFont(10, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    QLabel* label = themedLabel(font, Theme::secondaryText(), parent);
    label->setContentsMargins(10, 10, 10, 4);
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    label->setFixedHeight(sectionHeaderHeight);
    return label;
}

QString sectionTitle(const char* key, std::size_t count) {
    return L10n::text(key) + QStringLiteral("  \u00B7  ") + QString::number(count);
}

} // namespace

PortListView::PortListView(PanelModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_devHeader(sectionHeader(this)), m_otherHeader(sectionHeader(this)) {
    setObjectName(QStringLiteral("portList"));
    m_devHeader->setObjectName(QStringLiteral("devSection"));
    m_otherHeader->setObjectName(QStringLiteral("otherSection"));
}

void PortListView::rebuild(const PortSections& shown) {
    const auto& dev = shown.dev;
    const auto& other = shown.other;
    std::unordered_set<std::string> ids;
    const auto rowsFor = [&](const std::vector<PortEntry>& entries) {
        std::vector<PortRow*> rows;
        rows.reserve(entries.size());
        for (const auto& entry : entries) {
            std::string id = entry.id();
            PortRow*& row = m_rows[id];
            if (!row) {
                row = new PortRow(m_model, this);
                connect(row, &PortRow::menuClosed, this, &PortListView::syncHover);
            }
            row->setState(m_model.rowState(entry));
            row->show();
            rows.push_back(row);
            ids.insert(std::move(id));
        }
        return rows;
    };
    m_devRows = rowsFor(dev);
    m_otherRows = rowsFor(other);
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (ids.contains(it->first)) {
            ++it;
            continue;
        }
        // Later, not now: the row may be the sender of the click that hid it.
        it->second->hide();
        it->second->deleteLater();
        it = m_rows.erase(it);
    }
    m_devHeader->setText(sectionTitle("section_dev", dev.size()));
    m_otherHeader->setText(sectionTitle("section_system", other.size()));
    m_devHeader->setVisible(!dev.empty());
    m_otherHeader->setVisible(!other.empty());
    place();
}

template <typename Visit> void PortListView::forEachShownRow(Visit visit) const {
    for (const auto* rows : {&m_devRows, &m_otherRows})
        for (PortRow* row : *rows) visit(*row);
}

void PortListView::refreshRows() {
    forEachShownRow([this](PortRow& row) { row.setState(m_model.rowState(row.state().entry)); });
}

void PortListView::refreshPort(std::int64_t port) {
    forEachShownRow([this, port](PortRow& row) {
        if (row.state().entry.port == port) row.setState(m_model.rowState(row.state().entry));
    });
}

void PortListView::refreshStats() {
    forEachShownRow([this](PortRow& row) { row.setStatsText(m_model.statsText(row.state().entry.pid)); });
}

PortRow* PortListView::row(const std::string& id) const {
    const auto found = m_rows.find(id);
    return found == m_rows.end() ? nullptr : found->second;
}

void PortListView::syncHover() {
    // Qt tells a row the pointer came or went only when the pointer moves, not when the row moves
    // under it or a menu had it.
    const QPoint pointer = mapFromGlobal(QCursor::pos());
    const bool inside = visibleRegion().contains(pointer);
    for (const auto& [id, row] : m_rows) row->setHovering(inside && row->geometry().contains(pointer));
}

void PortListView::resizeEvent(QResizeEvent*) { place(); }

void PortListView::place() {
    const int rowWidth = width() - 2 * sideMargin;
    int y = topMargin;
    const auto section = [&](QLabel* header, const std::vector<PortRow*>& rows) {
        if (rows.empty()) return;
        header->setGeometry(sideMargin, y, rowWidth, sectionHeaderHeight);
        y += sectionHeaderHeight;
        for (PortRow* row : rows) {
            row->setGeometry(sideMargin, y, rowWidth, rowHeight);
            y += rowHeight;
        }
    };
    section(m_devHeader, m_devRows);
    section(m_otherHeader, m_otherRows);
    m_contentHeight = y + bottomMargin;
    setMinimumHeight(m_contentHeight);
    syncHover();
}

} // namespace moorix
