#include "app/services/port_subtitle.h"

#include "app/services/l10n.h"

namespace moorix {

QString subtitle(const PortEntry& entry, const std::optional<std::string>& dockerName) {
    if (dockerName) return L10n::format("docker_container", {QString::fromStdString(*dockerName)});
    const QString command = QString::fromStdString(entry.command);
    const std::string owner = entry.owner();
    const QString startedBy = owner == entry.command
                                  ? command
                                  : L10n::format("started_by", {command, QString::fromStdString(owner)});
    if (!entry.project) return startedBy;
    return QString::fromStdString(*entry.project) + QStringLiteral(" \u00B7 ") + startedBy;
}

} // namespace moorix
