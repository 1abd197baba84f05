#include "app/panel/owner_icon.h"

namespace moorix {

OwnerIcons::OwnerIcons(Lookup lookup) : m_lookup(std::move(lookup)) {}

QIcon OwnerIcons::iconFor(const PortEntry& entry) {
    if (auto cached = m_cache.find(entry.rootPid); cached != m_cache.end()) return cached->second;
    return m_cache.emplace(entry.rootPid, m_lookup(entry)).first->second;
}

QIcon ownerIcon(const PortEntry& entry) {
    static OwnerIcons icons(platformOwnerIcon);
    return icons.iconFor(entry);
}

} // namespace moorix
