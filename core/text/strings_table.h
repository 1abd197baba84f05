#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace moorix {

// One language's texts, keyed by localisation key, UTF-8.
using StringTable = std::map<std::string, std::string, std::less<>>;

struct StringsSyntaxError {
    int line = 0;
    std::string message;
};

struct StringsParse {
    StringTable table;
    std::vector<StringsSyntaxError> errors;
};

// Reads a string table in the "key" = "value"; format, with // and /* */ comments and the escapes
// \" \\ \n \t \r \' \0 and \Uhhhh. An entry with a syntax error is dropped and reading goes on at the
// next line, so one mistake costs one text, not the table; the errors are reported for the tests.
StringsParse parseStringsTable(std::string_view source);

} // namespace moorix
