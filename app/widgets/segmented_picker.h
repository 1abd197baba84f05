#pragma once

#include <QWidget>

#include <vector>

class QAbstractButton;

namespace moorix {

// A row of mutually exclusive options in one rounded frame, the chosen one filled with the accent.
// Each option is a checkable button (a radio button to assistive technology); the group takes the
// accessible name of its row.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    // `width` in points, the frame of the options, however many there are.
    SegmentedPicker(int optionCount, int width, QWidget* parent = nullptr);

    void setLabels(const QStringList& labels);
    // -1 when none is chosen (a stored value none of the options stands for).
    int currentIndex() const { return m_current; }
    // Chooses without emitting `picked`.
    void setCurrentIndex(int index);

    QSize sizeHint() const override;

signals:
    // The user chose option `index` (by mouse, keyboard or an accessibility action).
    void picked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF frame() const;

    std::vector<QAbstractButton*> m_options;
    int m_current = -1;
    int m_width;
    bool m_syncing = false;
};

} // namespace moorix
