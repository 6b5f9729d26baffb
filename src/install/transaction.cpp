// The plan of an installation, its journal, and undoing or finishing it.
#include "install/transaction.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "install/instcommon.h"
#include "install/installedfile.h"
#include "install/report.h"
#include "install/uninstallerplace.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "shell/instconfig.h"

using platform::WinPath;

namespace {

constexpr const char* kReservedMark = "~TAZUSTART";
constexpr const char* kJournalHeader = "TazuStart install journal 1";
constexpr const char* kRegistryFailure = "インストール情報をレジストリに書き込めませんでした。";

// The marker in the record key: what the next start undoes should this run end here.
// The marker in the one shape the next start trusts, on the disk unless
// `flush` is false (a marker a power cut may take back to its last flushed
// text, which names no less that could be undone).
bool WriteMarker(const InstallPlan& plan, bool flush = true) {
    return InstConfig.RecordKey &&
           InstConfig.RecordKey->WriteString(kInstallingValue, MarkerText(plan, plan.committed)) &&
           (!flush || InstConfig.RecordKey->Flush());
}
bool ClearMarker() { return InstConfig.RecordKey && InstConfig.RecordKey->DeleteValue(kInstallingValue); }

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);  // a tab is no character of a path
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::optional<std::string> Checked(const std::string& text) {
    const auto path = WinPath::Parse(text);
    if (!path || path->IsRoot()) return std::nullopt;
    return path->Text();
}

// The folded text of a path, the key of the plan's lookups.
std::string Key(const std::string& path) { return sjis::FoldCase(path); }

bool Exists(const std::string& path) { return platform::FileExists(path); }

// The places outside the install folder where an installation puts files:
// the shortcut's folder below the start menu and the kept uninstaller's,
// the latter looked up when first needed (most plans have nothing else
// outside the install folder than the shortcut).
class OutsidePlaces {
public:
    OutsidePlaces() : shortcut_(StartMenuShortcutPlace()) {}
    const std::optional<ShortcutPlace>& Shortcut() const { return shortcut_; }
    const std::optional<UninstallerPlace>& Uninstaller() const {
        if (!uninstallerAsked_) uninstaller_ = KeptUninstallerPlace();
        uninstallerAsked_ = true;
        return uninstaller_;
    }
    // Without both, a planned file outside the install folder cannot be
    // told from a stranger's.
    bool Known() const { return shortcut_ && Uninstaller(); }

private:
    std::optional<ShortcutPlace> shortcut_;
    mutable std::optional<UninstallerPlace> uninstaller_;
    mutable bool uninstallerAsked_ = false;
};

// Where a planned path may lie: in the install folder (the rule of what an
// installation puts down), as the shortcut in its folder below the start
// menu, or in the kept uninstaller's folder (none of these without
// `outside`). A journal edited by hand names nothing else.
bool MayTouch(const WinPath& file, const WinPath& folder, const OutsidePlaces* outside) {
    if (folder.IsRoot()) return false;
    if (IsInstalledFile(file, folder)) return true;
    if (!outside) return false;
    if (outside->Shortcut() && file.IsDirectlyIn(outside->Shortcut()->folder)) return true;
    return outside->Uninstaller() && file.IsDirectlyIn(outside->Uninstaller()->folder);
}

bool MayRemoveFolder(const WinPath& made, const WinPath& folder, const OutsidePlaces& outside) {
    if (made.IsRoot()) return false;
    if (made == folder || folder.IsBelow(made) || made.IsDirectlyIn(folder)) return true;
    if (outside.Shortcut() && made.IsBelow(outside.Shortcut()->root)) return true;
    const auto& kept = outside.Uninstaller();
    return kept && (made == kept->folder || made == kept->base);
}

// A backup name for a file the installation replaces: free in its folder,
// named by no destination, chosen by none before. Without one the file
// cannot be moved aside, so it is not replaced.
void ChooseBackup(PlannedFile& file, const std::map<std::string, bool>& planned, std::set<std::string>& taken) {
    if (file.kind != PlannedFile::Kind::Replace) return;
    const auto path = WinPath::Parse(file.path);
    for (int n = 1; n <= kMaxBackup && file.backup.empty(); ++n) {
        const auto backup = path->Parent()->Child(path->Last() + kBackupMark + std::to_string(n));
        if (!backup || taken.count(Key(backup->Text())) || planned.count(Key(backup->Text())) ||
            platform::Probe(backup->Text()) != platform::PathKind::Missing)
            continue;
        file.backup = backup->Text();
        taken.insert(Key(file.backup));
    }
    if (file.backup.empty()) file.kind = PlannedFile::Kind::Keep;
}

}  // namespace

