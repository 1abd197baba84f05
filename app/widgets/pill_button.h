#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QMargins>

namespace moorix {

// A small text button drawn in the theme: text on an optional capsule, the shapes of the panel's
// "reclaim", "cancel", "stop" and filter buttons.
class PillButton : public QAbstractButton {
    Q_OBJECT

public:
    struct Look {
        QFont font;
        QColor text;
        QColor fill = Qt::transparent; // transparent: no capsule
        QMargins padding{8, 2, 8, 2};
        bool operator==(const Look&) const = default;
    };

    explicit PillButton(QWidget* parent = nullptr);

    void setLook(const Look& look);
    // The visible text is also the accessible name.
    void setLabel(const QString& text);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
};

} // namespace moorix
