// The CD-ROM drive dialog: lists the machine's CD-ROM drives and stores the
// chosen drive letter in InstConfig.CdDrive on OK.
#pragma once
#include "platform/forms.h"

extern const platform::FormDef kCdRomForm;

class TfrmCdRom : public platform::Form {
public:
    TfrmCdRom();

    platform::Label lblGameTitle{*this, "lblGameTitle"};
    platform::Label Label1{*this, "Label1"};
    platform::ComboList cbCdRom{*this, "cbCdRom"};
    platform::Button btnOK{*this, "btnOK"};
    platform::Button btnCancel{*this, "btnCancel"};

private:
    void FormShow() override;
    void btnOKClick(platform::Control& sender);
    void btnCancelClick(platform::Control& sender);
};

// Shows the CD-ROM drive dialog until the chosen drive holds disc 1; ends
// the process when the user cancels. Nothing when the command line chose
// the drive.
void FindInstallDisc();
