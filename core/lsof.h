#pragma once

#include "core/port_entry.h"
#include "core/process_table.h"
#include "core/tool_runner.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace moorix::PortCore {

// Arguments of the full socket listing: pid, command, parent, uid, login, protocol and name fields of
// TCP sockets in LISTEN, no name lookups, untruncated command names.
const std::vector<std::string>& socketListingArgs();

// Distinct port numbers in `lsof -F n` output, in no particular order.
std::vector<std::int64_t> parseListeningPortNumbers(std::string_view text);
std::vector<std::int64_t> listeningPortNumbers(const ToolRunner& run = runTool);

// Entries of the full socket listing, one per process and port, sorted by port then pid.
std::vector<PortEntry> parseLsof(std::string_view text, const ProcessTable& table);

} // namespace moorix::PortCore
