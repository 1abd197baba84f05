#include "app/windows/window_frame.h"

#include "app/services/preferences.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace moorix::WindowFrame {

namespace {

class FrameSaver : public QObject {
public:
    FrameSaver(QWidget& window, Preferences& store, QString name)
        : QObject(&window), m_window(window), m_store(store), m_name(std::move(name)) {
        window.installEventFilter(this);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
            if (m_window.isVisible()) save();
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_window && event->type() == QEvent::Hide) save();
        return false;
    }

private:
    void save() { m_store.setWindowFrame(m_name, m_window.saveGeometry()); }

    QWidget& m_window;
    Preferences& m_store;
    QString m_name;
};

} // namespace

void keep(QWidget& window, Preferences& store, const QString& name) {
    const QByteArray saved = store.windowFrame(name);
    if (saved.isEmpty() || !window.restoreGeometry(saved)) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            window.move(available.x() + (available.width() - window.width()) / 2,
                        available.y() + (available.height() - window.height()) / 2);
        }
    }
    new FrameSaver(window, store, name);
}

} // namespace moorix::WindowFrame
