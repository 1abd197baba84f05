#pragma once

#include "core/listing/port_entry.h"
#include "core/listing/process_table.h"
#include "core/platform/tool_runner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moorix::PortCore {

// Arguments of the full socket listing: pid, command, parent, uid, login, protocol and name fields of
// TCP sockets in LISTEN, no name lookups, untruncated command names.
const std::vector<std::string>& socketListingArgs();

// The text of an `lsof -F FIELDS` run, or absent when it is no listing: the run did not finish, lsof
// exited with a status other than 0 or 1, or a line starts with a field it was not asked for (lsof adds
// "p" and "f" of its own). Status 1 with no output is lsof finding nothing. Bytes that are not UTF-8 are
// replaced, so that one odd name cannot blank the listing.
std::optional<std::string> socketListingText(const ToolRun& run, std::string_view fields);

// The full socket listing's text; absent when it could not be taken.
std::optional<std::string> fullSocketListing(const ToolRunner& run);

// Distinct port numbers in `lsof -F n` output, in no particular order.
std::vector<std::int64_t> parseListeningPortNumbers(std::string_view text);
// The ports lsof lists now; absent when the listing could not be taken, which is not "none".
std::optional<std::vector<std::int64_t>> listeningPortNumbersFromLsof(const ToolRunner& run);

// Entries of the full socket listing, one per process and port, sorted by port then pid. Names whose
// port is not a number from 0 to 65535 are skipped.
std::vector<PortEntry> parseLsof(std::string_view text, const ProcessTable& table);

} // namespace moorix::PortCore
