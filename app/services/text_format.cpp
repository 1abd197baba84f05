#include "app/services/text_format.h"

#include <map>

namespace moorix {

namespace {

struct Placeholder {
    qsizetype length = 0; // characters from the '%' on
    int position = 0;     // 1-based argument number; 0 for "%%"
    char kind = 0;        // 's' or 'i'; 0 when not understood
};

// Reads the placeholder at `format[at]` == '%'. `next` is the argument a placeholder without
// a position takes, and is advanced by one.
Placeholder readPlaceholder(const QString& format, qsizetype at, int& next) {
    qsizetype i = at + 1;
    if (i < format.size() && format[i] == u'%') return {2, 0, '%'};
    int position = 0;
    qsizetype digits = i;
    while (digits < format.size() && format[digits] >= u'0' && format[digits] <= u'9' && digits - i < 3)
        position = position * 10 + format[digits++].digitValue();
    if (digits > i && digits < format.size() && format[digits] == u'$' && position > 0) {
        i = digits + 1;
    } else {
        position = 0;
    }
    char kind = 0;
    if (i < format.size() && format[i] == u'@') {
        kind = 's';
        ++i;
    } else {
        qsizetype longs = 0;
        while (i < format.size() && format[i] == u'l' && longs < 2) {
            ++i;
            ++longs;
        }
        if (i < format.size() && (format[i] == u'd' || format[i] == u'i' || format[i] == u'u')) {
            kind = 'i';
            ++i;
        }
    }
    if (kind == 0) return {1, 0, 0};
    if (position == 0) position = next++;
    return {i - at, position, kind};
}

QString argumentText(const FormatArgument& argument) {
    if (const auto* text = std::get_if<QString>(&argument)) return *text;
    return QString::number(std::get<std::int64_t>(argument));
}

} // namespace

QString formatText(const QString& format, const std::vector<FormatArgument>& arguments) {
    QString out;
    out.reserve(format.size());
    int next = 1;
    for (qsizetype at = 0; at < format.size();) {
        if (format[at] != u'%') {
            out += format[at++];
            continue;
        }
        const Placeholder placeholder = readPlaceholder(format, at, next);
        if (placeholder.kind == '%') {
            out += u'%';
        } else if (placeholder.kind != 0 &&
                   static_cast<std::size_t>(placeholder.position) <= arguments.size()) {
            out += argumentText(arguments[static_cast<std::size_t>(placeholder.position - 1)]);
        } else {
            out += format.mid(at, placeholder.length);
        }
        at += placeholder.length;
    }
    return out;
}

std::optional<std::string> formatSignature(const QString& format) {
    std::map<int, char> kinds;
    int next = 1;
    for (qsizetype at = 0; at < format.size();) {
        if (format[at] != u'%') {
            ++at;
            continue;
        }
        const Placeholder placeholder = readPlaceholder(format, at, next);
        if (placeholder.kind == 0) return std::nullopt;
        if (placeholder.kind != '%') {
            const auto [found, inserted] = kinds.emplace(placeholder.position, placeholder.kind);
            if (!inserted && found->second != placeholder.kind) return std::nullopt;
        }
        at += placeholder.length;
    }
    std::string signature;
    for (const auto& [position, kind] : kinds) {
        if (position != static_cast<int>(signature.size()) + 1) return std::nullopt;
        signature += kind;
    }
    return signature;
}

} // namespace moorix
