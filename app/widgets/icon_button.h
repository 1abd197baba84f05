#pragma once

#include <QAbstractButton>
#include <QColor>

namespace moorix {

// A borderless button showing one symbol; its help text is both its tooltip and its accessible name.
class IconButton : public QAbstractButton {
    Q_OBJECT

public:
    IconButton(const QString& symbolName, int symbolSize, QWidget* parent = nullptr);

    void setHelp(const QString& help);
    void setColor(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QString m_symbol;
    int m_symbolSize;
    QColor m_color;
    // The ring shows where the keyboard is, so only for focus that came from the keyboard.
    bool m_keyboardFocus = false;
};

} // namespace moorix
