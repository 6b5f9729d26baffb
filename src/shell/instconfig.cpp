// Reading [Setting] of Setup.inf, and the installation record.
#include "shell/instconfig.h"

#include <stdexcept>

#include "platform/sjis.h"
#include "platform/winpath.h"

TInstConfig InstConfig;

std::string RecordKeyPath() { return "Software\\" + InstConfig.RegKey + "\\" + InstConfig.GameTitle; }

std::string ApplicationTitleFor(const std::string& gameTitle) {
    return "『" + gameTitle + "』　起動ユーティリティ";
}

bool ReadInstallationRecord() {
    InstConfig.RecordKey = platform::RegKey::OpenOrCreate(RecordKeyPath());
    std::string value;
    if (InstConfig.RecordKey) value = InstConfig.RecordKey->ReadString("InstPath").value_or(std::string());
    // The record's folder is what the uninstall works over: one that is not
    // a plain absolute folder, or that is a drive or share root, names no
    // installation. Kept as Windows reads it, ending in a backslash as every
    // folder in InstConfig does.
    InstConfig.SetInstPath(value.empty() ? std::nullopt : platform::WinPath::Parse(sjis::WithTrailingBackslash(value)));
    return !InstConfig.InstPath.empty();
}

void WriteInstallationRecord(const std::string& instPath) {
    if (!InstConfig.RecordKey || !InstConfig.RecordKey->WriteString("InstPath", instPath))
        throw std::runtime_error("インストール情報をレジストリに書き込めませんでした。");
}

bool RemoveInstallationRecord() {
    InstConfig.RecordKey.reset();
    auto maker = platform::RegKey::OpenOrCreate("Software\\" + InstConfig.RegKey);
    // Flushed: a power cut must not bring back a record whose installation
    // is gone.
    if (maker && maker->DeleteSubkeyTree(InstConfig.GameTitle)) {
        maker->Flush();  // the record is gone; on the disk too unless the system cannot say so
        // The maker's key goes only when nothing is left in it: another
        // game's key or a value of the maker's is someone else's.
        if (!maker->HasSubkeys() && maker->HasValues() == false) {
            maker.reset();
            if (auto software = platform::RegKey::OpenOrCreate("Software")) software->DeleteSubkeyTree(InstConfig.RegKey);
        }
        return true;
    }
    // A key that cannot go can still stop naming a folder: an empty InstPath
    // means "not installed" as much as a missing key does.
    auto record = platform::RegKey::OpenOrCreate(RecordKeyPath());
    if (!record || !record->WriteString("InstPath", "")) return false;
    record->Flush();  // emptied; on the disk too unless the system cannot say so
    return true;
}
