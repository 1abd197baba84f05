// The printf-style formats of the string tables, filled with texts and numbers.
#include "app/services/text_format.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
    const std::string_view bytes = fuzz::text(data + 1, size - 1);
    const QString format = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QString filled = formatText(format, arguments);
    if (!format.contains(u'%')) require(filled == format);
    formatSignature(format);
    return 0;
}
