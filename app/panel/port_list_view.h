#pragma once

#include "app/panel/port_sections.h"

#include <QWidget>

#include <string>
#include <unordered_map>
#include <vector>

class QLabel;

namespace moorix {

class PanelModel;
class PortRow;

// The scrolling content of the panel: the development section, then the others, each under a header
// with its count. Rows are kept by entry id across refreshes, so a refresh only moves and redraws them.
class PortListView : public QWidget {
    Q_OBJECT

public:
    explicit PortListView(PanelModel& model, QWidget* parent = nullptr);

    // Which rows show, in which section: after the list itself changed.
    void rebuild(const PortSections& shown);
    // What the rows say: after their state changed.
    void refreshRows();
    // What the rows of one port say.
    void refreshPort(std::int64_t port);
    // Only the live figures.
    void refreshStats();
    PortRow* row(const std::string& id) const;
    // Only the row under the pointer looks hovered: after scrolling, a menu, or rows moving.
    void syncHover();
    int contentHeight() const { return m_contentHeight; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    template <typename Visit> void forEachShownRow(Visit visit) const;

    PanelModel& m_model;
    QLabel* m_devHeader;
    QLabel* m_otherHeader;
    std::unordered_map<std::string, PortRow*> m_rows;
    std::vector<PortRow*> m_devRows;
    std::vector<PortRow*> m_otherRows;
    int m_contentHeight = 0;
};

} // namespace moorix
