#pragma once

#include "core/listing/port_entry.h"

#include <QIcon>

#include <cstdint>
#include <functional>
#include <unordered_map>

namespace moorix {

// Icons of the applications that own port entries, looked up once per root pid and kept for the
// process: every port of one application shows that application's icon.
class OwnerIcons {
public:
    using Lookup = std::function<QIcon(const PortEntry&)>;
    explicit OwnerIcons(Lookup lookup);

    QIcon iconFor(const PortEntry& entry);

private:
    Lookup m_lookup;
    std::unordered_map<std::int32_t, QIcon> m_cache;
};

// The platform's icon for the root process of an entry, or the generic executable icon.
QIcon platformOwnerIcon(const PortEntry& entry);

// The shared cache over the platform lookup; main thread only.
QIcon ownerIcon(const PortEntry& entry);

} // namespace moorix
