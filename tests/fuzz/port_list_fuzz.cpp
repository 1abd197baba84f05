// The comma-separated port lists and the JSON object of port labels, as the preferences store keeps them.
#include "app/services/port_labels.h"
#include "core/text/port_list.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    const auto ports = PortList::parse(input);
    require(PortList::countNumbers(input) >= ports.size());
    require(PortList::parse(PortList::encode(ports)) == ports);

    const QString json = QString::fromUtf8(input.data(), static_cast<qsizetype>(input.size()));
    const auto labels = PortLabels::decode(json);
    if (const auto stored = PortLabels::encode(labels)) require(PortLabels::decode(*stored) == labels);
    return 0;
}
