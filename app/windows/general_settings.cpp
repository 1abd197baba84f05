#include "app/windows/general_settings.h"

#include "app/services/l10n.h"
#include "app/services/login_item.h"
#include "app/services/preferences.h"
#include "app/widgets/divider.h"
#include "app/widgets/focus_ring.h"
#include "app/widgets/pill_button.h"
#include "app/widgets/section_label.h"
#include "app/widgets/segmented_picker.h"
#include "app/widgets/settings_button.h"
#include "app/widgets/stepped_slider.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"
#include "app/widgets/toggle_switch.h"
#include "app/windows/settings_card.h"
#include "app/windows/settings_row.h"
#include "core/text/port_list.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>
#include <array>
#include <cmath>

namespace moorix {

namespace {

constexpr std::array<const char*, 3> languages{"system", "tr", "en"};
constexpr std::array<double, 4> refreshIntervals{2.0, 3.0, 5.0, 10.0};
constexpr int panelHeightMinimum = 240;
constexpr int panelHeightMaximum = 800;
constexpr int panelHeightStep = 20;
constexpr int pickerWidth = 210;
constexpr int sliderWidth = 154;
constexpr int heightTextWidth = 46;

QString pointsText(int points) { return QString::number(points) + QStringLiteral(" pt"); }

} // namespace

GeneralSettings::GeneralSettings(Preferences& preferences, QWidget* parent)
    : SettingsPage(parent), m_preferences(preferences) {
    m_language = new SegmentedPicker(static_cast<int>(languages.size()), pickerWidth);
    m_language->setObjectName(QStringLiteral("languagePicker"));
    m_languageRow = new SettingsRow(m_language, m_language);

    m_panelHeight = new SteppedSlider(panelHeightMinimum, panelHeightMaximum, panelHeightStep, sliderWidth);
    m_panelHeight->setObjectName(QStringLiteral("panelHeightSlider"));
    m_panelHeightValue = themedLabel(Theme::uiFont(11), Theme::secondaryText());
    m_panelHeightValue->setObjectName(QStringLiteral("panelHeightValue"));
    m_panelHeightValue->setFixedWidth(heightTextWidth);
    m_panelHeightValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* heightControl = new QWidget;
    auto* heightLayout = new QHBoxLayout(heightControl);
    // The value text needs no focus ring; its edge lines up with the pickers' frames above and below.
    heightLayout->setContentsMargins(0, 0, focusRingMargin, 0);
    heightLayout->setSpacing(8);
    heightLayout->addWidget(m_panelHeight);
    heightLayout->addWidget(m_panelHeightValue);
    m_panelHeightRow = new SettingsRow(heightControl, m_panelHeight);

    m_appearance = new SectionLabel;
    auto* appearance = new SettingsCard;
    appearance->addRow(m_languageRow);
    appearance->addDivider();
    appearance->addRow(m_panelHeightRow);
    addSection(m_appearance, appearance);

    m_refreshInterval = new SegmentedPicker(static_cast<int>(refreshIntervals.size()), pickerWidth);
    m_refreshInterval->setObjectName(QStringLiteral("refreshIntervalPicker"));
    m_refreshIntervalRow = new SettingsRow(m_refreshInterval, m_refreshInterval);
    m_confirmBeforeKill = new ToggleSwitch;
    m_confirmBeforeKill->setObjectName(QStringLiteral("confirmBeforeKillSwitch"));
    m_confirmBeforeKillRow = new SettingsRow(m_confirmBeforeKill, m_confirmBeforeKill);
    m_startAtLogin = new ToggleSwitch;
    m_startAtLogin->setObjectName(QStringLiteral("startAtLoginSwitch"));
    m_startAtLoginRow = new SettingsRow(m_startAtLogin, m_startAtLogin);
    const SettingsButton restore = makeSettingsButton();
    m_restore = restore.button;
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_hiddenPortsRow = new SettingsRow(restore.cell);
    m_hiddenPortsRow->setObjectName(QStringLiteral("hiddenPortsRow"));

    m_behaviour = new SectionLabel;
    auto* behaviour = new SettingsCard;
    behaviour->addRow(m_refreshIntervalRow);
    behaviour->addDivider();
    behaviour->addRow(m_confirmBeforeKillRow);
    behaviour->addDivider();
    behaviour->addRow(m_startAtLoginRow);
    m_hiddenPortsDivider = behaviour->addDivider();
    behaviour->addRow(m_hiddenPortsRow);
    addSection(m_behaviour, behaviour);

    // The controls take the stored values each time the tab is shown (showEvent).
    retext();

    connect(m_language, &SegmentedPicker::picked, this, [this](int index) {
        m_preferences.setAppLanguage(QString::fromLatin1(languages.at(static_cast<std::size_t>(index))));
    });
    connect(m_panelHeight, &SteppedSlider::steppedValueChanged, this, [this](int points) {
        m_panelHeightValue->setText(pointsText(points));
        m_preferences.setPanelMaxHeight(points);
    });
    connect(m_refreshInterval, &SegmentedPicker::picked, this, [this](int index) {
        m_preferences.setRefreshInterval(refreshIntervals.at(static_cast<std::size_t>(index)));
    });
    connect(m_confirmBeforeKill, &QAbstractButton::toggled, &m_preferences,
            &Preferences::setConfirmBeforeKill);
    // Failures are not shown: the switch keeps the user's position until the tab is shown again.
    connect(m_startAtLogin, &QAbstractButton::toggled, this, [](bool on) {
        if (on)
            LoginItem::enable();
        else
            LoginItem::disable();
    });
    connect(m_restore, &QAbstractButton::clicked, this, [this] { m_preferences.setHiddenPorts(QString()); });

    connect(&m_preferences, &Preferences::appLanguageChanged, this, &GeneralSettings::showLanguage);
    connect(&m_preferences, &Preferences::panelMaxHeightChanged, this, &GeneralSettings::showPanelHeight);
    connect(&m_preferences, &Preferences::refreshIntervalChanged, this,
            &GeneralSettings::showRefreshInterval);
    connect(&m_preferences, &Preferences::confirmBeforeKillChanged, this,
            &GeneralSettings::showConfirmBeforeKill);
    connect(&m_preferences, &Preferences::hiddenPortsChanged, this, &GeneralSettings::showHiddenPorts);
}

void GeneralSettings::retext() {
    m_appearance->setTitle(L10n::text("section_appearance"));
    m_behaviour->setTitle(L10n::text("section_behaviour"));
    m_languageRow->setTitle(L10n::text("language"));
    // The languages are named in themselves, so that a user can find their own in any language.
    m_language->setLabels({L10n::text("lang_system"), QStringLiteral("Türkçe"), QStringLiteral("English")});
    m_panelHeightRow->setTitle(L10n::text("panel_height"));
    m_refreshIntervalRow->setTitle(L10n::text("refresh_interval"));
    m_refreshInterval->setLabels({L10n::text("interval_2"), L10n::text("interval_3"),
                                  L10n::text("interval_5"), L10n::text("interval_10")});
    m_confirmBeforeKillRow->setTitle(L10n::text("confirm_before_kill"));
    m_startAtLoginRow->setTitle(L10n::text("start_at_login"));
    m_restore->setLabel(L10n::text("restore"));
    showHiddenPorts();
}

void GeneralSettings::showEvent(QShowEvent* event) {
    // The stored values may have been edited outside the application since the tab was last shown.
    showLanguage();
    showPanelHeight();
    showRefreshInterval();
    showConfirmBeforeKill();
    showHiddenPorts();
    const QSignalBlocker quiet(m_startAtLogin);
    m_startAtLogin->setChecked(LoginItem::isEnabled());
    SettingsPage::showEvent(event);
}

void GeneralSettings::showLanguage() {
    const QString stored = m_preferences.appLanguage();
    int index = -1;
    for (std::size_t option = 0; option < languages.size(); ++option)
        if (stored == QLatin1String(languages[option])) index = static_cast<int>(option);
    m_language->setCurrentIndex(index);
}

void GeneralSettings::showPanelHeight() {
    const double stored = m_preferences.panelMaxHeight();
    const int points = m_panelHeight->snapped(static_cast<int>(std::lround(std::min(stored, 1e6))));
    const QSignalBlocker quiet(m_panelHeight);
    m_panelHeight->setValue(points);
    m_panelHeightValue->setText(pointsText(points));
}

void GeneralSettings::showRefreshInterval() {
    const double stored = m_preferences.refreshInterval();
    int index = -1;
    for (std::size_t option = 0; option < refreshIntervals.size(); ++option)
        if (std::abs(stored - refreshIntervals[option]) < 1e-9) index = static_cast<int>(option);
    m_refreshInterval->setCurrentIndex(index);
}

void GeneralSettings::showConfirmBeforeKill() {
    const QSignalBlocker quiet(m_confirmBeforeKill);
    m_confirmBeforeKill->setChecked(m_preferences.confirmBeforeKill());
}

void GeneralSettings::showHiddenPorts() {
    const auto count = PortList::countNumbers(m_preferences.hiddenPorts().toStdString());
    m_hiddenPortsRow->setTitle(L10n::format("hidden_ports", {static_cast<std::int64_t>(count)}));
    m_hiddenPortsDivider->setVisible(count > 0);
    m_hiddenPortsRow->setVisible(count > 0);
}

} // namespace moorix
