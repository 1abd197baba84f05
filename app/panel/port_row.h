#pragma once

#include "app/panel/row_state.h"

#include <QRectF>
#include <QWidget>

class QLineEdit;

namespace moorix {

class PanelModel;
class PillButton;

// One port of the list: owner icon, health dot, port, label chip, watch and exposure marks, who started
// it, live figures and its stop button. It draws a RowState and hands clicks, keys and menu choices to
// the panel model. Screen readers see it as one list item named after its port, label and subtitle.
class PortRow : public QWidget {
    Q_OBJECT

public:
    PortRow(PanelModel& model, QWidget* parent = nullptr);

    void setState(const RowState& state);
    // The live figures alone, which change every second.
    void setStatsText(const QString& text);
    const RowState& state() const { return m_state; }
    // A click, or a screen reader's press: the row becomes the selection.
    void selectByUser();
    // The context menu, also opened from the keyboard.
    void openMenu(const QPoint& globalPosition);
    void setHovering(bool hovering);

signals:
    // A menu held the pointer meanwhile, so no row heard it come or go.
    void menuClosed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the pieces of the title line were drawn, for clicks and help texts.
    struct Marks {
        QRectF dot, port, chip, bell, exposed;
    };

    PillButton* stopButton();
    void makeConfirmButtons();
    QLineEdit* labelEditor();
    void applyTexts();
    void placeControls();
    QString helpAt(const QPointF& point) const;
    int rightAreaLeft() const;

    PanelModel& m_model;
    RowState m_state;
    bool m_hovering = false;
    Marks m_marks;
    PillButton* m_stop = nullptr;
    PillButton* m_cancel = nullptr;
    PillButton* m_confirm = nullptr;
    QLineEdit* m_labelEditor = nullptr;
};

} // namespace moorix
