#pragma once

#include <QAbstractButton>

class QVariantAnimation;

namespace moorix {

// An on/off switch in the theme's accent. Checkable; `toggled` reports every change, whether it came
// from a click, the keyboard or an accessibility action.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void checkStateSet() override;
    void nextCheckState() override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // 0 off, 1 on, and in between while the knob slides.
    qreal m_position = 0;
    QVariantAnimation* m_slide;
    bool m_hovered = false;
};

} // namespace moorix
