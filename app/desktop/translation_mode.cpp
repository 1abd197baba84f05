#include "app/desktop/desktop_modes.h"

#include "app/services/l10n.h"

#include <cstdio>
#include <string>

namespace moorix::desktop {

int translationMode(const std::string& key) {
    const ResourceBundle* bundle = L10n::resources();
    for (const char* language : {"en", "tr"}) {
        std::string line = std::string(language) + ": ";
        const StringTable* table = bundle ? bundle->table(language) : nullptr;
        if (!table) {
            line += "NO BUNDLE";
        } else if (const auto found = table->find(key); found != table->end()) {
            line += found->second;
        } else {
            line += "MISSING";
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}

} // namespace moorix::desktop
