#pragma once

#include <QWidget>

#include <limits>

class QScrollArea;

namespace moorix {

class AlertStrip;
class EmptyState;
class HistorySheet;
class PanelHeader;
class PanelModel;
class PortListView;
class SearchField;

// The drop-down panel, 380 pixels wide and always dark: header, then either the history sheet or the
// alert strip, search field and port list. It draws the model and hands it the user's keys and clicks.
class PanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 380;

    explicit PanelView(PanelModel& model, QWidget* parent = nullptr);

    PortListView& list() const { return *m_list; }

    // The most height the panel may take: the screen's room beside the tray icon. The list gives up rows
    // (and scrolls) to stay inside it.
    void setRoom(int height);

signals:
    void settingsRequested();
    void quitRequested();
    // Escape found nothing left to back out of.
    void dismissRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void sync(unsigned what);
    void toggleSearch();
    void revealSelection();
    void openSelectedMenu();
    int heightBesideList() const;

    PanelModel& m_model;
    PanelHeader* m_header;
    HistorySheet* m_history;
    QWidget* m_listPage;
    AlertStrip* m_strip;
    SearchField* m_search;
    EmptyState* m_empty;
    QScrollArea* m_scroll;
    PortListView* m_list;
    int m_room = std::numeric_limits<int>::max();
};

} // namespace moorix
