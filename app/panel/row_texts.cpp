#include "app/panel/row_texts.h"

#include "app/services/l10n.h"
#include "app/services/port_subtitle.h"

namespace moorix {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

QString question(const RowState& row, StopAction action) {
    if (row.entry.isSystemCritical()) return L10n::text("confirm_sys");
    if (row.dockerName) return L10n::format("confirm_docker", {text(*row.dockerName)});
    switch (action) {
    case StopAction::RestartTree:
        return L10n::text("confirm_restart");
    case StopAction::StopTree:
        return L10n::text("confirm_tree");
    case StopAction::ForceStop:
        return L10n::text("confirm_force");
    case StopAction::Stop:
        break;
    }
    return L10n::text("confirm_kill");
}

} // namespace

void writeRowTexts(RowState& row, std::optional<StopAction> confirming) {
    const PortEntry& entry = row.entry;
    row.secondLine = confirming ? question(row, *confirming) : subtitle(entry, row.dockerName);

    if (entry.isSystemCritical())
        row.stopHelp = L10n::text("help_sys");
    else if (row.dockerName)
        row.stopHelp = L10n::format("help_docker_stop", {text(*row.dockerName)});
    else
        row.stopHelp = L10n::text("help_kill");
    row.portHelp =
        entry.isDev() ? L10n::text("help_open") + QStringLiteral(" \u2014 ") + text(entry.url()) : QString();
    row.healthHelp = row.healthy ? L10n::text(*row.healthy ? "help_healthy" : "help_no_http") : QString();
    row.watchedHelp = L10n::text("help_watched");
    row.exposedHelp = L10n::text("help_exposed");
    row.statsHelp = QStringLiteral("CPU \u00B7 RAM");
    row.toolTip = text(entry.chainText()) + QStringLiteral("\npid ") + QString::number(entry.pid) +
                  QStringLiteral(" \u00B7 ") + text(entry.user);
    row.accessibleName = QStringLiteral(":") + QString::number(entry.port) +
                         (row.label ? QStringLiteral(" ") + *row.label : QString()) + QStringLiteral(" ") +
                         row.secondLine;
}

} // namespace moorix
