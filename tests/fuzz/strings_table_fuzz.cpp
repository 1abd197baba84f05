// The localisation tables: their "key" = "value"; format, and the printf-style formats of their texts
// filled with texts and numbers.
#include "app/services/text_format.h"
#include "core/text/strings_table.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

#include <algorithm>

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    const StringsParse parse = parseStringsTable(input);
    const auto lines = 1 + std::count(input.begin(), input.end(), '\n');
    for (const auto& error : parse.errors) require(error.line >= 1 && error.line <= lines);
    // Escapes only ever add whole characters: a UTF-8 table gives UTF-8 texts.
    if (isValidUtf8(input))
        for (const auto& [key, value] : parse.table) require(isValidUtf8(key) && isValidUtf8(value));

    if (size == 0) return 0;
    // The first byte chooses up to three arguments, each a text or a number; the rest is the format.
    const std::uint8_t choice = data[0];
    std::vector<FormatArgument> arguments;
    for (int i = 0; i < (choice & 3); ++i) {
        if (choice & (4 << i))
            arguments.emplace_back(QStringLiteral("%1$@ text %d"));
        else
            arguments.emplace_back(std::int64_t{-9223372036854775807 - 1} + choice);
    }
    const QString format = QString::fromUtf8(input.data() + 1, static_cast<qsizetype>(size - 1));
    const QString filled = formatText(format, arguments);
    if (!format.contains(u'%')) require(filled == format);
    formatSignature(format);
    return 0;
}
