#include "app/windows/updates_settings.h"

#include "app/services/l10n.h"
#include "app/widgets/pill_button.h"
#include "app/widgets/section_label.h"
#include "app/widgets/settings_button.h"
#include "app/widgets/toggle_switch.h"
#include "app/windows/settings_card.h"
#include "app/windows/settings_row.h"

#include <QSignalBlocker>

namespace moorix {

UpdatesSettings::UpdatesSettings(QString version, std::optional<UpdateController> controller, QWidget* parent)
    : SettingsPage(parent), m_version(std::move(version)), m_controller(std::move(controller)) {
    QWidget* checkCell = nullptr;
    if (m_controller) {
        const SettingsButton checkNow = makeSettingsButton();
        m_checkNow = checkNow.button;
        checkCell = checkNow.cell;
        m_checkNow->setObjectName(QStringLiteral("checkUpdatesButton"));
        connect(m_checkNow, &QAbstractButton::clicked, this, [this] { m_controller->checkForUpdates(); });
    }
    m_versionRow = new SettingsRow(checkCell);
    m_versionRow->setObjectName(QStringLiteral("versionRow"));
    m_versionLabel = new SectionLabel;
    auto* versionCard = new SettingsCard;
    versionCard->addRow(m_versionRow);
    addSection(m_versionLabel, versionCard);

    if (m_controller) {
        m_automatic = new ToggleSwitch;
        m_automatic->setObjectName(QStringLiteral("autoCheckSwitch"));
        connect(m_automatic, &QAbstractButton::toggled, this,
                [this](bool on) { m_controller->setAutomaticallyChecks(on); });
        m_automaticRow = new SettingsRow(m_automatic, m_automatic);
        m_automaticLabel = new SectionLabel;
        auto* automaticCard = new SettingsCard;
        automaticCard->addRow(m_automaticRow);
        addSection(m_automaticLabel, automaticCard)->setObjectName(QStringLiteral("automaticSection"));
    }
    retext();
}

void UpdatesSettings::retext() {
    m_versionLabel->setTitle(L10n::text("section_version"));
    m_versionRow->setTitle(L10n::format("version_label", {m_version}));
    if (!m_controller) return;
    m_checkNow->setLabel(L10n::text("check_updates"));
    m_automaticLabel->setTitle(L10n::text("section_automatic"));
    m_automaticRow->setTitle(L10n::text("auto_check"));
    m_automaticRow->setHelp(L10n::text("auto_check_help"));
}

void UpdatesSettings::showEvent(QShowEvent* event) {
    if (m_automatic) {
        const QSignalBlocker quiet(m_automatic);
        m_automatic->setChecked(m_controller->automaticallyChecks());
    }
    SettingsPage::showEvent(event);
}

} // namespace moorix
