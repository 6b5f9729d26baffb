// Section [Setting] of Setup.inf: its keys, the fields of the configuration
// record they fill, and what makes it complete. The utility's start and the
// disc checker read it through this one table.
#pragma once
#include "platform/ini.h"
#include "shell/instconfig.h"

// The [Setting] keys the utility reads, with the fields they fill: the one
// list the start and the disc checker work from.
struct SettingText {
    const char* key;
    std::string TInstConfig::*field;
    bool required;  // missing or empty, the utility does not start
};
constexpr SettingText kSettingTexts[] = {
    {"GameTitle", &TInstConfig::GameTitle, true},         {"DefInstPath", &TInstConfig::DefInstPath, true},
    {"ProgramFolder", &TInstConfig::ProgramFolder, true}, {"RegKey", &TInstConfig::RegKey, true},
    {"ShortcutIcon", &TInstConfig::ShortcutIcon, false},
};
struct SettingNumber {
    const char* key;
    int TInstConfig::*field;
    int byDefault;
};
constexpr int kDefaultInstBufSize = 32768;
constexpr SettingNumber kSettingNumbers[] = {
    {"InstBufSize", &TInstConfig::InstBufSize, kDefaultInstBufSize},
    {"TotalDisc", &TInstConfig::TotalDisc, 1},
    {"TazuInstSize", &TInstConfig::TazuInstSize, 0},
    {"DatInstSize", &TInstConfig::DatInstSize, 0},
    {"TazInstSize", &TInstConfig::TazInstSize, 0},
    {"TzdInstSize", &TInstConfig::TzdInstSize, 0},
    {"TzsInstSize", &TInstConfig::TzsInstSize, 0},
    {"TzmInstSize", &TInstConfig::TzmInstSize, 0},
};
constexpr const char* kSettingSection = "Setting";

// Reads [Setting] of `inf` into `config` as the table says; a copy buffer
// that would hold nothing gets the default size.
void ReadSetting(const platform::IniFile& inf, TInstConfig& config);
// True when `config`, as ReadSetting filled it, describes a game this
// utility can install: every required text given, no text longer than its
// field, no more discs than the file lists hold, and RegKey and GameTitle
// each one name.
bool SettingComplete(const TInstConfig& config);
