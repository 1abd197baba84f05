#pragma once

#include <QWidget>

class QLabel;

namespace moorix {

class IconButton;
class PanelModel;

// The panel's top line: the product name, the port counts and the search, refresh, history, settings
// and quit buttons.
class PanelHeader : public QWidget {
    Q_OBJECT

public:
    explicit PanelHeader(PanelModel& model, QWidget* parent = nullptr);

    // Draws the model's current state.
    void sync();

signals:
    void searchToggled();
    void settingsRequested();
    void quitRequested();

private:
    PanelModel& m_model;
    QLabel* m_counts;
    IconButton* m_search;
    IconButton* m_refresh;
    IconButton* m_history;
    IconButton* m_settings;
    IconButton* m_quit;
};

} // namespace moorix
