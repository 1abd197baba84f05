#pragma once

#include "app/windows/settings_page.h"

class QLabel;

namespace moorix {

class Divider;
class PillButton;
class Preferences;
class SectionLabel;
class SegmentedPicker;
class SettingsRow;
class SteppedSlider;
class ToggleSwitch;

// The General tab: language, panel height, refresh interval, kill confirmation, start at login and the
// hidden ports. Every change is stored at once; the controls follow the stored values, also when another
// part of the application changes them.
class GeneralSettings : public SettingsPage {
    Q_OBJECT

public:
    explicit GeneralSettings(Preferences& preferences, QWidget* parent = nullptr);

    // Sets every text in the current interface language.
    void retext();

protected:
    // Start at login is read from the system each time the tab is shown, never kept.
    void showEvent(QShowEvent* event) override;

private:
    void showLanguage();
    void showPanelHeight();
    void showRefreshInterval();
    void showConfirmBeforeKill();
    void showHiddenPorts();

    Preferences& m_preferences;
    SectionLabel* m_appearance;
    SectionLabel* m_behaviour;
    SegmentedPicker* m_language;
    SettingsRow* m_languageRow;
    SteppedSlider* m_panelHeight;
    QLabel* m_panelHeightValue;
    SettingsRow* m_panelHeightRow;
    SegmentedPicker* m_refreshInterval;
    SettingsRow* m_refreshIntervalRow;
    ToggleSwitch* m_confirmBeforeKill;
    SettingsRow* m_confirmBeforeKillRow;
    ToggleSwitch* m_startAtLogin;
    SettingsRow* m_startAtLoginRow;
    PillButton* m_restore;
    Divider* m_hiddenPortsDivider;
    SettingsRow* m_hiddenPortsRow;
};

} // namespace moorix
