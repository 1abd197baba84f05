#pragma once

#include <QString>

// Keeping the application up to date. Only the packaged macOS application built with the update
// framework has an updater; everywhere else these do nothing and the Updates tab shows the version only.
namespace moorix::AppUpdater {

// The objectName the settings window carries, so that an update alert can be centred over it.
inline constexpr char settingsWindowName[] = "settingsWindow";

bool isAvailable();
// Creates the updater, which then checks on its own schedule; called once at start-up.
void start();
bool automaticallyChecks();
void setAutomaticallyChecks(bool on);
// A check the user asked for, with the framework's own progress and result windows.
void checkForUpdates();

// The installed version for the Updates tab; "?" when it cannot be read.
QString version();

} // namespace moorix::AppUpdater
