#pragma once

#include <string>

#include "base/Units.h"

namespace pelmo {

// The settings file "Pelmo.ini" in the public data folder.
struct TSettings {
    bool StartupParts = false;    // look for catalogue updates at start
    bool StartupApp = false;      // look for a program update at start
    bool FirstTime = true;        // first run: show the options dialog
    double LastAUpDate = 0;       // days since 30 Dec 1899
    bool NoAppRestart = false;    // an update is pending and the user chose not to restart
    std::string CatalogueServer;  // parts catalogue server URL; empty: the shipped catalogue
};

inline constexpr const char* SettingsFileName = "Pelmo.ini";

// Reads all five keys; absent keys take their defaults.
TSettings ReadSettings(const std::string& dataFolder);

// Writes StartupParts, StartupApp, LastAUpDate, CatalogueServer and FirstTime (always as false),
// keeping every other key of the file. False when the file cannot be written.
bool WriteSettings(const std::string& dataFolder, const TSettings& settings);

// The unit the driver and source dialogs show delays in: "[Display]
// DelayUnit" us, mm or in; inches when absent or unknown.
TDelayUnit ReadDelayUnit(const std::string& dataFolder);
bool WriteDelayUnit(const std::string& dataFolder, TDelayUnit unit);

// Only the update logic writes this key.
bool WriteNoAppRestart(const std::string& dataFolder, bool value);

// The current date and time as days since 30 Dec 1899.
double NowAsDays();

}  // namespace pelmo
