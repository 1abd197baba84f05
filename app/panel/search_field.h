#pragma once

#include <QWidget>

class QLineEdit;

namespace moorix {

class IconButton;
class PanelModel;

// The search line under the header: typing filters the list at once; the cross clears it.
class SearchField : public QWidget {
    Q_OBJECT

public:
    explicit SearchField(PanelModel& model, QWidget* parent = nullptr);

    void sync();
    void focusText();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PanelModel& m_model;
    QLineEdit* m_edit;
    IconButton* m_clear;
};

} // namespace moorix
