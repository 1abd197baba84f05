#include "app/panel/row_menu.h"

#include "app/services/l10n.h"

namespace moorix {

std::vector<RowMenuItem> rowMenu(const PortEntry& entry, bool watched, bool hasContainer,
                                 const QString& folderOpener) {
    std::vector<RowMenuItem> items;
    const auto add = [&](RowAction action, QString text) { items.push_back({action, std::move(text)}); };
    const auto separator = [&] { items.push_back({std::nullopt, {}}); };

    add(RowAction::openInBrowser, L10n::text("open_in_browser"));
    if (entry.cwd) add(RowAction::openInEditor, L10n::format("open_in_editor", {folderOpener}));
    separator();
    add(RowAction::setLabel, L10n::text("set_label"));
    add(RowAction::toggleWatch, L10n::text(watched ? "unwatch" : "watch"));
    add(RowAction::hide, L10n::text("hide_port"));
    separator();
    if (!hasContainer) {
        if (entry.canRestart()) add(RowAction::restart, L10n::text("restart"));
        add(RowAction::killTree, L10n::text("kill_tree"));
        add(RowAction::forceKill, L10n::text("force_kill"));
        separator();
    }
    add(RowAction::copyUrl, L10n::text("copy_url"));
    add(RowAction::copyPort, L10n::text("copy_port"));
    add(RowAction::copyPid, L10n::text("copy_pid"));
    add(RowAction::copyKill, L10n::text("copy_kill"));
    add(RowAction::history, L10n::text("history"));
    if (entry.cwd) add(RowAction::copyPath, L10n::text("copy_path"));
    return items;
}

} // namespace moorix