const PlannedFile* InstallPlan::Find(const std::string& path) const {
    for (; indexed_ < files.size(); ++indexed_) index_.emplace(Key(files[indexed_].path), indexed_);
    const auto it = index_.find(Key(path));
    return it == index_.end() ? nullptr : &files[it->second];
}

bool IsReservedName(const std::string& name) {
    return sjis::FoldCase(name).find(kReservedMark) != std::string::npos;
}

std::optional<InstallPlan> PlanInstallation(const WinPath& folder, const std::vector<std::string>& madeAbove) {
    InstallPlan plan;
    plan.folder = folder.FolderText();
    std::map<std::string, bool> planned;  // folded path -> a DAT file
    std::set<std::string> taken;          // folded names in use or chosen
    struct Destination {
        WinPath path;
        bool dat;
        bool inMissingFolder;  // its folder was just found missing: so is the file
    };
    std::vector<Destination> destinations;
    const auto add = [&](const std::optional<WinPath>& path, bool dat, bool inMissingFolder = false) {
        if (!path || IsReservedName(path->Last()) || planned.count(Key(path->Text()))) return;
        planned[Key(path->Text())] = dat;
        destinations.push_back(Destination{*path, dat, inMissingFolder});
    };
    add(folder.Child(kSetupLogName), false);
    for (const char* name : {"Tazu.exe", "Tazu.env", "ovit.dll"}) add(folder.Child(name), false);
    add(folder.Child(InstConfig.ShortcutIcon), false);
    std::vector<std::string> madeGroups;
    for (int n = 1; n <= InstConfig.TotalDisc && n <= kMaxDiscs; ++n) {
        for (int g = 0; g < kGroupCount; ++g) {
            const auto groupFolder = folder.Child(kGroups[g]);
            if (n == 1) {
                const platform::PathKind kind = platform::Probe(groupFolder->Text());
                if (kind == platform::PathKind::Unknown) return std::nullopt;
                if (kind == platform::PathKind::Missing) madeGroups.push_back(groupFolder->Text());
            }
            // The files of a group folder that is not there are not asked
            // for one by one: a fresh installation's thousands of probes
            // would cost more than copying its small files.
            const bool missing = std::find(madeGroups.begin(), madeGroups.end(), groupFolder->Text()) != madeGroups.end();
            for (const std::string& entry : InstConfig.Files(g, n))
                add(groupFolder->Child(sjis::LastPathComponent(entry)), g == 0, missing);
        }
    }
    // The edited Tazu.env's name carries the mark, which `add` refuses for
    // any name from the disc.
    if (const auto fresh = folder.Child(kEnvReplacement)) {
        planned[Key(fresh->Text())] = false;
        destinations.push_back(Destination{*fresh, false, false});
    }

    // A plan is made only on answers: a file the system cannot say is there
    // or not could be taken for new and deleted by an undo.
    for (const auto& [path, dat, inMissingFolder] : destinations) {
        PlannedFile file{path.Text(), PlannedFile::Kind::New, std::string()};
        const platform::PathKind kind = inMissingFolder ? platform::PathKind::Missing : platform::Probe(file.path);
        if (kind == platform::PathKind::Unknown) return std::nullopt;
        if (kind != platform::PathKind::Missing) {
            file.kind = dat ? PlannedFile::Kind::Keep : PlannedFile::Kind::Replace;
            taken.insert(Key(file.path));
        }
        plan.files.push_back(file);
    }
    for (PlannedFile& file : plan.files) ChooseBackup(file, planned, taken);
    plan.madeFolders = madeGroups;
    plan.madeFolders.insert(plan.madeFolders.end(), madeAbove.begin(), madeAbove.end());
    return plan;
}

