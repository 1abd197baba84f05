#pragma once

#include <QSlider>

namespace moorix {

// A horizontal slider whose value is always a multiple of its step above the minimum. Values set from
// outside the grid (by an accessibility client, the wheel) are moved to the nearest step before anyone
// hears of them: listen to `steppedValueChanged`, never to `valueChanged`.
class SteppedSlider : public QSlider {
    Q_OBJECT

public:
    // `width` in points.
    SteppedSlider(int minimum, int maximum, int step, int width, QWidget* parent = nullptr);

    // The step nearest to `value`, within the range.
    int snapped(int value) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void steppedValueChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRectF track() const;
    QRectF travel() const;
    QRectF knob() const;
    int valueAt(qreal x) const;

    int m_width;
    bool m_hovered = false;
};

} // namespace moorix
