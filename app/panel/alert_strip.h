#pragma once

#include <QWidget>

class QLabel;

namespace moorix {

class PanelModel;
class PillButton;

// Speaks up only when something deserves attention: ports reachable from the network (a button that
// filters the list to them), orphaned or stale development servers, and a button that stops them all.
class AlertStrip : public QWidget {
    Q_OBJECT

public:
    explicit AlertStrip(PanelModel& model, QWidget* parent = nullptr);

    // Draws the model's current state.
    void sync();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PanelModel& m_model;
    QLabel* m_warning;
    PillButton* m_exposed;
    QLabel* m_dot;
    QLabel* m_insight;
    PillButton* m_reclaim;
};

} // namespace moorix
