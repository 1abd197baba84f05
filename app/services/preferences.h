#pragma once

#include <QByteArray>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>

namespace moorix {

// Every user setting and the small per-port data, kept in the platform's preferences store
// (the user defaults domain com.quenvale.moorix on macOS, an INI file under the XDG config folder on Linux).
// Nothing is cached: each read goes to the store, so a value changed elsewhere is seen at once.
// Safe to use from any thread; the change signals are emitted on the thread that wrote the value, so
// views connect with the default (queued across threads) connection type. Made by the program's start-up
// on the application's thread, so that it may also be the receiver of a connection.
class Preferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        double refreshInterval READ refreshInterval WRITE setRefreshInterval NOTIFY refreshIntervalChanged)
    Q_PROPERTY(double panelMaxHeight READ panelMaxHeight WRITE setPanelMaxHeight NOTIFY panelMaxHeightChanged)
    Q_PROPERTY(bool confirmBeforeKill READ confirmBeforeKill WRITE setConfirmBeforeKill NOTIFY
                   confirmBeforeKillChanged)
    Q_PROPERTY(QString hiddenPorts READ hiddenPorts WRITE setHiddenPorts NOTIFY hiddenPortsChanged)
    Q_PROPERTY(QString appLanguage READ appLanguage WRITE setAppLanguage NOTIFY appLanguageChanged)

public:
    static constexpr double refreshIntervalDefault = 3.0;
    static constexpr double panelMaxHeightDefault = 480.0;
    static constexpr bool confirmBeforeKillDefault = true;

    // The user's store.
    Preferences();
    // A store of its own in the INI file at `path`, which is created on the first write.
    explicit Preferences(QString path);

    // Seconds between the panel's refreshes; a stored value that is not a positive number reads as 3.
    double refreshInterval() const;
    void setRefreshInterval(double seconds);
    // Points; a stored value that is not a positive number reads as 480.
    double panelMaxHeight() const;
    void setPanelMaxHeight(double points);
    bool confirmBeforeKill() const;
    void setConfirmBeforeKill(bool confirm);

    // The raw comma list; the setter of a set of ports writes it as one.
    QString hiddenPorts() const;
    void setHiddenPorts(const QString& text);
    void setHiddenPortSet(const std::set<std::int64_t>& ports);

    // "system", "tr" or "en".
    QString appLanguage() const;
    void setAppLanguage(const QString& language);

    // The JSON text of the port labels; absent when never set. PortLabels encodes and decodes it.
    std::optional<QString> portLabelsText() const;
    void setPortLabelsText(const QString& json);

    // The watched ports, read from and written to the store on every access.
    std::set<std::int64_t> watchedPorts() const;
    void setWatchedPorts(const std::set<std::int64_t>& ports);

    // A window's frame as QWidget::saveGeometry gives it, saved under the window's own name; empty when
    // none was saved.
    QByteArray windowFrame(const QString& name) const;
    void setWindowFrame(const QString& name, const QByteArray& frame);

    // The file that holds the store.
    QString location() const;

signals:
    void refreshIntervalChanged(double seconds);
    void panelMaxHeightChanged(double points);
    void confirmBeforeKillChanged(bool confirm);
    void hiddenPortsChanged(const QString& text);
    void appLanguageChanged(const QString& language);

private:
    // One store object per access: a QSettings instance is not to be shared between threads, while
    // separate instances on the same file are, and each one sees what the others wrote.
    QSettings openStore() const;
    QVariant read(const char* key) const;
    // Stores `value` under `key`; true when the stored value changed.
    bool write(const char* key, const QVariant& value);
    std::optional<QString> readText(const char* key) const;

    // Empty for the user's store.
    const QString m_path;
    mutable std::mutex m_mutex;
};

} // namespace moorix
