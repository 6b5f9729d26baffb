// The deleting window and the deletion pass over Setup.log, shared by the
// uninstall (the window as a notice) and the rollback of a failed
// installation (the window runs the pass by itself).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/forms.h"

extern const platform::FormDef kDeleteFilesForm;

constexpr int WM_DELETESTART = 1224;  // WM_USER + 200

class TfrmDeleteFiles : public platform::Form {
public:
    TfrmDeleteFiles();

    platform::Bevel Bevel1{*this, "Bevel1"};
    platform::Label Label1{*this, "Label1"};
    platform::Label Label2{*this, "Label2"};

private:
    void FormShow() override;
    void OnMessage(int message) override;
    // The rollback: the pass over InstConfig.InstPath's Setup.log, sparing
    // the files that were there before the installation; then the window closes.
    void WMDeleteStart();
};

extern TfrmDeleteFiles* frmDeleteFiles;

// True when `path` names a file directly in `instPath` or directly in one of
// its five group folders, after "." and ".." are resolved, compared without
// regard to ASCII case and Shift-JIS aware. Nothing else may be deleted.
bool IsInsideInstallFolder(const std::string& path, const std::string& instPath);

// The deletion pass over the log's bytes (nullopt: the log could not be
// read): every listed file inside the install folder, save data only when
// InstConfig.DeleteSaveData, never one of `spare`; then the group folders,
// the log (with save data, or when `dropLog`) and the install folder when empty.
void DeleteInstalledFiles(const std::optional<std::string>& log, const std::vector<std::string>& spare,
                          bool dropLog = false);
