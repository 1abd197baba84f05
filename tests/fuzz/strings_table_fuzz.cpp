// The localisation tables' "key" = "value"; format.
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
    return 0;
}
