// The main menu window: start-up sequence, the two menu states and the
// commands behind its buttons.
#pragma once
#include <string>

#include "install/report.h"
#include "platform/forms.h"

extern const platform::FormDef kInstMainForm;

class TfrmInstMain : public platform::Form {
public:
    TfrmInstMain();

    platform::Button btnStart1{*this, "btnStart1"};
    platform::Label lblInst{*this, "lblInst"};
    platform::Edit edtInst{*this, "edtInst"};
    platform::StatusBar sbInst{*this, "sbInst"};
    platform::Button btnExit{*this, "btnExit"};
    platform::Button btnS{*this, "btnS"};
    platform::Button btnDelete{*this, "btnDelete"};
    platform::GroupBox gbInstInfo{*this, "gbInstInfo"};
    platform::Button btnInstInfoDel{*this, "btnInstInfoDel"};
    platform::Button btnInstPathChg{*this, "btnInstPathChg"};
    platform::Button btnInstDirectX{*this, "btnInstDirectX"};
    platform::Button btnStart2{*this, "btnStart2"};

    // Menu states: not installed (install buttons, folder row) and installed
    // (start and remove buttons, repair group).
    void ShowInstallState();
    void ShowInstalledState();
    // Visibility of every control in one of the two states.
    void ApplyStateLayout(bool installed);
    // The switch to the installed state after an installation: the readme
    // when `readme`, and the offer to start the game.
    void AfterInstallation(bool readme);
    // Who answers the menu's questions: message boxes, unless a run from the
    // command line answers them.
    Reporter& Report() { return *reporter_; }
    void SetReporter(Reporter& reporter) { reporter_ = &reporter; }

private:
    void ShowReadme();
    void FormCreate() override;
    void FormDestroy() override;
    void btnStart1Click(platform::Control& sender);
    void FormShow() override;
    void btnExitClick(platform::Control& sender);
    void btnSClick(platform::Control& sender);
    void btnDeleteClick(platform::Control& sender);
    void btnInstInfoDelClick(platform::Control& sender);
    void btnInstPathChgClick(platform::Control& sender);
    void btnInstDirectXClick(platform::Control& sender);

    BoxReporter boxes_;
    Reporter* reporter_ = &boxes_;
};

extern TfrmInstMain* frmInstMain;

// Reads [Setting] of Setup.inf on disc 1 (in the kept uninstaller's run,
// the one in its folder) into InstConfig and takes the game's title as
// application and `mainForm` caption. Ends the process after a message
// when the file is missing or incomplete.
void ReadSettingSection(platform::Form& mainForm, Reporter& report);

// True when this user can make a folder in `folder`: a uniquely named empty
// folder is made there and taken away again.
bool CanMakeFolderIn(const std::string& folder);
// The folder the install state proposes: Program Files of the Windows drive
// when this user can make a folder there, otherwise the user's own programs
// folder (made when missing), each with DefInstPath.
std::string ProposeInstallFolder();
// The drive of `windowsDir` + "\Program Files\" + `defInstPath`.
std::string ProposedInstallFolder(const std::string& windowsDir, const std::string& defInstPath);
