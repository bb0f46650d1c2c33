#include "document/Settings.h"

#include <chrono>

#include "document/IniFile.h"

namespace pelmo {

TSettings ReadSettings(const std::string& dataFolder) {
    const TIniFile ini = TIniFile::Load(dataFolder + SettingsFileName);
    TSettings s;
    s.StartupParts = ini.ReadBool("Updates", "StartupParts", false);
    s.StartupApp = ini.ReadBool("Updates", "StartupApp", false);
    s.FirstTime = ini.ReadBool("FirstTime", "FirstTime", true);
    s.LastAUpDate = ini.ReadFloat("Updates", "LastAUpDate", 0.0);
    s.NoAppRestart = ini.ReadBool("Updates", "NoAppRestart", false);
    s.CatalogueServer = ini.ReadString("Updates", "CatalogueServer", "");
    return s;
}

bool WriteSettings(const std::string& dataFolder, const TSettings& s) {
    const std::string path = dataFolder + SettingsFileName;
    TIniFile ini = TIniFile::Load(path);
    ini.WriteBool("Updates", "StartupParts", s.StartupParts);
    ini.WriteBool("Updates", "StartupApp", s.StartupApp);
    ini.WriteFloat("Updates", "LastAUpDate", s.LastAUpDate);
    ini.Write("Updates", "CatalogueServer", s.CatalogueServer);
    ini.WriteBool("FirstTime", "FirstTime", false);
    return ini.Save(path);
}

TDelayUnit ReadDelayUnit(const std::string& dataFolder) {
    const std::string key = TIniFile::Load(dataFolder + SettingsFileName).ReadString("Display", "DelayUnit", "in");
    if (key == "us") return TDelayUnit::Microseconds;
    if (key == "mm") return TDelayUnit::Millimetres;
    return TDelayUnit::Inches;
}

bool WriteDelayUnit(const std::string& dataFolder, TDelayUnit unit) {
    const std::string path = dataFolder + SettingsFileName;
    TIniFile ini = TIniFile::Load(path);
    ini.Write("Display", "DelayUnit",
              unit == TDelayUnit::Microseconds  ? "us"
              : unit == TDelayUnit::Millimetres ? "mm"
                                                : "in");
    return ini.Save(path);
}

bool WriteNoAppRestart(const std::string& dataFolder, bool value) {
    const std::string path = dataFolder + SettingsFileName;
    TIniFile ini = TIniFile::Load(path);
    ini.WriteBool("Updates", "NoAppRestart", value);
    return ini.Save(path);
}

double NowAsDays() {
    using namespace std::chrono;
    const double unixDays = duration<double>(system_clock::now().time_since_epoch()).count() / 86400.0;
    return unixDays + 25569.0;  // 1 Jan 1970 is day 25569
}

}  // namespace pelmo
