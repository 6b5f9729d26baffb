// Record repair: removing the installation record, and pointing it at a
// moved game folder.
#include "maintenance/recordrepair.h"

#include <memory>
#include <set>
#include <stdexcept>

#include "install/filelists.h"
#include "install/instcommon.h"
#include "install/transaction.h"
#include "maintenance/appsentry.h"
#include "maintenance/instdeletefiles.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/sjis.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

using platform::MbResult;

namespace {


// The files an installation of this game puts into `folder`, folded: the
// main files, the icon, and every file of its lists, read from Setup.inf
// here (the installed state has not gathered them).
class GameFiles : public filelists::ListSink {
public:
    explicit GameFiles(const platform::WinPath& folder) : folder_(folder) {
        for (const std::string& name : {std::string("Tazu.exe"), std::string("Tazu.env"), std::string("ovit.dll"),
                                        InstConfig.ShortcutIcon})
            Insert(folder.Child(name));
        if (InstConfig.SetupInf) filelists::Gather(*InstConfig.SetupInf, InstConfig.SetupInfPath, InstConfig.TotalDisc, *this);
    }
    void Add(int group, int, std::string entry, const filelists::Origin&) override {
        if (const auto groupFolder = folder_.Child(kGroups[group]))
            Insert(groupFolder->Child(sjis::LastPathComponent(entry)));
    }
    bool Has(const std::string& path) const { return files_.count(sjis::FoldCase(path)) != 0; }

private:
    void Insert(const std::optional<platform::WinPath>& path) {
        if (path) files_.insert(sjis::FoldCase(path->Text()));
    }
    const platform::WinPath& folder_;
    std::set<std::string> files_;
};

// The log names files of this game and nothing else: every line, read as
// the change reads it, is one of them in its place below `folder`. A log
// of another program, or of another game of the same engine, is none.
bool NamesThisGame(const std::string& log, const platform::WinPath& folder) {
    const auto lines = LogLines(log);
    const auto rebased = LogLines(RebaseInstallLog(log, folder));
    if (lines.empty() || rebased.size() != lines.size()) return false;
    const GameFiles game(folder);
    for (const std::string& line : rebased)
        if (!game.Has(line)) return false;
    return true;
}

// The folder holds this game: Tazu.exe, and a log of this game's files.
// A log an interrupted rewrite left aside is put back only when it is one.
// nullopt when the log is there but cannot be read.
std::optional<bool> HoldsThisGame(const platform::WinPath& folder) {
    if (!platform::FileExists(folder.Child("Tazu.exe")->Text())) return false;
    const std::string log = folder.Child(kSetupLogName)->Text();
    if (!platform::FileExists(log)) {
        const std::string aside = log + (platform::FileExists(log + ".new") ? ".new" : ".old");
        const auto content = platform::ReadWholeFile(aside);
        if (!content || !NamesThisGame(*content, folder)) return false;
        RecoverInstallLog(log);
    }
    const auto content = platform::ReadWholeFile(log);
    if (!content) return platform::FileExists(log) ? std::nullopt : std::optional<bool>(false);
    return NamesThisGame(*content, folder);
}

// A made folder that is the install folder or above it: only the marker
// names those.
bool IsOwnLevel(const std::string& text, const platform::WinPath& folder) {
    const auto made = platform::WinPath::Parse(text);
    return made && (*made == folder || folder.IsBelow(*made));
}

}  // namespace

std::string RebaseInstallLog(const std::string& content, const platform::WinPath& folder) {
    std::string rebased;
    for (const std::string& line : LogLines(content)) {
        // A line Windows would not read as written names no installed file.
        const auto file = LoggedPath(line);
        if (!file || file->IsRoot()) continue;
        std::optional<platform::WinPath> moved;
        if (const auto holder = file->Parent()) {
            for (const char* group : kGroups)
                if (sjis::EqualsNoCase(holder->Last(), group)) moved = folder.Child(holder->Last());
        }
        moved = moved ? moved->Child(file->Last()) : folder.Child(file->Last());
        if (moved) rebased += moved->Text() + "\r\n";
    }
    return rebased;
}

bool RewriteInstallLog(const platform::WinPath& folder) {
    const std::string log = folder.Child(kSetupLogName)->Text();
    const auto content = platform::ReadWholeFile(log);
    return content && ReplaceInstallLog(log, RebaseInstallLog(*content, folder));
}

RecordOutcome RemoveRecord(const platform::Form& owner, Reporter& report) {
    if (report.Ask(&owner, Msg::RemoveQuestion) != MbResult::Yes) return RecordOutcome::Declined;
    // A record that stays is not reported as removed: the menu stays as it
    // is, and the removal can be tried again.
    if (!RemoveInstallationRecord()) {
        report.Ask(&owner, Msg::RemoveFailed);
        return RecordOutcome::Failed;
    }
    // The list's entry follows the record; what of it cannot go now, the
    // next start takes.
    RemoveAppsEntry();
    report.Ask(&owner, Msg::RemoveDone);
    return RecordOutcome::Done;
}

