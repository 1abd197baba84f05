#pragma once

#include <QImage>
#include <QObject>

class QSystemTrayIcon;

namespace moorix {

class DevCount;

// Keeps the tray icon's image and tooltip in step with the development-port count.
class MenuBarLabel : public QObject {
    Q_OBJECT

public:
    MenuBarLabel(QSystemTrayIcon& tray, DevCount& count, QObject* parent = nullptr);

    // The bundled artwork, loaded once; null when the bundle or the file is missing.
    static const QImage& customIcon();
    static QString toolTip(int count);

private:
    void show(int count);

    QSystemTrayIcon& m_tray;
};

} // namespace moorix
