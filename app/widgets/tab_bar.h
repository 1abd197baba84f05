#pragma once

#include <QWidget>

#include <vector>

class QAbstractButton;
class QVariantAnimation;

namespace moorix {

// The row of tabs at the top of the settings window: a dark capsule in which a light chip marks the
// selected tab and slides to the one the user picks. Each tab is a page tab to assistive technology,
// named by its title.
class TabBar : public QWidget {
    Q_OBJECT

public:
    explicit TabBar(int tabCount, QWidget* parent = nullptr);

    void setTitles(const QStringList& titles);
    QAbstractButton* tab(int index) const;

signals:
    // The user picked tab `index`; the chip is on its way there.
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void select(int index);
    QRectF chipTarget() const;
    void placeChip(const QRectF& chip);

    std::vector<QAbstractButton*> m_tabs;
    int m_current = 0;
    QRectF m_chip;
    QVariantAnimation* m_slide;
};

} // namespace moorix
