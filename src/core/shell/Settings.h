#pragma once

#include <QString>

namespace ekaldo {

struct AppState;

// Reads ZENTIK.INI (at state.SettingsPath) into the state, writing the
// "General" section first as every start does. Throws FileError when the
// settings file cannot be written.
void LoadSettings(AppState& state);

// Writes what the program keeps between runs; nothing else. Throws FileError.
void SaveSettings(const AppState& state);

// An integer value as the settings file holds it: decimal, or hexadecimal
// after "0x"; anything else gives the fallback.
int ParseSettingsInteger(const QString& text, int fallback);

} // namespace ekaldo
