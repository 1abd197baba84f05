#include "app/services/port_labels.h"

#include "core/text/json_text.h"

#include <nlohmann/json.hpp>

namespace moorix::PortLabels {

namespace {

// Only spaces and tabs: a line break inside a label is the user's own.
QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

} // namespace

std::map<QString, QString> decode(const QString& json) {
    const auto value = nlohmann::json::parse(json.toStdString(), nullptr, false);
    if (!value.is_object()) return {};
    std::map<QString, QString> labels;
    for (const auto& [name, label] : value.items()) {
        if (!label.is_string()) return {};
        labels[QString::fromStdString(name)] = QString::fromStdString(label.get<std::string>());
    }
    return labels;
}

std::optional<QString> encode(const std::map<QString, QString>& labels) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const auto& [name, label] : labels) object[name.toStdString()] = label.toStdString();
    const auto text = writeCompactJson(object);
    if (!text) return std::nullopt;
    return QString::fromStdString(*text);
}

std::map<QString, QString> all(const Preferences& store) {
    const auto stored = store.portLabelsText();
    return stored ? decode(*stored) : std::map<QString, QString>();
}

void set(Preferences& store, const std::optional<QString>& label, std::int64_t port) {
    auto labels = all(store);
    const QString name = QString::number(port);
    const QString trimmed = label ? trimBlanks(*label) : QString();
    if (trimmed.isEmpty()) {
        labels.erase(name);
    } else {
        labels[name] = trimmed;
    }
    if (const auto text = encode(labels)) store.setPortLabelsText(*text);
}

} // namespace moorix::PortLabels
