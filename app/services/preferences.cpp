#include "app/services/preferences.h"

#include "core/text/port_list.h"

#include <QSettings>
#include <QStringList>

#include <cmath>

namespace moorix {

namespace {

constexpr char refreshIntervalKey[] = "refreshInterval";
constexpr char panelMaxHeightKey[] = "panelMaxHeight";
constexpr char confirmBeforeKillKey[] = "confirmBeforeKill";
constexpr char hiddenPortsKey[] = "hiddenPorts";
constexpr char appLanguageKey[] = "appLanguage";
constexpr char portLabelsKey[] = "portLabels";
constexpr char watchedPortsKey[] = "watchedPorts";

bool isNumberType(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

// A positive finite number, whether the store kept it typed (macOS) or as text (INI).
std::optional<double> positiveNumber(const QVariant& value) {
    bool ok = false;
    double number = 0;
    if (isNumberType(value)) {
        number = value.toDouble(&ok);
    } else if (value.typeId() == QMetaType::QString) {
        number = value.toString().toDouble(&ok);
    }
    if (!ok || !std::isfinite(number) || number <= 0) return std::nullopt;
    return number;
}

std::optional<bool> boolean(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    if (isNumberType(value)) {
        const double number = value.toDouble();
        if (number == 0 || number == 1) return number == 1;
        return std::nullopt;
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().toLower();
        if (text == "true" || text == "1") return true;
        if (text == "false" || text == "0") return false;
    }
    return std::nullopt;
}

std::optional<QString> text(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    // An unquoted comma list in a hand-edited INI file comes back as a list.
    case QMetaType::QStringList:
        return value.toStringList().join(',');
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toString();
    default:
        return std::nullopt;
    }
}

QString portListText(const std::set<std::int64_t>& ports) {
    return QString::fromStdString(PortList::encode(ports));
}

} // namespace

Preferences::Preferences() = default;

Preferences::Preferences(QString path) : m_path(std::move(path)) {}

QSettings Preferences::openStore() const {
    if (!m_path.isEmpty()) return QSettings(m_path, QSettings::IniFormat);
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "quenvale.com", "moorix");
}

QString Preferences::location() const { return openStore().fileName(); }

QVariant Preferences::read(const char* key) const {
    std::lock_guard lock(m_mutex);
    return openStore().value(key);
}

bool Preferences::write(const char* key, const QVariant& value) {
    std::lock_guard lock(m_mutex);
    QSettings store = openStore();
    const QVariant before = store.value(key);
    store.setValue(key, value);
    store.sync();
    if (store.status() != QSettings::NoError) return false;
    // An INI store gives back text where a typed value was written, and a list for an unquoted comma
    // list: compare the text forms.
    const auto beforeText = text(before);
    return !before.isValid() || beforeText.value_or(before.toString()) != value.toString();
}

std::optional<QString> Preferences::readText(const char* key) const { return text(read(key)); }

double Preferences::refreshInterval() const {
    return positiveNumber(read(refreshIntervalKey)).value_or(refreshIntervalDefault);
}

void Preferences::setRefreshInterval(double seconds) {
    if (write(refreshIntervalKey, seconds)) emit refreshIntervalChanged(seconds);
}

double Preferences::panelMaxHeight() const {
    return positiveNumber(read(panelMaxHeightKey)).value_or(panelMaxHeightDefault);
}

void Preferences::setPanelMaxHeight(double points) {
    if (write(panelMaxHeightKey, points)) emit panelMaxHeightChanged(points);
}

bool Preferences::confirmBeforeKill() const {
    return boolean(read(confirmBeforeKillKey)).value_or(confirmBeforeKillDefault);
}

void Preferences::setConfirmBeforeKill(bool confirm) {
    if (write(confirmBeforeKillKey, confirm)) emit confirmBeforeKillChanged(confirm);
}

QString Preferences::hiddenPorts() const { return readText(hiddenPortsKey).value_or(QString()); }

void Preferences::setHiddenPorts(const QString& value) {
    if (write(hiddenPortsKey, value)) emit hiddenPortsChanged(value);
}

void Preferences::setHiddenPortSet(const std::set<std::int64_t>& ports) {
    setHiddenPorts(portListText(ports));
}

QString Preferences::appLanguage() const {
    return readText(appLanguageKey).value_or(QStringLiteral("system"));
}

void Preferences::setAppLanguage(const QString& language) {
    if (write(appLanguageKey, language)) emit appLanguageChanged(language);
}

std::optional<QString> Preferences::portLabelsText() const { return readText(portLabelsKey); }

void Preferences::setPortLabelsText(const QString& json) { write(portLabelsKey, json); }

std::set<std::int64_t> Preferences::watchedPorts() const {
    return PortList::parse(readText(watchedPortsKey).value_or(QString()).toStdString());
}

void Preferences::setWatchedPorts(const std::set<std::int64_t>& ports) {
    write(watchedPortsKey, portListText(ports));
}

QByteArray Preferences::windowFrame(const QString& name) const {
    return read(name.toUtf8().constData()).toByteArray();
}

void Preferences::setWindowFrame(const QString& name, const QByteArray& frame) {
    write(name.toUtf8().constData(), frame);
}

} // namespace moorix