bool PlanShortcut(InstallPlan& plan) {
    const auto shortcut = StartMenuShortcutPlace();
    if (!shortcut || plan.Find(shortcut->link.Text())) return false;
    return PlanOutsideFile(plan, shortcut->link, shortcut->root);
}

bool PlanOutsideFile(InstallPlan& plan, const WinPath& file, const WinPath& root) {
    PlannedFile planned{file.Text(), PlannedFile::Kind::New, std::string()};
    std::set<std::string> taken;
    const platform::PathKind fileKind = platform::Probe(planned.path);
    if (fileKind == platform::PathKind::Unknown) return false;
    if (fileKind != platform::PathKind::Missing) {
        planned.kind = PlannedFile::Kind::Replace;
        taken.insert(Key(planned.path));
    }
    ChooseBackup(planned, {{Key(planned.path), false}}, taken);
    // Its folders that are missing, deepest first, before the install
    // folder's own; one the plan makes already is not made twice.
    std::vector<WinPath> made;
    for (const std::string& text : plan.madeFolders)
        if (const auto path = WinPath::Parse(text)) made.push_back(*path);
    std::vector<std::string> levels;
    for (auto level = file.Parent(); level && level->IsBelow(root); level = level->Parent()) {
        if (std::find(made.begin(), made.end(), *level) != made.end()) break;
        const platform::PathKind kind = platform::Probe(level->Text());
        if (kind == platform::PathKind::Unknown) return false;
        if (kind != platform::PathKind::Missing) break;
        levels.push_back(level->Text());
    }
    plan.files.push_back(planned);
    plan.madeFolders.insert(plan.madeFolders.begin(), levels.begin(), levels.end());
    return true;
}

std::string JournalText(const InstallPlan& plan) {
    std::string text = std::string(kJournalHeader) + "\r\nfolder\t" + plan.folder + "\r\n";
    for (const std::string& made : plan.madeFolders) text += "made\t" + made + "\r\n";
    for (const PlannedFile& f : plan.files) {
        switch (f.kind) {
            case PlannedFile::Kind::New: text += "new\t" + f.path + "\r\n"; break;
            case PlannedFile::Kind::Keep: text += "keep\t" + f.path + "\r\n"; break;
            case PlannedFile::Kind::Replace: text += "replace\t" + f.path + "\t" + f.backup + "\r\n"; break;
        }
    }
    if (plan.committed) text += "commit\r\n";
    return text + "end\r\n";
}

std::optional<InstallPlan> ParseJournal(const std::string& text) {
    const auto lines = platform::SplitLines(text);
    if (lines.size() < 3 || lines.front() != kJournalHeader) return std::nullopt;
    // Written in one go and flushed: a journal cut short is no journal.
    std::size_t last = lines.size();
    while (last > 0 && lines[last - 1].empty()) --last;
    if (last < 3 || lines[last - 1] != "end") return std::nullopt;
    InstallPlan plan;
    // The commit step is the last line before the end, or there is none.
    if (lines[last - 2] == "commit") {
        plan.committed = true;
        --last;
    }
    // A planned file never carries the reserved mark, but for the edited
    // Tazu.env's own temporary name; a backup always does, and waits beside
    // its file.
    const auto planned = [](const std::string& spelled) -> std::optional<WinPath> {
        const auto path = WinPath::Parse(spelled);
        if (!path) return std::nullopt;
        return !IsReservedName(path->Last()) || sjis::EqualsNoCase(path->Last(), kEnvReplacement) ? path : std::nullopt;
    };
    for (std::size_t i = 1; i + 1 < last; ++i) {
        const auto fields = Fields(lines[i]);
        const std::string& what = fields[0];
        std::optional<std::string> path = fields.size() >= 2 ? Checked(fields[1]) : std::nullopt;
        if (!path) return std::nullopt;
        // The folder comes first, once; nothing is planned before it.
        if ((what == "folder") != (i == 1)) return std::nullopt;
        if (what == "folder" && fields.size() == 2) {
            plan.folder = WinPath::Parse(*path)->FolderText();
        } else if (what == "made" && fields.size() == 2) {
            plan.madeFolders.push_back(*path);
        } else if ((what == "new" || what == "keep") && fields.size() == 2 && planned(*path)) {
            plan.files.push_back({*path, what == "new" ? PlannedFile::Kind::New : PlannedFile::Kind::Keep, ""});
        } else if (what == "replace" && fields.size() == 3) {
            const auto file = planned(*path);
            const auto backup = WinPath::Parse(fields[2]);
            if (!file || !backup || !IsReservedName(backup->Last()) || backup->Parent() != file->Parent())
                return std::nullopt;
            plan.files.push_back({*path, PlannedFile::Kind::Replace, backup->Text()});
        } else {
            return std::nullopt;
        }
    }
    if (plan.folder.empty()) return std::nullopt;
    return plan;
}

