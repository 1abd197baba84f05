#pragma once

#include "app/windows/settings_page.h"
#include "app/windows/update_controller.h"

#include <optional>

namespace moorix {

class PillButton;
class SectionLabel;
class SettingsRow;
class ToggleSwitch;

// The Updates tab: the installed version, and with an updater a "Check Now" button and the switch for
// automatic checks.
class UpdatesSettings : public SettingsPage {
    Q_OBJECT

public:
    UpdatesSettings(QString version, std::optional<UpdateController> controller, QWidget* parent = nullptr);

    // Sets every text in the current interface language.
    void retext();

protected:
    // The automatic-check setting belongs to the updater, which may change it; it is read on every showing.
    void showEvent(QShowEvent* event) override;

private:
    QString m_version;
    std::optional<UpdateController> m_controller;
    SectionLabel* m_versionLabel;
    SettingsRow* m_versionRow;
    PillButton* m_checkNow = nullptr;
    SectionLabel* m_automaticLabel = nullptr;
    SettingsRow* m_automaticRow = nullptr;
    ToggleSwitch* m_automatic = nullptr;
};

} // namespace moorix
