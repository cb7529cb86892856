#pragma once

#include <QString>

namespace ekaldo {

struct ProgramSettings;

// Reads ZENTIK.INI (at settings.SettingsPath) into settings and the folder
// of the school years into dbPath, writing the "General" section first as
// every start does. Throws FileError when the settings file cannot be written.
void LoadSettings(ProgramSettings& settings, QString& dbPath);

// Writes what the program keeps between runs; nothing else. Throws FileError.
void SaveSettings(const ProgramSettings& settings, const QString& dbPath);

// The posting runs per school year whose backups are kept, as the settings
// file at settingsPath says (the default when it says nothing usable).
int BackupRunsKeptIn(const QString& settingsPath);

// An integer value as the settings file holds it: decimal, or hexadecimal
// after "0x"; anything else gives the fallback.
int ParseSettingsInteger(const QString& text, int fallback);

} // namespace ekaldo