std::string MarkerText(const InstallPlan& plan, bool committed) {
    InstallPlan marker;
    marker.folder = plan.folder;
    marker.committed = committed;
    const auto folder = WinPath::Parse(plan.folder);
    if (!folder) return JournalText(marker);
    for (const std::string& text : plan.madeFolders) {
        // A plan never makes a root, nor names one (ParseJournal refuses it).
        const auto made = WinPath::Parse(text);
        if (!made) continue;
        bool group = false;
        for (const char* g : kGroups) group = group || sjis::EqualsNoCase(made->Last(), g);
        if (*made == *folder || folder->IsBelow(*made) || (group && made->IsDirectlyIn(*folder)))
            marker.madeFolders.push_back(text);
    }
    const auto log = folder->Child(kSetupLogName);
    if (!plan.files.empty() && plan.files[0].kind != PlannedFile::Kind::Keep && log &&
        WinPath::Parse(plan.files[0].path) == log)
        marker.files.push_back(plan.files[0]);
    return JournalText(marker);
}

bool UndoInstallation(const InstallPlan& plan, const std::set<std::string>* written) {
    const auto folder = WinPath::Parse(plan.folder);
    if (!folder || folder->IsRoot()) return false;
    const OutsidePlaces outside;
    const auto log = folder->Child(kSetupLogName);
    bool whole = true;
    bool keptFromBefore = false;
    const PlannedFile* logEntry = nullptr;

    const auto undo = [&](const PlannedFile& f) {
        const auto path = WinPath::Parse(f.path);
        if (!path) return;
        if (!MayTouch(*path, *folder, &outside)) {
            // Without the places outside the install folder, the shortcut
            // or the uninstaller cannot be told from a stranger's file:
            // left for another try.
            if (!outside.Known()) whole = false;
            return;
        }
        switch (f.kind) {
            case PlannedFile::Kind::Keep:
                keptFromBefore = keptFromBefore || Exists(f.path);
                return;
            case PlannedFile::Kind::New:
                // Only what this installation made: a file it never wrote
                // was there before it, whatever the plan thought.
                if (written && !written->count(Key(f.path))) return;
                whole = InstalledFileGone(f.path) && whole;
                return;
            case PlannedFile::Kind::Replace: {
                const auto backup = WinPath::Parse(f.backup);
                if (!backup || !backup->Parent() || !path->Parent() || *backup->Parent() != *path->Parent() ||
                    !IsReservedName(backup->Last()))
                    return;
                // No backup: the file from before was never moved, or is back
                // already. Only a backup that is surely there replaces what
                // stands at its place; one that cannot be seen is tried again.
                if (!Exists(f.backup)) {
                    whole = platform::IsMissing(f.backup) && whole;
                    return;
                }
                // Written through: the journal and the marker that name
                // the backup go soon after, and a power cut must not take
                // the file back to a name nothing names any more.
                whole = InstalledFileGone(f.path) && platform::RenameFileWrittenThrough(f.backup, f.path) && whole;
                return;
            }
        }
    };
    for (auto it = plan.files.rbegin(); it != plan.files.rend(); ++it) {
        if (log && Key(it->path) == Key(log->Text())) {
            logEntry = &*it;
            continue;
        }
        undo(*it);
    }
    // The log last: an earlier installation's comes back; a new one stays
    // only when files from before were left alone, which it lists.
    if (logEntry && !(logEntry->kind == PlannedFile::Kind::New && keptFromBefore)) undo(*logEntry);

    if (!whole) return false;
    // A made folder that will not go is tried again by the next start; that
    // start leaves one it cannot take (something of someone else's is in it).
    // The folders below the install folder go while the journal still
    // names them; the journal goes before the install folder's own levels,
    // which the marker names as well.
    const auto removeMade = [&](bool holdsJournal) {
        for (const std::string& made : plan.madeFolders) {
            const auto path = WinPath::Parse(made);
            if (!path || !MayRemoveFolder(*path, *folder, outside) || platform::IsReparsePoint(path->Text())) continue;
            if ((*path == *folder || folder->IsBelow(*path)) != holdsJournal) continue;
            if (!platform::RemoveEmptyDirectory(path->Text()) && written && !platform::IsMissing(path->Text()))
                whole = false;
        }
    };
    removeMade(false);
    if (!whole) return false;
    if (const auto journal = folder->Child(kJournalName)) {
        // The journal is replaced in one step like the log; a copy of it
        // under ".new" may stay from a rewrite that was cut short.
        if (!InstalledFileGone(journal->Text() + ".new") || !InstalledFileGone(journal->Text())) return false;
    }
    removeMade(true);
    return whole;
}

