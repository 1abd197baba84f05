#include "app/panel/row_menu.h"

#include "app/services/l10n.h"

namespace moorix {

std::vector<RowMenuItem> rowMenu(const PortEntry& entry, bool watched, bool hasContainer,
                                 const QString& folderOpener) {
    std::vector<RowMenuItem> items;
    const auto add = [&](RowAction action, QString text) { items.push_back({action, std::move(text)}); };
    const auto separator = [&] { items.push_back({std::nullopt, {}}); };

    add(RowAction::OpenInBrowser, L10n::text("open_in_browser"));
    if (entry.cwd) add(RowAction::OpenInEditor, L10n::format("open_in_editor", {folderOpener}));
    separator();
    add(RowAction::SetLabel, L10n::text("set_label"));
    add(RowAction::ToggleWatch, L10n::text(watched ? "unwatch" : "watch"));
    add(RowAction::Hide, L10n::text("hide_port"));
    separator();
    if (!hasContainer) {
        if (entry.canRestart()) add(RowAction::Restart, L10n::text("restart"));
        add(RowAction::KillTree, L10n::text("kill_tree"));
        add(RowAction::ForceKill, L10n::text("force_kill"));
        separator();
    }
    add(RowAction::CopyUrl, L10n::text("copy_url"));
    add(RowAction::CopyPort, L10n::text("copy_port"));
    add(RowAction::CopyPid, L10n::text("copy_pid"));
    add(RowAction::CopyKill, L10n::text("copy_kill"));
    add(RowAction::History, L10n::text("history"));
    if (entry.cwd) add(RowAction::CopyPath, L10n::text("copy_path"));
    return items;
}

} // namespace moorix
