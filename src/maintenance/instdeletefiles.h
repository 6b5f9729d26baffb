// The deleting window and the deletion pass over Setup.log, shared by the
// uninstall (the window as a notice) and the rollback of a failed
// installation (the window runs the pass by itself).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "install/instcommon.h"
#include "install/report.h"
#include "platform/forms.h"
#include "platform/winpath.h"
#include "shell/instconfig.h"

class Installation;

extern const platform::FormDef kDeleteFilesForm;

constexpr int WM_DELETESTART = 200;  // the deleting window's own start message

class TfrmDeleteFiles : public platform::Form {
public:
    // Centred over `over` when shown; rolls `rollback` back when given (and
    // is a notice otherwise); the rollback's steps go to `report`.
    TfrmDeleteFiles(const platform::Form& over, Reporter& report, Installation* rollback = nullptr);

    platform::Bevel Bevel1{*this, "Bevel1"};
    platform::Label Label1{*this, "Label1"};
    platform::Label Label2{*this, "Label2"};
    bool undone = false;  // the rollback's result, once the window ran it

private:
    void FormShow() override;
    void OnMessage(int message) override;
    // The rollback, when the window has one; then the window closes.
    void WMDeleteStart();

    const platform::Form& over_;
    Reporter& report_;
    Installation* rollback_;
};

extern TfrmDeleteFiles* frmDeleteFiles;

// The path a log line names, as Windows names the file: a short (8.3)
// component is read as its long name. nullopt when the path model refuses it.
std::optional<platform::WinPath> LoggedPath(const std::string& line);
// True when the log names at least one file of the installation in
// `folder`: a log that names none (empty, garbage, another folder's) cannot
// say what to delete.
bool LogNamesInstallation(const std::string& log, const platform::WinPath& folder);

struct DeletionPass {
    std::vector<std::string> remaining;  // listed files that could not be deleted
    std::vector<std::string> keptSaves;  // save-data files left as asked
};
// The uninstall's pass over the log's bytes: every listed file of the
// installation in `folder` is deleted (read-only ones too), save data only
// with `deleteSaveData`; the group folders go when empty (DAT only with save
// data). When every such file is gone, the log goes too with save data and
// the folder when empty; otherwise both stay for another try.
DeletionPass UninstallFiles(const std::string& log, const platform::WinPath& folder, bool deleteSaveData,
                            Reporter& report);
// The rollback of `installation` (this run's, or one a crash interrupted):
// a commit is taken back first, its entry in the list of programs goes,
// what it replaced comes back, what it wrote goes; then its marker is
// cleared. False when something could not be undone: the marker stays and
// the next start tries again.
bool RollBackInstallation(Installation& installation, Reporter& report);
// The deleting window, shown modally over `owner`, running that rollback;
// its result.
bool ShowRollback(const platform::Form& owner, Installation& installation, Reporter& report);
