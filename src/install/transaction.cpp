// The plan of an installation, its journal, and undoing or finishing it.
#include "install/transaction.h"

#include <algorithm>
#include <map>

#include "install/instcommon.h"
#include "install/uninstallercopy.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "shell/instconfig.h"

using platform::WinPath;

namespace {

constexpr const char* kReservedMark = "~TAZUSTART";
constexpr const char* kJournalHeader = "TazuStart install journal 1";
constexpr const char* kLogName = "Setup.log";

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

// A file the installation wrote is gone afterwards: deleted, its read-only
// attribute (kept from a disc) cleared first when needed.
bool RemoveWritten(const std::string& path) {
    if (platform::RemoveFile(path) || platform::IsMissing(path)) return true;
    return platform::ClearReadOnly(path) && platform::RemoveFile(path);
}

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
    if (file.IsDirectlyIn(folder)) return true;
    const auto holder = file.Parent();
    if (holder && holder->IsDirectlyIn(folder)) {
        for (const char* group : kGroups)
            if (sjis::EqualsNoCase(holder->Last(), group)) return true;
    }
    if (!outside) return false;
    if (outside->Shortcut() && file.IsDirectlyIn(outside->Shortcut()->folder)) return true;
    return outside->Uninstaller() && file.IsDirectlyIn(outside->Uninstaller()->folder);
}

bool IsInFolder(const WinPath& file, const WinPath& folder) { return MayTouch(file, folder, nullptr); }

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
    std::vector<std::pair<WinPath, bool>> destinations;
    const auto add = [&](const std::optional<WinPath>& path, bool dat) {
        if (!path || IsReservedName(path->Last()) || planned.count(Key(path->Text()))) return;
        planned[Key(path->Text())] = dat;
        destinations.emplace_back(*path, dat);
    };
    add(folder.Child(kLogName), false);
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
            for (const std::string& entry : InstConfig.Files(g, n))
                add(groupFolder->Child(sjis::LastPathComponent(entry)), g == 0);
        }
    }
    // The edited Tazu.env's name carries the mark, which `add` refuses for
    // any name from the disc.
    if (const auto fresh = folder.Child(kEnvReplacement)) {
        planned[Key(fresh->Text())] = false;
        destinations.emplace_back(*fresh, false);
    }

    // A plan is made only on answers: a file the system cannot say is there
    // or not could be taken for new and deleted by an undo.
    for (const auto& [path, dat] : destinations) {
        PlannedFile file{path.Text(), PlannedFile::Kind::New, std::string()};
        const platform::PathKind kind = platform::Probe(file.path);
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
    for (std::size_t i = 1; i + 1 < last; ++i) {
        const auto fields = Fields(lines[i]);
        const std::string& what = fields[0];
        std::optional<std::string> path = fields.size() >= 2 ? Checked(fields[1]) : std::nullopt;
        if (!path) return std::nullopt;
        if (what == "folder" && fields.size() == 2 && plan.folder.empty()) {
            plan.folder = WinPath::Parse(*path)->FolderText();
        } else if (what == "made" && fields.size() == 2) {
            plan.madeFolders.push_back(*path);
        } else if ((what == "new" || what == "keep") && fields.size() == 2) {
            plan.files.push_back({*path, what == "new" ? PlannedFile::Kind::New : PlannedFile::Kind::Keep, ""});
        } else if (what == "replace" && fields.size() == 3) {
            const auto backup = Checked(fields[2]);
            if (!backup) return std::nullopt;
            plan.files.push_back({*path, PlannedFile::Kind::Replace, *backup});
        } else {
            return std::nullopt;
        }
    }
    if (plan.folder.empty()) return std::nullopt;
    return plan;
}

bool UndoInstallation(const InstallPlan& plan, const std::set<std::string>* written) {
    const auto folder = WinPath::Parse(plan.folder);
    if (!folder || folder->IsRoot()) return false;
    const OutsidePlaces outside;
    const auto log = folder->Child(kLogName);
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
            if (!outside.Known() && !IsInFolder(*path, *folder)) whole = false;
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
                whole = RemoveWritten(f.path) && whole;
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
                whole = RemoveWritten(f.path) && platform::RenameFileWrittenThrough(f.backup, f.path) && whole;
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
        if (!RemoveWritten(journal->Text() + ".new") || !RemoveWritten(journal->Text())) return false;
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
            if (!outside.Known() && !IsInFolder(*backup, *folder)) whole = false;
            continue;
        }
        whole = RemoveWritten(f.backup) && whole;
    }
    if (!whole) return false;
    const auto journal = folder->Child(kJournalName);
    return !journal || (RemoveWritten(journal->Text() + ".new") && RemoveWritten(journal->Text()));
}
