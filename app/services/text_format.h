#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace moorix {

// An argument of a localised format: a text or an integer.
using FormatArgument = std::variant<QString, std::int64_t>;

// Fills a printf-style format as the string tables write them: %@ takes a text, %d / %i / %ld / %lld /
// %u / %lu / %llu an integer, %% is a percent sign, and %2$@ names the argument by position so a
// translation may reorder them. An argument of the other kind is printed as it is rather than
// misread; a placeholder without an argument, or one not understood, stays in the text as written.
QString formatText(const QString& format, const std::vector<FormatArgument>& arguments);

// The arguments a format takes, in argument order: 's' for a text, 'i' for an integer, e.g. "si".
// Absent when a placeholder is not understood, two placeholders give one argument different kinds,
// or an argument position is skipped.
std::optional<std::string> formatSignature(const QString& format);

} // namespace moorix