RecordOutcome MoveRecord(const std::string& chosen, const platform::Form& owner, Reporter& report) {
    // A root is never an install folder, and a folder Windows would read
    // otherwise than its name says is none either.
    const auto parsed = platform::WinPath::Parse(sjis::WithTrailingBackslash(chosen));
    if (parsed && parsed->IsRoot()) {
        report.Ask(&owner, Msg::RootNotInstallFolder);
        return RecordOutcome::Refused;
    }
    // Only a folder with this game's log: another program's, or another
    // game's of the same engine, would be rewritten and then uninstalled.
    const auto game = parsed ? HoldsThisGame(*parsed) : std::optional<bool>(false);
    if (!game) {
        report.Ask(&owner, Msg::ChangeFailed);
        return RecordOutcome::Failed;
    }
    if (!*game) {
        report.Ask(&owner, Msg::NotInstalledThere);
        return RecordOutcome::Refused;
    }
    const std::string folder = parsed->FolderText();

    // From here to the end the next start finishes the change, should this
    // run not.
    if (!InstConfig.RecordKey || !InstConfig.RecordKey->WriteString(kMovingValue, folder) ||
        !InstConfig.RecordKey->Flush())
        throw std::runtime_error("インストール情報をレジストリに書き込めませんでした。");
    if (!RewriteInstallLog(*parsed)) {
        InstConfig.RecordKey->DeleteValue(kMovingValue);
        report.Ask(&owner, Msg::ChangeFailed);
        return RecordOutcome::Failed;
    }
    FinishRecordChange(folder);
    report.Ask(&owner, Msg::ChangeDone);
    return RecordOutcome::Done;
}

void FinishRecordChange(const std::string& folder) {
    MoveAppsEntry(folder);  // the list's entry follows the game
    WriteInstallationRecord(folder);
    InstConfig.SetInstPath(platform::WinPath::Parse(folder));
    CreateStartMenuShortcut();
    InstConfig.RecordKey->DeleteValue(kMovingValue);
}

void RecoverInterruptedWork(const platform::Form& owner, Reporter& report) {
    auto* key = InstConfig.RecordKey.get();
    if (!key) return FinishListRemoval(report);
    if (const auto marker = key->ReadString(kInstallingValue)) {
        const auto start = ParseJournal(*marker);
        const auto folder = start ? platform::WinPath::Parse(start->folder) : std::nullopt;
        if (!folder || MarkerText(*start, start->committed) != *marker) {
            // Not what this utility writes: nothing is done by it, and it stays.
            report.Note("中断されたインストールの記録が正しい形ではないため、何も変更しません");
        } else {
            // The whole plan when its journal, in the marker's folder, was
            // written; else only the folders made and the log. The levels
            // of the folder itself are the marker's.
            auto plan = *start;
            const auto text = platform::ReadWholeFile(folder->Child(kJournalName)->Text());
            if (const auto full = text ? ParseJournal(*text) : std::nullopt) {
                const auto journalFolder = platform::WinPath::Parse(full->folder);
                if (journalFolder && *journalFolder == *folder) {
                    plan = *full;
                    plan.madeFolders.clear();
                    for (const std::string& made : full->madeFolders)
                        if (!IsOwnLevel(made, *folder)) plan.madeFolders.push_back(made);
                    for (const std::string& made : start->madeFolders)
                        if (IsOwnLevel(made, *folder)) plan.madeFolders.push_back(made);
                }
            }
            if (start->committed) {
                // It reached its commit: the record is written, should the
                // cut have come before it, then the backups go.
                const auto& record = InstConfig.InstFolder;
                bool recorded = record && *record == *folder;
                try {
                    if (!recorded) WriteInstallationRecord(plan.folder);
                    recorded = true;
                } catch (const std::exception&) {
                    // Tried again by the next start.
                }
                if (recorded && key->Flush() && FinishInstallation(plan)) key->DeleteValue(kInstallingValue);
            } else {
                Installation interrupted = Installation::Interrupted(*folder, plan);
                report.Note("中断されたインストールを元に戻します：" + plan.folder);
                ShowRollback(owner, interrupted, report);
            }
        }
    }
    if (const auto moving = key->ReadString(kMovingValue)) {
        const auto parsed = platform::WinPath::Parse(sjis::WithTrailingBackslash(*moving));
        if (!parsed || parsed->IsRoot() || HoldsThisGame(*parsed) != true) {
            // No folder of this game: nothing is changed, and the marker stays.
            report.Note("中断されたインストール情報の変更は、このゲームのフォルダを指していないため行いません：" + *moving);
        } else {
            const std::string folder = parsed->FolderText();
            report.Note("中断されたインストール情報の変更を完了します：" + folder);
            try {
                if (RewriteInstallLog(*parsed)) FinishRecordChange(folder);
            } catch (const std::exception&) {
                // The record could not be written: the marker stays for the next start.
            }
        }
    }
    // Last: what a removal from the list left is settled once no installation is under way.
    FinishListRemoval(report);
}
