#pragma once

#include <QString>

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at a private temporary folder, so
// no test ever reads or writes a real user's settings or data. Call before
// the application object exists. Returns the folder.
QString isolateUserSettings();

#include <functional>

// Runs the event loop until the condition holds or the time is up; returns
// whether it holds.
bool spinUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
