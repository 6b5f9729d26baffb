// Reading section [Setting] of Setup.inf.
#include "shell/setupsetting.h"

#include "platform/winpath.h"

void ReadSetting(const platform::IniFile& inf, TInstConfig& config) {
    for (const SettingText& s : kSettingTexts) config.*s.field = inf.ReadString(kSettingSection, s.key, "");
    for (const SettingNumber& n : kSettingNumbers)
        config.*n.field = inf.ReadInteger(kSettingSection, n.key, n.byDefault);
    // A copy buffer must hold something.
    if (config.InstBufSize <= 0) config.InstBufSize = kDefaultInstBufSize;
}

bool SettingComplete(const TInstConfig& config) {
    bool complete = true;
    for (const SettingText& s : kSettingTexts) {
        const std::string& text = config.*s.field;
        complete = complete && !(s.required && text.empty());
        // Texts that do not fit their fields, and more discs than the file
        // lists hold, describe a game this utility cannot install correctly.
        complete = complete && text.size() <= kMaxSettingText;
    }
    complete = complete && config.TotalDisc <= kMaxDiscs;
    // The record is Software\<RegKey>\<GameTitle> and the shortcut
    // <GameTitle>.lnk: a name that is more than one ("Microsoft\Windows")
    // would put the record, and its removal, in someone else's key.
    return complete && platform::WinPath::IsOneName(config.RegKey) && platform::WinPath::IsOneName(config.GameTitle);
}