bool FinishInstallation(const InstallPlan& plan) {
    const auto folder = WinPath::Parse(plan.folder);
    if (!folder || folder->IsRoot()) return false;
    const OutsidePlaces outside;
    bool whole = true;
    for (const PlannedFile& f : plan.files) {
        if (f.kind != PlannedFile::Kind::Replace) continue;
        const auto backup = WinPath::Parse(f.backup);
        if (!backup || !IsReservedName(backup->Last())) continue;
        if (!MayTouch(*backup, *folder, &outside)) {
            if (!outside.Known()) whole = false;
            continue;
        }
        whole = InstalledFileGone(f.backup) && whole;
    }
    if (!whole) return false;
    const auto journal = folder->Child(kJournalName);
    return !journal || (InstalledFileGone(journal->Text() + ".new") && InstalledFileGone(journal->Text()));
}

Installation Installation::Interrupted(const WinPath& folder, InstallPlan plan) {
    Installation installation(folder);
    installation.plan_ = std::move(plan);
    installation.state_ = State::Interrupted;
    return installation;
}

bool Installation::Wrote(const std::string& path) const { return written_.count(Key(path)) != 0; }

void Installation::Begin(const std::vector<std::string>& missing) {
    plan_ = InstallPlan{};
    plan_.folder = folder_.FolderText();
    plan_.madeFolders = missing;
    // From the first folder made on, the next start knows an installation
    // is under way, should this run end before it does.
    if (!WriteMarker(plan_)) {
        ClearMarker();  // nothing is made yet: no marker is better than one not on the disk
        throw std::runtime_error(kRegistryFailure);
    }
    state_ = State::Begun;
}

bool Installation::MakeFolders() {
    if (!plan_.madeFolders.empty()) {
        // Level by level from the top, so that only what this installation
        // made is taken away again.
        std::vector<std::string> made;
        for (auto level = plan_.madeFolders.rbegin(); level != plan_.madeFolders.rend(); ++level)
            if (platform::MakeFolder(*level)) made.insert(made.begin(), *level);
        plan_.madeFolders = made;
        WriteMarker(plan_, false);
        if ((made.empty() || made.front() != folder_.Text()) && !platform::DirectoryExists(folder_.Text())) {
            // What could be made goes again; should any of it stay, the
            // marker is left for the next start to take it away.
            bool gone = true;
            for (const std::string& level : made) gone = platform::RemoveEmptyDirectory(level) && gone;
            if (gone) ClearMarker();
            state_ = State::Undone;
            return false;
        }
    }
    state_ = State::FoldersMade;
    return true;
}

bool Installation::Plan() {
    auto plan = PlanInstallation(folder_, plan_.madeFolders);
    if (!plan) return false;
    plan_ = std::move(*plan);
    // The marker learns where the earlier log goes before it moves; the
    // journal of the whole plan follows once the checks passed, so that the
    // free space is measured as the installation finds it.
    InstallPlan start = plan_;
    start.files.resize(1);
    if (!WriteMarker(start)) throw std::runtime_error(kRegistryFailure);
    recorded_ = 1;
    state_ = State::Planned;
    return true;
}

bool Installation::Journal() {
    const auto journal = folder_.Child(kJournalName);
    if (!journal || !ReplaceWholeFile(journal->Text(), JournalText(plan_))) return false;
    recorded_ = plan_.files.size();
    state_ = State::Journaled;
    return true;
}

// Only a planned file that the marker or the journal names may be written:
// the next start could not undo any other, and one the plan does not know
// may be someone else's. Nothing more once the record names the installation.
bool Installation::Writable(const std::string& path) const {
    if (state_ != State::Planned && state_ != State::Journaled) return false;
    const PlannedFile* planned = plan_.Find(path);
    return planned && static_cast<std::size_t>(planned - plan_.files.data()) < recorded_;
}

bool Installation::MoveAside(const std::string& path, Reporter& report) {
    const PlannedFile* planned = plan_.Find(path);
    if (!planned || planned->kind != PlannedFile::Kind::Replace) return true;
    if (!Writable(path)) return false;
    const std::string key = Key(path);
    if (movedAside_.count(key)) return true;
    // The file from before was taken away meanwhile: nothing to keep. What
    // the system cannot say is there or not is not overwritten.
    const platform::PathKind kind = platform::Probe(path);
    if (kind == platform::PathKind::Missing) return true;
    if (kind != platform::PathKind::File || !platform::RenameFile(path, planned->backup)) return false;
    movedAside_.insert(key);
    report.Note("退避：" + path + " → " + planned->backup);
    return true;
}

std::unique_ptr<platform::File> Installation::OpenForWrite(const std::string& path) {
    if (!Writable(path)) return nullptr;
    // This run's own file (a name in two lists) is written anew. Any other
    // is made new: the one from before was moved aside, and one that
    // appeared since is someone else's.
    auto file = Wrote(path) ? platform::File::Create(path) : platform::File::CreateNew(path);
    // Only once it is made is it this installation's, for its rollback to take.
    if (file) written_.insert(Key(path));
    return file;
}

bool Installation::Claim(const std::string& path, Reporter& report) {
    if (!Writable(path) || !MoveAside(path, report)) return false;
    written_.insert(Key(path));
    return true;
}

void Installation::Commit() {
    state_ = State::Committed;
    plan_.committed = true;
    if (!WriteMarker(plan_)) throw std::runtime_error(kRegistryFailure);
    WriteInstallationRecord(plan_.folder);
}

bool Installation::TakeBackCommit() {
    if (!plan_.committed) return true;
    plan_.committed = false;
    if (WriteMarker(plan_)) return true;
    plan_.committed = true;
    return false;
}

bool Installation::Finish() {
    state_ = State::Finished;
    // Only a record on the disk lets the backups go: a power cut that took
    // it back would have the next start undo the installation without them.
    return InstConfig.RecordKey && InstConfig.RecordKey->Flush() && FinishInstallation(plan_) && ClearMarker();
}

// A planned new file this run did not make is not the installation's,
// whatever is there now: should this rollback not finish, the next start,
// which cannot tell, must not take one that appeared since for its own. The
// record on the disk forgets such files first.
void Installation::Disown() {
    InstallPlan rest;
    rest.folder = plan_.folder;
    rest.madeFolders = plan_.madeFolders;
    std::size_t recorded = 0;
    for (std::size_t i = 0; i < plan_.files.size(); ++i) {
        const PlannedFile& f = plan_.files[i];
        if (f.kind == PlannedFile::Kind::New && !Wrote(f.path) && platform::Probe(f.path) != platform::PathKind::Missing)
            continue;
        rest.files.push_back(f);
        recorded += i < recorded_ ? 1 : 0;
    }
    if (recorded == recorded_) return;  // the next start knows none of them
    plan_ = std::move(rest);
    recorded_ = recorded;
    if (state_ == State::Journaled) {
        Journal();
        return;
    }
    InstallPlan start = plan_;
    start.files.resize(recorded_);
    WriteMarker(start);
}

bool Installation::Undo() {
    if (state_ != State::Interrupted) Disown();
    if (!UndoInstallation(plan_, state_ == State::Interrupted ? nullptr : &written_)) return false;
    state_ = State::Undone;
    return ClearMarker();
}
